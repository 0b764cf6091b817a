// Console host: loads VexloDeletePrinter.dll, calls one export and exits with
// its answer (0 or 1). Exit codes 2 and above mean the call never happened.
// Or lists, read-only, what of the printer's software is installed; or
// removes it as the installer's custom action does, step by step, with an
// exit code for each way the removal can end.
#include "DescribeError.h"
#include "ListInstalled.h"
#include "ProjectVersion.h"
#include "ReportInventory.h"
#include "removal/RemovalLog.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

typedef BOOLEAN(WINAPI* ExportFn)(void);

const char kUsage[] =
    "usage: VexloHost IsConnected|DeleteALL [path\\to\\VexloDeletePrinter.dll] [--ordinal]\n"
    "       VexloHost list [--json]\n"
    "       VexloHost remove [--log FILE]\n"
    "       VexloHost --version [path\\to\\VexloDeletePrinter.dll]\n"
    "       VexloHost [command] --help\n";

const char kHelp[] =
    "\n"
    "Calls one export of VexloDeletePrinter.dll (by default the one in the current\n"
    "folder or on the search path), prints its answer and exits with it; or lists\n"
    "what of the printer's software is installed. VexloHost <command> --help tells\n"
    "more of each command.\n"
    "\n"
    "  IsConnected   1 when the Vexlo-420 printer is attached over USB, 0 otherwise.\n"
    "  DeleteALL     removes the printer's queues, port monitor, drivers and driver\n"
    "                packages.\n"
    "  list          shows what of the printer's software is installed; reads only.\n"
    "  remove        removes the printer's software as its installer package does,\n"
    "                each step on standard output, with an exit code for each outcome.\n"
    "  --version     prints the version of the DLL it would load, and its own, and\n"
    "                does nothing else, wherever it stands.\n"
    "\n"
    "Commands and options are taken in any letter case.\n"
    "\n"
    "Exit codes: 0 or 1 the export's answer (DeleteALL: 1 when the removal ran);\n"
    "2 bad usage; 3 the DLL could not be loaded; 4 the DLL has no such export.\n"
    "list and remove have their own (VexloHost list --help, VexloHost remove --help).\n";

const char kExportExitCodes[] =
    "\n"
    "Exit codes: 0 or 1 the export's answer; 2 bad usage; 3 the DLL could not be\n"
    "loaded; 4 the DLL has no such export.\n";

const char kIsConnectedHelp[] =
    "usage: VexloHost IsConnected [path\\to\\VexloDeletePrinter.dll] [--ordinal]\n"
    "\n"
    "Answers 1 when the Vexlo-420 printer is attached over USB, 0 otherwise.\n"
    "  --ordinal     finds the export by its ordinal (2) instead of its name.\n";

const char kDeleteAllHelp[] =
    "usage: VexloHost DeleteALL [path\\to\\VexloDeletePrinter.dll] [--ordinal]\n"
    "\n"
    "Calls the DLL's DeleteALL: removes the printer's queues, port monitor, drivers\n"
    "and driver packages, prints the export's answer and exits with it, as is: 1 when\n"
    "the removal ran, 0 when the print spooler could not be controlled. Refusals are\n"
    "not in its answer: VexloHost remove tells each one and has an exit code for\n"
    "them. It needs an elevated administrator, stops and starts the print spooler\n"
    "twice and takes up to a few minutes.\n"
    "  --ordinal     finds the export by its ordinal (1) instead of its name.\n";

const char kListHelp[] =
    "usage: VexloHost list [--json]\n"
    "\n"
    "Shows what of the printer's software is installed, by the rules DeleteALL\n"
    "removes it by: whether the printer is attached, the spooler's state, the\n"
    "queues whose driver name contains Vexlo-420, the monitor VexloLM, the two\n"
    "drivers (also for the machine's own environment under WOW64) and the oem*.inf\n"
    "packages whose provider is Vexlo. Reads only: it starts, stops and deletes\n"
    "nothing, and needs no administrator: it asks only for the right to read.\n"
    "What it could not read it names, with the call that failed and its error; a\n"
    "queue whose driver could not be read is shown as \"driver unknown\".\n"
    "  --json        prints one JSON object (UTF-8) instead of the table.\n"
    "\n"
    "Exit codes:\n"
    "  0  none of the printer's software is installed (everything was read)\n"
    "  1  some of the printer's software is installed\n"
    "  2  bad usage\n"
    "  5  none of it was found, but something could not be read\n";

const char kRemoveHelp[] =
    "usage: VexloHost remove [--log FILE]\n"
    "\n"
    "Removes the printer's software as the installer package's VexloRemove action\n"
    "does, by the library built into this program (no DLL is loaded): the print\n"
    "spooler stopped and started twice, the queues whose driver name contains\n"
    "Vexlo-420, the monitor VexloLM, both drivers and the oem*.inf packages whose\n"
    "provider is Vexlo. Each step and each object goes to standard output, in the\n"
    "installer log's words; the last line sums up. It needs an elevated\n"
    "administrator and takes up to a few minutes.\n"
    "  --log FILE    also appends every line to FILE.\n"
    "\n"
    "Exit codes:\n"
    "  0  removed\n"
    "  2  bad usage\n"
    "  6  removed, with refusals: the last line names what is left, and why\n"
    "  7  the print spooler could not be stopped or started: the software was left\n"
    "     in place from that step on; the spooler is as it was found\n"
    "  8  the print spooler was running, the removal stopped it, and it would not\n"
    "     start again (tried twice): nothing prints until it is started\n"
    "  9  not run as an elevated administrator: nothing was done\n";

// The file version from a loaded module's own version resource, "a.b.c.d";
// false when it has none. Read through the loader's resource calls, not
// version.dll: that library is no KnownDLL, and importing it would make the
// loader look for it first beside this program.
bool ReadFileVersion(HMODULE module, char* text, size_t size) {
    const HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16));  // RT_VERSION
    const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    // VS_VERSIONINFO: its length, the fixed part's length and type (three
    // WORDs), the key L"VS_VERSION_INFO" with its zero (16 WCHARs), then
    // the fixed part on a 32-bit boundary.
    constexpr DWORD kFixedOffset = (3 * 2 + 16 * 2 + 3) & ~3u;
    if (!data || SizeofResource(module, resource) < kFixedOffset + sizeof(VS_FIXEDFILEINFO)) return false;
    WORD fixedLength = 0;
    std::memcpy(&fixedLength, data + 2, sizeof fixedLength);
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, data + kFixedOffset, sizeof info);
    if (fixedLength < sizeof info || info.dwSignature != VS_FFI_SIGNATURE) return false;
    std::snprintf(text, size, "%u.%u.%u.%u", HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS),
                  HIWORD(info.dwFileVersionLS), LOWORD(info.dwFileVersionLS));
    return true;
}

void PrintVersion(const char* what, HMODULE module) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        std::printf("%s: path unknown\n", what);
        return;
    }
    char version[64];
    if (ReadFileVersion(module ? module : GetModuleHandleA(nullptr), version, sizeof version)) {
        std::printf("%s %s (%s)\n", what, version, path);
    } else {
        std::printf("%s: no version resource (%s)\n", what, path);
    }
}

// Exit code of list when nothing was found but something could not be read.
constexpr int kListIncomplete = 5;
constexpr int kBadUsage = 2;
constexpr int kDllNotLoaded = 3;
constexpr int kNoSuchExport = 4;
// remove's, each its own outcome.
constexpr int kRemovedWithRefusals = 6;
constexpr int kSpoolerNotControlled = 7;
constexpr int kSpoolerLeftStopped = 8;
constexpr int kNotAdministrator = 9;

enum class Kind { Export, List, Remove };

// The commands and what each accepts: one table, read by the parser and by
// --help alike.
struct Command {
    const char* name;
    Kind kind;
    WORD ordinal;   // of the export it calls; 0 for the others, which call none
    bool takesDll;  // a DLL path may follow
    const char* help;
};
const Command kCommands[] = {
    {"IsConnected", Kind::Export, 2, true, kIsConnectedHelp},
    {"DeleteALL", Kind::Export, 1, true, kDeleteAllHelp},
    {"list", Kind::List, 0, false, kListHelp},
    {"remove", Kind::Remove, 0, false, kRemoveHelp},
};

// Windows users type commands and options in any case; ASCII only, so that
// the answer does not hang on the user's locale.
bool Is(const char* argument, const char* name) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (; *argument && *name; ++argument, ++name) {
        if (lower(*argument) != lower(*name)) return false;
    }
    return *argument == *name;
}

const Command* FindCommand(const char* name) {
    for (const Command& command : kCommands) {
        if (Is(name, command.name)) return &command;
    }
    return nullptr;
}

// What the command line asks for, once every argument is understood.
struct Request {
    const Command* command = nullptr;
    const char* dllPath = nullptr;
    bool byOrdinal = false;
    bool json = false;
    const char* logPath = nullptr;
    bool help = false;
    bool version = false;
};

int RefuseArgument(const char* problem, const char* argument) {
    std::fprintf(stderr, "VexloHost: %s '%s'\n%s", problem, argument, kUsage);
    return kBadUsage;
}

// Fills the request; the first argument it does not understand ends it with
// the answer for bad usage, naming that argument. Options may stand before
// or after the command, but only where the command takes them.
int ParseArguments(int argc, char** argv, Request& request) {
    const char* ordinalOption = nullptr;
    const char* jsonOption = nullptr;
    const char* logOption = nullptr;
    // --version stands anywhere, so a path before it is already the DLL's.
    for (int i = 1; i < argc; ++i) request.version = request.version || Is(argv[i], "--version");
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        const Command* command = request.command;
        if (Is(argument, "--help") || Is(argument, "/?")) {
            request.help = true;
        } else if (Is(argument, "--version")) {
            request.version = true;
        } else if (Is(argument, "--ordinal")) {
            ordinalOption = argument;
        } else if (Is(argument, "--json")) {
            jsonOption = argument;
        } else if (Is(argument, "--log")) {
            if (logOption) return RefuseArgument("repeated option", argument);
            if (i + 1 == argc) return RefuseArgument("no file after", argument);
            logOption = argument;
            request.logPath = argv[++i];
        } else if (argument[0] == '-') {
            return RefuseArgument("unknown option", argument);
        } else if (!command && !request.dllPath && FindCommand(argument)) {
            request.command = FindCommand(argument);
        } else if (!request.dllPath && (command ? command->takesDll : request.version)) {
            request.dllPath = argument;
        } else if (!command && !request.version) {
            return RefuseArgument("unknown command", argument);
        } else {
            return RefuseArgument("unexpected argument", argument);
        }
    }
    const Command* command = request.command;
    if (ordinalOption && !(command && command->kind == Kind::Export)) {
        return RefuseArgument("unexpected option", ordinalOption);
    }
    if (jsonOption && !(command && command->kind == Kind::List)) return RefuseArgument("unexpected option", jsonOption);
    if (logOption && !(command && command->kind == Kind::Remove)) return RefuseArgument("unexpected option", logOption);
    if (command && !command->takesDll && request.dllPath) return RefuseArgument("unexpected argument", request.dllPath);
    request.byOrdinal = ordinalOption != nullptr;
    request.json = jsonOption != nullptr;
    return 0;
}

HMODULE LoadDll(const char* dllPath) {
    HMODULE module = LoadLibraryA(dllPath);
    if (!module) {
        vexlo::ErrorText error;
        std::fprintf(stderr, "VexloHost: cannot load %s (%s)\n", dllPath, vexlo::DescribeError(GetLastError(), error));
    }
    return module;
}

// The DLL's version first, as it always was; the host's own whether or not
// the DLL loads.
int PrintVersions(const char* dllPath) {
    HMODULE module = LoadDll(dllPath);
    if (module) PrintVersion("VexloDeletePrinter.dll", module);
    PrintVersion("VexloHost.exe", nullptr);
    if (!module) return kDllNotLoaded;
    FreeLibrary(module);
    return 0;
}

// Whether the process holds the Administrators group's rights: under User
// Account Control a token that is not elevated holds the group for denying
// only, and this answers false.
bool RunsAsAdministrator() {
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                  0, 0, &administrators)) {
        return false;
    }
    BOOL member = FALSE;
    const BOOL checked = CheckTokenMembership(nullptr, administrators, &member);
    FreeSid(administrators);
    return checked && member;
}

// Where the removal's lines go: standard output, and the log file when one
// was asked for.
struct RemoveOutput {
    std::FILE* log = nullptr;
};

void PrintLine(void* context, const char* line) {
    const RemoveOutput& output = *static_cast<RemoveOutput*>(context);
    std::printf("%s\n", line);
    std::fflush(stdout);
    if (output.log) {
        std::fprintf(output.log, "%s\n", line);
        std::fflush(output.log);
    }
}

int ExitCodeOf(const vexlo::RemovalResult& result) {
    switch (result.verdict) {
    case vexlo::RemovalVerdict::Removed: return 0;
    case vexlo::RemovalVerdict::RemovedWithRefusals: return kRemovedWithRefusals;
    case vexlo::RemovalVerdict::SpoolerLeftStopped: return kSpoolerLeftStopped;
    case vexlo::RemovalVerdict::SpoolerNotControlled: break;
    // Nothing here asks to stop.
    case vexlo::RemovalVerdict::Stopped: break;
    }
    // The service manager's refusal to open is the platform's own word that
    // the caller is no administrator.
    const vexlo::SpoolerCycleReport& cycle = result.lastCycle;
    const bool opening = cycle.failedCall == vexlo::SpoolerCall::OpenSCManager ||
                         cycle.failedCall == vexlo::SpoolerCall::OpenService;
    if (opening && cycle.error == ERROR_ACCESS_DENIED) return kNotAdministrator;
    return kSpoolerNotControlled;
}

int Remove(const char* logPath) {
    RemoveOutput output;
    if (logPath) {
        output.log = std::fopen(logPath, "a");
        if (!output.log) {
            vexlo::ErrorText error;
            std::fprintf(stderr, "VexloHost: cannot open the log file %s for appending (%s)\n", logPath,
                         vexlo::DescribeError(GetLastError(), error));
            return kBadUsage;
        }
    }
    int code = 0;
    PrintLine(&output, "removing the Vexlo-420 printer's software (VexloHost.exe " VEXLO_VERSION_TEXT ")");
    if (!RunsAsAdministrator()) {
        PrintLine(&output,
                  "not run as an elevated administrator, so nothing was removed: run it from a command prompt "
                  "opened with \"Run as administrator\", or as the local system account");
        code = kNotAdministrator;
    } else {
        const vexlo::RemovalLog log = {&output, "", PrintLine, nullptr, nullptr};
        code = ExitCodeOf(vexlo::RunLoggedRemoval(log));
    }
    if (output.log) std::fclose(output.log);
    return code;
}

int List(bool json) {
    const vexlo::Inventory inventory = vexlo::ListInstalled();
    if (json) {
        vexlo::PrintInventoryJson(inventory);
    } else {
        vexlo::PrintInventoryTable(inventory);
    }
    if (inventory.SoftwareInstalled()) return 1;
    return inventory.Complete() ? 0 : kListIncomplete;
}

int CallExport(const Command& command, const char* dllPath, bool byOrdinal) {
    HMODULE module = LoadDll(dllPath);
    if (!module) return kDllNotLoaded;
    ExportFn function = reinterpret_cast<ExportFn>(reinterpret_cast<void*>(
        GetProcAddress(module, byOrdinal ? MAKEINTRESOURCEA(command.ordinal) : command.name)));
    if (!function) {
        vexlo::ErrorText error;
        std::fprintf(stderr, "VexloHost: %s has no export %s%s (%s)\n", dllPath, command.name,
                     byOrdinal ? " at its ordinal" : "", vexlo::DescribeError(GetLastError(), error));
        FreeLibrary(module);
        return kNoSuchExport;
    }
    // DeleteALL is silent for tens of seconds; say so on standard error, where
    // scripts that read the answer line do not see it.
    const bool removal = command.ordinal == 1;
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
    std::printf("%s%s = %d\n", command.name, byOrdinal ? " (by ordinal)" : "", answer);
    FreeLibrary(module);
    return answer;
}

}  // namespace

int main(int argc, char** argv) {
    Request request;
    if (const int refused = ParseArguments(argc, argv, request)) return refused;
    const Command* command = request.command;
    if (request.help) {
        if (command) {
            std::printf("%s%s", command->help, command->kind == Kind::Export ? kExportExitCodes : "");
        } else {
            std::printf("%s%s", kUsage, kHelp);
        }
        return 0;
    }
    const char* dllPath = request.dllPath ? request.dllPath : "VexloDeletePrinter.dll";
    if (request.version) return PrintVersions(dllPath);
    if (!command) {
        std::fputs(kUsage, stderr);
        return kBadUsage;
    }
    if (command->kind == Kind::List) return List(request.json);
    if (command->kind == Kind::Remove) return Remove(request.logPath);
    return CallExport(*command, dllPath, request.byOrdinal);
}
