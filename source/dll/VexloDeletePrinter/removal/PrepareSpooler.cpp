#include "removal/SpoolerControl.h"
#include "removal/SpoolerHandles.h"

namespace vexlo {

SpoolerOutcome PrepareSpooler() {
    SpoolerHandles spooler;
    SERVICE_STATUS status = {};
    if (!spooler.Open()) return SpoolerOutcome::Failed;
    if (!QueryServiceStatus(spooler.service(), &status)) return SpoolerOutcome::Failed;

    if (status.dwCurrentState == SERVICE_STOPPED) {
        if (!StartServiceA(spooler.service(), 0, nullptr)) return SpoolerOutcome::Failed;
        WaitForServiceState(spooler.service(), status, SERVICE_RUNNING);
        return SpoolerOutcome::Started;
    }
    if (status.dwCurrentState != SERVICE_RUNNING) return SpoolerOutcome::Untouched;

    if (!ControlService(spooler.service(), SERVICE_CONTROL_STOP, &status)) return SpoolerOutcome::Failed;
    WaitForServiceState(spooler.service(), status, SERVICE_STOPPED);
    if (!ReopenAndStartIfStopped(spooler, status)) return SpoolerOutcome::Failed;
    return SpoolerOutcome::Restarted;
}

}  // namespace vexlo
