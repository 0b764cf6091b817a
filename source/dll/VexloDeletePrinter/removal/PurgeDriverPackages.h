#pragma once

#include "SystemLibrary.h"

#include <string>

namespace vexlo {

inline constexpr const char* kBrand = "Vexlo";

// Force-uninstalls every oem*.inf package in `folder` (no trailing
// backslash) whose [Version] section names the brand as its Provider; does
// nothing when the setup library could not be loaded.
void PurgeDriverPackages(const SetupApi& setupApi, std::string folder);

}  // namespace vexlo
