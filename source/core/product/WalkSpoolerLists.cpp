#include "product/ProductWalks.h"

#include "NativeEnvironment.h"
#include "product/EnumerateUntilItFits.h"
#include "product/Product.h"

namespace vexlo {

void WalkDriversOf(const SpoolerLists& spooler, LPSTR environment, NameVisit visit, void* context, ListRead* read) {
    const auto drivers = EnumerateUntilItFits<DRIVER_INFO_2A>([&](LPBYTE at, DWORD size, LPDWORD needed,
                                                                  LPDWORD returned) {
        return spooler.EnumPrinterDriversA(nullptr, environment, 2, at, size, needed, returned);
    });
    if (!drivers.read) NoteFailure(read, "EnumPrinterDriversA", environment ? environment : "", drivers.error);
    for (DWORD i = 0; i < drivers.count; ++i) {
        const DRIVER_INFO_2A& driver = drivers.records()[i];
        if (IsProductDriver(driver.pName)) visit(context, driver.pName, driver.pEnvironment);
    }
}

bool SpoolerListFunctions::Find(HMODULE module) {
    return FindFunction(module, "EnumMonitorsA", EnumMonitorsA) &&
           FindFunction(module, "EnumPrinterDriversA", EnumPrinterDriversA);
}

void WalkProductMonitors(const SpoolerLists& spooler, NameVisit visit, void* context, ListRead* read) {
    if (!spooler) return NoteFailure(read, "LoadLibraryExA", SpoolerLists::kFileName, spooler.error());
    const auto monitors = EnumerateUntilItFits<MONITOR_INFO_1A>([&](LPBYTE at, DWORD size, LPDWORD needed,
                                                                    LPDWORD returned) {
        return spooler.EnumMonitorsA(nullptr, 1, at, size, needed, returned);
    });
    if (!monitors.read) NoteFailure(read, "EnumMonitorsA", "", monitors.error);
    for (DWORD i = 0; i < monitors.count; ++i) {
        const char* name = monitors.records()[i].pName;
        if (IsProductMonitor(name)) visit(context, name, nullptr);
    }
}

void WalkProductDrivers(const SpoolerLists& spooler, NameVisit visit, void* context, ListRead* read) {
    if (!spooler) return NoteFailure(read, "LoadLibraryExA", SpoolerLists::kFileName, spooler.error());
    WalkDriversOf(spooler, nullptr, visit, context, read);
    EnvironmentName native = FindNativeEnvironment();
    if (!native.empty()) WalkDriversOf(spooler, native.data(), visit, context, read);
}

}  // namespace vexlo
