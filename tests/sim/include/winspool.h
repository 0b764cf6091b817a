// The print spooler calls the library and VexloHost's listing make, served by
// the simulated machine.
#pragma once

#include <windows.h>

#define PRINTER_ENUM_LOCAL 0x00000002
#define PRINTER_ENUM_CONNECTIONS 0x00000004
#define PRINTER_ACCESS_ADMINISTER 0x00000004
#define PRINTER_ACCESS_USE 0x00000008
#define PRINTER_ALL_ACCESS 0x000F000C

typedef struct _devicemodeA DEVMODEA, *LPDEVMODEA;

typedef struct _PRINTER_INFO_4A {
    LPSTR pPrinterName;
    LPSTR pServerName;
    DWORD Attributes;
} PRINTER_INFO_4A, *PPRINTER_INFO_4A;

typedef struct _DRIVER_INFO_2A {
    DWORD cVersion;
    LPSTR pName;
    LPSTR pEnvironment;
    LPSTR pDriverPath;
    LPSTR pDataFile;
    LPSTR pConfigFile;
} DRIVER_INFO_2A, *PDRIVER_INFO_2A;

typedef struct _DRIVER_INFO_1A {
    LPSTR pName;
} DRIVER_INFO_1A, *PDRIVER_INFO_1A;

typedef struct _MONITOR_INFO_1A {
    LPSTR pName;
} MONITOR_INFO_1A, *PMONITOR_INFO_1A;

typedef struct _PRINTER_DEFAULTSA {
    LPSTR pDatatype;
    LPDEVMODEA pDevMode;
    DWORD DesiredAccess;
} PRINTER_DEFAULTSA, *LPPRINTER_DEFAULTSA;

BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed,
                          LPDWORD returned);
BOOL WINAPI OpenPrinterA(LPSTR printerName, HANDLE* printer, LPPRINTER_DEFAULTSA defaults);
BOOL WINAPI GetPrinterDriverA(HANDLE printer, LPSTR environment, DWORD level, LPBYTE buffer, DWORD bufferSize,
                              LPDWORD needed);
BOOL WINAPI DeletePrinter(HANDLE printer);
BOOL WINAPI ClosePrinter(HANDLE printer);
BOOL WINAPI DeleteMonitorA(LPSTR serverName, LPSTR environment, LPSTR monitorName);
BOOL WINAPI DeletePrinterDriverA(LPSTR serverName, LPSTR environment, LPSTR driverName);
BOOL WINAPI EnumPrinterDriversA(LPSTR serverName, LPSTR environment, DWORD level, LPBYTE buffer, DWORD bufferSize,
                                LPDWORD needed, LPDWORD returned);
BOOL WINAPI EnumMonitorsA(LPSTR serverName, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed,
                          LPDWORD returned);
