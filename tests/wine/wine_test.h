// A small conformance-test harness in the manner of Wine's own: ok() checks
// a condition and prints what was expected and what came when it fails;
// the program exits with 1 when any check failed, 0 when none did (a count
// as the exit code could read as success: 256 wraps to 0 in a shell), and
// 77 when it made no check at all, which the runner records as skipped.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace winetest {

inline int& failures() {
    static int count = 0;
    return count;
}
inline int& successes() {
    static int count = 0;
    return count;
}

inline void vok(int condition, const char* file, int line, const char* format, va_list args) {
    if (condition) {
        ++successes();
        return;
    }
    ++failures();
    std::printf("%s:%d: Test failed: ", file, line);
    std::vprintf(format, args);
    std::fflush(stdout);
}

inline void okAt(int condition, const char* file, int line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vok(condition, file, line, format, args);
    va_end(args);
}

inline const int kNothingRan = 77;

inline int done(const char* name) {
    std::printf("%s: %d tests executed, %d failures\n", name, successes() + failures(), failures());
    if (successes() + failures() == 0) return kNothingRan;
    return failures() == 0 ? 0 : 1;
}

}  // namespace winetest

#define ok(condition, ...) winetest::okAt(!!(condition), __FILE__, __LINE__, __VA_ARGS__)
#define trace(...) (std::printf(__VA_ARGS__), std::fflush(stdout))

// The DLL under test, loaded from the test program's own folder. Its answer
// is read as installers' plug-ins read it, as the whole of EAX, so that every
// comparison with 0 or 1 also checks the register's upper bytes.
typedef DWORD(WINAPI* VexloExport)(void);

inline HMODULE LoadVexlo() {
    HMODULE module = LoadLibraryA("VexloDeletePrinter.dll");
    ok(module != NULL, "LoadLibrary(VexloDeletePrinter.dll): expected a module, got error %lu\n", GetLastError());
    return module;
}

inline VexloExport ResolveExport(HMODULE module, const char* name, WORD ordinal) {
    VexloExport byName = reinterpret_cast<VexloExport>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    VexloExport byOrdinal =
        reinterpret_cast<VexloExport>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
    ok(byName != NULL, "GetProcAddress(%s): expected an address, got NULL\n", name);
    ok(byName == byOrdinal, "%s: by name %p, by ordinal %u %p, expected the same\n", name,
       reinterpret_cast<void*>(byName), ordinal, reinterpret_cast<void*>(byOrdinal));
    return byName;
}
