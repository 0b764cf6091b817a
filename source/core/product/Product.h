// The Vexlo-420 printer's identity and the rules that tell its software and
// its device entry from everything else on the machine. IsConnected,
// DeleteALL and VexloHost's listing all decide by these, and by nothing else.
#pragma once

#include <string_view>

namespace vexlo {

// The hardware ID the USB printing class driver's device entries carry.
inline constexpr std::string_view kUsbHardwareId = "VID_F0E1&PID_0420";
inline constexpr char kModelName[] = "Vexlo-420";
inline constexpr char kMonitorName[] = "VexloLM";
inline constexpr const char* kDriverNames[] = {"Vexlo-420 LABEL", "Vexlo-420G LABEL"};
inline constexpr char kBrand[] = "Vexlo";

// A queue is the model's when its driver's name contains the model's name,
// in its letter case; a queue whose driver is not known is not.
bool IsModelDriver(const char* driverName);

// The spooler names monitors and drivers without regard to the letter case
// of ASCII letters, so the product's are found as the spooler would find them
// when asked to delete them by name.
bool IsProductMonitor(const char* monitorName);
bool IsProductDriver(const char* driverName);
bool SameAsciiName(const char* a, const char* b);

// An OEM driver package is the brand's when its Provider is exactly the brand.
bool IsBrandProvider(const char* provider);

}  // namespace vexlo
