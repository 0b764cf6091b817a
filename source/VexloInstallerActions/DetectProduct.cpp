#include "InstallerActions.h"

#include "DescribeError.h"
#include "InstallerSession.h"
#include "presence/CheckUsbPresence.h"
#include "product/ProductWalks.h"

namespace vexlo {

UINT DetectProduct(MSIHANDLE install) {
    const InstallerSession session(install);
    if (!session.RunsAs(false, "VexloDetect: run as a deferred action, where it cannot set properties, so it set "
                               "none: schedule it with Execute=\"immediate\" before CostFinalize, as VexloPrinter.wxi does")) {
        return ERROR_SUCCESS;
    }
    const bool attached = CheckUsbPresence();
    const SoftwareFound software = FindInstalledSoftware();
    // Nothing found in a list that could not be read proves nothing: the
    // removal is then asked for, and finds out itself.
    const bool unknown = !software.installed && !software.unread.whole();
    session.SetFlag("VEXLO420_ATTACHED", attached);
    session.SetFlag("VEXLO420_INSTALLED", software.installed || unknown);
    char line[600];
    const char* said = attached ? "yes" : "no";
    if (!unknown) {
        wsprintfA(line, "VexloDetect: Vexlo-420 printer attached: %s; its software installed: %s", said,
                  software.installed ? "yes" : "no");
    } else {
        ErrorText error;
        wsprintfA(line,
                  "VexloDetect: Vexlo-420 printer attached: %s; its software installed: unknown, so "
                  "VEXLO420_INSTALLED is set: %s failed for \"%s\" with %s",
                  said, software.unread.call, software.unread.subject.c_str(),
                  DescribeError(software.unread.error, error));
    }
    session.Log(line);
    return ERROR_SUCCESS;
}

}  // namespace vexlo
