// The yardstick for IsConnected, warm and cold: a DLL of our own whose
// IsConnected only walks the same registry values with no string handling
// (one open, query and close for the count, then one each per entry),
// importing nothing but advapi32 and kernel32.
#include <windows.h>

namespace {

const char kEnum[] = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
const char kEnumSlash[] = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum\\";

void Decimal(DWORD value, char (&text)[16]) {
    char digits[16];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
    text[n] = 0;
}

}  // namespace

extern "C" BOOLEAN WINAPI IsConnected(void) {
    HKEY key = NULL;
    DWORD count = 0, size = sizeof count, type = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEnum, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    RegQueryValueExA(key, "Count", NULL, &type, reinterpret_cast<BYTE*>(&count), &size);
    RegCloseKey(key);
    BOOLEAN found = 0;
    for (DWORD i = 0; i < count; ++i) {
        char name[16], data[260];
        Decimal(i, name);
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEnumSlash, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        size = sizeof data;
        if (RegQueryValueExA(key, name, NULL, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
            size > 0 && data[0] == '!') {
            found = 1;
        }
        RegCloseKey(key);
    }
    return found;
}
