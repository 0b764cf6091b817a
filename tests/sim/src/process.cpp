// The process and its processor: kernel32 as a loaded module, winspool.drv
// and setupapi.dll loaded from the system directory, their exports found by
// name, and the WOW64 queries a 32-bit process can make.
#include "Machine.h"

#include <setupapi.h>
#include <winspool.h>

#include <cstring>

namespace sim {
namespace {

HMODULE const kKernel32 = reinterpret_cast<HMODULE>(0x7c800000);
HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

bool IsCurrentProcess(HANDLE process, const char* function) {
    if (process == kCurrentProcess) return true;
    machine().misuse.push_back(std::string(function) + ": expected the current process's pseudo-handle");
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

BOOL WINAPI IsWow64Process(HANDLE process, BOOL* wow64) {
    if (FaultInjected(__func__)) return FALSE;
    if (!IsCurrentProcess(process, __func__)) return FALSE;
    *wow64 = machine().processor.Wow64();
    return TRUE;
}

BOOL WINAPI IsWow64Process2(HANDLE process, USHORT* processMachine, USHORT* nativeMachine) {
    if (FaultInjected(__func__)) return FALSE;
    if (!IsCurrentProcess(process, __func__)) return FALSE;
    const Processor& p = machine().processor;
    *processMachine = p.Wow64() ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_UNKNOWN;
    *nativeMachine = p.nativeMachine;
    return TRUE;
}

template <typename Fn>
FARPROC Export(Fn function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

// What each loaded library exports; the loaded ones by their handles.
const std::map<std::string, std::map<std::string, FARPROC>, NoCase>& Exports() {
    static const std::map<std::string, std::map<std::string, FARPROC>, NoCase> exports = {
        {"winspool.drv",
         {{"EnumPrintersA", Export(EnumPrintersA)},
          {"OpenPrinterA", Export(OpenPrinterA)},
          {"GetPrinterDriverA", Export(GetPrinterDriverA)},
          {"DeletePrinter", Export(DeletePrinter)},
          {"ClosePrinter", Export(ClosePrinter)},
          {"DeleteMonitorA", Export(DeleteMonitorA)},
          {"DeletePrinterDriverA", Export(DeletePrinterDriverA)},
          {"EnumPrinterDriversA", Export(EnumPrinterDriversA)},
          {"EnumMonitorsA", Export(EnumMonitorsA)}}},
        {"setupapi.dll",
         {{"SetupOpenInfFileA", Export(SetupOpenInfFileA)},
          {"SetupFindFirstLineA", Export(SetupFindFirstLineA)},
          {"SetupFindNextLine", Export(SetupFindNextLine)},
          {"SetupGetStringFieldA", Export(SetupGetStringFieldA)},
          {"SetupUninstallOEMInfA", Export(SetupUninstallOEMInfA)},
          {"SetupCloseInfFile", Export(SetupCloseInfFile)}}},
    };
    return exports;
}

std::map<void*, std::string>& loaded() {
    static std::map<void*, std::string> modules;
    return modules;
}

// The file name a full path in the system directory names, or "" when the
// path is anything else: a bare name would be searched for, beginning in
// the host program's folder.
std::string SystemFileName(const std::string& path) {
    const std::optional<std::string>& directory = machine().libraries.systemDirectory;
    if (!directory || path.size() <= directory->size() + 1) return "";
    if (!EqualNoCase(path.substr(0, directory->size() + 1), *directory + "\\")) return "";
    const std::string name = path.substr(directory->size() + 1);
    return name.find('\\') == std::string::npos ? name : "";
}

}  // namespace
}  // namespace sim

using namespace sim;

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    const std::string name = moduleName ? moduleName : "";
    if (FaultInjected(__func__, name)) return nullptr;
    if (!EqualNoCase(name, "kernel32.dll") && !EqualNoCase(name, "kernel32")) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return kKernel32;
}

HMODULE WINAPI LoadLibraryExA(LPCSTR fileName, HANDLE file, DWORD flags) {
    const std::string path = fileName ? fileName : "";
    if (FaultInjected(__func__, path)) return nullptr;
    const std::string name = SystemFileName(path);
    if (name.empty()) machine().misuse.push_back("LoadLibraryExA: expected a full path in the system directory");
    if (file || flags != LOAD_WITH_ALTERED_SEARCH_PATH) {
        machine().misuse.push_back("LoadLibraryExA: expected LOAD_WITH_ALTERED_SEARCH_PATH alone");
    }
    if (name.empty() || !Exports().count(name) || machine().libraries.missing.count(name)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    HMODULE module = static_cast<HMODULE>(OpenHandle(HandleKind::Module));
    loaded()[module] = name;
    return module;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    Enter(__func__, loaded().count(module) ? loaded()[module] : "");
    if (!CloseHandle(module, HandleKind::Module)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    loaded().erase(module);
    return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
    const std::string name = procName ? procName : "";
    if (FaultInjected(__func__, name)) return nullptr;
    if (module == kKernel32) {
        const Processor& p = machine().processor;
        if (name == "IsWow64Process" && p.hasIsWow64Process) return Export(IsWow64Process);
        if (name == "IsWow64Process2" && p.hasIsWow64Process2) return Export(IsWow64Process2);
    } else if (IsOpen(module, HandleKind::Module)) {
        const std::map<std::string, FARPROC>& exports = Exports().at(loaded()[module]);
        auto it = exports.find(name);
        if (it != exports.end() && !machine().libraries.missingFunctions.count(name)) return it->second;
    } else {
        machine().misuse.push_back("GetProcAddress: expected a loaded module's handle");
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
    return AnswerDirectory(__func__, machine().libraries.systemDirectory, buffer, size);
}

HANDLE WINAPI GetCurrentProcess(void) {
    Enter(__func__);
    return kCurrentProcess;
}

void WINAPI GetNativeSystemInfo(LPSYSTEM_INFO info) {
    Enter(__func__);
    *info = SYSTEM_INFO{};
    switch (machine().processor.nativeMachine) {
    case IMAGE_FILE_MACHINE_AMD64: info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64; break;
    case IMAGE_FILE_MACHINE_ARM64: info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM64; break;
    case IMAGE_FILE_MACHINE_IA64: info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_IA64; break;
    default: info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL; break;
    }
    info->dwPageSize = 4096;
    info->dwNumberOfProcessors = 1;
}
