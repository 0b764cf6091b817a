#pragma once

namespace vexlo {

// True when the USB printing class driver lists a device instance whose
// name carries the label printer's hardware ID. The body of IsConnected.
bool CheckUsbPresence();

}  // namespace vexlo
