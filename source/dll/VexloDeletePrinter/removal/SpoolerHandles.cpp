#include "removal/SpoolerHandles.h"

#include "removal/SpoolerControl.h"

namespace vexlo {

bool SpoolerHandles::Open(SpoolerCycleReport* report) {
    SpoolerCycleReport unread;
    SpoolerCycleReport& cycle = Or(report, unread);
    Close();
    manager_.reset(OpenSCManagerA(nullptr, nullptr, GENERIC_EXECUTE));
    if (!manager_) return cycle.Failed("OpenSCManagerA");
    service_.reset(OpenServiceA(manager_.get(), "Spooler", SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP));
    if (!service_) {
        cycle.Failed("OpenServiceA");
        manager_.reset();
        return false;
    }
    return true;
}

void SpoolerHandles::Close() {
    service_.reset();
    manager_.reset();
}

bool ReopenAndStartIfStopped(SpoolerHandles& spooler, SERVICE_STATUS& status, SpoolerCycleReport* report) {
    SpoolerCycleReport unread;
    SpoolerCycleReport& cycle = Or(report, unread);
    if (!spooler.Open(&cycle)) return false;
    if (!QueryServiceStatus(spooler.service(), &status)) return cycle.Failed("QueryServiceStatus");
    cycle.left = status.dwCurrentState;
    if (status.dwCurrentState != SERVICE_STOPPED) return true;
    if (!StartServiceA(spooler.service(), 0, nullptr)) return cycle.Failed("StartServiceA");
    WaitForServiceState(spooler.service(), status, SERVICE_RUNNING);
    cycle.left = status.dwCurrentState;
    return true;
}

}  // namespace vexlo
