// IsConnected and the registry readers against Wine's real registry, run
// once under code page 1252 and once under 932.
#include "wine_test.h"

#include "RegistryReader.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kUsbprint[] = "SYSTEM\\CurrentControlSet\\Services\\usbprint";
const char kEnum[] = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
const char kScratch[] = "SOFTWARE\\VexloTest";

void DeleteKey(const char* path) {
    LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    ok(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND, "RegDeleteKeyA(%s): got %ld\n", path, result);
}

HKEY CreateKey(const char* path) {
    HKEY key = NULL;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
    ok(result == ERROR_SUCCESS, "RegCreateKeyExA(%s): expected 0, got %ld\n", path, result);
    return key;
}

void SetValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
    LONG result = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ok(result == ERROR_SUCCESS, "RegSetValueExA(%s): expected 0, got %ld\n", name, result);
}

// A fresh device list: Count, when given, and the entries by name.
void WriteDeviceList(const DWORD* count, const std::vector<std::pair<const char*, std::string>>& entries) {
    DeleteKey(kEnum);
    HKEY key = CreateKey(kEnum);
    if (count) SetValue(key, "Count", REG_DWORD, count, sizeof *count);
    for (const auto& entry : entries) {
        SetValue(key, entry.first, REG_SZ, entry.second.c_str(), static_cast<DWORD>(entry.second.size() + 1));
    }
    RegCloseKey(key);
}

struct PresenceCase {
    const char* what;
    bool hasCount;
    DWORD count;
    std::vector<std::pair<const char*, std::string>> entries;
    BOOLEAN expected1252;
    BOOLEAN expected932;
};

void TestIsConnected(VexloExport isConnected, UINT codePage) {
    const PresenceCase cases[] = {
        {"no count", false, 0, {{"0", "USB\\VID_F0E1&PID_0420\\1"}}, 0, 0},
        {"count 0", true, 0, {{"0", "USB\\VID_F0E1&PID_0420\\1"}}, 0, 0},
        {"count with top bit", true, 0x80000000u, {{"0", "USB\\VID_F0E1&PID_0420\\1"}}, 0, 0},
        {"match at index 1", true, 2, {{"0", "USB\\VID_1234&PID_0001\\XYZ"}, {"1", "USB\\VID_F0E1&PID_0420\\ABC"}}, 1, 1},
        {"missing entry skipped", true, 3, {{"0", "USB\\VID_1234&PID_0001\\1"}, {"2", "USB\\VID_F0E1&PID_0420\\2"}}, 1, 1},
        {"other product", true, 1, {{"0", "USB\\VID_F0E1&PID_0421\\X"}}, 0, 0},
        {"lower case", true, 1, {{"0", "usb\\vid_f0e1&pid_0420\\x"}}, 1, 1},
        {"count beyond entries", true, 9, {{"0", "USB\\VID_1234&PID_0001\\1"}}, 0, 0},
        {"entry too long", true, 1, {{"0", "USB\\VID_F0E1&PID_0420\\" + std::string(300, 'X')}}, 0, 0},
        // Under 932, 0x82 is a lead byte: the letter after it is its trail byte.
        {"trail byte v", true, 1, {{"0", "\x82vid_f0e1&pid_0420\\1"}}, 1, 0},
        {"trail byte V", true, 1, {{"0", "\x82VID_F0E1&PID_0420\\1"}}, 1, 0},
        {"fullwidth letter before", true, 1, {{"0", "\x82\x81usb\\vid_f0e1&pid_0420\\1"}}, 1, 1},
    };
    for (const PresenceCase& c : cases) {
        WriteDeviceList(c.hasCount ? &c.count : NULL, c.entries);
        const DWORD expected = codePage == 932 ? c.expected932 : c.expected1252;
        const DWORD got = isConnected();
        ok(got == expected, "%s (code page %u): expected %lu, got %lu\n", c.what, codePage, expected, got);
    }

    DeleteKey(kEnum);
    DeleteKey(kUsbprint);
    ok(isConnected() == 0, "no usbprint key: expected 0\n");
}

void TestReaders() {
    HKEY key = CreateKey(kScratch);
    const DWORD seven = 7, allBits = 0xFFFFFFFF;
    const BYTE five[5] = {1, 2, 3, 4, 5};
    const std::string fits(259, 'a'), tooLong(260, 'b');
    SetValue(key, "seven", REG_DWORD, &seven, 4);
    SetValue(key, "allBits", REG_DWORD, &allBits, 4);
    SetValue(key, "five", REG_BINARY, five, 5);
    SetValue(key, "fits", REG_SZ, fits.c_str(), 260);
    SetValue(key, "tooLong", REG_SZ, tooLong.c_str(), 261);
    SetValue(key, "noZero", REG_BINARY, "abc", 3);
    RegCloseKey(key);

    struct {
        const char* name;
        int expected;
    } dwords[] = {{"seven", 7}, {"allBits", -1}, {"five", -1}, {"missing", -1}};
    for (const auto& d : dwords) {
        const int got = vexlo::RegistryReader().ReadRegistryDword(kScratch, vexlo::RegistryText(d.name));
        ok(got == d.expected, "ReadRegistryDword(%s): expected %d, got %d\n", d.name, d.expected, got);
    }
    struct {
        const char* name;
        std::string expected;
    } strings[] = {{"fits", fits}, {"tooLong", ""}, {"noZero", "abc"}, {"missing", ""}};
    for (const auto& s : strings) {
        const std::string got(std::string_view(vexlo::ReadRegistryString(
            vexlo::RegistryText(std::string(kScratch) + "\\"), vexlo::RegistryText(s.name))));
        ok(got == s.expected, "ReadRegistryString(%s): expected %u bytes, got %u bytes\n", s.name,
           static_cast<unsigned>(s.expected.size()), static_cast<unsigned>(got.size()));
    }
    ok(vexlo::RegistryReader().ReadRegistryDword("SOFTWARE\\NoSuchKey", "x") == -1, "missing key: expected -1\n");

    // What the readers rely on: a value larger than the buffer fails with
    // ERROR_MORE_DATA, and a trailing backslash opens the same key.
    HKEY opened = NULL;
    const std::string slashed = std::string(kScratch) + "\\";
    ok(RegOpenKeyExA(HKEY_LOCAL_MACHINE, slashed.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS,
       "trailing backslash: expected the key to open\n");
    BYTE small[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    DWORD size = sizeof small;
    const LONG result = RegQueryValueExA(opened, "five", NULL, NULL, small, &size);
    ok(result == ERROR_MORE_DATA, "five bytes into four: expected 234, got %ld\n", result);
    if (opened) RegCloseKey(opened);
    DeleteKey(kScratch);
}

// A leaked key handle shows as a rising value of the next handle opened.
HKEY ProbeHandle() {
    HKEY key = NULL;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, &key);
    RegCloseKey(key);
    return key;
}

void TestNoHandleGrowth(VexloExport isConnected) {
    const DWORD count = 3;
    WriteDeviceList(&count, {{"0", "a"}, {"1", "b"}, {"2", "c"}});
    const HKEY before = ProbeHandle();
    for (int i = 0; i < 2000; ++i) isConnected();
    const HKEY after = ProbeHandle();
    ok(before == after, "2000 calls: probe handle %p before, %p after, expected the same\n", static_cast<void*>(before),
       static_cast<void*>(after));
    DeleteKey(kEnum);
    DeleteKey(kUsbprint);
}

}  // namespace

// The code page the run is meant to have is named on the command line: the
// expected answers follow it, so a locale that did not take effect must
// fail the run rather than repeat another code page's.
int main(int argc, char** argv) {
    const UINT codePage = GetACP();
    trace("presence_wine: ANSI code page %u\n", codePage);
    const UINT meant = argc > 1 ? static_cast<UINT>(std::strtoul(argv[1], nullptr, 10)) : 0;
    ok(codePage == meant, "GetACP(): expected the code page %s, got %u\n", argc > 1 ? argv[1] : "(none named)",
       codePage);
    HMODULE module = LoadVexlo();
    if (!module) return winetest::done("presence_wine");
    VexloExport isConnected = ResolveExport(module, "IsConnected", 2);
    if (isConnected) {
        TestIsConnected(isConnected, codePage);
        TestNoHandleGrowth(isConnected);
    }
    TestReaders();
    ok(FreeLibrary(module), "FreeLibrary: expected TRUE\n");
    return winetest::done("presence_wine");
}
