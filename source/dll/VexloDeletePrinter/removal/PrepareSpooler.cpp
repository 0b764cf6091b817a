#include "removal/SpoolerControl.h"
#include "removal/SpoolerHandles.h"

namespace vexlo {

SpoolerOutcome PrepareSpooler(SpoolerCycleReport* cycle) {
    constexpr SpoolerOutcome failed = SpoolerOutcome::Failed;
    SpoolerHandles spooler;
    SERVICE_STATUS status = {};
    if (!spooler.Open(cycle)) return failed;
    if (!QueryServiceStatus(spooler.service(), &status)) return Fail(cycle, SpoolerCall::QueryServiceStatus), failed;
    Saw(cycle, status.dwCurrentState, true);

    if (status.dwCurrentState == SERVICE_STOPPED) {
        if (!StartServiceA(spooler.service(), 0, nullptr)) return Fail(cycle, SpoolerCall::StartService), failed;
        WaitForServiceState(spooler.service(), status, SERVICE_RUNNING);
        Saw(cycle, status.dwCurrentState);
        return SpoolerOutcome::Started;
    }
    if (status.dwCurrentState != SERVICE_RUNNING) return SpoolerOutcome::Untouched;

    if (!ControlService(spooler.service(), SERVICE_CONTROL_STOP, &status)) {
        return Fail(cycle, SpoolerCall::ControlService), failed;
    }
    WaitForServiceState(spooler.service(), status, SERVICE_STOPPED);
    Saw(cycle, status.dwCurrentState);
    if (!ReopenAndStartIfStopped(spooler, status, cycle)) return failed;
    return SpoolerOutcome::Restarted;
}

}  // namespace vexlo
