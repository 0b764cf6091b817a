#include "removal/SpoolerControl.h"
#include "removal/SpoolerHandles.h"

namespace vexlo {

namespace {

SpoolerOutcome Failed(SpoolerCycleReport* cycle, SpoolerCall call) {
    Fail(cycle, call);
    return SpoolerOutcome::Failed;
}

}  // namespace

SpoolerOutcome PrepareSpooler(SpoolerCycleReport* cycle) {
    SpoolerHandles spooler;
    SERVICE_STATUS status = {};
    if (!spooler.Open(cycle)) return SpoolerOutcome::Failed;
    if (!QueryServiceStatus(spooler.service(), &status)) return Failed(cycle, SpoolerCall::QueryServiceStatus);
    Saw(cycle, status.dwCurrentState, true);

    if (status.dwCurrentState == SERVICE_STOPPED) {
        if (!StartServiceA(spooler.service(), 0, nullptr)) return Failed(cycle, SpoolerCall::StartService);
        WaitForServiceState(spooler.service(), status, SERVICE_RUNNING);
        Saw(cycle, status.dwCurrentState);
        return SpoolerOutcome::Started;
    }
    if (status.dwCurrentState != SERVICE_RUNNING) return SpoolerOutcome::Untouched;

    if (!ControlService(spooler.service(), SERVICE_CONTROL_STOP, &status)) {
        return Failed(cycle, SpoolerCall::ControlService);
    }
    WaitForServiceState(spooler.service(), status, SERVICE_STOPPED);
    Saw(cycle, status.dwCurrentState);
    if (!ReopenAndStartIfStopped(spooler, status, cycle)) return SpoolerOutcome::Failed;
    return SpoolerOutcome::Restarted;
}

}  // namespace vexlo
