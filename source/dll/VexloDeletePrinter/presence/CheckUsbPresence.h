#pragma once

#include <string_view>

namespace vexlo {

inline constexpr std::string_view kUsbHardwareId = "VID_F0E1&PID_0420";

// True when the USB printing class driver lists a device instance whose
// name carries the label printer's hardware ID. The body of IsConnected.
bool CheckUsbPresence();

// The walk the check makes, shared with VexloHost's listing: called for each
// entry of the device list that carries the hardware ID, in the list's order,
// with the entry as read; returns whether to go on.
using DeviceEntryVisit = bool (*)(void* context, const char* entry);
void WalkMatchingDeviceEntries(DeviceEntryVisit visit, void* context);

}  // namespace vexlo
