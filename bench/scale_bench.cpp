// How the listing and the removal's steps grow with the machine they meet:
// N print queues (a tenth of them the model's, the rest another maker's)
// and N oem*.inf packages (a tenth of them the brand's), each step timed
// against a bare loop of the same platform calls written plainly here, in
// the same process, alternating, the median of several rounds. Each round
// runs both, and each must find the count the machine was made with: a
// count that differs fails the run, saying what each found. Then the
// listing's peak working set in a fresh process, and a whole removal with
// the time of its two spooler cycles (their sleeps are the spooler's wait
// hints) told apart from the rest. Ratios only: absolute times under Wine,
// and in an emulated machine, mean little.
// usage: scale_bench <N> [--smoke] [--skew-bare]   (under Wine, in a fresh prefix: bench/run.sh)
//        --skew-bare makes each bare loop count one more, to show that a
//        count that differs fails the run
//        scale_bench --list-once | --bare-once   (the child of the memory figure)
#include "ListInstalled.h"
#include "RunSelf.h"
#include "product/Product.h"
#include "product/ProductWalks.h"
#include "removal/PrinterRemoval.h"
#include "removal/RunRemovalSequence.h"
#include "wine_machine.h"

#include <windows.h>
#include <psapi.h>
#include <setupapi.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Walk = int (*)();

double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// ---- the machine ---------------------------------------------------------------

void InstallDrivers() {
    machine::InstallDriver("Vexlo-420 LABEL");
    machine::InstallDriver("Vexlo-420G LABEL");
    machine::InstallDriver("Acme LaserJet");
}

// Each queue and package new, under a name no object of the prefix has, so
// that what it already holds (an earlier run's included) is kept as it is.
void MakeQueuesAndPackages(int n) {
    int queue = 0, package = 5000;
    for (int i = 0; i < n; ++i) {
        char name[64];
        const bool ours = i % 10 == 0;
        do {
            std::snprintf(name, sizeof name, "%s %04d", ours ? "Vexlo Label" : "Acme Office", queue++);
        } while (machine::HasPrinter(name));
        machine::InstallPrinter(name, ours ? "Vexlo-420 LABEL" : "Acme LaserJet");
        do {
            std::snprintf(name, sizeof name, "oem%d.inf", package++);
        } while (machine::HasInf(name));
        machine::WriteInf(name, machine::PrinterInf(ours ? "Vexlo" : "Acme"));
    }
}

// ---- the bare loops: the same platform calls, written plainly -------------------

int BareQueues(DWORD access) {
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, NULL, 4, NULL, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, NULL, 4, buffer.data(), needed, &needed, &count)) {
        return 0;
    }
    const PRINTER_INFO_4A* printers = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
    int model = 0;
    for (DWORD i = 0; i < count; ++i) {
        PRINTER_DEFAULTSA defaults = {NULL, NULL, access};
        HANDLE printer = NULL;
        if (!OpenPrinterA(printers[i].pPrinterName, &printer, &defaults)) continue;
        DWORD size = 0;
        GetPrinterDriverA(printer, NULL, 2, NULL, 0, &size);
        std::vector<BYTE> info(size ? size : 1);
        if (GetPrinterDriverA(printer, NULL, 2, info.data(), size, &size) &&
            std::strstr(reinterpret_cast<DRIVER_INFO_2A*>(info.data())->pName, "Vexlo-420")) {
            ++model;
        }
        ClosePrinter(printer);
    }
    return model;
}

// `fields`: for a brand package also its class and version, as the listing
// shows them.
int BarePackages(bool fields = false) {
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, MAX_PATH);
    std::string pattern = std::string(folder) + "\\inf\\oem*.inf";
    WIN32_FIND_DATAA match;
    HANDLE search = FindFirstFileA(pattern.c_str(), &match);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int brand = 0;
    do {
        std::string path = std::string(folder) + "\\inf\\" + match.cFileName;
        HINF inf = SetupOpenInfFileA(path.c_str(), NULL, INF_STYLE_WIN4, NULL);
        if (inf == INVALID_HANDLE_VALUE) continue;
        INFCONTEXT line;
        char provider[260];
        if (SetupFindFirstLineA(inf, "Version", "Provider", &line) &&
            SetupGetStringFieldA(&line, 1, provider, sizeof provider, NULL) && std::strcmp(provider, "Vexlo") == 0) {
            ++brand;
            char field[260];
            for (const char* key : {"Class", "DriverVer"}) {
                if (fields && SetupFindFirstLineA(inf, "Version", key, &line)) {
                    SetupGetStringFieldA(&line, 1, field, sizeof field, NULL);
                }
            }
        }
        SetupCloseInfFile(inf);
    } while (FindNextFileA(search, &match));
    FindClose(search);
    return brand;
}

// The removal's driver step: both drivers deleted by name, in the process's
// own environment and, under WOW64, in the machine's too.
int BareDriverDeletion() {
    char own[] = "";
    char x64[] = "Windows x64";
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    int deleted = 0;
    for (char* environment : {own, x64}) {
        if (environment == x64 && !wow64) break;
        for (const char* driver : {"Vexlo-420 LABEL", "Vexlo-420G LABEL"}) {
            char name[32];
            lstrcpynA(name, driver, sizeof name);
            deleted += DeletePrinterDriverA(NULL, environment == own ? NULL : environment, name) != FALSE;
        }
    }
    return deleted;
}

int BareDrivers() {
    DWORD needed = 0, count = 0;
    EnumPrinterDriversA(NULL, NULL, 2, NULL, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!EnumPrinterDriversA(NULL, NULL, 2, buffer.data(), needed, &needed, &count)) return 0;
    const DRIVER_INFO_2A* drivers = reinterpret_cast<const DRIVER_INFO_2A*>(buffer.data());
    int ours = 0;
    for (DWORD i = 0; i < count; ++i) {
        ours += std::strcmp(drivers[i].pName, "Vexlo-420 LABEL") == 0 || std::strcmp(drivers[i].pName, "Vexlo-420G LABEL") == 0;
    }
    return ours;
}

int BareMonitors() {
    DWORD needed = 0, count = 0;
    EnumMonitorsA(NULL, 1, NULL, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!EnumMonitorsA(NULL, 1, buffer.data(), needed, &needed, &count)) return 0;
    const MONITOR_INFO_1A* monitors = reinterpret_cast<const MONITOR_INFO_1A*>(buffer.data());
    int ours = 0;
    for (DWORD i = 0; i < count; ++i) ours += lstrcmpiA(monitors[i].pName, "VexloLM") == 0;
    return ours;
}

// The listing's other reads: the spooler's state and the device list.
int BareSpoolerAndDevices() {
    machine::SpoolerState();  // the same three service calls the listing makes
    HKEY key = NULL;
    DWORD count = 0, size = sizeof count;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum", 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        RegQueryValueExA(key, "Count", NULL, NULL, reinterpret_cast<BYTE*>(&count), &size);
        RegCloseKey(key);
    }
    return 0;
}

int BareListing() {
    return BareSpoolerAndDevices() + BareQueues(PRINTER_ACCESS_USE) + BarePackages(true) + BareDrivers() +
           BareMonitors();
}

// ---- the library's walks, as the removal and the listing make them ------------

int LibraryQueues() {
    int model = 0;
    const vexlo::QueueVisit count = [](void* context, const vexlo::Winspool&, const vexlo::QueueEntry& queue) {
        if (vexlo::IsModelDriver(queue.driver)) ++*static_cast<int*>(context);
    };
    vexlo::WalkPrinterQueues(vexlo::Winspool(), PRINTER_ALL_ACCESS, count, &model);
    return model;
}

int LibraryPackages() {
    int brand = 0;
    // On to the file's further lines, as the removal's visitor goes.
    const vexlo::PackageVisit count = [](void* context, const vexlo::SetupApi&, const char*, HINF) {
        ++*static_cast<int*>(context);
        return true;
    };
    char folder[MAX_PATH];
    if (vexlo::BuildInfFolder(folder)) vexlo::WalkBrandPackages(vexlo::SetupApi(), vexlo::FolderPath(folder), count, &brand);
    return brand;
}

int LibraryDriverDeletion() {
    int deleted = 0;
    vexlo::RemovalReport report;
    report.context = &deleted;
    report.removed = [](void* context, vexlo::RemovedKind, const char*, const char*, vexlo::Deletion result, DWORD) {
        *static_cast<int*>(context) += result == vexlo::Deletion::Removed;
    };
    vexlo::RemoveLabelDrivers(vexlo::Winspool(), &report);
    return deleted;
}

// Before each round of the deletion, untimed: both drivers there again.
void InstallLabelDrivers() {
    machine::InstallDriver("Vexlo-420 LABEL");
    machine::InstallDriver("Vexlo-420G LABEL");
}

int LibraryListing() {
    const vexlo::Inventory inventory = vexlo::ListInstalled();
    return static_cast<int>(inventory.ModelQueueCount() + inventory.packages.size() + inventory.drivers.size() +
                            inventory.monitors.size());  // as BareListing counts
}

bool skewBare = false;

struct Row {
    const char* what;
    Walk library, bare;
    int expected;
    void (*before)();  // untimed, before each run of either; may be null
};

struct Timing {
    double libraryMs = 0, bareMs = 0;  // medians
    int libraryFound = -1, bareFound = -1;  // the first round that differed from the expected count, else the last
};

double Timed(Walk walk, int& found) {
    const double start = NowMs();
    found = walk();
    return NowMs() - start;
}

// The medians of `rounds` alternating runs of each, in milliseconds. Every
// round runs both: a median of rounds that were not run would be no figure.
Timing Compare(const Row& row, int rounds) {
    std::vector<double> a, b;
    Timing timing;
    bool differed = false;
    for (int i = 0; i < rounds; ++i) {
        int libraryFound = 0, bareFound = 0;
        if (row.before) row.before();
        a.push_back(Timed(row.library, libraryFound));
        if (row.before) row.before();
        b.push_back(Timed(row.bare, bareFound));
        bareFound += skewBare;
        if (differed) continue;
        timing.libraryFound = libraryFound;
        timing.bareFound = bareFound;
        differed = libraryFound != row.expected || bareFound != row.expected;
    }
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    timing.libraryMs = a[a.size() / 2];
    timing.bareMs = b[b.size() / 2];
    return timing;
}

int PeakKiB(Walk walk) {
    walk();
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
    return static_cast<int>(counters.PeakWorkingSetSize / 1024);
}

// A whole removal through the library's sequence, with the time of the two
// spooler cycles (which sleep the spooler's wait hints) told apart.
void TimeRemoval() {
    struct Cycles {
        DWORD ms = 0;
    } cycles;
    vexlo::RemovalReport report;
    report.context = &cycles;
    report.spoolerCycled = [](void* context, vexlo::RemovalStep, bool, const vexlo::SpoolerCycleReport& cycle) {
        static_cast<Cycles*>(context)->ms += cycle.elapsedMs;
    };
    const double start = NowMs();
    const bool ran = vexlo::RunRemovalSequence(&report) == vexlo::RemovalOutcome::Completed;
    const double all = NowMs() - start;
    std::printf("  removal: %s; %.0f ms in all, %lu ms in the two spooler cycles, %.0f ms beyond them\n",
                ran ? "completed" : "the spooler could not be controlled", all, static_cast<unsigned long>(cycles.ms),
                all - cycles.ms);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--list-once") == 0) return PeakKiB(LibraryListing);
    if (argc == 2 && std::strcmp(argv[1], "--bare-once") == 0) return PeakKiB(BareListing);
    const int n = argc >= 2 ? std::atoi(argv[1]) : 0;
    bool smoke = false;
    for (int i = 2; i < argc; ++i) {
        smoke = smoke || std::strcmp(argv[i], "--smoke") == 0;
        skewBare = skewBare || std::strcmp(argv[i], "--skew-bare") == 0;
    }
    if (n <= 0) {
        std::printf("usage: scale_bench <N> [--smoke]\n");
        return 2;
    }
    if (machine::SpoolerState() != SERVICE_RUNNING) machine::StartSpooler();
    // A prefix that other tests used holds their objects too: each count is
    // the bare loop's before the queues and packages are made, plus those.
    InstallDrivers();
    const int queuesBefore = BareQueues(PRINTER_ALL_ACCESS), packagesBefore = BarePackages(),
              listedBefore = BareListing();
    const double made = NowMs();
    MakeQueuesAndPackages(n);
    std::printf("N = %d: %d queues and %d oem*.inf packages, a tenth of each the product's (made in %.1f s)\n", n, n, n,
                (NowMs() - made) / 1000);
    // The product's share: every tenth queue and package, counted from 0.
    const int ours = (n + 9) / 10;
    // Both drivers are installed in the process's own environment: under
    // WOW64 the deletions in the machine's find nothing.
    // The deletion goes last: the rows before it meet both drivers installed.
    const Row rows[] = {
        {"the removal's queue walk", LibraryQueues, [] { return BareQueues(PRINTER_ALL_ACCESS); },
         queuesBefore + ours, nullptr},
        {"the removal's package walk", LibraryPackages, [] { return BarePackages(); }, packagesBefore + ours, nullptr},
        // model queues and brand packages
        {"the listing (VexloHost list)", LibraryListing, BareListing, listedBefore + 2 * ours, nullptr},
        {"the removal's driver deletion", LibraryDriverDeletion, BareDriverDeletion, 2,
         InstallLabelDrivers},
    };
    const int rounds = smoke ? 1 : 7;
    bool agreed = true;
    for (const Row& row : rows) {
        const Timing timing = Compare(row, rounds);
        const bool right = timing.libraryFound == row.expected && timing.bareFound == row.expected;
        agreed = agreed && right;
        std::printf("  %-30s ratio %.3f to the bare loop (%.1f ms : %.1f ms)\n", row.what,
                    timing.bareMs > 0 ? timing.libraryMs / timing.bareMs : 0.0, timing.libraryMs, timing.bareMs);
        if (!right) {
            std::printf("  %-30s FAILED: expected %d, the library found %d, the bare loop %d\n", row.what,
                        row.expected, timing.libraryFound, timing.bareFound);
        }
    }
    InstallLabelDrivers();  // the whole removal below meets them as the walks did
    if (!smoke) {
        std::printf("  peak working set, a fresh process: the listing %ld KiB, the bare loops %ld KiB\n",
                    RunSelf("--list-once"), RunSelf("--bare-once"));
        TimeRemoval();
    }
    // Each step must find what the machine was made with, and the bare loop
    // the same: otherwise the figures compare different work.
    return agreed && winetest::failures() == 0 ? 0 : 1;
}
