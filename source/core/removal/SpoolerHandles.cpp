#include "removal/SpoolerHandles.h"

#include "removal/SpoolerControl.h"

namespace vexlo {

bool SpoolerHandles::Open(SpoolerCycleReport* cycle) {
    Close();
    manager_.reset(OpenSCManagerA(nullptr, nullptr, GENERIC_EXECUTE));
    if (!manager_) return Fail(cycle, SpoolerCall::OpenSCManager);
    service_.reset(OpenServiceA(manager_.get(), "Spooler", SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP));
    if (!service_) {
        Fail(cycle, SpoolerCall::OpenService);
        manager_.reset();
        return false;
    }
    return true;
}

void SpoolerHandles::Close() {
    service_.reset();
    manager_.reset();
}

bool ReopenAndStartIfStopped(SpoolerHandles& spooler, SERVICE_STATUS& status, SpoolerCycleReport* cycle) {
    if (!spooler.Open(cycle)) return false;
    if (!QueryServiceStatus(spooler.service(), &status)) return Fail(cycle, SpoolerCall::QueryServiceStatus);
    Saw(cycle, status.dwCurrentState);
    if (status.dwCurrentState != SERVICE_STOPPED) return true;
    if (!StartServiceA(spooler.service(), 0, nullptr)) return Fail(cycle, SpoolerCall::StartService);
    WaitForServiceState(spooler.service(), status, SERVICE_RUNNING);
    Saw(cycle, status.dwCurrentState);
    return true;
}

}  // namespace vexlo
