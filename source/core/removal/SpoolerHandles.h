// The pair of handles a spooler procedure holds: the service manager's and
// the spooler service's, closed service first.
#pragma once

#include "UniqueHandle.h"
#include "removal/RemovalReport.h"

namespace vexlo {

class SpoolerHandles {
public:
    SpoolerHandles() = default;
    SpoolerHandles(const SpoolerHandles&) = delete;
    SpoolerHandles& operator=(const SpoolerHandles&) = delete;
    ~SpoolerHandles() { Close(); }

    // Closes the pair held, then opens the manager and the service; on
    // failure holds nothing, and tells `cycle`, when given, which call failed.
    bool Open(SpoolerCycleReport* cycle = nullptr);
    void Close();
    SC_HANDLE service() const { return service_.get(); }

private:
    unique_schandle manager_;
    unique_schandle service_;
};

// Reopens the pair, queries the status and, if the spooler is stopped,
// starts it and waits until it runs. False when any of that fails.
bool ReopenAndStartIfStopped(SpoolerHandles& spooler, SERVICE_STATUS& status, SpoolerCycleReport* cycle = nullptr);


}  // namespace vexlo
