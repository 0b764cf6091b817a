#include "ListInstalled.h"

#include "product/Product.h"
#include "product/ProductWalks.h"

#include <cstdio>

namespace vexlo {
namespace {

std::string Reason(const char* call, const char* subject, DWORD error) {
    char text[400];
    if (subject && *subject) {
        std::snprintf(text, sizeof text, "%s(%s) failed: error %lu", call, subject, static_cast<unsigned long>(error));
    } else {
        std::snprintf(text, sizeof text, "%s failed: error %lu", call, static_cast<unsigned long>(error));
    }
    return text;
}

void Note(Inventory& inventory, const char* list, const ListRead& read) {
    if (!read.whole()) inventory.unread.push_back({list, Reason(read.call, read.subject.c_str(), read.error)});
}

// One list, walked and told where to say what it could not read; whether
// it was read whole.
template <typename Walk>
bool ListOne(Inventory& inventory, const char* list, Walk walk) {
    ListRead read;
    walk(&read);
    Note(inventory, list, read);
    return read.whole();
}

void ListSpoolerState(Inventory& inventory) {
    DWORD state = 0;
    const ListRead read = ReadSpoolerState(state);
    inventory.spooler = read.whole() ? ServiceStateName(state) : "unknown";
    Note(inventory, "spooler", read);
}

void ListDeviceEntries(Inventory& inventory) {
    const DeviceEntryVisit record = [](void* context, const char* entry) {
        static_cast<Inventory*>(context)->deviceEntries.push_back(entry);
        return true;
    };
    const bool whole =
        ListOne(inventory, "deviceEntries", [&](ListRead* read) { WalkPrinterDeviceEntries(record, &inventory, read); });
    // An entry found is proof; none found in a list not read whole is not.
    if (!inventory.deviceEntries.empty()) {
        inventory.attached = true;
    } else if (whole) {
        inventory.attached = false;
    }
}

void ListQueues(Inventory& inventory) {
    const QueueVisit record = [](void* context, const Winspool&, const QueueEntry& queue) {
        Inventory& found = *static_cast<Inventory*>(context);
        if (queue.failedCall) {
            found.queues.push_back({queue.name, "", "", false});
            found.unread.push_back({"queues", Reason(queue.failedCall, queue.name, queue.error)});
        } else if (IsModelDriver(queue.driver)) {
            found.queues.push_back({queue.name, queue.driver, queue.environment ? queue.environment : ""});
        }
    };
    // Reading a queue's driver takes the right to use the queue, which a
    // user who may not administer it has.
    ListOne(inventory, "queues", [&](ListRead* read) {
        WalkPrinterQueues(Winspool(KeepLoadError{}), PRINTER_ACCESS_USE, record, &inventory, read);
    });
}

void ListMonitorsAndDrivers(Inventory& inventory) {
    const SpoolerLists spooler{KeepLoadError{}};
    const NameVisit monitor = [](void* context, const char* name, const char*) {
        static_cast<Inventory*>(context)->monitors.push_back(name);
    };
    ListOne(inventory, "monitors", [&](ListRead* read) { WalkProductMonitors(spooler, monitor, &inventory, read); });
    const NameVisit driver = [](void* context, const char* name, const char* environment) {
        static_cast<Inventory*>(context)->drivers.push_back({name, environment ? environment : ""});
    };
    ListOne(inventory, "drivers", [&](ListRead* read) { WalkProductDrivers(spooler, driver, &inventory, read); });
}

// The fields of the [Version] line `key`, joined by commas (DriverVer is a
// date and a version); "" when the file has no such line.
std::string ReadVersionLine(const SetupApi& setupApi, HINF inf, const char* key) {
    std::string text;
    INFCONTEXT line;
    if (!setupApi.SetupFindFirstLineA(inf, "Version", key, &line)) return text;
    char value[256];
    for (DWORD i = 1; setupApi.SetupGetStringFieldA(&line, i, value, sizeof value, nullptr); ++i) {
        if (i > 1) text += ',';
        text += value;
    }
    return text;
}

// Each brand package once, with its class and driver version.
void ListPackages(Inventory& inventory) {
    const PackageVisit record = [](void* context, const SetupApi& setupApi, const char* fileName, HINF inf) {
        static_cast<Inventory*>(context)->packages.push_back(
            {fileName, ReadVersionLine(setupApi, inf, "Class"), ReadVersionLine(setupApi, inf, "DriverVer")});
        return false;  // once per file, however many Provider lines name the brand
    };
    char folder[MAX_PATH];
    if (!BuildInfFolder(folder)) {
        inventory.unread.push_back({"packages", Reason("GetWindowsDirectoryA", "", GetLastError())});
        return;
    }
    ListOne(inventory, "packages", [&](ListRead* read) {
        WalkBrandPackages(SetupApi(KeepLoadError{}), FolderPath(folder), record, &inventory, read);
    });
}

}  // namespace

unsigned Inventory::ModelQueueCount() const {
    unsigned count = 0;
    for (const ListedQueue& queue : queues) count += queue.driverKnown ? 1 : 0;
    return count;
}

Inventory ListInstalled() {
    Inventory inventory;
    ListDeviceEntries(inventory);
    ListSpoolerState(inventory);
    ListQueues(inventory);
    ListMonitorsAndDrivers(inventory);
    ListPackages(inventory);
    return inventory;
}

}  // namespace vexlo
