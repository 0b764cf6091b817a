// IsConnected under load on Wine's registry: four threads calling it while
// another keeps rewriting the device list, then a long single-threaded run
// that must not grow the process's handles.
#include "wine_test.h"

#include <string>

namespace {

const char kEnum[] = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
const int kCallsPerThread = 10000;
const int kReaders = 4;

VexloExport isConnected;
volatile LONG writing;
volatile LONG wrongAnswers;
LONG matchingList;  // which list the writer keeps rewriting

void SetString(HKEY key, const std::string& name, const std::string& value) {
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

void SetCount(HKEY key, DWORD count) {
    RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
}

// Entries that never match: other products, the vendor's other product, an
// entry too long to read, lower case of another product.
std::string Miss(unsigned n) {
    switch (n % 4) {
    case 0: return "USB\\VID_1234&PID_" + std::to_string(1000 + n % 9000) + "\\5&1A2B3C&0&1";
    case 1: return "USB\\VID_F0E1&PID_0421\\" + std::to_string(n);
    case 2: return "USB\\VID_F0E1&PID_0420\\" + std::string(300, 'X');
    default: return "usb\\vid_0420&pid_f0e1\\" + std::to_string(n);
    }
}

// The list the writer rewrites at every moment: with matchingList, Count
// stays 4 or more and entry 3 always matches, so every answer must be 1;
// without it, no entry ever matches and every answer must be 0.
DWORD WINAPI Writer(LPVOID) {
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEnum, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
    for (unsigned n = 0; InterlockedCompareExchange(&writing, 1, 1); ++n) {
        SetCount(key, matchingList ? 4 + n % 5 : n % 9);
        for (unsigned i = 0; i < 8; ++i) {
            if (matchingList && i == 3) continue;
            SetString(key, std::to_string(i), Miss(n + i));
        }
    }
    RegCloseKey(key);
    return 0;
}

DWORD WINAPI Reader(LPVOID) {
    const DWORD expected = matchingList ? 1 : 0;
    for (int i = 0; i < kCallsPerThread / 2; ++i) {
        if (isConnected() != expected) InterlockedIncrement(&wrongAnswers);
    }
    return 0;
}

void RunRound(bool matching) {
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEnum, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
    matchingList = matching;
    SetCount(key, matching ? 4 : 0);
    SetString(key, "3", matching ? "USB\\VID_F0E1&PID_0420\\5&1A2B3C&0&2" : Miss(3));
    RegCloseKey(key);

    wrongAnswers = 0;
    writing = 1;
    HANDLE writer = CreateThread(NULL, 0, Writer, NULL, 0, NULL);
    HANDLE readers[kReaders];
    for (HANDLE& r : readers) r = CreateThread(NULL, 0, Reader, NULL, 0, NULL);
    const DWORD waited = WaitForMultipleObjects(kReaders, readers, TRUE, 300000);
    ok(waited == WAIT_OBJECT_0, "readers did not finish: %lu\n", waited);
    InterlockedExchange(&writing, 0);
    WaitForSingleObject(writer, INFINITE);
    for (HANDLE r : readers) CloseHandle(r);
    CloseHandle(writer);
    ok(wrongAnswers == 0, "%s list: %ld of %d answers were ones it could never give\n",
       matching ? "matching" : "non-matching", wrongAnswers, kReaders * kCallsPerThread / 2);
}

// A leaked key handle shows as a rising value of the next handle opened.
HKEY ProbeHandle() {
    HKEY key = NULL;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, &key);
    RegCloseKey(key);
    return key;
}

}  // namespace

int main() {
    HMODULE module = LoadVexlo();
    if (!module) return winetest::done("load_wine");
    isConnected = ResolveExport(module, "IsConnected", 2);
    if (!isConnected) return winetest::done("load_wine");

    const DWORD start = GetTickCount();
    RunRound(true);
    RunRound(false);
    trace("load_wine: %d threads x %d calls beside a writer in %lu ms\n", kReaders, kCallsPerThread,
          GetTickCount() - start);

    const HKEY before = ProbeHandle();
    for (int i = 0; i < 10000; ++i) isConnected();
    const HKEY after = ProbeHandle();
    ok(before == after, "10000 calls: probe handle %p before, %p after, expected the same\n",
       static_cast<void*>(before), static_cast<void*>(after));
    ok(FreeLibrary(module), "FreeLibrary: expected TRUE\n");
    return winetest::done("load_wine");
}
