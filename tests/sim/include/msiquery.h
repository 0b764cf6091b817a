// The Windows Installer calls on records and a session's properties.
#pragma once

#include <msi.h>

MSIHANDLE WINAPI MsiCreateRecord(UINT fields);
UINT WINAPI MsiRecordSetInteger(MSIHANDLE record, UINT field, int value);
UINT WINAPI MsiRecordSetStringA(MSIHANDLE record, UINT field, LPCSTR value);
int WINAPI MsiProcessMessage(MSIHANDLE install, INSTALLMESSAGE type, MSIHANDLE record);
UINT WINAPI MsiSetPropertyA(MSIHANDLE install, LPCSTR name, LPCSTR value);
