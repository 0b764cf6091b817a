#include "removal/SpoolerControl.h"
#include "removal/SpoolerHandles.h"

namespace vexlo {

bool RestartSpooler(SpoolerCycleReport* cycle) {
    SpoolerHandles spooler;
    SERVICE_STATUS status = {};
    if (!spooler.Open(cycle)) return false;
    if (!QueryServiceStatus(spooler.service(), &status)) return Fail(cycle, SpoolerCall::QueryServiceStatus);
    Saw(cycle, status.dwCurrentState, true);
    if (status.dwCurrentState == SERVICE_RUNNING) {
        if (!ControlService(spooler.service(), SERVICE_CONTROL_STOP, &status)) {
            return Fail(cycle, SpoolerCall::ControlService);
        }
        WaitForServiceState(spooler.service(), status, SERVICE_STOPPED);
        Saw(cycle, status.dwCurrentState);
    }
    // Reopened whatever the first query found, so that a spooler that is
    // stopped by now is started.
    return ReopenAndStartIfStopped(spooler, status, cycle);
}

}  // namespace vexlo
