// The process and its processor: kernel32 as a loaded module whose exports
// are found by name, and the WOW64 queries a 32-bit process can make.
#include "Machine.h"

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
    const PlatformScope platform;
    if (FaultInjected(__func__)) return FALSE;
    if (!IsCurrentProcess(process, __func__)) return FALSE;
    *wow64 = machine().processor.Wow64();
    return TRUE;
}

BOOL WINAPI IsWow64Process2(HANDLE process, USHORT* processMachine, USHORT* nativeMachine) {
    const PlatformScope platform;
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

}  // namespace
}  // namespace sim

using namespace sim;

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    const std::string name = moduleName ? moduleName : "";
    const PlatformScope platform;
    if (FaultInjected(__func__, name)) return nullptr;
    if (!EqualNoCase(name, "kernel32.dll") && !EqualNoCase(name, "kernel32")) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return kKernel32;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
    const std::string name = procName ? procName : "";
    const PlatformScope platform;
    if (FaultInjected(__func__, name)) return nullptr;
    if (module != kKernel32) {
        machine().misuse.push_back("GetProcAddress: expected kernel32's module handle");
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const Processor& p = machine().processor;
    if (name == "IsWow64Process" && p.hasIsWow64Process) return Export(IsWow64Process);
    if (name == "IsWow64Process2" && p.hasIsWow64Process2) return Export(IsWow64Process2);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

HANDLE WINAPI GetCurrentProcess(void) {
    const PlatformScope platform;
    Enter(__func__);
    return kCurrentProcess;
}

void WINAPI GetNativeSystemInfo(LPSYSTEM_INFO info) {
    const PlatformScope platform;
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
