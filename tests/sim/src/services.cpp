// Service Control Manager: services whose status follows a script after each
// start or stop request, so that pending states and hints can be played; or
// a scripted manager that takes every answer from a list.
#include "Machine.h"

namespace sim {
namespace {

std::map<void*, std::string>& openServices() {
    static std::map<void*, std::string> services;
    return services;
}

Service* ServiceOf(SC_HANDLE handle) {
    if (!IsOpen(handle, HandleKind::Service)) return nullptr;
    auto it = machine().services.services.find(openServices()[handle]);
    return it == machine().services.services.end() ? nullptr : &it->second;
}

void Play(Service& service, const std::vector<ServiceStatus>& sequence) {
    service.script.assign(sequence.begin(), sequence.end());
    if (!service.script.empty()) {
        service.status = service.script.front();
        service.script.pop_front();
    }
}

// The next answer of a scripted service manager, or nullptr when there is no
// script. A failing answer has already set its error.
const Answer* Scripted(const char* function) {
    Services& s = machine().services;
    if (s.script.empty()) return nullptr;
    const Answer& answer = s.script[s.answered < s.script.size() ? s.answered : s.script.size() - 1];
    ++s.answered;
    if (!answer.ok) SetLastError(answer.error ? answer.error : DefaultError(function));
    return &answer;
}

void Fill(DWORD state, DWORD waitHint, LPSERVICE_STATUS status) {
    *status = SERVICE_STATUS{};
    status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status->dwCurrentState = state;
    status->dwWaitHint = waitHint;
}

void Fill(const Service& service, LPSERVICE_STATUS status) {
    Fill(service.status.state, service.status.waitHint, status);
}

}  // namespace
}  // namespace sim

using namespace sim;

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD desiredAccess) {
    if (FaultInjected(__func__)) return nullptr;
    // The removal asks to control services, a listing only to connect.
    if (machineName || databaseName || (desiredAccess != GENERIC_EXECUTE && desiredAccess != SC_MANAGER_CONNECT)) {
        machine().misuse.push_back(
            "OpenSCManagerA: expected the local default database and GENERIC_EXECUTE or SC_MANAGER_CONNECT");
    }
    if (const Answer* answer = Scripted(__func__); answer && !answer->ok) return nullptr;
    if (machine().services.script.empty() && machine().services.managerAccessDenied) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return static_cast<SC_HANDLE>(OpenHandle(HandleKind::ServiceManager));
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE manager, LPCSTR serviceName, DWORD desiredAccess) {
    const std::string name = serviceName ? serviceName : "";
    if (FaultInjected(__func__, name)) return nullptr;
    if (!IsOpen(manager, HandleKind::ServiceManager)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (desiredAccess != (SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP) && desiredAccess != SERVICE_QUERY_STATUS) {
        machine().misuse.push_back("OpenServiceA: expected access 0x34, or 0x4 to read the status only");
    }
    if (const Answer* answer = Scripted(__func__)) {
        if (!answer->ok) return nullptr;
        SC_HANDLE handle = static_cast<SC_HANDLE>(OpenHandle(HandleKind::Service));
        openServices()[handle] = name;
        return handle;
    }
    if (!machine().services.services.count(name)) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    if (machine().services.serviceAccessDenied) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    SC_HANDLE handle = static_cast<SC_HANDLE>(OpenHandle(HandleKind::Service));
    openServices()[handle] = name;
    return handle;
}

BOOL WINAPI QueryServiceStatus(SC_HANDLE handle, LPSERVICE_STATUS status) {
    const bool failed = FaultInjected(__func__);
    machine().tickCount += machine().services.queryMs;  // a round trip to the service manager takes time
    if (failed) return FALSE;
    Service* service = ServiceOf(handle);
    if (!service) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (const Answer* answer = Scripted(__func__)) {
        if (!answer->ok) return FALSE;
        Fill(answer->state, answer->waitHint, status);
        return TRUE;
    }
    if (!service->script.empty()) {
        service->status = service->script.front();
        service->script.pop_front();
    }
    Fill(*service, status);
    return TRUE;
}

BOOL WINAPI StartServiceA(SC_HANDLE handle, DWORD argumentCount, LPCSTR* arguments) {
    if (FaultInjected(__func__)) return FALSE;
    Service* service = ServiceOf(handle);
    if (!service) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (argumentCount || arguments) machine().misuse.push_back("StartServiceA: expected no arguments");
    if (const Answer* answer = Scripted(__func__)) return answer->ok;
    if (service->disabled) {
        SetLastError(ERROR_SERVICE_DISABLED);
        return FALSE;
    }
    if (service->status.state != SERVICE_STOPPED) {
        SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
        return FALSE;
    }
    ++service->starts;
    Play(*service, service->afterStart);
    return TRUE;
}

BOOL WINAPI ControlService(SC_HANDLE handle, DWORD control, LPSERVICE_STATUS status) {
    if (FaultInjected(__func__, std::to_string(control))) return FALSE;
    Service* service = ServiceOf(handle);
    if (!service || !status) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (control != SERVICE_CONTROL_STOP) machine().misuse.push_back("ControlService: expected SERVICE_CONTROL_STOP");
    if (const Answer* answer = Scripted(__func__)) {
        if (!answer->ok) return FALSE;
        Fill(answer->state, answer->waitHint, status);
        return TRUE;
    }
    if (service->status.state == SERVICE_STOPPED) {
        SetLastError(ERROR_SERVICE_NOT_ACTIVE);
        return FALSE;
    }
    if (service->refuseStop) {
        SetLastError(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
        return FALSE;
    }
    ++service->stops;
    Play(*service, service->afterStop);
    Fill(*service, status);
    return TRUE;
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE handle) {
    Enter(__func__, IsOpen(handle, HandleKind::Service) ? "service" : "manager");
    if (IsOpen(handle, HandleKind::Service)) {
        openServices().erase(handle);
        return CloseHandle(handle, HandleKind::Service);
    }
    return CloseHandle(handle, HandleKind::ServiceManager);
}
