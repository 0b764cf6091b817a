// The setup API calls the library makes, served by the simulated machine.
#pragma once

#include <windows.h>

typedef PVOID HINF;

#define INF_STYLE_WIN4 0x00000002
#define SUOI_FORCEDELETE 0x00000001

typedef struct _INFCONTEXT {
    PVOID Inf;
    PVOID CurrentInf;
    UINT Section;
    UINT Line;
} INFCONTEXT, *PINFCONTEXT;

HINF WINAPI SetupOpenInfFileA(PCSTR fileName, PCSTR infClass, DWORD infStyle, UINT* errorLine);
void WINAPI SetupCloseInfFile(HINF inf);
BOOL WINAPI SetupFindFirstLineA(HINF inf, PCSTR section, PCSTR key, PINFCONTEXT context);
BOOL WINAPI SetupFindNextLine(PINFCONTEXT contextIn, PINFCONTEXT contextOut);
BOOL WINAPI SetupGetStringFieldA(PINFCONTEXT context, DWORD fieldIndex, PSTR buffer, DWORD bufferSize,
                                 LPDWORD requiredSize);
BOOL WINAPI SetupUninstallOEMInfA(PCSTR infFileName, DWORD flags, PVOID reserved);
