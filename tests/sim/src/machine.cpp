// The machine's bookkeeping: call log, injected faults and open handles.
#include "Machine.h"

#include <algorithm>
#include <cctype>

namespace sim {
namespace {

struct Fault {
    std::string function;
    int nth;
    DWORD error;
    bool always;
};

struct Bookkeeping {
    std::vector<Fault> faults;
    std::map<std::string, int> seen;
    std::map<void*, HandleKind> handles;
    std::uintptr_t nextHandle = 0x1000;
};

Bookkeeping& books() {
    static Bookkeeping b;
    return b;
}

const char* KindName(HandleKind kind) {
    switch (kind) {
    case HandleKind::Key: return "registry key";
    case HandleKind::ServiceManager: return "service manager";
    case HandleKind::Service: return "service";
    case HandleKind::Printer: return "printer";
    case HandleKind::Search: return "file search";
    case HandleKind::Inf: return "INF";
    case HandleKind::Module: return "loaded library";
    case HandleKind::Record: return "installer record";
    }
    return "?";
}

}  // namespace

int LiveLocalBuffers();
int LiveHeapBlocks();
void ResetBuffers();

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool NoCase::operator()(const std::string& a, const std::string& b) const { return Lower(a) < Lower(b); }

bool EqualNoCase(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

Machine& machine() {
    static Machine m;
    return m;
}

void Reset() {
    machine() = Machine{};
    machine().services.spooler();
    books().faults.clear();
    books().seen.clear();
    books().handles.clear();
    ResetBuffers();
}

void Fail(const std::string& function, int nth, DWORD error, bool always) {
    books().faults.push_back({function, nth, error, always});
}

std::optional<DWORD> Enter(const char* function, std::string detail) {
    machine().calls.push_back({function, std::move(detail), machine().tickCount});
    const int n = ++books().seen[function];
    for (const Fault& f : books().faults) {
        if (f.function == function && (n == f.nth || (f.always && n > f.nth))) return f.error;
    }
    return std::nullopt;
}

bool FaultInjected(const char* function, std::string detail) {
    const std::optional<DWORD> error = Enter(function, std::move(detail));
    if (error) SetLastError(*error);
    return error.has_value();
}

int CallCount(const std::string& function) {
    return static_cast<int>(std::count_if(machine().calls.begin(), machine().calls.end(),
                                          [&](const Call& c) { return c.function == function; }));
}

std::vector<std::string> CallDetails(const std::string& function) {
    std::vector<std::string> details;
    for (const Call& c : machine().calls) {
        if (c.function == function) details.push_back(c.detail);
    }
    return details;
}

std::vector<std::string> CallNames() {
    std::vector<std::string> names;
    for (const Call& c : machine().calls) names.push_back(c.function);
    return names;
}

void* OpenHandle(HandleKind kind) {
    void* handle = reinterpret_cast<void*>(books().nextHandle += 4);
    books().handles[handle] = kind;
    return handle;
}

bool IsOpen(void* handle, HandleKind kind) {
    auto it = books().handles.find(handle);
    return it != books().handles.end() && it->second == kind;
}

bool CloseHandle(void* handle, HandleKind kind) {
    if (!IsOpen(handle, kind)) {
        machine().misuse.push_back(std::string("closed a ") + KindName(kind) + " handle that is not open");
        return false;
    }
    books().handles.erase(handle);
    return true;
}

std::string Leaks() {
    std::string report;
    for (const auto& [handle, kind] : books().handles) report += std::string("open ") + KindName(kind) + " handle; ";
    if (LiveLocalBuffers()) report += std::to_string(LiveLocalBuffers()) + " LocalAlloc buffer(s) live; ";
    if (LiveHeapBlocks()) report += std::to_string(LiveHeapBlocks()) + " HeapAlloc block(s) live; ";
    for (const std::string& m : machine().misuse) report += m + "; ";
    return report;
}

DWORD DefaultError(const std::string& function) {
    static const std::map<std::string, DWORD> errors = {
        {"RegOpenKeyExA", ERROR_ACCESS_DENIED},
        {"MsiCreateRecord", 0},
        {"MsiRecordSetInteger", ERROR_INVALID_HANDLE},
        {"MsiRecordSetStringA", ERROR_INVALID_HANDLE},
        {"MsiProcessMessage", ERROR_INVALID_HANDLE},
        {"MsiSetPropertyA", ERROR_INVALID_HANDLE},
        {"RegQueryValueExA", ERROR_FILE_NOT_FOUND},
        {"GetCPInfo", ERROR_INVALID_PARAMETER},
        {"MultiByteToWideChar", ERROR_NO_UNICODE_TRANSLATION},
        {"LCMapStringW", ERROR_INVALID_PARAMETER},
        {"WideCharToMultiByte", ERROR_INSUFFICIENT_BUFFER},
        {"OpenSCManagerA", ERROR_ACCESS_DENIED},
        {"OpenServiceA", ERROR_ACCESS_DENIED},
        {"QueryServiceStatus", ERROR_INVALID_HANDLE},
        {"StartServiceA", ERROR_SERVICE_DISABLED},
        {"ControlService", ERROR_SERVICE_CANNOT_ACCEPT_CTRL},
        {"EnumPrintersA", ERROR_INSUFFICIENT_BUFFER},
        {"OpenPrinterA", ERROR_ACCESS_DENIED},
        {"GetPrinterDriverA", ERROR_INSUFFICIENT_BUFFER},
        {"DeletePrinter", ERROR_ACCESS_DENIED},
        {"DeleteMonitorA", ERROR_ACCESS_DENIED},
        {"DeletePrinterDriverA", ERROR_PRINTER_DRIVER_IN_USE},
        {"LocalAlloc", ERROR_NOT_ENOUGH_MEMORY},
        {"HeapAlloc", ERROR_NOT_ENOUGH_MEMORY},
        {"GetWindowsDirectoryA", ERROR_ACCESS_DENIED},
        {"GetModuleHandleA", ERROR_MOD_NOT_FOUND},
        {"GetSystemDirectoryA", ERROR_ACCESS_DENIED},
        {"LoadLibraryExA", ERROR_MOD_NOT_FOUND},
        {"GetProcAddress", ERROR_PROC_NOT_FOUND},
        {"IsWow64Process", ERROR_ACCESS_DENIED},
        {"IsWow64Process2", ERROR_ACCESS_DENIED},
        {"FindFirstFileA", ERROR_PATH_NOT_FOUND},
        {"FindNextFileA", ERROR_NO_MORE_FILES},
        {"SetupOpenInfFileA", ERROR_ACCESS_DENIED},
        {"SetupFindFirstLineA", ERROR_NO_MORE_ITEMS},
        {"SetupFindNextLine", ERROR_NO_MORE_ITEMS},
        {"SetupGetStringFieldA", ERROR_INSUFFICIENT_BUFFER},
        {"SetupUninstallOEMInfA", ERROR_ACCESS_DENIED},
    };
    auto it = errors.find(function);
    return it == errors.end() ? ERROR_ACCESS_DENIED : it->second;
}

}  // namespace sim
