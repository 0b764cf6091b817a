// The slice of the Win32 API that the library calls, declared with the
// platform's own types, sizes and constant values, and served by the
// simulated machine in tests/sim.
#pragma once

#include <cstddef>
#include <cstdint>

#define WINAPI
#define APIENTRY
#define DECLSPEC_IMPORT

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned char BOOLEAN;
typedef std::uint16_t WORD;
typedef std::uint16_t USHORT;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::uint32_t UINT;
typedef std::uint32_t ULONG;
typedef std::uintptr_t ULONG_PTR;
typedef std::uintptr_t SIZE_T;
typedef char CHAR;
typedef char16_t WCHAR;
typedef void* PVOID;
typedef void* LPVOID;
typedef void* HANDLE;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef BOOL* LPBOOL;
typedef CHAR* LPSTR;
typedef CHAR* PSTR;
typedef const CHAR* LPCSTR;
typedef const CHAR* PCSTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef DWORD LCID;
typedef DWORD REGSAM;
typedef LONG LSTATUS;
typedef void* HLOCAL;

typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef std::intptr_t (*FARPROC)(void);
typedef struct SC_HANDLE__* SC_HANDLE;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

#define INVALID_HANDLE_VALUE ((HANDLE)(std::intptr_t)-1)

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_INVALID_HANDLE 6L
#define IDOK 1
#define IDCANCEL 2
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#define ERROR_SERVICE_REQUEST_TIMEOUT 1053L
#define ERROR_SERVICE_ALREADY_RUNNING 1056L
#define ERROR_SERVICE_DISABLED 1058L
#define ERROR_SERVICE_DOES_NOT_EXIST 1060L
#define ERROR_SERVICE_CANNOT_ACCEPT_CTRL 1061L
#define ERROR_SERVICE_NOT_ACTIVE 1062L
#define ERROR_INVALID_PRINTER_NAME 1801L
#define ERROR_UNKNOWN_PRINTER_DRIVER 1797L
#define ERROR_PRINTER_DRIVER_IN_USE 3001L
#define ERROR_UNKNOWN_PRINT_MONITOR 3000L
#define RPC_S_SERVER_UNAVAILABLE 1722L

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

// Registry
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002)
#define KEY_READ 0x20019
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize);
LONG WINAPI RegCloseKey(HKEY key);

// Errors, time, memory
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD error);
void WINAPI Sleep(DWORD milliseconds);
DWORD WINAPI GetTickCount(void);

#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL WINAPI LocalFree(HLOCAL memory);

#define HEAP_ZERO_MEMORY 0x00000008
HANDLE WINAPI GetProcessHeap(void);
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID memory);

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size);

// Modules, the process and the processor
#define IMAGE_FILE_MACHINE_UNKNOWN 0
#define IMAGE_FILE_MACHINE_I386 0x014c
#define IMAGE_FILE_MACHINE_IA64 0x0200
#define IMAGE_FILE_MACHINE_AMD64 0x8664
#define IMAGE_FILE_MACHINE_ARM64 0xAA64
#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_IA64 6
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_ARCHITECTURE_ARM64 12

typedef struct _SYSTEM_INFO {
    WORD wProcessorArchitecture;  // with wReserved, a union with dwOemId on the platform
    WORD wReserved;
    DWORD dwPageSize;
    LPVOID lpMinimumApplicationAddress;
    LPVOID lpMaximumApplicationAddress;
    ULONG_PTR dwActiveProcessorMask;
    DWORD dwNumberOfProcessors;
    DWORD dwProcessorType;
    DWORD dwAllocationGranularity;
    WORD wProcessorLevel;
    WORD wProcessorRevision;
} SYSTEM_INFO, *LPSYSTEM_INFO;

#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
HMODULE WINAPI LoadLibraryExA(LPCSTR fileName, HANDLE file, DWORD flags);
BOOL WINAPI FreeLibrary(HMODULE module);
UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);
HANDLE WINAPI GetCurrentProcess(void);
void WINAPI GetNativeSystemInfo(LPSYSTEM_INFO info);

// Code pages and locales
#define CP_ACP 0
#define MAX_LEADBYTES 12
#define MAX_DEFAULTCHAR 2
#define MB_ERR_INVALID_CHARS 0x00000008
#define LCMAP_UPPERCASE 0x00000200
#define LANG_CHINESE 0x04
#define LANG_JAPANESE 0x11
#define LANG_KOREAN 0x12
#define SUBLANG_CHINESE_TRADITIONAL 0x01
#define SUBLANG_CHINESE_SIMPLIFIED 0x02
#define SUBLANG_JAPANESE_JAPAN 0x01
#define SUBLANG_KOREAN 0x01
#define SORT_DEFAULT 0x0
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#define MAKELCID(lgid, srtid) ((DWORD)((((DWORD)((WORD)(srtid))) << 16) | ((DWORD)((WORD)(lgid)))))
#define LOCALE_USER_DEFAULT 0x0400

typedef struct _cpinfo {
    UINT MaxCharSize;
    BYTE DefaultChar[MAX_DEFAULTCHAR];
    BYTE LeadByte[MAX_LEADBYTES];
} CPINFO, *LPCPINFO;

UINT WINAPI GetACP(void);
BOOL WINAPI GetCPInfo(UINT codePage, LPCPINFO info);
int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR target,
                               int targetLength);
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR target,
                               int targetLength, LPCSTR defaultChar, LPBOOL usedDefaultChar);
int WINAPI LCMapStringW(LCID locale, DWORD flags, LPCWSTR source, int sourceLength, LPWSTR target, int targetLength);

// Files
typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME;

typedef struct _WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
BOOL WINAPI FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA data);
BOOL WINAPI FindClose(HANDLE search);

int wsprintfA(LPSTR buffer, LPCSTR format, ...);

// Service Control Manager
#define GENERIC_EXECUTE 0x20000000
#define SC_MANAGER_CONNECT 0x0001
#define SERVICE_QUERY_STATUS 0x0004
#define SERVICE_START 0x0010
#define SERVICE_STOP 0x0020
#define SERVICE_CONTROL_STOP 0x00000001
#define SERVICE_STOPPED 0x00000001
#define SERVICE_START_PENDING 0x00000002
#define SERVICE_STOP_PENDING 0x00000003
#define SERVICE_RUNNING 0x00000004
#define SERVICE_CONTINUE_PENDING 0x00000005
#define SERVICE_PAUSE_PENDING 0x00000006
#define SERVICE_PAUSED 0x00000007
#define SERVICE_WIN32_OWN_PROCESS 0x00000010

typedef struct _SERVICE_STATUS {
    DWORD dwServiceType;
    DWORD dwCurrentState;
    DWORD dwControlsAccepted;
    DWORD dwWin32ExitCode;
    DWORD dwServiceSpecificExitCode;
    DWORD dwCheckPoint;
    DWORD dwWaitHint;
} SERVICE_STATUS, *LPSERVICE_STATUS;

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD desiredAccess);
SC_HANDLE WINAPI OpenServiceA(SC_HANDLE manager, LPCSTR serviceName, DWORD desiredAccess);
BOOL WINAPI QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status);
BOOL WINAPI StartServiceA(SC_HANDLE service, DWORD argumentCount, LPCSTR* arguments);
BOOL WINAPI ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);
BOOL WINAPI CloseServiceHandle(SC_HANDLE handle);
