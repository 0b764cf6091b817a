#include "InstallerActions.h"

#include "InstallerSession.h"
#include "removal/RemovalReport.h"

namespace vexlo {

UINT PlanRemoval(MSIHANDLE install) {
    const InstallerSession session(install);
    if (!session.RunsAs(false, "VexloPlanRemoval: run as a deferred action, where the progress bar's total is "
                               "already fixed: schedule it with Execute=\"immediate\" before VexloRemove, as "
                               "VexloPrinter.wxi does")) {
        return ERROR_SUCCESS;
    }
    session.AddProgressTicks(kRemovalSteps * kTicksPerStep);
    return ERROR_SUCCESS;
}

}  // namespace vexlo
