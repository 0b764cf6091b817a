#include "product/ProductWalks.h"

#include "UniqueHandle.h"

namespace vexlo {

const char* ServiceStateName(DWORD state) {
    switch (state) {
    case SERVICE_STOPPED: return "stopped";
    case SERVICE_START_PENDING: return "start pending";
    case SERVICE_STOP_PENDING: return "stop pending";
    case SERVICE_RUNNING: return "running";
    case SERVICE_CONTINUE_PENDING: return "continue pending";
    case SERVICE_PAUSE_PENDING: return "pause pending";
    case SERVICE_PAUSED: return "paused";
    }
    return "unknown";
}

ListRead ReadSpoolerState(DWORD& state) {
    ListRead read;
    state = 0;
    unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        read.Failed("OpenSCManagerA", "Spooler", GetLastError());
        return read;
    }
    unique_schandle service(OpenServiceA(manager.get(), "Spooler", SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    if (!service) {
        read.Failed("OpenServiceA", "Spooler", GetLastError());
    } else if (!QueryServiceStatus(service.get(), &status)) {
        read.Failed("QueryServiceStatus", "Spooler", GetLastError());
    } else {
        state = status.dwCurrentState;
    }
    return read;
}

}  // namespace vexlo
