#include "removal/PrinterRemoval.h"

#include "product/ProductWalks.h"

#include <cstring>

namespace vexlo {

void PurgeDriverPackages(const SetupApi& setupApi, FolderPath folder, const RemovalReport* report) {
    // Every Provider line naming the brand asks for the uninstall again; the
    // platform's answer to a repeat is of no interest, but is reported.
    const PackageVisit uninstall = [](void* context, const SetupApi& setup, const char* fileName, HINF) {
        RemoveReported(static_cast<const RemovalReport*>(context), RemovedKind::Package, fileName, nullptr,
                       [&] { return setup.SetupUninstallOEMInfA(fileName, SUOI_FORCEDELETE, nullptr); });
        return true;
    };
    // A report is told of a file that could not be opened, or a folder that
    // could not be searched: its packages were never looked at.
    ListRead read;
    WalkBrandPackages(setupApi, folder, uninstall, const_cast<RemovalReport*>(report), report ? &read : nullptr);
    if (read.whole()) return;
    // A file that would not open is one package unseen; any other failure
    // (the library, the folder's search) leaves the list unread.
    const bool list = std::strcmp(read.call, "SetupOpenInfFileA") != 0;
    ReportSkipped(report, RemovedKind::Package, list, read.subject.c_str(), read.call, read.error);
}

}  // namespace vexlo
