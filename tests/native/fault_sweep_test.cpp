// Every platform call of an export, failed once each: learn the calls of a
// clean run, then rerun once per call with that call failing as it can fail
// on the platform. After each rerun nothing is left open, the answer is the
// one the rules give, and nothing of another maker is gone.
#include "ProductInstalls.h"
#include "SimTest.h"
#include "VexloDeletePrinter.h"

#include <msiquery.h>

#include <functional>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace {


// Calls that cannot fail, or whose failure the library has no use for.
const std::set<std::string> kCannotFail = {"GetLastError", "Sleep", "GetTickCount", "GetACP", "wsprintfA",
                                           "GetCurrentProcess", "GetNativeSystemInfo",
                                           "RegCloseKey", "CloseServiceHandle", "ClosePrinter", "LocalFree",
                                           "FindClose", "SetupCloseInfFile", "FreeLibrary", "MsiCloseHandle"};

// The environment a 64-bit machine installs drivers for.
const char* DriverEnvironment() { return sim::machine().processor.Wow64() ? "Windows x64" : nullptr; }

// As a 64-bit installer leaves it: every driver for "Windows x64", seen from
// a 32-bit process under WOW64, before or since Windows 10.
void InstallProductOnX64(bool windows10) {
    InstallProduct();
    sim::Machine& m = sim::machine();
    m.processor = {IMAGE_FILE_MACHINE_AMD64, true, windows10};
    m.spooler.otherDrivers[DriverEnvironment()] = m.spooler.drivers;
    m.spooler.drivers.clear();
    m.services.spooler().status = {SERVICE_RUNNING, 10000};
}

// A device list whose one match sits between non-matching entries, under a
// double-byte code page so that the upper-casing calls run too. The answer
// does not depend on the lead-byte table: the match and the misses are
// decided by ASCII alone.
const std::vector<std::string> kEntries = {"USB\\VID_1234&PID_0001\\1", "\x82\x81usb\\vid_f0e1&pid_0421\\2",
                                           "usb\\vid_f0e1&pid_0420\\\x82\x82", "USB\\VID_F0E1&PID_0420"};
void InstallDeviceList() {
    sim::machine().codePages.ansiCodePage = 932;
    sim::machine().registry.SetDword(kEnum, "Count", 3);  // the last entry is past the count
    for (std::size_t i = 0; i < kEntries.size(); ++i) {
        sim::machine().registry.SetString(kEnum, std::to_string(i), kEntries[i]);
    }
}

struct Sweep {
    const char* what;
    std::function<void()> setUp;
    bool deleteAll;  // else IsConnected
};

std::ostream& operator<<(std::ostream& out, const Sweep& s) { return out << s.what; }

DWORD FailureOf(const std::string& function) { return sim::DefaultError(function); }

// Whether failing call `index` of `calls` makes a spooler procedure fail:
// every open, start and stop does, and every query but the ones inside a
// wait, which follow a start, a stop or a sleep rather than an open.
bool EndsTheSequence(const std::vector<sim::Call>& calls, std::size_t index) {
    const std::string& f = calls[index].function;
    if (f == "OpenSCManagerA" || f == "OpenServiceA" || f == "StartServiceA" || f == "ControlService") return true;
    if (f != "QueryServiceStatus") return false;
    for (std::size_t i = index; i-- > 0;) {
        const std::string& before = calls[i].function;
        if (before == "GetTickCount") continue;
        return before == "OpenServiceA";
    }
    return false;
}

// Whether call `index` comes after the same spooler procedure stopped the
// spooler: a procedure's calls follow one another with no call outside the
// service manager's (and the clock's) between them.
bool AfterAStop(const std::vector<sim::Call>& calls, std::size_t index) {
    static const std::set<std::string> kProcedure = {"OpenSCManagerA", "OpenServiceA", "QueryServiceStatus",
                                                     "StartServiceA", "CloseServiceHandle", "GetTickCount", "Sleep"};
    for (std::size_t i = index; i-- > 0;) {
        if (calls[i].function == "ControlService") return true;
        if (!kProcedure.count(calls[i].function)) return false;
    }
    return false;
}

// The answer when the read of `lost` fails (the count, or one entry).
BOOLEAN PresenceWithout(const std::string& lost) {
    if (lost == "Count") return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::to_string(i) == lost) continue;
        std::string upper = kEntries[i];
        for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
        if (upper.find("VID_F0E1&PID_0420") != std::string::npos) return 1;
    }
    return 0;
}

// The registry value whose read call `index` belongs to: its own name for a
// query, the next query's for an open.
std::string ValueReadBy(const std::vector<sim::Call>& calls, std::size_t index) {
    for (std::size_t i = index; i < calls.size(); ++i) {
        if (calls[i].function == "RegQueryValueExA") return calls[i].detail;
        if (i > index && calls[i].function == "RegOpenKeyExA") break;
    }
    return "";
}

void ExpectOtherMakeKept() {
    const sim::Machine& m = sim::machine();
    EXPECT_TRUE(m.spooler.HasPrinter("Office"));
    EXPECT_TRUE(m.spooler.HasDriver("Acme LaserJet", DriverEnvironment()));
    EXPECT_TRUE(m.spooler.HasMonitor("Local Port"));
    EXPECT_TRUE(m.files.Has(kInf + "oem2.inf"));
}

class FaultSweep : public SimTest, public ::testing::WithParamInterface<Sweep> {};

TEST_P(FaultSweep, EveryCallFailedOnceLeavesNothingOpenAndGivesTheRulesAnswer) {
    const Sweep& sweep = GetParam();
    sweep.setUp();
    const BOOLEAN clean = sweep.deleteAll ? DeleteALL() : IsConnected();
    ASSERT_EQ(1, clean) << "the clean run";
    ASSERT_EQ("", sim::Leaks());
    const std::vector<sim::Call> calls = sim::machine().calls;

    int injected = 0;
    std::map<std::string, int> seen;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const std::string& function = calls[i].function;
        const int nth = ++seen[function];
        if (kCannotFail.count(function)) continue;
        const DWORD error = FailureOf(function);
        SCOPED_TRACE(sweep.what + std::string(": call ") + std::to_string(i) + " " + function + "(" +
                     calls[i].detail + ") #" + std::to_string(nth) + " fails with " + std::to_string(error));
        sim::Reset();
        sweep.setUp();
        // An insufficient buffer that never resolves keeps failing.
        sim::Fail(function, nth, error, function == "EnumPrintersA");
        ++injected;

        if (sweep.deleteAll) {
            EXPECT_EQ(EndsTheSequence(calls, i) ? 0 : 1, DeleteALL());
            ExpectOtherMakeKept();
        } else {
            EXPECT_EQ(PresenceWithout(ValueReadBy(calls, i)), IsConnected());
        }
        EXPECT_EQ("", sim::Leaks());
    }
    std::cout << "[ sweep    ] " << sweep.what << ": " << calls.size() << " calls, " << injected
              << " failures injected\n";
}

INSTANTIATE_TEST_SUITE_P(
    Machines, FaultSweep,
    ::testing::Values(Sweep{"DeleteALL, typical removal, spooler running",
                            [] {
                                InstallProduct();
                                sim::machine().services.spooler().status = {SERVICE_RUNNING, 10000};
                            },
                            true},
                      Sweep{"DeleteALL, spooler stopped",
                            [] {
                                InstallProduct();
                                sim::machine().services.spooler().afterStart = {{SERVICE_START_PENDING, 500},
                                                                                {SERVICE_RUNNING, 10000}};
                            },
                            true},
                      Sweep{"DeleteALL, WOW64 on x64, drivers for Windows x64", [] { InstallProductOnX64(true); },
                            true},
                      Sweep{"DeleteALL, WOW64 on x64 before Windows 10", [] { InstallProductOnX64(false); }, true},
                      Sweep{"DeleteALL, nothing installed",
                            [] {
                                InstallOtherMake();
                                sim::machine().services.spooler().status = {SERVICE_RUNNING, 10000};
                            },
                            true},
                      Sweep{"IsConnected, several entries under code page 932", InstallDeviceList, false}),
    [](const ::testing::TestParamInfo<Sweep>& info) { return std::to_string(info.index); });

extern "C" UINT WINAPI VexloRemove(MSIHANDLE install);
extern "C" UINT WINAPI VexloDetect(MSIHANDLE install);

// The custom actions, each call failed once, the installer's own among them:
// a log line or progress record the installer refuses changes nothing; both
// always answer success (a spooler that cannot be controlled leaves the
// package removable, and one failure is never enough to leave a spooler the
// removal stopped stopped: its start is tried once more), and VexloRemove's
// last line says what happened: the software left in place where DeleteALL
// answers 0 but for a failure after a stop, which the second try makes
// good; removed otherwise; nothing done when the installer could not tell its
// run mode.
std::string LastLogLine() {
    const auto& log = sim::machine().installation.log;
    return log.empty() ? "(no log)" : log.back();
}

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

void RunAsScheduled(const Sweep& sweep) {
    sweep.setUp();
    if (sweep.deleteAll) sim::machine().installation.modes = {MSIRUNMODE_SCHEDULED};
}

TEST_P(FaultSweep, TheCustomActionsWithEveryCallFailedOnceGiveTheRulesAnswer) {
    const Sweep& sweep = GetParam();
    RunAsScheduled(sweep);
    const UINT clean = sweep.deleteAll ? VexloRemove(sim::kInstallHandle) : VexloDetect(sim::kInstallHandle);
    ASSERT_EQ(static_cast<UINT>(ERROR_SUCCESS), clean) << "the clean run";
    const std::vector<sim::Call> calls = sim::machine().calls;
    std::map<std::string, int> seen;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const std::string& function = calls[i].function;
        const int nth = ++seen[function];
        if (kCannotFail.count(function)) continue;
        SCOPED_TRACE(sweep.what + std::string(": call ") + std::to_string(i) + " " + function + "(" +
                     calls[i].detail + ") #" + std::to_string(nth) + " fails");
        sim::Reset();
        RunAsScheduled(sweep);
        sim::Fail(function, nth, FailureOf(function), function == "EnumPrintersA");
        if (sweep.deleteAll) {
            EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS), VexloRemove(sim::kInstallHandle));
            ExpectOtherMakeKept();
            // A message the installer refused may be the last line itself.
            const bool messageLost = StartsWith(function, "MsiCreateRecord") || StartsWith(function, "MsiRecord") ||
                                     function == "MsiProcessMessage";
            const std::string expected =
                function == "MsiGetMode" && nth == 1 ? "VexloRemove: not run as a deferred action"
                : EndsTheSequence(calls, i) && !AfterAStop(calls, i)
                    ? "VexloRemove: the Vexlo-420 printer's software was left in place"
                                                     : "VexloRemove: the Vexlo-420 printer's software was removed";
            if (!messageLost) {
                EXPECT_TRUE(StartsWith(LastLogLine(), expected)) << "expected " << expected << "..., got " << LastLogLine();
            }
        } else {
            EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS), VexloDetect(sim::kInstallHandle));
        }
        EXPECT_EQ("", sim::Leaks());
    }
}

// The heap running out: every allocation from the nth on fails, for each n
// an export reaches. The library allocates only without throwing (HeapAlloc
// for a printer's driver information, LocalAlloc for the enumeration), so the
// answer is the rules' (a printer or the walk skipped, never the result
// changed), and nothing is left open. IsConnected allocates nothing at all.
bool IsAllocation(const std::string& function) { return function == "HeapAlloc" || function == "LocalAlloc"; }

TEST_P(FaultSweep, TheHeapRunningOutAtEachAllocationGivesTheRulesAnswer) {
    const Sweep& sweep = GetParam();
    sweep.setUp();
    ASSERT_EQ(1, sweep.deleteAll ? DeleteALL() : IsConnected());
    const std::vector<sim::Call> calls = sim::machine().calls;
    int allocations = 0;
    std::map<std::string, int> seen;
    for (const sim::Call& call : calls) {
        if (!IsAllocation(call.function)) continue;
        ++allocations;
        SCOPED_TRACE(sweep.what + std::string(": the heap runs out at allocation ") + std::to_string(allocations) +
                     ", " + call.function + "(" + call.detail + ")");
        sim::Reset();
        sweep.setUp();
        sim::Fail("HeapAlloc", seen["HeapAlloc"] + 1, ERROR_NOT_ENOUGH_MEMORY, true);
        sim::Fail("LocalAlloc", seen["LocalAlloc"] + 1, ERROR_NOT_ENOUGH_MEMORY, true);
        ++seen[call.function];
        EXPECT_EQ(1, sweep.deleteAll ? DeleteALL() : IsConnected());
        EXPECT_EQ("", sim::Leaks());
        if (sweep.deleteAll) ExpectOtherMakeKept();
    }
    if (!sweep.deleteAll) {
        EXPECT_EQ(0, allocations) << "IsConnected reads into fixed buffers";
    }
    std::cout << "[ sweep    ] " << sweep.what << ": the heap ran out at each of " << allocations << " allocations\n";
}

}  // namespace
