#include "InstallerActions.h"

#include "InstallerSession.h"
#include "presence/CheckUsbPresence.h"
#include "product/ProductWalks.h"

namespace vexlo {

UINT DetectProduct(MSIHANDLE install) {
    const InstallerSession session(install);
    const bool attached = CheckUsbPresence();
    const SoftwareFound software = FindInstalledSoftware();
    session.SetFlag("VEXLO420_ATTACHED", attached);
    session.SetFlag("VEXLO420_INSTALLED", software.installed);
    char line[200];
    wsprintfA(line, "VexloDetect: Vexlo-420 printer attached: %s; its software installed: %s%s", attached ? "yes" : "no",
              software.installed ? "yes" : "no",
              software.installed || software.complete ? "" : " (not all of the spooler's and setup lists could be read)");
    session.Log(line);
    return ERROR_SUCCESS;
}

}  // namespace vexlo
