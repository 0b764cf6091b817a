#include "removal/SpoolerControl.h"
#include "removal/SpoolerHandles.h"

namespace vexlo {

bool RestartSpooler() {
    SpoolerHandles spooler;
    SERVICE_STATUS status = {};
    if (!spooler.Open()) return false;
    if (!QueryServiceStatus(spooler.service(), &status)) return false;
    if (status.dwCurrentState == SERVICE_RUNNING) {
        if (!ControlService(spooler.service(), SERVICE_CONTROL_STOP, &status)) return false;
        WaitForServiceState(spooler.service(), status, SERVICE_STOPPED);
    }
    // Reopened whatever the first query found, so that a spooler that is
    // stopped by now is started.
    return ReopenAndStartIfStopped(spooler, status);
}

}  // namespace vexlo
