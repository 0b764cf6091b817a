#include <windows.h>

// Nothing to set up or tear down: the library holds no state between calls.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
