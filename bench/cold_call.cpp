// A cold IsConnected: a fresh process loads the DLL, calls IsConnected once
// and frees it; the time from before the load to after the free, as the
// median over many fresh processes, with two other printers in the device
// list. VexloDeletePrinter.dll next to the
// registry-only yardstick registry_walk.dll, alternating so that both see
// the same machine. Further DLLs to compare may be named on the command
// line. The children are this program, which imports kernel32, advapi32 and
// msvcrt only, so that every other library a DLL brings counts against it.
// Run under Wine: bench/run.sh
#include "RunSelf.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int kProcesses = 21;
typedef BOOLEAN(WINAPI* ExportFn)(void);

// In the child: the microseconds of one cold call, as the exit code.
int ColdCall(const char* dll) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    HMODULE module = LoadLibraryA(dll);
    if (!module) return -1;
    ExportFn isConnected = reinterpret_cast<ExportFn>(reinterpret_cast<void*>(GetProcAddress(module, "IsConnected")));
    if (isConnected) isConnected();
    FreeLibrary(module);
    QueryPerformanceCounter(&end);
    if (!isConnected) return -1;
    return static_cast<int>((end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart);
}

// In the parent: one fresh process for one cold call.
long RunChild(const std::string& dll) { return RunSelf("--child \"" + dll + "\""); }

// A device list as a machine with two other USB printers has it, so that
// the walk reads the count and two entries.
void WriteTwoOtherPrinters() {
    HKEY key = NULL;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum", 0, NULL, 0,
                        KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS) {
        return;
    }
    const DWORD count = 2;
    const char* entries[] = {"USB\\VID_1234&PID_0001\\5&2B3C&0&1", "USB\\VID_04B8&PID_0E28\\5&2B3C&0&2"};
    RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
    RegSetValueExA(key, "0", 0, REG_SZ, reinterpret_cast<const BYTE*>(entries[0]), lstrlenA(entries[0]) + 1);
    RegSetValueExA(key, "1", 0, REG_SZ, reinterpret_cast<const BYTE*>(entries[1]), lstrlenA(entries[1]) + 1);
    for (DWORD i = count; i < 100000; ++i) {  // what a longer list left behind
        char name[16];
        std::snprintf(name, sizeof name, "%lu", static_cast<unsigned long>(i));
        if (RegDeleteValueA(key, name) != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
}

double MedianMs(std::vector<long> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2] / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return ColdCall(argv[2]);

    WriteTwoOtherPrinters();
    std::vector<std::string> dlls = {"VexloDeletePrinter.dll", "registry_walk.dll"};
    for (int i = 1; i < argc; ++i) dlls.push_back(argv[i]);
    std::vector<std::vector<long>> samples(dlls.size());
    for (int round = 0; round < kProcesses; ++round) {
        for (std::size_t d = 0; d < dlls.size(); ++d) {
            const long us = RunChild(dlls[d]);
            if (us < 0) {
                std::printf("cannot load %s or call its IsConnected\n", dlls[d].c_str());
                return 1;
            }
            samples[d].push_back(us);
        }
    }
    const double ours = MedianMs(samples[0]), yardstick = MedianMs(samples[1]);
    std::printf("cold IsConnected, median of %d fresh processes: VexloDeletePrinter.dll %.2f ms, "
                "registry_walk.dll %.2f ms, ratio %.2f\n",
                kProcesses, ours, yardstick, ours / yardstick);
    for (std::size_t d = 2; d < dlls.size(); ++d) {
        std::printf("  %s %.2f ms, ratio %.2f to VexloDeletePrinter.dll\n", dlls[d].c_str(), MedianMs(samples[d]),
                    MedianMs(samples[d]) / ours);
    }
    return 0;
}
