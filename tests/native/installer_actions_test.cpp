// The Windows Installer custom actions on the simulated machine, in a
// simulated installation: the properties VexloDetect sets, and VexloRemove's
// log lines, action texts, progress and answer for each spooler outcome.
// The removal itself is the library's: its platform calls are DeleteALL's.
#include "ProductInstalls.h"
#include "SimTest.h"
#include "VexloDeletePrinter.h"

#include <msiquery.h>

#include <string>
#include <vector>

extern "C" UINT WINAPI VexloDetect(MSIHANDLE install);
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

TEST_F(SimTest, VexloDetectSetsOrRemovesItsTwoPropertiesAndAnswersSuccess) {
    struct Case {
        const char* what;
        void (*setUp)();
        const char* attached;
        const char* installed;
    } cases[] = {
        {"nothing there", [] {}, "(none)", "(none)"},
        {"another maker's software only", InstallOtherMake, "(none)", "(none)"},
        {"attached, nothing installed", Attach, "1", "(none)"},
        {"installed, not attached", InstallProduct, "(none)", "1"},
        {"both", [] { InstallProduct(); Attach(); }, "1", "1"},
        {"only the monitor", [] { sim::machine().spooler.monitors = {"vexlolm"}; }, "(none)", "1"},
        {"only a driver, under WOW64 for the machine's own environment",
         [] {
             sim::machine().processor = {IMAGE_FILE_MACHINE_AMD64, true, true};
             sim::machine().spooler.otherDrivers["Windows x64"] = {"Vexlo-420G LABEL"};
         },
         "(none)", "1"},
        {"only a package", [] { sim::machine().files.Put(kInf + "oem7.inf", "[Version]\nProvider=Vexlo\n"); },
         "(none)", "1"},
        {"only a queue the user may use but not administer",
         [] {
             sim::machine().spooler.drivers = {"Vexlo-420 LABEL"};
             sim::machine().spooler.printers = {{"Shared", "Vexlo-420 LABEL", "", 0, 0, PRINTER_ACCESS_USE}};
         },
         "(none)", "1"},
    };
    for (const Case& c : cases) {
        sim::Reset();
        c.setUp();
        // Left from an earlier run of the package: a property that no longer
        // holds must go.
        sim::machine().installation.properties = {{"VEXLO420_ATTACHED", "1"}, {"VEXLO420_INSTALLED", "1"}};
        EXPECT_EQ(ERROR_SUCCESS, VexloDetect(sim::kInstallHandle)) << c.what;
        EXPECT_EQ(c.attached, Property("VEXLO420_ATTACHED")) << c.what;
        EXPECT_EQ(c.installed, Property("VEXLO420_INSTALLED")) << c.what;
        EXPECT_EQ(1u, sim::machine().installation.log.size()) << c.what;
        for (const char* changing : {"DeletePrinter", "DeleteMonitorA", "DeletePrinterDriverA", "StartServiceA",
                                     "ControlService", "SetupUninstallOEMInfA"}) {
            EXPECT_EQ(0, sim::CallCount(changing)) << c.what << ": " << changing;
        }
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

TEST_F(SimTest, VexloRemoveRunsDeleteAllsRemovalAndLogsEachStep) {
    InstallProduct();
    sim::machine().services.spooler().status = {SERVICE_RUNNING, 0};
    EXPECT_EQ(1, DeleteALL());
    const Strings deleteAllCalls = PlatformCalls();

    sim::Reset();
    InstallProduct();
    sim::machine().services.spooler().status = {SERVICE_RUNNING, 0};
    EXPECT_EQ(ERROR_SUCCESS, VexloRemove(sim::kInstallHandle));
    EXPECT_EQ(deleteAllCalls, PlatformCalls()) << "the removal is DeleteALL's, call for call";

    const sim::Installation& installation = sim::machine().installation;
    for (const char* line : {
             "VexloRemove: removing the Vexlo-420 printer's software",
             "VexloRemove: Stopping and starting the print spooler...",
             "VexloRemove: print spooler found running, left running, in 20.0 s",
             "VexloRemove: queue \"Vexlo Label\" removed",
             "VexloRemove: port monitor \"VexloLM\" removed",
             "VexloRemove: driver \"Vexlo-420 LABEL\" removed",
             "VexloRemove: driver \"Vexlo-420G LABEL\" removed",
             "VexloRemove: port monitor \"VexloLM\" not removed: error 3000",
             "VexloRemove: driver \"Vexlo-420 LABEL\" not removed: error 1797",
             "VexloRemove: driver package \"oem1.inf\" removed",
             "VexloRemove: the Vexlo-420 printer's software was removed",
         }) {
        EXPECT_TRUE(Logged(line)) << "expected in the log: " << line;
    }
    EXPECT_EQ((Strings{"Stopping and starting the print spooler...", "Removing the printer's queues...",
                       "Removing the printer's port monitor...", "Removing the printer's drivers...",
                       "Restarting the print spooler...", "Removing the printer's port monitor, after the restart...",
                       "Removing the printer's drivers, after the restart...",
                       "Removing the printer's driver packages..."}),
              installation.actions);
    ASSERT_FALSE(installation.progress.empty());
    EXPECT_EQ("reset 80000", installation.progress.front());
    long advanced = 0;
    for (const std::string& p : installation.progress) {
        if (p.rfind("advance ", 0) == 0) advanced += std::stol(p.substr(8));
    }
    EXPECT_EQ(80000, advanced) << "the bar ends full";
    EXPECT_FALSE(sim::machine().spooler.HasPrinter("Vexlo Label"));
    EXPECT_TRUE(sim::machine().spooler.HasPrinter("Office"));
    EXPECT_TRUE(sim::machine().files.Has(kInf + "oem2.inf"));
}

// Each way the spooler can be found: the answer Windows Installer reads, and
// the log line that says what the first cycle saw or why the removal stopped.
TEST_F(SimTest, VexloRemoveAnswersFailureOnlyWhenTheSpoolerCannotBeControlled) {
    struct Case {
        const char* what;
        void (*setUp)();
        UINT answer;
        const char* line;
    } cases[] = {
        {"running", [] { sim::machine().services.spooler().status = {SERVICE_RUNNING, 0}; }, ERROR_SUCCESS,
         "VexloRemove: print spooler found running, left running, in 20.0 s"},
        {"stopped", [] {}, ERROR_SUCCESS, "VexloRemove: print spooler found stopped, left running, in 10.0 s"},
        {"paused", [] { sim::machine().services.spooler().status = {SERVICE_PAUSED, 0}; }, ERROR_SUCCESS,
         "VexloRemove: print spooler found paused, left paused, in 0.0 s"},
        {"disabled", [] { sim::machine().services.spooler().disabled = true; }, ERROR_INSTALL_FAILURE,
         "VexloRemove: the print spooler could not be controlled (StartServiceA failed with error 1058); the "
         "removal stopped there"},
        {"the service manager refuses", [] { sim::machine().services.managerAccessDenied = true; },
         ERROR_INSTALL_FAILURE,
         "VexloRemove: the print spooler could not be controlled (OpenSCManagerA failed with error 5); the removal "
         "stopped there"},
        {"refuses to stop the second time",
         [] {
             sim::machine().services.spooler().status = {SERVICE_RUNNING, 0};
             sim::Fail("ControlService", 2, ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
         },
         ERROR_INSTALL_FAILURE,
         "VexloRemove: the print spooler could not be controlled (ControlService failed with error 1061); the "
         "removal stopped there"},
    };
    for (const Case& c : cases) {
        sim::Reset();
        InstallProduct();
        c.setUp();
        EXPECT_EQ(c.answer, VexloRemove(sim::kInstallHandle)) << c.what;
        EXPECT_TRUE(Logged(c.line)) << c.what << ": expected in the log: " << c.line;
        EXPECT_EQ("", sim::Leaks()) << c.what;
    }
}

}  // namespace
