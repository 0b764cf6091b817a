// Setting up and inspecting a Wine prefix's printers, drivers, monitors and
// spooler service for the tests, through the platform's own calls.
#pragma once

#include "wine_test.h"

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

namespace machine {

const char kMonitors[] = "System\\CurrentControlSet\\Control\\Print\\Monitors\\";
const char kFakeConfig[] = "SOFTWARE\\VexloTest\\FakeSpooler";

// For the caller's own environment: "Windows NT x86" from a 32-bit program,
// the machine's from a 64-bit one.
inline void InstallDriver(const char* name) {
    DRIVER_INFO_2A info = {};
    info.cVersion = 3;
    info.pName = const_cast<char*>(name);
    info.pDriverPath = const_cast<char*>("vexlotest.dll");
    info.pDataFile = const_cast<char*>("vexlotest.gpd");
    info.pConfigFile = const_cast<char*>("vexlotestui.dll");
    ok(AddPrinterDriverA(NULL, 2, reinterpret_cast<BYTE*>(&info)), "AddPrinterDriverA(%s): error %lu\n", name,
       GetLastError());
}

inline bool HasPrinter(const char* name);

inline void InstallPrinter(const char* name, const char* driver) {
    if (HasPrinter(name)) return;
    PRINTER_INFO_2A info = {};
    info.pPrinterName = const_cast<char*>(name);
    info.pDriverName = const_cast<char*>(driver);
    info.pPortName = const_cast<char*>("FILE:");
    info.pPrintProcessor = const_cast<char*>("WinPrint");
    info.pDatatype = const_cast<char*>("RAW");
    HANDLE printer = AddPrinterA(NULL, 2, reinterpret_cast<BYTE*>(&info));
    ok(printer != NULL, "AddPrinterA(%s): error %lu\n", name, GetLastError());
    if (printer) ClosePrinter(printer);
}

// A monitor without a DLL: the spooler lists and deletes it by its key.
inline void InstallMonitor(const char* name) {
    HKEY key;
    const std::string path = std::string(kMonitors) + name;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
    ok(result == ERROR_SUCCESS, "creating monitor %s: %ld\n", name, result);
    if (result == ERROR_SUCCESS) {
        RegSetValueExA(key, "Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>("vexlotestmon.dll"), 17);
        RegCloseKey(key);
    }
}

// The label printer's queues (one per driver), monitor and drivers, beside
// a queue, monitor and driver of another maker.
inline void InstallPrintersDriversMonitors() {
    InstallDriver("Vexlo-420 LABEL");
    InstallDriver("Vexlo-420G LABEL");
    InstallDriver("Acme LaserJet");
    InstallPrinter("Vexlo Label", "Vexlo-420 LABEL");
    InstallPrinter("Vexlo Label G", "Vexlo-420G LABEL");
    InstallPrinter("Office", "Acme LaserJet");
    InstallMonitor("VexloLM");
    InstallMonitor("AcmeLM");
}

inline bool HasPrinter(const char* name) {
    HANDLE printer = NULL;
    if (!OpenPrinterA(const_cast<char*>(name), &printer, NULL)) return false;
    ClosePrinter(printer);
    return true;
}

// Whether the driver is installed for `environment` (NULL: the caller's own,
// "Windows NT x86" for a 32-bit program, the machine's for a 64-bit one).
inline bool HasDriverIn(const char* name, const char* environment) {
    DWORD needed = 0, returned = 0;
    LPSTR env = const_cast<char*>(environment);
    EnumPrinterDriversA(NULL, env, 1, NULL, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed + 1);
    if (!EnumPrinterDriversA(NULL, env, 1, buffer.data(), needed, &needed, &returned)) return false;
    const DRIVER_INFO_1A* drivers = reinterpret_cast<const DRIVER_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) {
        if (lstrcmpA(drivers[i].pName, name) == 0) return true;
    }
    return false;
}

inline bool HasDriver(const char* name) { return HasDriverIn(name, NULL); }

inline bool HasMonitor(const char* name) {
    HKEY key;
    const std::string path = std::string(kMonitors) + name;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// ---- OEM driver packages in the Windows INF folder -------------------------

inline std::string InfPath(const char* name) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\inf\\" + name;
}

inline void WriteInf(const char* name, const std::string& contents) {
    HANDLE file = CreateFileA(InfPath(name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ok(file != INVALID_HANDLE_VALUE, "creating %s: error %lu\n", name, GetLastError());
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, NULL);
    CloseHandle(file);
}

inline bool HasInf(const char* name) { return GetFileAttributesA(InfPath(name).c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string PrinterInf(const std::string& provider, const std::string& strings = "") {
    return "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\nClassGuid={4D36E979-E325-11CE-BFC1-08002BE10318}\r\n"
           "Provider=" + provider + "\r\nDriverVer=01/01/2024,1.0.0.0\r\n" + strings;
}

// ---- the "Spooler" service --------------------------------------------------

inline DWORD SpoolerState() {
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, "Spooler", SERVICE_QUERY_STATUS) : NULL;
    SERVICE_STATUS status = {};
    if (service) QueryServiceStatus(service, &status);
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
    return status.dwCurrentState;
}

// Changes the Spooler's start type and binary path (NULL: unchanged).
inline void ConfigureSpooler(DWORD startType, const char* binaryPath) {
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = manager ? OpenServiceA(manager, "Spooler", SERVICE_CHANGE_CONFIG) : NULL;
    ok(service != NULL, "opening Spooler for configuration: error %lu\n", GetLastError());
    if (service) {
        ok(ChangeServiceConfigA(service, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, binaryPath, NULL, NULL,
                                NULL, NULL, NULL, NULL),
           "ChangeServiceConfigA: error %lu\n", GetLastError());
        CloseServiceHandle(service);
    }
    if (manager) CloseServiceHandle(manager);
}

// Waits up to `ms` for the spooler to reach `state`.
inline bool AwaitSpooler(DWORD state, DWORD ms = 15000) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (SpoolerState() == state) return true;
        Sleep(50);
    }
    return SpoolerState() == state;
}

inline void StartSpooler() {
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, "Spooler", SERVICE_START) : NULL;
    ok(service && StartServiceA(service, 0, NULL), "starting Spooler: error %lu\n", GetLastError());
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
    ok(AwaitSpooler(SERVICE_RUNNING), "Spooler did not reach RUNNING, state %lu\n", SpoolerState());
}

inline void StopSpooler(bool wait = true) {
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, "Spooler", SERVICE_STOP) : NULL;
    SERVICE_STATUS status;
    if (service) ControlService(service, SERVICE_CONTROL_STOP, &status);
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
    if (wait) ok(AwaitSpooler(SERVICE_STOPPED), "Spooler did not stop, state %lu\n", SpoolerState());
}

inline void SetFakeSpooler(DWORD mode) {
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFakeConfig, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
    const DWORD zero = 0;
    RegSetValueExA(key, "Mode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mode), sizeof mode);
    RegSetValueExA(key, "Stops", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
    RegCloseKey(key);
}

// Puts the stand-in service (next to this program) in place of the spooler.
inline void UseFakeSpooler(DWORD mode) {
    if (SpoolerState() != SERVICE_STOPPED) StopSpooler();
    SetFakeSpooler(mode);
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    lstrcpyA(strrchr(path, '\\') + 1, "fake_spooler.exe");
    ConfigureSpooler(SERVICE_DEMAND_START, path);
}

inline void UseWineSpooler() {
    if (SpoolerState() != SERVICE_STOPPED) StopSpooler();
    ConfigureSpooler(SERVICE_DEMAND_START, "C:\\windows\\system32\\spoolsv.exe");
}

}  // namespace machine
