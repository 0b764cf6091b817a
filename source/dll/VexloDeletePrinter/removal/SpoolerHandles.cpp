#include "removal/SpoolerHandles.h"

#include "removal/SpoolerControl.h"

namespace vexlo {

bool SpoolerHandles::Open() {
    Close();
    manager_.reset(OpenSCManagerA(nullptr, nullptr, GENERIC_EXECUTE));
    if (!manager_) return false;
    service_.reset(OpenServiceA(manager_.get(), "Spooler", SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP));
    if (!service_) {
        manager_.reset();
        return false;
    }
    return true;
}

void SpoolerHandles::Close() {
    service_.reset();
    manager_.reset();
}

bool ReopenAndStartIfStopped(SpoolerHandles& spooler, SERVICE_STATUS& status) {
    if (!spooler.Open()) return false;
    if (!QueryServiceStatus(spooler.service(), &status)) return false;
    if (status.dwCurrentState != SERVICE_STOPPED) return true;
    if (!StartServiceA(spooler.service(), 0, nullptr)) return false;
    WaitForServiceState(spooler.service(), status, SERVICE_RUNNING);
    return true;
}

}  // namespace vexlo
