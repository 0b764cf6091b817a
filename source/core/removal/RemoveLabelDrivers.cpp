#include "removal/PrinterRemoval.h"

#include "product/Product.h"

#include "NativeEnvironment.h"

namespace vexlo {
namespace {

// Both drivers of one environment (nullptr: the process's own), in their
// order; the second whatever the first gave.
void DeleteLabelDrivers(const Winspool& winspool, LPSTR environment, const RemovalReport* report) {
    for (const char* driver : kDriverNames) {
        DriverName name(driver);  // the platform takes a non-const string
        RemoveReported(
            report, RemovedKind::Driver, driver, environment,
            [&] { return winspool.DeletePrinterDriverA(nullptr, environment, name.data()); },
            [&] { return FindDriverListed(driver, environment); });
    }
}

}  // namespace

void RemoveLabelDrivers(const Winspool& winspool, const RemovalReport* report) {
    if (!winspool) return;
    DeleteLabelDrivers(winspool, nullptr, report);
    // Under WOW64 "no environment" is the 32-bit one, while a 64-bit machine
    // installs the drivers for its own.
    EnvironmentName native = FindNativeEnvironment();
    if (!native.empty()) DeleteLabelDrivers(winspool, native.data(), report);
}

}  // namespace vexlo
