#pragma once

#include "NarrowString.h"
#include "SystemLibrary.h"

namespace vexlo {

inline constexpr const char* kBrand = "Vexlo";
// As long as the pattern and path buffers, which the purge guards itself.
using FolderPath = NarrowString<1024>;

// Force-uninstalls every oem*.inf package in `folder` (no trailing
// backslash) whose [Version] section names the brand as its Provider; does
// nothing when the setup library could not be loaded.
void PurgeDriverPackages(const SetupApi& setupApi, FolderPath folder);

// The walk the purge makes, shared with VexloHost's listing so that both
// decide alike which package is the brand's: called for each Provider line
// naming the brand in the [Version] section of an oem*.inf in `folder`, with
// the file's name and its open INF (closed after the walk leaves the file);
// returns whether to go on with that file's further lines. Files that
// cannot be opened are passed over.
using PackageVisit = bool (*)(void* context, const SetupApi& setupApi, const char* fileName, HINF inf);
void WalkBrandPackages(const SetupApi& setupApi, FolderPath folder, PackageVisit visit, void* context);

// The Windows directory followed by "\inf", in the 260-byte buffer. False
// when the directory cannot be had or leaves no room for "\inf" (longer than
// 255 characters).
bool BuildInfFolder(char (&folder)[MAX_PATH]);

// A package is the brand's when its Provider is exactly the brand.
bool IsBrandProvider(const char* provider);

}  // namespace vexlo
