// The Windows Installer calls on records and a session's properties.
#pragma once

#include <msi.h>

typedef enum tagMSIRUNMODE {
    MSIRUNMODE_SCHEDULED = 16,
    MSIRUNMODE_ROLLBACK = 17,
    MSIRUNMODE_COMMIT = 18,
} MSIRUNMODE;

BOOL WINAPI MsiGetMode(MSIHANDLE install, MSIRUNMODE mode);
MSIHANDLE WINAPI MsiCreateRecord(UINT fields);
UINT WINAPI MsiRecordSetInteger(MSIHANDLE record, UINT field, int value);
UINT WINAPI MsiRecordSetStringA(MSIHANDLE record, UINT field, LPCSTR value);
int WINAPI MsiProcessMessage(MSIHANDLE install, INSTALLMESSAGE type, MSIHANDLE record);
UINT WINAPI MsiSetPropertyA(MSIHANDLE install, LPCSTR name, LPCSTR value);
