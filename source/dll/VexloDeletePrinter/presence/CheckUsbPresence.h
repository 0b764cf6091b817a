#pragma once

#include <string_view>

namespace vexlo {

inline constexpr std::string_view kUsbHardwareId = "VID_F0E1&PID_0420";

// True when the USB printing class driver lists a device instance whose
// name carries the label printer's hardware ID. The body of IsConnected.
bool CheckUsbPresence();

}  // namespace vexlo
