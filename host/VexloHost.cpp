// Console host: loads VexloDeletePrinter.dll, calls one export and exits with
// its answer (0 or 1). Exit codes 2 and above mean the call never happened.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

typedef BOOLEAN(WINAPI* ExportFn)(void);

int Usage() {
    std::fprintf(stderr,
                 "usage: VexloHost IsConnected|DeleteALL [path\\to\\VexloDeletePrinter.dll] [--ordinal]\n"
                 "  exit code: the export's answer (0 or 1); 2 bad usage, 3 DLL not loaded, 4 export not found\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const char* exportName = nullptr;
    const char* dllPath = "VexloDeletePrinter.dll";
    bool byOrdinal = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--ordinal") == 0) {
            byOrdinal = true;
        } else if (!exportName) {
            exportName = argv[i];
        } else {
            dllPath = argv[i];
        }
    }
    if (!exportName) return Usage();
    WORD ordinal = 0;
    if (std::strcmp(exportName, "DeleteALL") == 0) {
        ordinal = 1;
    } else if (std::strcmp(exportName, "IsConnected") == 0) {
        ordinal = 2;
    } else {
        std::fprintf(stderr, "VexloHost: unknown export '%s'\n", exportName);
        return Usage();
    }

    HMODULE module = LoadLibraryA(dllPath);
    if (!module) {
        std::fprintf(stderr, "VexloHost: cannot load %s (error %lu)\n", dllPath, GetLastError());
        return 3;
    }
    ExportFn function = reinterpret_cast<ExportFn>(
        reinterpret_cast<void*>(GetProcAddress(module, byOrdinal ? MAKEINTRESOURCEA(ordinal) : exportName)));
    if (!function) {
        std::fprintf(stderr, "VexloHost: %s has no export %s%s (error %lu)\n", dllPath, exportName,
                     byOrdinal ? " at its ordinal" : "", GetLastError());
        FreeLibrary(module);
        return 4;
    }
    const int answer = function() ? 1 : 0;
    std::printf("%s%s = %d\n", exportName, byOrdinal ? " (by ordinal)" : "", answer);
    FreeLibrary(module);
    return answer;
}
