/* A planted stand-in for a system library: if the loader ever maps it, its
   entry routine leaves a marker file beside it ("<its name>.loaded") and
   refuses to load. Built as winspool.drv, setupapi.dll and version.dll. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    char path[MAX_PATH + 8];
    DWORD length;
    HANDLE marker;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    length = GetModuleFileNameA(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return FALSE;
    lstrcpyA(path + length, ".loaded");
    marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    return FALSE;
}
