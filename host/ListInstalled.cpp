#include "ListInstalled.h"

#include "SystemLibrary.h"
#include "UniqueHandle.h"
#include "presence/CheckUsbPresence.h"
#include "removal/NativeEnvironment.h"
#include "removal/PrinterQueueWalk.h"
#include "removal/PrinterRemoval.h"
#include "removal/PurgeDriverPackages.h"

namespace vexlo {
namespace {

// The spooler's two enumerations that the removal, deleting by name, never
// needs; from winspool.drv loaded by its full path, as the removal's calls.
struct ListingFunctions {
    static constexpr const char* kFileName = "winspool.drv";
    bool Find(HMODULE module) {
        return FindFunction(module, "EnumPrinterDriversA", EnumPrinterDriversA) &&
               FindFunction(module, "EnumMonitorsA", EnumMonitorsA);
    }
    decltype(&::EnumPrinterDriversA) EnumPrinterDriversA = nullptr;
    decltype(&::EnumMonitorsA) EnumMonitorsA = nullptr;
};
using ListingSpooler = SystemLibrary<ListingFunctions>;

// The spooler's names are compared without regard to letter case; the names
// looked for are plain ASCII.
bool SameName(const char* a, const char* b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (; *a && *b; ++a, ++b) {
        if (lower(*a) != lower(*b)) return false;
    }
    return *a == *b;
}

// The records of one of the spooler's enumerations, in a buffer of the size
// it asks for; false when they cannot be read.
template <typename Record, typename Enumerate>
bool EnumerateRecords(Enumerate enumerate, std::vector<BYTE>& buffer, std::vector<const Record*>& records) {
    for (int calls = 0; calls < 8; ++calls) {
        DWORD needed = 0, returned = 0;
        if (enumerate(buffer.empty() ? nullptr : buffer.data(), static_cast<DWORD>(buffer.size()), &needed,
                      &returned)) {
            const DWORD fits = static_cast<DWORD>(buffer.size() / sizeof(Record));
            for (DWORD i = 0; i < returned && i < fits; ++i) {
                records.push_back(reinterpret_cast<const Record*>(buffer.data()) + i);
            }
            return true;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) return false;
        buffer.assign(needed, 0);
    }
    return false;
}

const char* StateName(DWORD state) {
    switch (state) {
    case SERVICE_STOPPED: return "stopped";
    case SERVICE_START_PENDING: return "start pending";
    case SERVICE_STOP_PENDING: return "stop pending";
    case SERVICE_RUNNING: return "running";
    case SERVICE_CONTINUE_PENDING: return "continue pending";
    case SERVICE_PAUSE_PENDING: return "pause pending";
    case SERVICE_PAUSED: return "paused";
    }
    return "unknown";
}

// Asked with the right to read its status only: never started or stopped.
std::string SpoolerState() {
    unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return "unknown";
    unique_schandle service(OpenServiceA(manager.get(), "Spooler", SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    if (!service || !QueryServiceStatus(service.get(), &status)) return "unknown";
    return StateName(status.dwCurrentState);
}

void ListDeviceEntries(Inventory& inventory) {
    const DeviceEntryVisit record = [](void* context, const char* entry) {
        static_cast<Inventory*>(context)->deviceEntries.push_back(entry);
        return true;
    };
    WalkMatchingDeviceEntries(record, &inventory);
    inventory.attached = !inventory.deviceEntries.empty();
}

void ListQueues(Inventory& inventory) {
    const QueueVisit record = [](void* context, const Winspool&, HANDLE, const char* queue, const char* driver,
                                 const char* environment) {
        if (!IsModelDriver(driver)) return;
        static_cast<Inventory*>(context)->queues.push_back({queue, driver, environment ? environment : ""});
    };
    if (!WalkPrinterQueues(Winspool(), record, &inventory)) inventory.listsRead = false;
}

void ListMonitors(const ListingSpooler& spooler, Inventory& inventory) {
    std::vector<BYTE> buffer;
    std::vector<const MONITOR_INFO_1A*> monitors;
    auto enumerate = [&](LPBYTE at, DWORD size, LPDWORD needed, LPDWORD returned) {
        return spooler.EnumMonitorsA(nullptr, 1, at, size, needed, returned);
    };
    if (!EnumerateRecords(enumerate, buffer, monitors)) inventory.listsRead = false;
    for (const MONITOR_INFO_1A* m : monitors) {
        if (m->pName && SameName(m->pName, kMonitorName)) inventory.monitors.push_back(m->pName);
    }
}

void ListDrivers(const ListingSpooler& spooler, LPSTR environment, Inventory& inventory) {
    std::vector<BYTE> buffer;
    std::vector<const DRIVER_INFO_2A*> drivers;
    auto enumerate = [&](LPBYTE at, DWORD size, LPDWORD needed, LPDWORD returned) {
        return spooler.EnumPrinterDriversA(nullptr, environment, 2, at, size, needed, returned);
    };
    if (!EnumerateRecords(enumerate, buffer, drivers)) inventory.listsRead = false;
    for (const DRIVER_INFO_2A* d : drivers) {
        for (const char* wanted : kDriverNames) {
            if (!d->pName || !SameName(d->pName, wanted)) continue;
            inventory.drivers.push_back({d->pName, d->pEnvironment ? d->pEnvironment : ""});
        }
    }
}

// In the environments the removal deletes in: the process's own ("no
// environment"), and under WOW64 the machine's own too.
void ListDriversAndMonitors(Inventory& inventory) {
    const ListingSpooler spooler;
    if (!spooler) {
        inventory.listsRead = false;
        return;
    }
    ListMonitors(spooler, inventory);
    ListDrivers(spooler, nullptr, inventory);
    EnvironmentName native = FindNativeEnvironment();
    if (!native.empty()) ListDrivers(spooler, native.data(), inventory);
}

// Each brand package once, with its class and driver version when its
// [Version] section names them.
void ListPackages(Inventory& inventory) {
    const PackageVisit record = [](void* context, const SetupApi& setupApi, const char* fileName, HINF inf) {
        ListedPackage package{fileName, "", ""};
        INFCONTEXT line;
        char key[64], value[256];
        for (BOOL found = setupApi.SetupFindFirstLineA(inf, "Version", nullptr, &line); found;
             found = setupApi.SetupFindNextLine(&line, &line)) {
            if (!setupApi.SetupGetStringFieldA(&line, 0, key, sizeof key, nullptr)) continue;
            std::string* field = SameName(key, "Class") ? &package.infClass
                                 : SameName(key, "DriverVer") ? &package.driverVer
                                                              : nullptr;
            // DriverVer is a date and a version, two fields.
            for (DWORD i = 1; field && setupApi.SetupGetStringFieldA(&line, i, value, sizeof value, nullptr); ++i) {
                if (i > 1) *field += ',';
                *field += value;
            }
        }
        static_cast<Inventory*>(context)->packages.push_back(package);
        return false;  // once per file, however many Provider lines name the brand
    };
    char folder[MAX_PATH];
    if (BuildInfFolder(folder)) WalkBrandPackages(SetupApi(), FolderPath(folder), record, &inventory);
}

}  // namespace

Inventory ListInstalled() {
    Inventory inventory;
    ListDeviceEntries(inventory);
    inventory.spooler = SpoolerState();
    ListQueues(inventory);
    ListDriversAndMonitors(inventory);
    ListPackages(inventory);
    return inventory;
}

}  // namespace vexlo
