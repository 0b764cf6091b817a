#include "removal/PrinterRemoval.h"

#include "product/Product.h"

#include "NativeEnvironment.h"

namespace vexlo {

void RemoveLabelMonitor(const Winspool& winspool, const RemovalReport* report) {
    if (!winspool) return;
    NarrowString<sizeof kMonitorName> name = kMonitorName;  // the platform takes a non-const string
    // A refusal is left for the repeat after the spooler restart.
    RemoveReported(report, RemovedKind::Monitor, kMonitorName, nullptr,
                   [&] { return winspool.DeleteMonitorA(nullptr, nullptr, name.data()); });
    // Under WOW64 "no environment" is the 32-bit one, while the monitor was
    // installed for the machine's own.
    EnvironmentName native = FindNativeEnvironment();
    if (native.empty()) return;
    RemoveReported(report, RemovedKind::Monitor, kMonitorName, native.c_str(),
                   [&] { return winspool.DeleteMonitorA(nullptr, native.data(), name.data()); });
}

}  // namespace vexlo
