#include "removal/SpoolerControl.h"
#include "removal/SpoolerHandles.h"

namespace vexlo {

SpoolerOutcome PrepareSpooler(SpoolerCycleReport* report) {
    SpoolerCycleReport unread;
    SpoolerCycleReport& cycle = Or(report, unread);
    SpoolerHandles spooler;
    SERVICE_STATUS status = {};
    if (!spooler.Open(&cycle)) return SpoolerOutcome::Failed;
    if (!QueryServiceStatus(spooler.service(), &status)) return cycle.Failed("QueryServiceStatus"), SpoolerOutcome::Failed;
    cycle.found = cycle.left = status.dwCurrentState;

    if (status.dwCurrentState == SERVICE_STOPPED) {
        if (!StartServiceA(spooler.service(), 0, nullptr)) return cycle.Failed("StartServiceA"), SpoolerOutcome::Failed;
        WaitForServiceState(spooler.service(), status, SERVICE_RUNNING);
        cycle.left = status.dwCurrentState;
        return SpoolerOutcome::Started;
    }
    if (status.dwCurrentState != SERVICE_RUNNING) return SpoolerOutcome::Untouched;

    if (!ControlService(spooler.service(), SERVICE_CONTROL_STOP, &status)) {
        return cycle.Failed("ControlService"), SpoolerOutcome::Failed;
    }
    WaitForServiceState(spooler.service(), status, SERVICE_STOPPED);
    cycle.left = status.dwCurrentState;
    if (!ReopenAndStartIfStopped(spooler, status, &cycle)) return SpoolerOutcome::Failed;
    return SpoolerOutcome::Restarted;
}

}  // namespace vexlo
