// A fresh process of the running benchmark, with the arguments given: its
// exit code, which is how a child reports its one figure; -1 when it could
// not be started.
#pragma once

#include <windows.h>

#include <string>

inline long RunSelf(const std::string& arguments) {
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string line = std::string("\"") + self + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(static_cast<int>(code));
}
