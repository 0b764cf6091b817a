// IsConnected against a bare loop of the same registry calls (the IsConnected
// of registry_walk.dll, the yardstick of the cold call too), and its peak
// working set with a short and a very long device list. Run under Wine:
// bench/run.sh
#include <windows.h>
#include <psapi.h>

#include <cstdio>

namespace {

const char kEnum[] = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
typedef BOOLEAN(WINAPI* ExportFn)(void);

void WriteDeviceList(DWORD count) {
    HKEY key = NULL;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEnum, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
    RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
    for (DWORD i = 0; i < count; ++i) {
        char name[16], value[64];
        wsprintfA(name, "%lu", i);
        wsprintfA(value, "USB\\VID_1234&PID_%04lX\\5&1A2B3C&0&%lu", i % 0x10000, i);
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), lstrlenA(value) + 1);
    }
    RegCloseKey(key);
}

double Seconds(ExportFn fn, int rounds) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < rounds; ++i) fn();
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

SIZE_T PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

}  // namespace

ExportFn LoadIsConnected(const char* file, HMODULE& module) {
    module = LoadLibraryA(file);
    ExportFn function =
        module ? reinterpret_cast<ExportFn>(reinterpret_cast<void*>(GetProcAddress(module, "IsConnected"))) : NULL;
    if (!function) std::printf("cannot load %s or find its IsConnected\n", file);
    return function;
}

int main() {
    HMODULE module = NULL, yardstick = NULL;
    ExportFn isConnected = LoadIsConnected("VexloDeletePrinter.dll", module);
    ExportFn bareLoop = LoadIsConnected("registry_walk.dll", yardstick);
    if (!isConnected || !bareLoop) return 1;

    WriteDeviceList(1000);
    const int rounds = 20;
    Seconds(isConnected, 2);  // warm up both
    Seconds(bareLoop, 2);
    double best = 1e9, bestBare = 1e9;
    for (int trial = 0; trial < 5; ++trial) {
        const double t = Seconds(isConnected, rounds), b = Seconds(bareLoop, rounds);
        if (t < best) best = t;
        if (b < bestBare) bestBare = b;
    }
    std::printf("Count=1000, no match: IsConnected %.3f ms, bare registry loop %.3f ms, ratio %.3f (goal <= 1.10)\n",
                best * 1000 / rounds, bestBare * 1000 / rounds, best / bestBare);

    WriteDeviceList(10);
    isConnected();
    const SIZE_T small = PeakWorkingSet();
    WriteDeviceList(100000);
    isConnected();
    const SIZE_T large = PeakWorkingSet();
    std::printf("peak working set: Count=10 %lu KiB, Count=100000 %lu KiB, growth %ld KiB (goal <= 1024)\n",
                static_cast<unsigned long>(small / 1024), static_cast<unsigned long>(large / 1024),
                static_cast<long>(large / 1024) - static_cast<long>(small / 1024));
    FreeLibrary(yardstick);
    FreeLibrary(module);
    return 0;
}
