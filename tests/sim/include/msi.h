// The Windows Installer calls the custom actions make, served by the
// simulated machine's installer session.
#pragma once

#include <windows.h>

typedef unsigned long MSIHANDLE;

typedef enum tagINSTALLMESSAGE {
    INSTALLMESSAGE_INFO = 0x04000000,
    INSTALLMESSAGE_ACTIONSTART = 0x08000000,
    INSTALLMESSAGE_PROGRESS = 0x0A000000,
} INSTALLMESSAGE;

#define ERROR_INSTALL_USEREXIT 1602L
#define ERROR_INSTALL_FAILURE 1603L
#define ERROR_FUNCTION_FAILED 1627L

UINT WINAPI MsiCloseHandle(MSIHANDLE handle);
