#include "product/Product.h"
#include "product/ProductWalks.h"

namespace vexlo {
namespace {

// One list, walked; the first failure of all the lists is kept.
template <typename Walk>
void Walked(SoftwareFound& found, Walk walk) {
    ListRead read;
    walk(&read);
    if (!read.whole()) found.unread.Failed(read.call, read.subject, read.error);
}

}  // namespace

SoftwareFound FindInstalledSoftware() {
    SoftwareFound found;
    const QueueVisit queue = [](void* context, const Winspool&, const QueueEntry& entry) {
        SoftwareFound& software = *static_cast<SoftwareFound*>(context);
        if (entry.failedCall) software.unread.Failed(entry.failedCall, entry.name, entry.error);
        if (IsModelDriver(entry.driver)) software.installed = true;
    };
    Walked(found, [&](ListRead* read) { WalkPrinterQueues(Winspool(), PRINTER_ACCESS_USE, queue, &found, read); });

    const NameVisit named = [](void* context, const char*, const char*) {
        static_cast<SoftwareFound*>(context)->installed = true;
    };
    const SpoolerLists spooler;
    Walked(found, [&](ListRead* read) { WalkProductMonitors(spooler, named, &found, read); });
    Walked(found, [&](ListRead* read) { WalkProductDrivers(spooler, named, &found, read); });

    const PackageVisit package = [](void* context, const SetupApi&, const char*, HINF) {
        static_cast<SoftwareFound*>(context)->installed = true;
        return false;
    };
    char folder[MAX_PATH];
    if (BuildInfFolder(folder)) {
        Walked(found, [&](ListRead* read) { WalkBrandPackages(SetupApi(), FolderPath(folder), package, &found, read); });
    } else {
        found.unread.Failed("GetWindowsDirectoryA", "the INF folder", ERROR_SUCCESS);
    }
    return found;
}

}  // namespace vexlo
