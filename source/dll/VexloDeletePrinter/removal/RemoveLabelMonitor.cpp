#include "removal/PrinterRemoval.h"

#include "removal/NativeEnvironment.h"

#include <windows.h>
#include <winspool.h>

#include <string>

namespace vexlo {

void RemoveLabelMonitor() {
    std::string name = kMonitorName;  // the platform takes a non-const string
    // A refusal is left for the repeat after the spooler restart.
    DeleteMonitorA(nullptr, nullptr, name.data());
    // Under WOW64 "no environment" is the 32-bit one, while the monitor was
    // installed for the machine's own.
    std::string native = FindNativeEnvironment();
    if (!native.empty()) DeleteMonitorA(nullptr, native.data(), name.data());
}

}  // namespace vexlo
