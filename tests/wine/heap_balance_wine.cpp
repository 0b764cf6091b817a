// What a call leaves on the heap, seen from outside as a tool would see it:
// the DLL's import table is patched so that every platform function it calls
// (and every one it resolves with GetProcAddress) goes through a hook that
// counts it and can fail it, and every block it allocates and frees is
// counted. Each export runs once cleanly, then once for every call it makes
// with that one call failing; after each run, every block the run allocated
// must have been freed.
#include "wine_machine.h"

#include <setupapi.h>

#include <cstring>
#include <set>
#include <string>

namespace {

// ---- counting and failing ---------------------------------------------------

struct Run {
    int calls = 0;    // hooked calls so far in this run
    int failAt = 0;   // the call to fail, 0 for none
    std::string failed;
    std::set<void*> live;  // blocks allocated in this run and not yet freed
    int allocated = 0;
};
Run run;

// Counts the call; true when it is the one to fail.
bool Inject(const char* name, bool failable) {
    ++run.calls;
    if (!failable || run.calls != run.failAt) return false;
    run.failed = name;
    return true;
}

void* Allocated(void* block) {
    if (block) {
        run.live.insert(block);
        ++run.allocated;
    }
    return block;
}
void Freed(void* block) { run.live.erase(block); }

// ---- hooks ---------------------------------------------------------------------

// A hook that can fail: `failure` is returned and `error` set as the last
// error, as the platform's own failure would.
#define HOOK(Ret, Name, failure, error, Params, Args)       \
    decltype(&::Name) real_##Name;                           \
    Ret WINAPI hook_##Name Params {                          \
        if (Inject(#Name, true)) {                           \
            SetLastError(error);                             \
            return failure;                                  \
        }                                                    \
        return real_##Name Args;                             \
    }
// A hook that only counts: the call cannot fail, or its failure means nothing.
#define PASS(Ret, Name, Params, Args) \
    decltype(&::Name) real_##Name;     \
    Ret WINAPI hook_##Name Params {    \
        Inject(#Name, false);          \
        return real_##Name Args;       \
    }

// advapi32
HOOK(SC_HANDLE, OpenSCManagerA, NULL, ERROR_ACCESS_DENIED, (LPCSTR m, LPCSTR d, DWORD a), (m, d, a))
HOOK(SC_HANDLE, OpenServiceA, NULL, ERROR_ACCESS_DENIED, (SC_HANDLE m, LPCSTR n, DWORD a), (m, n, a))
HOOK(BOOL, QueryServiceStatus, FALSE, ERROR_INVALID_HANDLE, (SC_HANDLE s, LPSERVICE_STATUS st), (s, st))
HOOK(BOOL, StartServiceA, FALSE, ERROR_SERVICE_DISABLED, (SC_HANDLE s, DWORD n, LPCSTR* a), (s, n, a))
HOOK(BOOL, ControlService, FALSE, ERROR_SERVICE_CANNOT_ACCEPT_CTRL, (SC_HANDLE s, DWORD c, LPSERVICE_STATUS st),
     (s, c, st))
PASS(BOOL, CloseServiceHandle, (SC_HANDLE h), (h))
HOOK(LONG, RegOpenKeyExA, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED,
     (HKEY k, LPCSTR p, DWORD o, REGSAM a, PHKEY r), (k, p, o, a, r))
HOOK(LONG, RegQueryValueExA, ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND,
     (HKEY k, LPCSTR n, LPDWORD r, LPDWORD t, LPBYTE d, LPDWORD s), (k, n, r, t, d, s))
PASS(LONG, RegCloseKey, (HKEY k), (k))
// kernel32
HOOK(HANDLE, FindFirstFileA, INVALID_HANDLE_VALUE, ERROR_PATH_NOT_FOUND, (LPCSTR p, LPWIN32_FIND_DATAA d), (p, d))
HOOK(BOOL, FindNextFileA, FALSE, ERROR_NO_MORE_FILES, (HANDLE h, LPWIN32_FIND_DATAA d), (h, d))
PASS(BOOL, FindClose, (HANDLE h), (h))
HOOK(HMODULE, LoadLibraryExA, NULL, ERROR_MOD_NOT_FOUND, (LPCSTR n, HANDLE f, DWORD fl), (n, f, fl))
PASS(BOOL, FreeLibrary, (HMODULE m), (m))
HOOK(HMODULE, GetModuleHandleA, NULL, ERROR_MOD_NOT_FOUND, (LPCSTR n), (n))
PASS(HANDLE, GetCurrentProcess, (void), ())
PASS(DWORD, GetLastError, (void), ())
PASS(DWORD, GetTickCount, (void), ())
PASS(UINT, GetACP, (void), ())
HOOK(BOOL, GetCPInfo, FALSE, ERROR_INVALID_PARAMETER, (UINT c, LPCPINFO i), (c, i))
HOOK(int, MultiByteToWideChar, 0, ERROR_NO_UNICODE_TRANSLATION, (UINT c, DWORD f, LPCSTR s, int n, LPWSTR w, int m),
     (c, f, s, n, w, m))
HOOK(int, WideCharToMultiByte, 0, ERROR_INSUFFICIENT_BUFFER,
     (UINT c, DWORD f, LPCWSTR w, int n, LPSTR s, int m, LPCSTR d, LPBOOL u), (c, f, w, n, s, m, d, u))
HOOK(int, LCMapStringW, 0, ERROR_INVALID_PARAMETER, (LCID l, DWORD f, LPCWSTR s, int n, LPWSTR d, int m),
     (l, f, s, n, d, m))
HOOK(UINT, GetSystemDirectoryA, 0, ERROR_ACCESS_DENIED, (LPSTR b, UINT n), (b, n))
HOOK(UINT, GetWindowsDirectoryA, 0, ERROR_ACCESS_DENIED, (LPSTR b, UINT n), (b, n))
PASS(HANDLE, GetProcessHeap, (void), ())
// winspool.drv and setupapi.dll, as GetProcAddress hands them out
HOOK(BOOL, EnumPrintersA, FALSE, RPC_S_SERVER_UNAVAILABLE,
     (DWORD f, LPSTR n, DWORD l, LPBYTE b, DWORD s, LPDWORD need, LPDWORD r), (f, n, l, b, s, need, r))
HOOK(BOOL, OpenPrinterA, FALSE, ERROR_ACCESS_DENIED, (LPSTR n, LPHANDLE h, LPPRINTER_DEFAULTSA d), (n, h, d))
HOOK(BOOL, GetPrinterDriverA, FALSE, ERROR_INVALID_HANDLE, (HANDLE h, LPSTR e, DWORD l, LPBYTE b, DWORD s, LPDWORD n),
     (h, e, l, b, s, n))
HOOK(BOOL, DeletePrinter, FALSE, ERROR_ACCESS_DENIED, (HANDLE h), (h))
PASS(BOOL, ClosePrinter, (HANDLE h), (h))
HOOK(BOOL, DeleteMonitorA, FALSE, ERROR_ACCESS_DENIED, (LPSTR s, LPSTR e, LPSTR n), (s, e, n))
HOOK(BOOL, DeletePrinterDriverA, FALSE, ERROR_ACCESS_DENIED, (LPSTR s, LPSTR e, LPSTR n), (s, e, n))
HOOK(HINF, SetupOpenInfFileA, INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED, (PCSTR f, PCSTR c, DWORD s, PUINT e),
     (f, c, s, e))
HOOK(BOOL, SetupFindFirstLineA, FALSE, ERROR_LINE_NOT_FOUND, (HINF i, PCSTR s, PCSTR k, PINFCONTEXT c), (i, s, k, c))
HOOK(BOOL, SetupFindNextLine, FALSE, ERROR_LINE_NOT_FOUND, (PINFCONTEXT i, PINFCONTEXT o), (i, o))
HOOK(BOOL, SetupGetStringFieldA, FALSE, ERROR_INSUFFICIENT_BUFFER, (PINFCONTEXT c, DWORD i, PSTR b, DWORD s, PDWORD r),
     (c, i, b, s, r))
HOOK(BOOL, SetupUninstallOEMInfA, FALSE, ERROR_ACCESS_DENIED, (PCSTR n, DWORD f, PVOID r), (n, f, r))

decltype(&::SetupCloseInfFile) real_SetupCloseInfFile;
void WINAPI hook_SetupCloseInfFile(HINF inf) {
    Inject("SetupCloseInfFile", false);
    real_SetupCloseInfFile(inf);
}
decltype(&::GetNativeSystemInfo) real_GetNativeSystemInfo;
void WINAPI hook_GetNativeSystemInfo(LPSYSTEM_INFO info) {
    Inject("GetNativeSystemInfo", false);
    real_GetNativeSystemInfo(info);
}
// The waits of the spooler procedures are kept short: the hints of Wine's
// spooler are 10 s, its state changes take milliseconds.
decltype(&::Sleep) real_Sleep;
void WINAPI hook_Sleep(DWORD ms) {
    Inject("Sleep", false);
    real_Sleep(ms < 10 ? ms : 10);
}

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);
typedef BOOL(WINAPI* IsWow64Process2Fn)(HANDLE, USHORT*, USHORT*);
IsWow64ProcessFn real_IsWow64Process;
BOOL WINAPI hook_IsWow64Process(HANDLE p, PBOOL w) {
    if (Inject("IsWow64Process", true)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return real_IsWow64Process(p, w);
}
IsWow64Process2Fn real_IsWow64Process2;
BOOL WINAPI hook_IsWow64Process2(HANDLE p, USHORT* a, USHORT* b) {
    if (Inject("IsWow64Process2", true)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return real_IsWow64Process2(p, a, b);
}

// The allocators and their frees.
decltype(&::HeapAlloc) real_HeapAlloc;
LPVOID WINAPI hook_HeapAlloc(HANDLE h, DWORD f, SIZE_T n) {
    if (Inject("HeapAlloc", true)) return NULL;
    return Allocated(real_HeapAlloc(h, f, n));
}
decltype(&::HeapFree) real_HeapFree;
BOOL WINAPI hook_HeapFree(HANDLE h, DWORD f, LPVOID p) {
    Inject("HeapFree", false);
    Freed(p);
    return real_HeapFree(h, f, p);
}
decltype(&::LocalAlloc) real_LocalAlloc;
HLOCAL WINAPI hook_LocalAlloc(UINT f, SIZE_T n) {
    if (Inject("LocalAlloc", true)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    return Allocated(real_LocalAlloc(f, n));
}
decltype(&::LocalFree) real_LocalFree;
HLOCAL WINAPI hook_LocalFree(HLOCAL p) {
    Inject("LocalFree", false);
    Freed(p);
    return real_LocalFree(p);
}
void* (*real_malloc)(size_t);
void* hook_malloc(size_t n) { return Inject("malloc", true) ? NULL : Allocated(real_malloc(n)); }
void* (*real_calloc)(size_t, size_t);
void* hook_calloc(size_t n, size_t s) { return Inject("calloc", true) ? NULL : Allocated(real_calloc(n, s)); }
void* (*real_realloc)(void*, size_t);
void* hook_realloc(void* p, size_t n) {
    if (Inject("realloc", true)) return NULL;
    void* moved = real_realloc(p, n);
    if (moved) {
        Freed(p);
        Allocated(moved);
    }
    return moved;
}
void (*real_free)(void*);
void hook_free(void* p) {
    Inject("free", false);
    Freed(p);
    real_free(p);
}

struct Hook {
    const char* name;
    void** real;
    void* hook;
};

#define ENTRY(Name) {#Name, reinterpret_cast<void**>(&real_##Name), reinterpret_cast<void*>(hook_##Name)}
const Hook kImported[] = {
    ENTRY(OpenSCManagerA), ENTRY(OpenServiceA), ENTRY(QueryServiceStatus), ENTRY(StartServiceA),
    ENTRY(ControlService), ENTRY(CloseServiceHandle), ENTRY(RegOpenKeyExA), ENTRY(RegQueryValueExA),
    ENTRY(RegCloseKey), ENTRY(FindFirstFileA), ENTRY(FindNextFileA), ENTRY(FindClose),
    ENTRY(LoadLibraryExA), ENTRY(FreeLibrary), ENTRY(GetModuleHandleA), ENTRY(GetCurrentProcess),
    ENTRY(GetLastError), ENTRY(GetTickCount), ENTRY(GetACP), ENTRY(GetCPInfo),
    ENTRY(MultiByteToWideChar), ENTRY(WideCharToMultiByte), ENTRY(LCMapStringW), ENTRY(GetSystemDirectoryA),
    ENTRY(GetWindowsDirectoryA), ENTRY(GetProcessHeap), ENTRY(GetNativeSystemInfo), ENTRY(Sleep),
    ENTRY(HeapAlloc), ENTRY(HeapFree), ENTRY(LocalAlloc), ENTRY(LocalFree),
    ENTRY(malloc), ENTRY(calloc), ENTRY(realloc), ENTRY(free),
};
const Hook kResolved[] = {
    ENTRY(EnumPrintersA), ENTRY(OpenPrinterA), ENTRY(GetPrinterDriverA), ENTRY(DeletePrinter),
    ENTRY(ClosePrinter), ENTRY(DeleteMonitorA), ENTRY(DeletePrinterDriverA), ENTRY(SetupOpenInfFileA),
    ENTRY(SetupFindFirstLineA), ENTRY(SetupFindNextLine), ENTRY(SetupGetStringFieldA), ENTRY(SetupUninstallOEMInfA),
    ENTRY(SetupCloseInfFile), ENTRY(IsWow64Process), ENTRY(IsWow64Process2),
};

// What the DLL resolves at run time is handed back through its hook.
decltype(&::GetProcAddress) real_GetProcAddress;
FARPROC WINAPI hook_GetProcAddress(HMODULE module, LPCSTR name) {
    if (Inject("GetProcAddress", true)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return NULL;
    }
    FARPROC found = real_GetProcAddress(module, name);
    if (!found || reinterpret_cast<ULONG_PTR>(name) <= 0xFFFF) return found;
    for (const Hook& h : kResolved) {
        if (std::strcmp(h.name, name) != 0) continue;
        *h.real = reinterpret_cast<void*>(found);
        return reinterpret_cast<FARPROC>(h.hook);
    }
    return found;
}

// Points every entry of the module's import table that has a hook at it;
// returns how many were patched, and lists the names that have none.
int PatchImports(HMODULE module) {
    BYTE* base = reinterpret_cast<BYTE*>(module);
    const IMAGE_NT_HEADERS* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int patched = 0;
    for (const IMAGE_IMPORT_DESCRIPTOR* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         d->Name; ++d) {
        const IMAGE_THUNK_DATA* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const char* name = reinterpret_cast<const char*>(
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name);
            void* hook = NULL;
            if (std::strcmp(name, "GetProcAddress") == 0) {
                real_GetProcAddress = reinterpret_cast<decltype(&::GetProcAddress)>(slots->u1.Function);
                hook = reinterpret_cast<void*>(hook_GetProcAddress);
            }
            for (const Hook& h : kImported) {
                if (std::strcmp(h.name, name) != 0) continue;
                *h.real = reinterpret_cast<void*>(slots->u1.Function);
                hook = h.hook;
            }
            if (!hook) continue;
            DWORD old;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(hook);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            ++patched;
        }
    }
    return patched;
}

// ---- the sweeps ------------------------------------------------------------------

void InstallProduct() {
    machine::InstallPrintersDriversMonitors();
    machine::WriteInf("oem31.inf", machine::PrinterInf("Vexlo"));
    machine::WriteInf("oem32.inf", machine::PrinterInf("Acme"));
}

void WriteDeviceList() {
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum", 0, NULL, 0,
                    KEY_ALL_ACCESS, NULL, &key, NULL);
    const DWORD count = 3;
    const char* entries[] = {"USB\\VID_1234&PID_0001\\1", "usb\\vid_f0e1&pid_0421\\2", "USB\\VID_F0E1&PID_0420\\3"};
    RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
    for (DWORD i = 0; i < count; ++i) {
        const char name[2] = {static_cast<char>('0' + i), 0};
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(entries[i]), lstrlenA(entries[i]) + 1);
    }
    RegCloseKey(key);
}

// One clean run, then one per call with that call failing; after each, no
// block the run allocated may be live.
void Sweep(const char* what, VexloExport function, void (*setUp)()) {
    setUp();
    run = Run();
    const DWORD clean = function();
    const int calls = run.calls, allocations = run.allocated;
    ok(clean == 1, "%s, clean run: expected 1, got %lu\n", what, clean);
    ok(run.live.empty(), "%s, clean run: %u blocks left\n", what, static_cast<unsigned>(run.live.size()));
    int failures = 0, allocated = 0, unbalanced = 0;
    for (int k = 1; k <= calls; ++k) {
        setUp();
        run = Run();
        run.failAt = k;
        function();
        if (run.failed.empty()) continue;  // a call that cannot fail
        ++failures;
        allocated += run.allocated;
        if (!run.live.empty()) ++unbalanced;
        ok(run.live.empty(), "%s, call %d (%s) failing: %u of %d blocks left\n", what, k, run.failed.c_str(),
           static_cast<unsigned>(run.live.size()), run.allocated);
    }
    trace("%s: %d calls and %d blocks in the clean run; %d runs with one call failing, %d blocks allocated and "
          "all freed in %d of them\n",
          what, calls, allocations, failures, allocated, failures - unbalanced);
}

}  // namespace

int main() {
    HMODULE module = LoadVexlo();
    if (!module) return winetest::done("heap_balance_wine");
    VexloExport deleteAll = ResolveExport(module, "DeleteALL", 1);
    VexloExport isConnected = ResolveExport(module, "IsConnected", 2);
    const int patched = PatchImports(module);
    ok(patched >= 30, "expected the DLL's platform imports hooked, got %d\n", patched);
    ok(real_GetProcAddress != NULL, "GetProcAddress not found among the DLL's imports\n");
    if (!deleteAll || !isConnected || !real_GetProcAddress) return winetest::done("heap_balance_wine");

    Sweep("IsConnected", isConnected, WriteDeviceList);
    machine::UseWineSpooler();
    machine::StartSpooler();
    Sweep("DeleteALL", deleteAll, InstallProduct);

    ok(FreeLibrary(module), "FreeLibrary: expected TRUE\n");
    return winetest::done("heap_balance_wine");
}
