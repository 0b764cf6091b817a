// The 32-bit DLL on a 64-bit machine, as the installers that load it run
// today: this program is 32-bit and runs in a 64-bit prefix, under WOW64. The
// product was installed by a 64-bit program (demo_machine64.exe), so its
// drivers are in the machine's own environment, "Windows x64"; one of them,
// and another maker's, is also installed for "Windows NT x86", as additional
// drivers for 32-bit clients are. DeleteALL must remove all of the product's
// and nothing of the other maker's, and IsConnected must read the device list
// the 64-bit side wrote.
#include "wine_machine.h"

namespace {

const char kX64[] = "Windows x64";

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, BOOL*);

bool RunsUnderWow64() {
    IsWow64ProcessFn isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    ok(isWow64Process && isWow64Process(GetCurrentProcess(), &wow64), "IsWow64Process: error %lu\n", GetLastError());
    ok(wow64, "expected a 32-bit process under WOW64 (a 64-bit prefix), got wow64 %d\n", wow64);
    trace("IsWow64Process2 %s in kernel32\n",
          GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process2") ? "exists" : "does not exist");
    return wow64 != FALSE;
}

// Runs the 64-bit helper beside this program with `commands`; true when it
// reports no failure.
bool Run64(const char* commands) {
    char line[MAX_PATH + 64];
    GetModuleFileNameA(NULL, line, MAX_PATH);
    lstrcpyA(strrchr(line, '\\') + 1, "demo_machine64.exe ");
    lstrcatA(line, commands);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        ok(FALSE, "starting %s: error %lu\n", line, GetLastError());
        return false;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ok(code == 0, "%s: expected exit code 0, got %lu\n", line, code);
    return code == 0;
}

// What the removal relies on: from a 32-bit process "no environment" does not
// reach a driver installed for "Windows x64" only, naming it does, and a
// driver also installed for "Windows NT x86" is found without naming it.
void TestPlatformEnvironments() {
    HANDLE printer = NULL;
    PRINTER_DEFAULTSA defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
    ok(OpenPrinterA(const_cast<char*>("Vexlo Label"), &printer, &defaults), "OpenPrinterA: error %lu\n",
       GetLastError());
    if (!printer) return;
    BYTE buffer[2048];
    DWORD needed = 0xdeadbeef;
    SetLastError(0xdeadbeef);
    BOOL result = GetPrinterDriverA(printer, NULL, 2, NULL, 0, &needed);
    ok(!result && GetLastError() == ERROR_UNKNOWN_PRINTER_DRIVER,
       "GetPrinterDriverA(no environment): expected FALSE with 1797, got %d with %lu\n", result, GetLastError());
    trace("GetPrinterDriverA(no environment) reported size %lu\n", needed);
    needed = 0;
    result = GetPrinterDriverA(printer, const_cast<char*>(kX64), 2, buffer, sizeof buffer, &needed);
    const DRIVER_INFO_2A* info = reinterpret_cast<const DRIVER_INFO_2A*>(buffer);
    ok(result && info->pName && lstrcmpA(info->pName, "Vexlo-420 LABEL") == 0,
       "GetPrinterDriverA(Windows x64): expected Vexlo-420 LABEL, got %d, %s\n", result,
       result && info->pName ? info->pName : "(none)");
    ClosePrinter(printer);

    ok(OpenPrinterA(const_cast<char*>("Vexlo Label G"), &printer, &defaults), "OpenPrinterA: error %lu\n",
       GetLastError());
    if (!printer) return;
    result = GetPrinterDriverA(printer, NULL, 2, buffer, sizeof buffer, &needed);
    ok(result && info->pName && lstrcmpA(info->pName, "Vexlo-420G LABEL") == 0,
       "GetPrinterDriverA(no environment) with the x86 driver too: expected Vexlo-420G LABEL, got %d, %s\n", result,
       result && info->pName ? info->pName : "(none)");
    ClosePrinter(printer);
}

struct Object {
    const char* what;
    bool (*present)(const char*);
    const char* name;
    bool ours;
};

bool HasX64Driver(const char* name) { return machine::HasDriverIn(name, kX64); }
bool HasX86Driver(const char* name) { return machine::HasDriver(name); }

const Object kObjects[] = {
    {"queue", machine::HasPrinter, "Vexlo Label", true},
    {"queue", machine::HasPrinter, "Vexlo Label G", true},
    {"queue", machine::HasPrinter, "Office", false},
    {"monitor", machine::HasMonitor, "VexloLM", true},
    {"monitor", machine::HasMonitor, "AcmeLM", false},
    {"Windows x64 driver", HasX64Driver, "Vexlo-420 LABEL", true},
    {"Windows x64 driver", HasX64Driver, "Vexlo-420G LABEL", true},
    {"Windows x64 driver", HasX64Driver, "Acme LaserJet", false},
    {"Windows NT x86 driver", HasX86Driver, "Vexlo-420G LABEL", true},
    {"Windows NT x86 driver", HasX86Driver, "Acme LaserJet", false},
    {"package", machine::HasInf, "oem21.inf", true},
    {"package", machine::HasInf, "oem22.inf", false},
};

void ExpectLeft(bool product, const char* when) {
    for (const Object& o : kObjects) {
        const bool expected = o.ours ? product : true;
        const bool present = o.present(o.name);
        ok(present == expected, "%s: %s %s: expected %s, got %s\n", when, o.what, o.name,
           expected ? "present" : "gone", present ? "present" : "gone");
    }
}

}  // namespace

int main() {
    if (!RunsUnderWow64()) return winetest::done("deleteall_wow64");
    // A freshly booted 64-bit prefix may fail the first start of the spooler
    // when a 32-bit process asks for it, so the 64-bit side starts it once.
    if (!Run64("install attach start-spooler")) return winetest::done("deleteall_wow64");
    machine::InstallDriver("Vexlo-420G LABEL");  // for "Windows NT x86"
    machine::InstallDriver("Acme LaserJet");
    ExpectLeft(true, "installed");
    TestPlatformEnvironments();

    HMODULE module = LoadVexlo();
    if (!module) return winetest::done("deleteall_wow64");
    VexloExport deleteAll = ResolveExport(module, "DeleteALL", 1);
    VexloExport isConnected = ResolveExport(module, "IsConnected", 2);
    if (!deleteAll || !isConnected) return winetest::done("deleteall_wow64");

    ok(isConnected() == 1, "IsConnected: expected 1 for the device list the 64-bit side wrote\n");
    const DWORD start = GetTickCount();
    const DWORD answer = deleteAll();
    ok(answer == 1, "DeleteALL: expected 1, got %lu\n", answer);
    trace("DeleteALL returned %lu after %lu ms\n", answer, GetTickCount() - start);
    ExpectLeft(false, "after DeleteALL");
    ok(machine::SpoolerState() == SERVICE_RUNNING, "after DeleteALL: spooler in state %lu, expected running\n",
       machine::SpoolerState());
    ok(isConnected() == 1, "IsConnected after DeleteALL: expected 1, the device list is not the DLL's to touch\n");

    ok(FreeLibrary(module), "FreeLibrary: expected TRUE\n");
    return winetest::done("deleteall_wow64");
}
