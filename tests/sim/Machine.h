// A tiny simulated Windows machine behind the sim headers: plain data a test
// sets up in a few lines, a log of every platform call, faults injected at
// any call, and counts of what is still open.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sim {

struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const;
};
std::string Lower(std::string text);
bool EqualNoCase(const std::string& a, const std::string& b);

// ---- registry -------------------------------------------------------------
struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegistryKey {
    std::map<std::string, RegistryValue, NoCase> values;
    bool accessDenied = false;
};

struct Registry {
    // Paths below HKEY_LOCAL_MACHINE, written without trailing backslashes.
    std::map<std::string, RegistryKey, NoCase> keys;

    void SetDword(const std::string& key, const std::string& name, DWORD value);
    void SetString(const std::string& key, const std::string& name, const std::string& text);
    void SetBytes(const std::string& key, const std::string& name, DWORD type, std::vector<BYTE> data);
};

// ---- code pages -----------------------------------------------------------
struct CodePages {
    UINT ansiCodePage = 1252;
    // Extra upper-case mappings a test adds to the locale's table.
    std::map<WCHAR, WCHAR> extraUpper;
};

// ---- processor and WOW64 --------------------------------------------------
// The library runs as a 32-bit process, natively on 32-bit Windows and under
// WOW64 on a 64-bit machine, or as a 64-bit one: natively, or as an x64
// process that ARM64 Windows emulates, which is not WOW64.
struct Processor {
    USHORT nativeMachine = IMAGE_FILE_MACHINE_I386;  // or AMD64, ARM64, IA64
    // Which of kernel32's WOW64 queries GetProcAddress finds: Windows XP
    // before SP2 has neither, Windows 10 and later have both.
    bool hasIsWow64Process = true;
    bool hasIsWow64Process2 = true;
    USHORT processMachine = IMAGE_FILE_MACHINE_I386;  // the process's own: I386 or AMD64
    bool Wow64() const {
        return processMachine == IMAGE_FILE_MACHINE_I386 && nativeMachine != IMAGE_FILE_MACHINE_I386;
    }
};

// ---- system libraries -----------------------------------------------------
// winspool.drv and setupapi.dll, loaded by name and found by their exports.
struct Libraries {
    std::optional<std::string> systemDirectory = "C:\\WINDOWS\\system32";
    std::set<std::string, NoCase> missing;  // file names that do not load
    std::set<std::string> missingFunctions;   // exports GetProcAddress does not find
};

// ---- services -------------------------------------------------------------
struct ServiceStatus {
    DWORD state = SERVICE_STOPPED;
    DWORD waitHint = 0;
};

struct Service {
    ServiceStatus status;
    bool disabled = false;
    bool refuseStop = false;
    // What successive queries report after a start or a stop request: the
    // first status holds as soon as the request returns, each later query
    // takes the next one, and the last one stays.
    std::vector<ServiceStatus> afterStart = {{SERVICE_RUNNING, 10000}};
    std::vector<ServiceStatus> afterStop = {{SERVICE_STOPPED, 10000}};
    std::deque<ServiceStatus> script;
    int starts = 0;
    int stops = 0;
};

// One answer of a scripted service manager: whether the call succeeds (a
// failure sets `error`, or with 0 the platform's usual error for the call),
// and the status a query reports or a stop request writes back.
struct Answer {
    bool ok = true;
    DWORD error = 0;
    DWORD state = SERVICE_STOPPED;
    DWORD waitHint = 0;
};

struct Services {
    bool managerAccessDenied = false;
    bool serviceAccessDenied = false;
    std::map<std::string, Service, NoCase> services;
    Service& spooler() { return services["Spooler"]; }
    // When not empty, every OpenSCManagerA, OpenServiceA, QueryServiceStatus,
    // ControlService and StartServiceA takes its answer from here, in order,
    // in place of the services above; a script that runs out repeats its
    // last answer. `answered` counts the answers taken, repeats included.
    std::vector<Answer> script;
    std::size_t answered = 0;
    // The simulated time a query's round trip to the manager takes.
    DWORD queryMs = 1;
};

// ---- print spooler --------------------------------------------------------
struct Printer {
    std::string name;
    std::string driver;
    std::string server;  // empty for a local queue, the host of a connection
    DWORD openError = ERROR_SUCCESS;
    DWORD deleteError = ERROR_SUCCESS;
    // The rights the caller is granted on the queue: an opening that asks for
    // more is refused. A user who may not administer it has PRINTER_ACCESS_USE.
    DWORD allowedAccess = PRINTER_ALL_ACCESS;
};

// A printer's driver is found by its name among the drivers of the
// environment asked for; monitors belong to no environment. "No
// environment" is the process's own: "Windows NT x86" for a 32-bit process,
// "Windows x64" for an x64 one (emulated on ARM64 too, as this machine has
// it).
const char* ProcessEnvironment();

struct PrintSpooler {
    std::vector<Printer> printers;
    // The drivers of the process's own environment, which "no environment"
    // stands for...
    std::vector<std::string> drivers;
    // ...and of the others, by environment name ("Windows x64", ...).
    std::map<std::string, std::vector<std::string>, NoCase> otherDrivers;
    std::vector<std::string> monitors;
    // nullptr or "": the process's own environment.
    std::vector<std::string>& DriversOf(const char* environment);
    bool HasPrinter(const std::string& name) const;
    bool HasDriver(const std::string& name, const char* environment = nullptr) const;
    bool HasMonitor(const std::string& name) const;
};

// ---- files and the setup API ---------------------------------------------
struct Files {
    std::optional<std::string> windowsDirectory = "C:\\WINDOWS";
    // Full path -> contents; folders exist implicitly.
    std::map<std::string, std::string, NoCase> files;
    std::vector<std::string> uninstalled;  // file names SetupUninstallOEMInfA removed

    void Put(const std::string& path, const std::string& contents) { files[path] = contents; }
    bool Has(const std::string& path) const { return files.count(path) != 0; }
};

// ---- an installation, as a custom action sees it ---------------------------
// The handle a custom action is given is kInstallHandle; what it sends comes
// out as text.
struct Installation {
    std::map<std::string, std::string> properties;
    // The run modes MsiGetMode answers TRUE for: a deferred action runs
    // with MSIRUNMODE_SCHEDULED, an immediate one with none of them.
    std::set<int> modes;
    // The person presses Cancel: the nth message (from 1) and every later
    // one are answered IDCANCEL; 0, never.
    int cancelAtMessage = 0;
    int messages = 0;                   // messages sent so far
    std::vector<std::string> log;       // informational messages, formatted
    std::vector<std::string> actions;   // the action texts shown, in order
    std::vector<std::string> progress;  // "reset N", "add N" (to the total) and "advance N"
};
inline constexpr unsigned long kInstallHandle = 0x4D5349;

// ---- calls, faults, handles ----------------------------------------------
struct Call {
    std::string function;
    std::string detail;  // the arguments that matter, as text
    DWORD tick = 0;      // the tick count when it was called
};

enum class HandleKind { Key, ServiceManager, Service, Printer, Search, Inf, Module, Record };

struct Machine {
    Registry registry;
    CodePages codePages;
    Processor processor;
    Libraries libraries;
    Services services;
    PrintSpooler spooler;
    Files files;
    Installation installation;

    DWORD lastError = 0;
    DWORD tickCount = 5000;

    std::vector<Call> calls;
    std::vector<std::string> misuse;  // what the library did that the platform would not take
};

Machine& machine();
// A fresh machine: no keys, no services but a stopped "Spooler", no printers,
// code page 1252, no faults, nothing open.
void Reset();

// The nth call (from 1) of `function` fails with `error`; `always` makes every
// call from the nth on fail.
void Fail(const std::string& function, int nth, DWORD error, bool always = false);
// Each platform function first records itself here; a fault armed for this
// call comes back as its error.
std::optional<DWORD> Enter(const char* function, std::string detail = {});
// Enter, and when a fault is armed for this call, sets it as the last error:
// the way a BOOL- or handle-returning platform function fails.
bool FaultInjected(const char* function, std::string detail = {});
int CallCount(const std::string& function);
std::vector<std::string> CallDetails(const std::string& function);
std::vector<std::string> CallNames();

void* OpenHandle(HandleKind kind);
bool IsOpen(void* handle, HandleKind kind);
bool CloseHandle(void* handle, HandleKind kind);
std::string Leaks();  // "" when nothing is open, else what is

// How GetWindowsDirectoryA and GetSystemDirectoryA answer: the directory,
// or the size it needs, or 0 when there is none.
UINT AnswerDirectory(const char* function, const std::optional<std::string>& directory, LPSTR buffer, UINT size);

// The default way each platform function fails.
DWORD DefaultError(const std::string& function);

}  // namespace sim
