#include "removal/PrinterRemoval.h"

#include "product/Product.h"

#include "NativeEnvironment.h"

namespace vexlo {

void RemoveLabelMonitor(const Winspool& winspool) {
    if (!winspool) return;
    NarrowString<sizeof kMonitorName> name = kMonitorName;  // the platform takes a non-const string
    // A refusal is left for the repeat after the spooler restart.
    winspool.DeleteMonitorA(nullptr, nullptr, name.data());
    // Under WOW64 "no environment" is the 32-bit one, while the monitor was
    // installed for the machine's own.
    EnvironmentName native = FindNativeEnvironment();
    if (!native.empty()) winspool.DeleteMonitorA(nullptr, native.data(), name.data());
}

}  // namespace vexlo
