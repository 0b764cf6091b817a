// The version resources of the DLL and the host, read back as installers
// read them (GetFileVersionInfoA, VerQueryValueA), against the file and
// product versions named on the command line as scripts/version states them
// ("1.0.0.12" "1.0.0-dev.12+<commit>"): the four numbers are taken from that
// text here, not from the build's conversion, and are the fixed file and
// product version both.
#include "wine_test.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* gVersion = "";
const char* gProductVersion = "";
DWORD gNumbers[4] = {};

// "a.b.c" or "a.b.c.d", the missing fourth number 0; false for anything else.
bool ParseVersion(const char* text, DWORD numbers[4]) {
    int count = 0;
    for (const char* p = text; count < 4; ++count) {
        char* end = nullptr;
        if (*p < '0' || *p > '9') return false;
        numbers[count] = std::strtoul(p, &end, 10);
        p = end;
        if (*p == '\0') return count >= 2;
        if (*p++ != '.') return false;
    }
    return false;
}

struct Module {
    const char* file;
    DWORD fileType;
};

const char* StringValue(const void* data, const char* name) {
    char path[128];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\040904E4\\%s", name);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data, path, &value, &length) || length == 0) return nullptr;
    return static_cast<const char*>(value);
}

void ExpectString(const void* data, const char* file, const char* name, const char* expected) {
    const char* got = StringValue(data, name);
    if (expected) {
        ok(got && std::strcmp(got, expected) == 0, "%s: %s: expected \"%s\", got \"%s\"\n", file, name, expected,
           got ? got : "(none)");
    } else {
        ok(got && *got, "%s: %s: expected a text, got \"%s\"\n", file, name, got ? got : "(none)");
    }
}

void CheckModule(const Module& m) {
    DWORD ignored = 0xdeadbeef;
    SetLastError(0xdeadbeef);
    const DWORD size = GetFileVersionInfoSizeA(m.file, &ignored);
    ok(size > 0, "%s: GetFileVersionInfoSizeA: expected a size, got 0 (error %lu)\n", m.file, GetLastError());
    if (size == 0) return;
    static char data[65536];
    const bool read = size <= sizeof data && GetFileVersionInfoA(m.file, 0, size, data);
    ok(read, "%s: GetFileVersionInfoA of %lu bytes failed (%lu)\n", m.file, size, GetLastError());
    if (!read) return;

    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    ok(VerQueryValueA(data, "\\", reinterpret_cast<void**>(&info), &length) && length >= sizeof *info,
       "%s: no fixed file information\n", m.file);
    if (!info) return;
    ok(info->dwSignature == VS_FFI_SIGNATURE, "%s: signature %#lx\n", m.file, info->dwSignature);
    const DWORD* expected = gNumbers;
    const DWORD fileVersion[4] = {HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                                  HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
    const DWORD productVersion[4] = {HIWORD(info->dwProductVersionMS), LOWORD(info->dwProductVersionMS),
                                     HIWORD(info->dwProductVersionLS), LOWORD(info->dwProductVersionLS)};
    ok(std::memcmp(fileVersion, expected, sizeof fileVersion) == 0 &&
           std::memcmp(productVersion, expected, sizeof productVersion) == 0,
       "%s: expected file and product version %lu.%lu.%lu.%lu, got %lu.%lu.%lu.%lu and %lu.%lu.%lu.%lu\n", m.file,
       expected[0], expected[1], expected[2], expected[3], fileVersion[0], fileVersion[1], fileVersion[2],
       fileVersion[3], productVersion[0], productVersion[1], productVersion[2], productVersion[3]);
    ok(info->dwFileType == m.fileType, "%s: file type expected %lu, got %lu\n", m.file, m.fileType, info->dwFileType);
    ok(info->dwFileFlags == 0, "%s: file flags expected 0, got %#lx\n", m.file, info->dwFileFlags);

    // Installers pick the string table by the first translation listed.
    WORD* translation = nullptr;
    ok(VerQueryValueA(data, "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) &&
           length >= 4 && translation[0] == 0x0409 && translation[1] == 1252,
       "%s: translation expected 0x0409/1252, got %#x/%u\n", m.file, translation ? translation[0] : 0,
       translation ? translation[1] : 0);

    ExpectString(data, m.file, "CompanyName", "Vexlo");
    ExpectString(data, m.file, "ProductName", "Vexlo-420");
    ExpectString(data, m.file, "FileVersion", gVersion);
    ExpectString(data, m.file, "ProductVersion", gProductVersion);
    ExpectString(data, m.file, "OriginalFilename", m.file);
    ExpectString(data, m.file, "InternalName", nullptr);
    ExpectString(data, m.file, "FileDescription", nullptr);
    ExpectString(data, m.file, "LegalCopyright", "Copyright (C) 2026 Vexlo. MIT License.");
    trace("%s: version %s, \"%s\"\n", m.file, StringValue(data, "FileVersion"), StringValue(data, "FileDescription"));
}

}  // namespace

int main(int argc, char** argv) {
    gVersion = argc > 2 ? argv[1] : "";
    gProductVersion = argc > 2 ? argv[2] : "";
    ok(ParseVersion(gVersion, gNumbers) && *gProductVersion,
       "expected the file and the product version on the command line, got \"%s\" \"%s\"\n", gVersion,
       gProductVersion);
    const Module modules[] = {{"VexloDeletePrinter.dll", VFT_DLL}, {"VexloHost.exe", VFT_APP}};
    for (const Module& m : modules) CheckModule(m);
    return winetest::done("version_wine");
}
