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

}  // namespace vexlo
