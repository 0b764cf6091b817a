// A stand-in "Spooler" service, put in place of Wine's own with
// ChangeServiceConfigA so that the real service manager drives it. What it
// does comes from HKLM\SOFTWARE\VexloTest\FakeSpooler, value Mode:
//   0  pending: reports short start and stop pending phases (hint 100 ms)
//   1  refuses to be stopped (the mode is read again while running)
//   2  slow stop: stays stop-pending for 1.5 s
//   3  disables itself when asked to stop for the second time
// Every stop request adds one to the value Stops.
#include <windows.h>

namespace {

const char kConfig[] = "SOFTWARE\\VexloTest\\FakeSpooler";
SERVICE_STATUS_HANDLE statusHandle;
SERVICE_STATUS status;
HANDLE stopEvent;
DWORD mode;

DWORD ReadDword(const char* name) {
    DWORD value = 0, size = sizeof value;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kConfig, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
    }
    return value;
}

void WriteDword(const char* name, DWORD value) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kConfig, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) == ERROR_SUCCESS) {
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
    }
}

void Report(DWORD state, DWORD hint, DWORD checkPoint = 0) {
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING && mode != 1 ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = NO_ERROR;
    status.dwCheckPoint = checkPoint;
    status.dwWaitHint = hint;
    SetServiceStatus(statusHandle, &status);
}

void DisableSelf() {
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE self = manager ? OpenServiceA(manager, "Spooler", SERVICE_CHANGE_CONFIG) : NULL;
    if (self) {
        ChangeServiceConfigA(self, SERVICE_NO_CHANGE, SERVICE_DISABLED, SERVICE_NO_CHANGE, NULL, NULL, NULL, NULL,
                             NULL, NULL, NULL);
        CloseServiceHandle(self);
    }
    if (manager) CloseServiceHandle(manager);
}

DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID) {
    if (control != SERVICE_CONTROL_STOP) return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
    const DWORD stops = ReadDword("Stops") + 1;
    WriteDword("Stops", stops);
    if (mode == 3 && stops == 2) DisableSelf();
    Report(SERVICE_STOP_PENDING, mode == 2 ? 200 : 100, 1);
    SetEvent(stopEvent);
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
    mode = ReadDword("Mode");
    statusHandle = RegisterServiceCtrlHandlerExA("Spooler", Handler, NULL);
    stopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (mode == 0) {
        for (DWORD checkPoint = 1; checkPoint <= 3; ++checkPoint) {
            Report(SERVICE_START_PENDING, 100, checkPoint);
            Sleep(100);
        }
    }
    Report(SERVICE_RUNNING, 100);
    // The mode is read again while running, so that a test can let a
    // refusing service accept a stop at last.
    while (WaitForSingleObject(stopEvent, 100) == WAIT_TIMEOUT) {
        const DWORD now = ReadDword("Mode");
        if (now != mode) {
            mode = now;
            Report(SERVICE_RUNNING, 100);
        }
    }
    if (mode == 2) {
        for (DWORD checkPoint = 2; checkPoint <= 7; ++checkPoint) {
            Sleep(250);
            Report(SERVICE_STOP_PENDING, 200, checkPoint);
        }
    } else if (mode == 0) {
        Sleep(200);
    }
    Report(SERVICE_STOPPED, 0);
}

}  // namespace

int main() {
    char name[] = "Spooler";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {NULL, NULL}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
