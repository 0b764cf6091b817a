/* The control of the planted-library test: a program that imports
   winspool.drv, setupapi.dll and version.dll by name, as a program or DLL
   that imported them would, so that the test can show the loader taking a
   planted copy of each. */
#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

int main(void) {
    DWORD needed = 0, returned = 0;
    HINF inf;
    EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 1, NULL, 0, &needed, &returned);
    inf = SetupOpenInfFileA("no_such.inf", NULL, INF_STYLE_WIN4, NULL);
    if (inf != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf);
    GetFileVersionInfoSizeA("no_such.dll", &needed);
    return 0;
}
