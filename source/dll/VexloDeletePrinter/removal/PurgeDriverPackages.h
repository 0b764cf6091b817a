#pragma once

#include <string>

namespace vexlo {

inline constexpr const char* kBrand = "Vexlo";

// Force-uninstalls every oem*.inf package in `folder` (no trailing
// backslash) whose [Version] section names the brand as its Provider.
void PurgeDriverPackages(std::string folder);

}  // namespace vexlo
