#include "removal/SpoolerControl.h"
#include "removal/SpoolerHandles.h"

namespace vexlo {

bool RestartSpooler(SpoolerCycleReport* report) {
    SpoolerCycleReport unread;
    SpoolerCycleReport& cycle = Or(report, unread);
    SpoolerHandles spooler;
    SERVICE_STATUS status = {};
    if (!spooler.Open(&cycle)) return false;
    if (!QueryServiceStatus(spooler.service(), &status)) return cycle.Failed("QueryServiceStatus");
    cycle.found = cycle.left = status.dwCurrentState;
    if (status.dwCurrentState == SERVICE_RUNNING) {
        if (!ControlService(spooler.service(), SERVICE_CONTROL_STOP, &status)) return cycle.Failed("ControlService");
        WaitForServiceState(spooler.service(), status, SERVICE_STOPPED);
        cycle.left = status.dwCurrentState;
    }
    // Reopened whatever the first query found, so that a spooler that is
    // stopped by now is started.
    return ReopenAndStartIfStopped(spooler, status, &cycle);
}

}  // namespace vexlo
