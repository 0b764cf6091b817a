#include "removal/PrinterRemoval.h"

#include "product/ProductWalks.h"

namespace vexlo {

void PurgeDriverPackages(const SetupApi& setupApi, FolderPath folder, const RemovalReport* report) {
    // Every Provider line naming the brand asks for the uninstall again; the
    // platform's answer to a repeat is of no interest, but is reported.
    const PackageVisit uninstall = [](void* context, const SetupApi& setup, const char* fileName, HINF) {
        const BOOL uninstalled = setup.SetupUninstallOEMInfA(fileName, SUOI_FORCEDELETE, nullptr);
        ReportRemoval(static_cast<const RemovalReport*>(context), RemovedKind::Package, fileName, nullptr, uninstalled);
        return true;
    };
    WalkBrandPackages(setupApi, folder, uninstall, const_cast<RemovalReport*>(report));
}

}  // namespace vexlo
