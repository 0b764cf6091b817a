// Console host: loads VexloDeletePrinter.dll, calls one export and exits with
// its answer (0 or 1). Exit codes 2 and above mean the call never happened.
// Or lists, read-only, what of the printer's software is installed.
#include "ListInstalled.h"
#include "ReportInventory.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

typedef BOOLEAN(WINAPI* ExportFn)(void);

const char kUsage[] =
    "usage: VexloHost IsConnected|DeleteALL [path\\to\\VexloDeletePrinter.dll] [--ordinal]\n"
    "       VexloHost --version [path\\to\\VexloDeletePrinter.dll]\n"
    "       VexloHost list [--json]\n"
    "       VexloHost --help\n";

const char kHelp[] =
    "\n"
    "Calls one export of VexloDeletePrinter.dll (by default the one in the current\n"
    "folder or on the search path), prints its answer and exits with it.\n"
    "\n"
    "  IsConnected   1 when the Vexlo-420 printer is attached over USB, 0 otherwise.\n"
    "  DeleteALL     removes the printer's queues, port monitor, drivers and driver\n"
    "                packages; 1 when the removal ran, 0 when the print spooler could\n"
    "                not be controlled. It needs an elevated administrator, stops and\n"
    "                starts the print spooler twice and takes up to a few minutes.\n"
    "  --ordinal     finds the export by its ordinal (DeleteALL 1, IsConnected 2).\n"
    "  --version     prints the version of the DLL it would load, and its own.\n"
    "  list          shows what of the printer's software is installed, by the rules\n"
    "                DeleteALL removes it by: whether the printer is attached, the\n"
    "                spooler's state, the queues whose driver name contains\n"
    "                Vexlo-420, the monitor VexloLM, the two drivers (also for the\n"
    "                machine's own environment under WOW64) and the oem*.inf\n"
    "                packages whose provider is Vexlo. Reads only: it starts, stops\n"
    "                and deletes nothing. Needs the rights DeleteALL needs to open\n"
    "                the queues. --json prints one JSON object (UTF-8) instead.\n"
    "\n"
    "Exit codes: 0 or 1 the export's answer; 2 bad usage; 3 the DLL could not be\n"
    "loaded; 4 the DLL has no such export.\n"
    "For list: 0 none of the software is installed; 1 some is; 2 bad usage; 5 a\n"
    "list of the print spooler's could not be read (the listing is incomplete).\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// The file version from a module's version resource, "a.b.c.d"; false when
// it has none.
bool ReadFileVersion(const char* path, char* text, size_t size) {
    DWORD ignored = 0;
    const DWORD length = GetFileVersionInfoSizeA(path, &ignored);
    if (length == 0) return false;
    HANDLE heap = GetProcessHeap();
    void* data = HeapAlloc(heap, 0, length);
    if (!data) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    const bool found = GetFileVersionInfoA(path, 0, length, data) &&
                       VerQueryValueA(data, "\\", reinterpret_cast<void**>(&info), &infoLength) &&
                       infoLength >= sizeof(VS_FIXEDFILEINFO) && info->dwSignature == VS_FFI_SIGNATURE;
    if (found) {
        std::snprintf(text, size, "%u.%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                      HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    }
    HeapFree(heap, 0, data);
    return found;
}

void PrintVersion(const char* what, HMODULE module) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        std::printf("%s: path unknown\n", what);
        return;
    }
    char version[64];
    if (ReadFileVersion(path, version, sizeof version)) {
        std::printf("%s %s (%s)\n", what, version, path);
    } else {
        std::printf("%s: no version resource (%s)\n", what, path);
    }
}

// Exit code of list when a list of the spooler's could not be read.
constexpr int kListsUnreadable = 5;

int List(int argc, char** argv) {
    bool json = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") != 0) return Usage();
        json = true;
    }
    const vexlo::Inventory inventory = vexlo::ListInstalled();
    if (json) {
        vexlo::PrintInventoryJson(inventory);
    } else {
        vexlo::PrintInventoryTable(inventory);
    }
    if (!inventory.listsRead) return kListsUnreadable;
    return inventory.SoftwareInstalled() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "list") == 0) return List(argc, argv);
    const char* exportName = nullptr;
    const char* dllPath = "VexloDeletePrinter.dll";
    bool byOrdinal = false;
    bool version = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "/?") == 0) {
            std::printf("%s%s", kUsage, kHelp);
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            version = true;
        } else if (std::strcmp(argv[i], "--ordinal") == 0) {
            byOrdinal = true;
        } else if (!exportName && !version) {
            exportName = argv[i];
        } else {
            dllPath = argv[i];
        }
    }
    if (!exportName && !version) return Usage();
    WORD ordinal = 0;
    if (version) {
        if (exportName) return Usage();
    } else if (std::strcmp(exportName, "DeleteALL") == 0) {
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
    if (version) {
        PrintVersion("VexloDeletePrinter.dll", module);
        PrintVersion("VexloHost.exe", nullptr);
        FreeLibrary(module);
        return 0;
    }
    ExportFn function = reinterpret_cast<ExportFn>(
        reinterpret_cast<void*>(GetProcAddress(module, byOrdinal ? MAKEINTRESOURCEA(ordinal) : exportName)));
    if (!function) {
        std::fprintf(stderr, "VexloHost: %s has no export %s%s (error %lu)\n", dllPath, exportName,
                     byOrdinal ? " at its ordinal" : "", GetLastError());
        FreeLibrary(module);
        return 4;
    }
    // DeleteALL is silent for tens of seconds; say so on standard error, where
    // scripts that read the answer line do not see it.
    const bool removal = ordinal == 1;
    if (removal) {
        std::fprintf(stderr,
                     "VexloHost: removing the Vexlo-420 printer's software; the print spooler is stopped and "
                     "started twice, this takes up to a few minutes...\n");
    }
    const DWORD start = GetTickCount();
    const int answer = function() ? 1 : 0;
    if (removal) {
        const DWORD elapsed = GetTickCount() - start;
        std::fprintf(stderr, "VexloHost: DeleteALL took %lu.%lu s\n", elapsed / 1000, elapsed % 1000 / 100);
    }
    std::printf("%s%s = %d\n", exportName, byOrdinal ? " (by ordinal)" : "", answer);
    FreeLibrary(module);
    return answer;
}
