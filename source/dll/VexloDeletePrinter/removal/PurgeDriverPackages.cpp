#include "removal/PrinterRemoval.h"

#include "product/ProductWalks.h"

namespace vexlo {

void PurgeDriverPackages(const SetupApi& setupApi, FolderPath folder) {
    // Every Provider line naming the brand asks for the uninstall again; the
    // platform's answer to a repeat is of no interest.
    const PackageVisit uninstall = [](void*, const SetupApi& setup, const char* fileName, HINF) {
        setup.SetupUninstallOEMInfA(fileName, SUOI_FORCEDELETE, nullptr);
        return true;
    };
    WalkBrandPackages(setupApi, folder, uninstall, nullptr);
}

}  // namespace vexlo
