#include "NativeEnvironment.h"

#include "SystemLibrary.h"

namespace vexlo {
namespace {

// Neither function can be imported: Windows XP before SP2 lacks
// IsWow64Process, everything before Windows 10 lacks IsWow64Process2.
typedef BOOL(WINAPI* IsWow64Process2Fn)(HANDLE process, USHORT* processMachine, USHORT* nativeMachine);
typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE process, BOOL* wow64);

template <typename Fn>
Fn FindKernelFunction(const char* name) {
    // kernel32 is mapped into every process: this looks it up, loads nothing.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    Fn function = nullptr;
    if (kernel) FindFunction(kernel, name, function);
    return function;
}

const char* EnvironmentOf(USHORT machine) {
    switch (machine) {
    case IMAGE_FILE_MACHINE_AMD64: return "Windows x64";
    case IMAGE_FILE_MACHINE_ARM64: return "Windows ARM64";
    case IMAGE_FILE_MACHINE_IA64: return "Windows IA64";
    }
    return nullptr;
}

// The native machine as IsWow64Process and GetNativeSystemInfo tell it, for
// systems without IsWow64Process2.
USHORT NativeMachineBeforeWindows10() {
    const IsWow64ProcessFn isWow64Process = FindKernelFunction<IsWow64ProcessFn>("IsWow64Process");
    BOOL wow64 = FALSE;
    if (!isWow64Process || !isWow64Process(GetCurrentProcess(), &wow64) || !wow64) return IMAGE_FILE_MACHINE_UNKNOWN;
    SYSTEM_INFO system = {};
    GetNativeSystemInfo(&system);
    switch (system.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64: return IMAGE_FILE_MACHINE_AMD64;
    case PROCESSOR_ARCHITECTURE_IA64: return IMAGE_FILE_MACHINE_IA64;
    }
    return IMAGE_FILE_MACHINE_UNKNOWN;
}

// The native machine as IsWow64Process2 tells it; where the function exists
// it has the last word, and a failure means "not WOW64".
USHORT NativeMachine() {
    const IsWow64Process2Fn isWow64Process2 = FindKernelFunction<IsWow64Process2Fn>("IsWow64Process2");
    if (!isWow64Process2) return NativeMachineBeforeWindows10();
    USHORT processMachine = IMAGE_FILE_MACHINE_UNKNOWN, nativeMachine = IMAGE_FILE_MACHINE_UNKNOWN;
    if (!isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine)) return IMAGE_FILE_MACHINE_UNKNOWN;
    // A process that is not under WOW64 is told IMAGE_FILE_MACHINE_UNKNOWN.
    return processMachine == IMAGE_FILE_MACHINE_UNKNOWN ? IMAGE_FILE_MACHINE_UNKNOWN : nativeMachine;
}

}  // namespace

EnvironmentName FindNativeEnvironment() {
    const char* environment = EnvironmentOf(NativeMachine());
    return environment ? EnvironmentName(environment) : EnvironmentName();
}

}  // namespace vexlo
