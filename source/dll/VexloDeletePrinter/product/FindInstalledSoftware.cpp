#include "product/Product.h"
#include "product/ProductWalks.h"

namespace vexlo {
namespace {

void Read(const ListRead& read, SoftwareFound& found) {
    if (!read.whole()) found.complete = false;
}

}  // namespace

SoftwareFound FindInstalledSoftware() {
    SoftwareFound found;
    const QueueVisit queue = [](void* context, const Winspool&, const QueueEntry& entry) {
        SoftwareFound& software = *static_cast<SoftwareFound*>(context);
        if (entry.failedCall) software.complete = false;
        if (IsModelDriver(entry.driver)) software.installed = true;
    };
    Read(WalkPrinterQueues(Winspool(), PRINTER_ACCESS_USE, queue, &found), found);

    const NameVisit named = [](void* context, const char*, const char*) {
        static_cast<SoftwareFound*>(context)->installed = true;
    };
    const SpoolerLists spooler;
    Read(WalkProductMonitors(spooler, named, &found), found);
    Read(WalkProductDrivers(spooler, named, &found), found);

    const PackageVisit package = [](void* context, const SetupApi&, const char*, HINF) {
        static_cast<SoftwareFound*>(context)->installed = true;
        return false;
    };
    char folder[MAX_PATH];
    if (BuildInfFolder(folder)) {
        Read(WalkBrandPackages(SetupApi(), FolderPath(folder), package, &found), found);
    } else {
        found.complete = false;
    }
    return found;
}

}  // namespace vexlo
