// The Windows Installer custom actions on the simulated machine, in a
// simulated installation: the properties VexloDetect sets, the ticks
// VexloPlanRemoval adds, VexloRemove's log lines, action texts, progress and
// answer for each spooler outcome and for a Cancel at each of its messages,
// and each action run in a mode it was not made for. The removal itself is
// the library's: its platform calls are DeleteALL's.
#include "ProductInstalls.h"
#include "ProjectVersion.h"
#include "SimTest.h"
#include "VexloDeletePrinter.h"

#include <msiquery.h>

#include <set>
#include <string>
#include <vector>

extern "C" UINT WINAPI VexloDetect(MSIHANDLE install);
extern "C" UINT WINAPI VexloPlanRemoval(MSIHANDLE install);
extern "C" UINT WINAPI VexloRemove(MSIHANDLE install);

namespace {

using Strings = std::vector<std::string>;

void Attach() {
    sim::machine().registry.SetDword(kEnum, "Count", 1);
    sim::machine().registry.SetString(kEnum, "0", "USB\\VID_F0E1&PID_0420\\5&1");
}

std::string Property(const char* name) {
    const auto& properties = sim::machine().installation.properties;
    const auto it = properties.find(name);
    return it == properties.end() ? "(none)" : it->second;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

std::string LastLine() {
    const Strings& log = sim::machine().installation.log;
    return log.empty() ? "(no log)" : log.back();
}

void Deferred() { sim::machine().installation.modes = {MSIRUNMODE_SCHEDULED}; }

void ListUnreadable(const char* function) { sim::Fail(function, 1, sim::DefaultError(function), true); }

const Strings kChangingCalls = {"DeletePrinter", "DeleteMonitorA", "DeletePrinterDriverA", "StartServiceA",
                                "ControlService", "SetupUninstallOEMInfA"};

void ExpectNothingChanged(const std::string& what) {
    for (const std::string& changing : kChangingCalls) EXPECT_EQ(0, sim::CallCount(changing)) << what << ": " << changing;
}

TEST_F(SimTest, VexloDetectSetsInstalledWhenSomethingIsFoundOrSomeListCouldNotBeRead) {
    const std::string found = "VexloDetect: Vexlo-420 printer attached: ";
    struct Case {
        const char* what;
        void (*setUp)();
        const char* attached;
        const char* installed;
        std::string line;  // the log line, or its start
    } cases[] = {
        {"nothing there", [] {}, "(none)", "(none)", found + "no; its software installed: no"},
        {"another maker's software only", InstallOtherMake, "(none)", "(none)", found + "no; its software installed: no"},
        {"attached, nothing installed", Attach, "1", "(none)", found + "yes; its software installed: no"},
        {"installed, not attached", InstallProduct, "(none)", "1", found + "no; its software installed: yes"},
        {"both", [] { InstallProduct(); Attach(); }, "1", "1", found + "yes; its software installed: yes"},
        {"only the monitor", [] { sim::machine().spooler.monitors = {"vexlolm"}; }, "(none)", "1",
         found + "no; its software installed: yes"},
        {"only a driver, under WOW64 for the machine's own environment",
         [] {
             sim::machine().processor = {IMAGE_FILE_MACHINE_AMD64, true, true};
             sim::machine().spooler.otherDrivers["Windows x64"] = {"Vexlo-420G LABEL"};
         },
         "(none)", "1", found + "no; its software installed: yes"},
        {"only a package", [] { sim::machine().files.Put(kInf + "oem7.inf", "[Version]\nProvider=Vexlo\n"); },
         "(none)", "1", found + "no; its software installed: yes"},
        {"only a queue the user may use but not administer",
         [] {
             sim::machine().spooler.drivers = {"Vexlo-420 LABEL"};
             sim::machine().spooler.printers = {{"Shared", "Vexlo-420 LABEL", "", 0, 0, PRINTER_ACCESS_USE}};
         },
         "(none)", "1", found + "no; its software installed: yes"},
        // Each list made unreadable in turn, with only another maker's
        // software there: nothing found proves nothing, so the removal is
        // asked for and the line names the call that failed.
        {"the queues unreadable", [] { InstallOtherMake(); ListUnreadable("EnumPrintersA"); }, "(none)", "1",
         found + "no; its software installed: unknown, so VEXLO420_INSTALLED is set: EnumPrintersA failed for "
                 "\"local queues and connections\" with "},
        {"a queue that will not open", [] { InstallOtherMake(); sim::machine().spooler.printers[0].openError = ERROR_ACCESS_DENIED; },
         "(none)", "1",
         found + "no; its software installed: unknown, so VEXLO420_INSTALLED is set: OpenPrinterA failed for "
                 "\"Office\" with error 5 ERROR_ACCESS_DENIED"},
        {"the monitors unreadable", [] { InstallOtherMake(); ListUnreadable("EnumMonitorsA"); }, "(none)", "1",
         found + "no; its software installed: unknown, so VEXLO420_INSTALLED is set: EnumMonitorsA failed for "},
        {"the drivers unreadable", [] { InstallOtherMake(); ListUnreadable("EnumPrinterDriversA"); }, "(none)", "1",
         found + "no; its software installed: unknown, so VEXLO420_INSTALLED is set: EnumPrinterDriversA failed for "},
        {"the INF folder unreadable",
         [] { InstallOtherMake(); sim::Fail("FindFirstFileA", 1, ERROR_ACCESS_DENIED, true); }, "(none)", "1",
         found + "no; its software installed: unknown, so VEXLO420_INSTALLED is set: FindFirstFileA failed for "},
        // What was found decides whatever could not be read.
        {"installed, the drivers unreadable", [] { InstallProduct(); ListUnreadable("EnumPrinterDriversA"); },
         "(none)", "1", found + "no; its software installed: yes"},
    };
    for (const Case& c : cases) {
        sim::Reset();
        sim::machine().files.Put(kInf + "machine.inf", "[Version]\n");  // an INF folder, as every Windows has
        c.setUp();
        // Left from an earlier run of the package: a property that no longer
        // holds must go.
        sim::machine().installation.properties = {{"VEXLO420_ATTACHED", "1"}, {"VEXLO420_INSTALLED", "1"}};
        EXPECT_EQ(ERROR_SUCCESS, VexloDetect(sim::kInstallHandle)) << c.what;
        EXPECT_EQ(c.attached, Property("VEXLO420_ATTACHED")) << c.what;
        EXPECT_EQ(c.installed, Property("VEXLO420_INSTALLED")) << c.what;
        EXPECT_EQ(1u, sim::machine().installation.log.size()) << c.what;
        EXPECT_TRUE(StartsWith(LastLine(), c.line)) << c.what << ": expected a line starting [" << c.line
                                                    << "], got [" << LastLine() << "]";
        ExpectNothingChanged(c.what);
        EXPECT_EQ("", sim::Leaks()) << c.what;
    }
}

// The platform calls of a run, without the installer's, the clock's and
// those that only read or format (the report reads each refusal's error).
Strings PlatformCalls() {
    Strings calls;
    for (const sim::Call& call : sim::machine().calls) {
        const std::string& f = call.function;
        if (f.rfind("Msi", 0) == 0 || f == "GetTickCount" || f == "GetLastError" || f == "wsprintfA") continue;
        calls.push_back(call.function + "(" + call.detail + ")");
    }
    return calls;
}

bool Logged(const std::string& line) {
    for (const std::string& logged : sim::machine().installation.log) {
        if (logged == line) return true;
    }
    return false;
}

long Sum(const Strings& progress, const std::string& kind) {
    long sum = 0;
    for (const std::string& p : progress) {
        if (StartsWith(p, kind + " ")) sum += std::stol(p.substr(kind.size() + 1));
    }
    return sum;
}

TEST_F(SimTest, VexloRemoveRunsDeleteAllsRemovalAndLogsEachStep) {
    InstallProduct();
    sim::machine().services.spooler().status = {SERVICE_RUNNING, 0};
    EXPECT_EQ(1, DeleteALL());
    const Strings deleteAllCalls = PlatformCalls();

    sim::Reset();
    InstallProduct();
    sim::machine().services.spooler().status = {SERVICE_RUNNING, 0};
    EXPECT_EQ(ERROR_SUCCESS, VexloPlanRemoval(sim::kInstallHandle));  // while the script is made
    Deferred();
    EXPECT_EQ(ERROR_SUCCESS, VexloRemove(sim::kInstallHandle));
    EXPECT_EQ(deleteAllCalls, PlatformCalls()) << "the removal is DeleteALL's, call for call";

    const sim::Installation& installation = sim::machine().installation;
    for (const char* line : {
             "VexloRemove: removing the Vexlo-420 printer's software (VexloInstallerActions.dll " VEXLO_VERSION_TEXT ")",
             "VexloRemove: it runs as the local system account: printer connections that other accounts made for "
             "themselves are outside its view and stay",
             "VexloRemove: Stopping and starting the print spooler...",
             "VexloRemove: print spooler found running, left running, in 20.0 s",
             "VexloRemove: queue \"Vexlo Label\" removed",
             "VexloRemove: port monitor \"VexloLM\" removed",
             "VexloRemove: driver \"Vexlo-420 LABEL\" removed",
             "VexloRemove: driver \"Vexlo-420G LABEL\" removed",
             // The second pass finds them gone: not a refusal.
             "VexloRemove: port monitor \"VexloLM\" already gone (error 3000 ERROR_UNKNOWN_PRINT_MONITOR)",
             "VexloRemove: driver \"Vexlo-420 LABEL\" already gone (error 1797 ERROR_UNKNOWN_PRINTER_DRIVER)",
             "VexloRemove: driver package \"oem1.inf\" removed",
         }) {
        EXPECT_TRUE(Logged(line)) << "expected in the log: " << line;
    }
    EXPECT_EQ("VexloRemove: the Vexlo-420 printer's software was removed", LastLine());
    EXPECT_EQ((Strings{"Stopping and starting the print spooler...", "Removing the printer's queues...",
                       "Removing the printer's port monitor...", "Removing the printer's drivers...",
                       "Restarting the print spooler...", "Removing the printer's port monitor, after the restart...",
                       "Removing the printer's drivers, after the restart...",
                       "Removing the printer's driver packages..."}),
              installation.actions);
    // The installer's pattern: ticks added to the total while the script is
    // made, then increments only; the bar never moves back.
    EXPECT_EQ("add 80000", installation.progress.front());
    EXPECT_EQ(0, Sum(installation.progress, "reset"));
    EXPECT_EQ(80000, Sum(installation.progress, "advance")) << "the increments add up to the ticks added";
    EXPECT_FALSE(sim::machine().spooler.HasPrinter("Vexlo Label"));
    EXPECT_TRUE(sim::machine().spooler.HasPrinter("Office"));
    EXPECT_TRUE(sim::machine().files.Has(kInf + "oem2.inf"));
}

// What the removal could not do is named in its last line, once: a first
// pass's refusal that the second pass makes good is no refusal.
TEST_F(SimTest, VexloRemoveNamesWhatWasRefusedInItsLastLine) {
    const std::string removedWith = "VexloRemove: the Vexlo-420 printer's software was removed with ";
    struct Case {
        const char* what;
        void (*setUp)();
        std::string line;  // a line of the log
        std::string last;
    } cases[] = {
        {"a queue that refuses deletion keeps its driver in use",
         [] { sim::machine().spooler.printers[0].deleteError = ERROR_ACCESS_DENIED; },
         "VexloRemove: queue \"Vexlo Label\" not removed: error 5 ERROR_ACCESS_DENIED",
         removedWith + "2 refusals: queue \"Vexlo Label\" (error 5 ERROR_ACCESS_DENIED); driver \"Vexlo-420 LABEL\" "
                       "(error 3001 ERROR_PRINTER_DRIVER_IN_USE)"},
        {"a queue that will not open",
         [] { sim::machine().spooler.printers.push_back({"Locked", "Acme LaserJet", "", ERROR_ACCESS_DENIED}); },
         "VexloRemove: queue \"Locked\" not looked at: OpenPrinterA failed with error 5 ERROR_ACCESS_DENIED",
         removedWith + "1 refusal: queue \"Locked\" not looked at (OpenPrinterA failed with error 5 "
                       "ERROR_ACCESS_DENIED)"},
        {"the monitor refused once, removed after the restart",
         [] { sim::Fail("DeleteMonitorA", 1, ERROR_ACCESS_DENIED); },
         "VexloRemove: port monitor \"VexloLM\" not removed: error 5 ERROR_ACCESS_DENIED",
         "VexloRemove: the Vexlo-420 printer's software was removed"},
        {"the queues' list unreadable", [] { ListUnreadable("EnumPrintersA"); },
         "VexloRemove: queues not all looked at, for \"local queues and connections\": EnumPrintersA failed with "
         "error 122 ERROR_INSUFFICIENT_BUFFER",
         removedWith + "3 refusals: queues not all looked at, for \"local queues and connections\" (EnumPrintersA "
                       "failed with error 122 ERROR_INSUFFICIENT_BUFFER); driver \"Vexlo-420 LABEL\" (error 3001 "
                       "ERROR_PRINTER_DRIVER_IN_USE); driver \"Vexlo-420G LABEL\" (error 3001 "
                       "ERROR_PRINTER_DRIVER_IN_USE)"},
        {"a package that will not open", [] { sim::Fail("SetupOpenInfFileA", 1, ERROR_ACCESS_DENIED); },
         "VexloRemove: driver package \"oem1.inf\" not looked at: SetupOpenInfFileA failed with error 5 "
         "ERROR_ACCESS_DENIED",
         removedWith + "1 refusal: driver package \"oem1.inf\" not looked at (SetupOpenInfFileA failed with error 5 "
                       "ERROR_ACCESS_DENIED)"},
    };
    for (const Case& c : cases) {
        sim::Reset();
        InstallProduct();
        sim::machine().services.spooler().status = {SERVICE_RUNNING, 0};
        c.setUp();
        Deferred();
        EXPECT_EQ(ERROR_SUCCESS, VexloRemove(sim::kInstallHandle)) << c.what;
        EXPECT_TRUE(Logged(c.line)) << c.what << ": expected in the log: " << c.line;
        EXPECT_EQ(c.last, LastLine()) << c.what;
        EXPECT_EQ("", sim::Leaks()) << c.what;
    }
}

// Each way the spooler can be found: the answer is success (a spooler that
// cannot be controlled must not make a package impossible to remove), and
// the log says what the first cycle saw or why the removal stopped and that
// the software was left.
TEST_F(SimTest, VexloRemoveLogsWhatWasLeftWhenTheSpoolerCannotBeControlled) {
    const std::string left = "VexloRemove: the Vexlo-420 printer's software was left in place from ";
    struct Case {
        const char* what;
        void (*setUp)();
        const char* line;
        std::string last;
    } cases[] = {
        {"running", [] { sim::machine().services.spooler().status = {SERVICE_RUNNING, 0}; },
         "VexloRemove: print spooler found running, left running, in 20.0 s",
         "VexloRemove: the Vexlo-420 printer's software was removed"},
        {"stopped", [] {}, "VexloRemove: print spooler found stopped, left running, in 10.0 s",
         "VexloRemove: the Vexlo-420 printer's software was removed"},
        {"paused", [] { sim::machine().services.spooler().status = {SERVICE_PAUSED, 0}; },
         "VexloRemove: print spooler found paused, left paused, in 0.0 s",
         "VexloRemove: the Vexlo-420 printer's software was removed"},
        {"disabled", [] { sim::machine().services.spooler().disabled = true; },
         "VexloRemove: the print spooler could not be controlled (StartServiceA failed with error 1058 "
         "ERROR_SERVICE_DISABLED); the removal stopped there",
         left + "\"Stopping and starting the print spooler...\" on"},
        {"the service manager refuses", [] { sim::machine().services.managerAccessDenied = true; },
         "VexloRemove: the print spooler could not be controlled (OpenSCManagerA failed with error 5 "
         "ERROR_ACCESS_DENIED); the removal stopped there",
         left + "\"Stopping and starting the print spooler...\" on"},
        {"refuses to stop the second time",
         [] {
             sim::machine().services.spooler().status = {SERVICE_RUNNING, 0};
             sim::Fail("ControlService", 2, ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
         },
         "VexloRemove: the print spooler could not be controlled (ControlService failed with error 1061 "
         "ERROR_SERVICE_CANNOT_ACCEPT_CTRL); the removal stopped there",
         left + "\"Restarting the print spooler...\" on"},
    };
    for (const Case& c : cases) {
        sim::Reset();
        InstallProduct();
        c.setUp();
        Deferred();
        EXPECT_EQ(ERROR_SUCCESS, VexloRemove(sim::kInstallHandle)) << c.what;
        EXPECT_TRUE(Logged(c.line)) << c.what << ": expected in the log: " << c.line;
        EXPECT_TRUE(StartsWith(LastLine(), c.last)) << c.what << ": expected a last line starting [" << c.last
                                                    << "], got [" << LastLine() << "]";
        EXPECT_EQ(80000, Sum(sim::machine().installation.progress, "advance")) << c.what;
        EXPECT_EQ("", sim::Leaks()) << c.what;
    }
}

// A spooler that the removal stopped and that will not start again, in
// either cycle: the start is tried once more; a second try that starts it
// lets the removal go on, one that fails leaves the last line saying first
// that the spooler is stopped, and the answer is a failure only when the
// removal found the spooler running.
TEST_F(SimTest, VexloRemoveTriesOnceMoreASpoolerItStoppedAndFailsWhenItStaysStopped) {
    const std::string removed = "VexloRemove: the Vexlo-420 printer's software was removed";
    // The log lines of a start tried twice: started at the second try, or left stopped.
    const std::string retried =
        "VexloRemove: print spooler found running, left running, in 20.0 s; its start failed the first time "
        "(StartServiceA failed with error 5 ERROR_ACCESS_DENIED) and was tried once more";
    const std::string leftStopped =
        "VexloRemove: print spooler found running: StartServiceA failed with error 5 ERROR_ACCESS_DENIED; tried "
        "once more: StartServiceA failed with error 5 ERROR_ACCESS_DENIED; left stopped, after 10.0 s";
    // The last line when the spooler stays stopped: what to do, whether it
    // was stopped before, and the step the software was left in place from.
    auto stoppedLast = [](const std::string& before, const std::string& step) {
        return "VexloRemove: the print spooler is stopped: StartServiceA failed with error 5 ERROR_ACCESS_DENIED at "
               "the second try too, so nothing on this computer prints until it runs again; start the Print Spooler "
               "service as an administrator (services.msc, or sc start Spooler) and, if it will not start, see the "
               "System event log" +
               before + "; the Vexlo-420 printer's software was left in place from \"" + step + "\" on";
    };
    const std::string firstCycle = "Stopping and starting the print spooler...";
    const std::string secondCycle = "Restarting the print spooler...";
    struct Case {
        const char* what;
        DWORD foundState;
        int failFrom;  // the first StartServiceA that fails with access denied
        bool always;   // and every later one
        UINT answer;
        DWORD left;
        int starts;  // StartServiceA calls in all
        std::string line;
        std::string last;  // the last line's start
    } cases[] = {
        {"first cycle, the second try starts it", SERVICE_RUNNING, 1, false, ERROR_SUCCESS, SERVICE_RUNNING, 3,
         retried, removed},
        {"first cycle, stays stopped", SERVICE_RUNNING, 1, true, ERROR_INSTALL_FAILURE, SERVICE_STOPPED, 2,
         leftStopped, stoppedLast("", firstCycle)},
        {"second cycle, the second try starts it", SERVICE_RUNNING, 2, false, ERROR_SUCCESS, SERVICE_RUNNING, 3,
         retried, removed},
        {"second cycle, stays stopped", SERVICE_RUNNING, 2, true, ERROR_INSTALL_FAILURE, SERVICE_STOPPED, 3,
         leftStopped, stoppedLast("", secondCycle)},
        // Found stopped: started by the first cycle, stopped by the second,
        // and left as it was found: no failure.
        {"found stopped, second cycle, stays stopped", SERVICE_STOPPED, 2, true, ERROR_SUCCESS, SERVICE_STOPPED, 3,
         leftStopped, stoppedLast(" (it was stopped before the removal too)", secondCycle)},
        // A start the removal's own first cycle makes is no restart of a
        // spooler it stopped: not tried again, and the spooler is as found.
        {"found stopped, its first start fails", SERVICE_STOPPED, 1, true, ERROR_SUCCESS, SERVICE_STOPPED, 1,
         "VexloRemove: print spooler found stopped: StartServiceA failed with error 5 ERROR_ACCESS_DENIED, after "
         "0.0 s",
         "VexloRemove: the Vexlo-420 printer's software was left in place from \"" + firstCycle + "\" on"},
    };
    for (const Case& c : cases) {
        sim::Reset();
        InstallProduct();
        sim::machine().services.spooler().status = {c.foundState, 0};
        sim::Fail("StartServiceA", c.failFrom, ERROR_ACCESS_DENIED, c.always);
        Deferred();
        EXPECT_EQ(c.answer, VexloRemove(sim::kInstallHandle)) << c.what;
        EXPECT_EQ(c.left, sim::machine().services.spooler().status.state) << c.what;
        EXPECT_EQ(c.starts, sim::CallCount("StartServiceA")) << c.what;
        EXPECT_TRUE(Logged(c.line)) << c.what << ": expected in the log: " << c.line;
        EXPECT_TRUE(StartsWith(LastLine(), c.last)) << c.what << ": expected a last line starting [" << c.last
                                                    << "], got [" << LastLine() << "]";
        EXPECT_EQ("", sim::Leaks()) << c.what;
    }
}

// A driver deletion that fails without an error, as Wine's spooler answers
// for a driver it does not have: gone only when the spooler's own list no
// longer holds the driver; still listed, or a list that cannot be read, is
// a refusal.
TEST_F(SimTest, VexloRemoveCallsADriverGoneOnlyWhenItsListNoLongerHoldsIt) {
    const std::string driver = "VexloRemove: driver \"Vexlo-420 LABEL\" ";
    struct Case {
        const char* what;
        int failFrom;          // DeletePrinterDriverA calls from this one fail with no error
        bool listUnreadable;   // EnumPrinterDriversA fails
        std::string line;
        std::string last;
    } cases[] = {
        {"refused with no error, still listed", 1, false,
         driver + "not removed: no error given, and still in the spooler's list or its list unreadable",
         "VexloRemove: the Vexlo-420 printer's software was removed with 2 refusals: driver \"Vexlo-420 LABEL\" "
         "(no error given, and still in the spooler's list or its list unreadable); driver \"Vexlo-420G LABEL\" "
         "(no error given, and still in the spooler's list or its list unreadable)"},
        {"no error after the first pass removed them, no longer listed", 3, false,
         driver + "already gone (no error given; not in the spooler's list)",
         "VexloRemove: the Vexlo-420 printer's software was removed"},
        {"no error, the list unreadable", 3, true,
         driver + "not removed: no error given, and still in the spooler's list or its list unreadable",
         "VexloRemove: the Vexlo-420 printer's software was removed with 2 refusals: driver \"Vexlo-420 LABEL\" "
         "(no error given, and still in the spooler's list or its list unreadable); driver \"Vexlo-420G LABEL\" "
         "(no error given, and still in the spooler's list or its list unreadable)"},
    };
    for (const Case& c : cases) {
        sim::Reset();
        InstallProduct();
        sim::machine().services.spooler().status = {SERVICE_RUNNING, 0};
        sim::Fail("DeletePrinterDriverA", c.failFrom, ERROR_SUCCESS, true);
        if (c.listUnreadable) ListUnreadable("EnumPrinterDriversA");
        Deferred();
        EXPECT_EQ(ERROR_SUCCESS, VexloRemove(sim::kInstallHandle)) << c.what;
        EXPECT_TRUE(Logged(c.line)) << c.what << ": expected in the log: " << c.line;
        EXPECT_EQ(c.last, LastLine()) << c.what;
        EXPECT_EQ("", sim::Leaks()) << c.what;
    }
    // DeleteALL asks for no report, and looks at no list.
    sim::Reset();
    InstallProduct();
    sim::Fail("DeletePrinterDriverA", 1, ERROR_SUCCESS, true);
    DeleteALL();
    EXPECT_EQ(0, sim::CallCount("EnumPrinterDriversA"));
}

// Cancel pressed at each message VexloRemove sends: it answers 1602, stops
// at the next step boundary (a step announced after the Cancel is never
// begun), never leaves the spooler stopped, and leaves nothing open.
TEST_F(SimTest, VexloRemoveStopsAtTheNextStepWhenCancelledAtAnyMessage) {
    auto setUp = [] {
        InstallProduct();
        sim::machine().services.spooler().status = {SERVICE_RUNNING, 0};
        Deferred();
    };
    setUp();
    ASSERT_EQ(ERROR_SUCCESS, VexloRemove(sim::kInstallHandle));
    const int messages = sim::machine().installation.messages;
    ASSERT_GT(messages, 20);
    for (int n = 1; n <= messages; ++n) {
        sim::Reset();
        setUp();
        sim::machine().installation.cancelAtMessage = n;
        EXPECT_EQ(static_cast<UINT>(ERROR_INSTALL_USEREXIT), VexloRemove(sim::kInstallHandle)) << "cancel at " << n;
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), sim::machine().services.spooler().status.state)
            << "cancel at message " << n << ": the spooler is left running";
        EXPECT_TRUE(StartsWith(LastLine(), "VexloRemove: cancelled")) << "cancel at " << n << ": " << LastLine();
        EXPECT_EQ("", sim::Leaks()) << "cancel at " << n;
        const Strings& actions = sim::machine().installation.actions;
        if (actions.empty()) continue;
        // The step announced last was cut off by the Cancel when its own
        // announcement was answered with it: then none of its work was done.
        if (actions.back() == "Removing the printer's queues..." &&
            LastLine() == "VexloRemove: cancelled: stopped before \"Removing the printer's queues...\"; what the "
                          "steps before it removed is listed above; the print spooler was left running") {
            EXPECT_TRUE(sim::machine().spooler.HasPrinter("Vexlo Label")) << "cancel at " << n;
            EXPECT_EQ(0, sim::CallCount("DeletePrinter")) << "cancel at " << n;
        }
    }
    // The first message: nothing at all was begun.
    sim::Reset();
    setUp();
    sim::machine().installation.cancelAtMessage = 1;
    EXPECT_EQ(static_cast<UINT>(ERROR_INSTALL_USEREXIT), VexloRemove(sim::kInstallHandle));
    EXPECT_EQ("VexloRemove: cancelled: stopped before \"Stopping and starting the print spooler...\"; what the steps "
              "before it removed is listed above; the print spooler was left untouched",
              LastLine());
    ExpectNothingChanged("cancel at the first message");
}

// Each action run in a mode it was not made for: one line saying how to
// schedule it, nothing done, success (the package stays installable and
// removable).
TEST_F(SimTest, EachActionRunInTheWrongModeDoesNothingAndSaysHowToScheduleIt) {
    struct Case {
        const char* what;
        UINT (*action)(MSIHANDLE);
        std::set<int> modes;
        const char* start;
    } cases[] = {
        {"VexloRemove, immediate", VexloRemove, {}, "VexloRemove: not run as a deferred action, so it removed nothing"},
        {"VexloRemove, as a rollback action", VexloRemove, {MSIRUNMODE_SCHEDULED, MSIRUNMODE_ROLLBACK},
         "VexloRemove: not run as a deferred action, so it removed nothing"},
        {"VexloRemove, as a commit action", VexloRemove, {MSIRUNMODE_SCHEDULED, MSIRUNMODE_COMMIT},
         "VexloRemove: not run as a deferred action, so it removed nothing"},
        {"VexloDetect, deferred", VexloDetect, {MSIRUNMODE_SCHEDULED},
         "VexloDetect: run as a deferred action, where it cannot set properties, so it set none"},
        {"VexloPlanRemoval, deferred", VexloPlanRemoval, {MSIRUNMODE_SCHEDULED},
         "VexloPlanRemoval: run as a deferred action"},
    };
    for (const Case& c : cases) {
        sim::Reset();
        InstallProduct();
        Attach();
        sim::machine().installation.modes = c.modes;
        EXPECT_EQ(ERROR_SUCCESS, c.action(sim::kInstallHandle)) << c.what;
        ASSERT_EQ(1u, sim::machine().installation.log.size()) << c.what;
        EXPECT_TRUE(StartsWith(LastLine(), c.start)) << c.what << ": " << LastLine();
        EXPECT_TRUE(sim::machine().installation.properties.empty()) << c.what;
        EXPECT_TRUE(sim::machine().installation.progress.empty()) << c.what;
        ExpectNothingChanged(c.what);
        EXPECT_EQ("", sim::Leaks()) << c.what;
    }
}

}  // namespace
