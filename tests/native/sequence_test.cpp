#include "SimTest.h"
#include "VexloDeletePrinter.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;
const std::string kInf = "C:\\WINDOWS\\inf\\";

// The product installed beside another maker's printer, monitor, driver and
// package, with the spooler in `state`.
void InstallEverything(DWORD state) {
    sim::Machine& m = sim::machine();
    m.services.spooler().status = {state, 10000};
    m.spooler.printers = {{"Vexlo Label", "Vexlo-420 LABEL", ""},
                          {"Office", "Acme LaserJet", ""},
                          {"Vexlo Label G", "Vexlo-420G LABEL", ""}};
    m.spooler.drivers = {"Vexlo-420 LABEL", "Vexlo-420G LABEL", "Acme LaserJet"};
    m.spooler.monitors = {"VexloLM", "Local Port"};
    m.files.Put(kInf + "oem1.inf", "[Version]\nProvider=Vexlo\n");
    m.files.Put(kInf + "oem2.inf", "[Version]\nProvider=Acme\n");
}

// Where the drivers are: a 64-bit installer puts them in "Windows x64".
const char* DriverEnvironment() { return sim::machine().processor.Wow64() ? "Windows x64" : nullptr; }

// The 32-bit DLL under WOW64 on a machine whose drivers a 64-bit installer
// put in place.
void MoveToX64() {
    sim::Machine& m = sim::machine();
    m.processor.nativeMachine = IMAGE_FILE_MACHINE_AMD64;
    m.spooler.otherDrivers["Windows x64"] = m.spooler.drivers;
    m.spooler.drivers.clear();
}

struct State {
    bool productQueues, monitor, drivers, package;
};

State ProductLeft() {
    const sim::Machine& m = sim::machine();
    return {m.spooler.HasPrinter("Vexlo Label") || m.spooler.HasPrinter("Vexlo Label G"), m.spooler.HasMonitor("VexloLM"),
            m.spooler.HasDriver("Vexlo-420 LABEL", DriverEnvironment()) ||
                m.spooler.HasDriver("Vexlo-420G LABEL", DriverEnvironment()),
            m.files.Has(kInf + "oem1.inf")};
}

void ExpectOtherMakeKept(const char* what) {
    const sim::Machine& m = sim::machine();
    EXPECT_TRUE(m.spooler.HasPrinter("Office")) << what;
    EXPECT_TRUE(m.spooler.HasDriver("Acme LaserJet", DriverEnvironment())) << what;
    EXPECT_TRUE(m.spooler.HasMonitor("Local Port")) << what;
    EXPECT_TRUE(m.files.Has(kInf + "oem2.inf")) << what;
}

struct SequenceCase {
    const char* what;
    DWORD spooler;
    std::function<void()> setUp;
    BOOLEAN result;
    State left;
    int monitorDeletions;
};

const SequenceCase kCases[] = {
    {"spooler running", SERVICE_RUNNING, nullptr, 1, {false, false, false, false}, 2},
    {"spooler stopped", SERVICE_STOPPED, nullptr, 1, {false, false, false, false}, 3},
    {"no right to control services", SERVICE_RUNNING,
     [] { sim::machine().services.managerAccessDenied = true; }, 0, {true, true, true, true}, 0},
    {"refuses the first stop", SERVICE_RUNNING, [] { sim::machine().services.spooler().refuseStop = true; }, 0,
     {true, true, true, true}, 0},
    {"cannot start again after the first pass", SERVICE_RUNNING,
     [] { sim::Fail("StartServiceA", 2, ERROR_SERVICE_DISABLED); }, 0, {false, false, false, true}, 1},
    {"second query of the restart finds it still stopping", SERVICE_RUNNING,
     [] { sim::machine().services.spooler().afterStop = {{SERVICE_STOP_PENDING, 100}}; },
     1, {false, false, false, false}, 2},
    {"WOW64 on x64, drivers for Windows x64", SERVICE_RUNNING, MoveToX64, 1, {false, false, false, false}, 4},
    {"WOW64 on x64, spooler stopped", SERVICE_STOPPED, MoveToX64, 1, {false, false, false, false}, 6},
    {"WOW64 on x64, cannot start again after the first pass", SERVICE_RUNNING,
     [] {
         MoveToX64();
         sim::Fail("StartServiceA", 2, ERROR_SERVICE_DISABLED);
     },
     0, {false, false, false, true}, 2},
    {"Windows directory unavailable", SERVICE_RUNNING, [] { sim::machine().files.windowsDirectory.reset(); }, 1,
     {false, false, false, true}, 2},
    {"Windows directory longer than 255 characters", SERVICE_RUNNING,
     [] { sim::machine().files.windowsDirectory = "C:\\" + std::string(253, 'w'); }, 1, {false, false, false, true}, 2},
};

class DeleteAllTest : public SimTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(DeleteAllTest, RunsTheSequenceAndReportsOnlySpoolerFailures) {
    const SequenceCase& c = GetParam();
    InstallEverything(c.spooler);
    if (c.setUp) c.setUp();
    EXPECT_EQ(c.result, DeleteALL()) << c.what;
    const State left = ProductLeft();
    EXPECT_EQ(c.left.productQueues, left.productQueues) << c.what << ": product queues left";
    EXPECT_EQ(c.left.monitor, left.monitor) << c.what << ": monitor left";
    EXPECT_EQ(c.left.drivers, left.drivers) << c.what << ": drivers left";
    EXPECT_EQ(c.left.package, left.package) << c.what << ": package left";
    EXPECT_EQ(c.monitorDeletions, sim::CallCount("DeleteMonitorA")) << c.what;
    ExpectOtherMakeKept(c.what);
}

INSTANTIATE_TEST_SUITE_P(Machines, DeleteAllTest, ::testing::ValuesIn(kCases));

TEST_F(SimTest, DeleteAllRunsTheStepsInOrder) {
    InstallEverything(SERVICE_STOPPED);
    EXPECT_EQ(1, DeleteALL());
    Strings steps;
    for (const std::string& name : sim::CallNames()) {
        if (name == "StartServiceA" || name == "ControlService" || name == "EnumPrintersA" ||
            name == "DeleteMonitorA" || name == "DeletePrinterDriverA" || name == "FindFirstFileA") {
            steps.push_back(name);
        }
    }
    EXPECT_EQ((Strings{"StartServiceA", "DeleteMonitorA", "EnumPrintersA", "EnumPrintersA", "DeleteMonitorA", "DeletePrinterDriverA",
                       "DeletePrinterDriverA", "ControlService", "StartServiceA", "DeleteMonitorA",
                       "DeletePrinterDriverA", "DeletePrinterDriverA", "FindFirstFileA"}),
              steps);
    EXPECT_EQ(Strings{kInf + "oem*.inf"}, sim::CallDetails("FindFirstFileA"));
}

TEST_F(SimTest, DeleteAllWithNothingInstalledStillCyclesTheSpoolerTwice) {
    sim::machine().services.spooler().status = {SERVICE_RUNNING, 10000};
    EXPECT_EQ(1, DeleteALL());
    EXPECT_EQ(2, sim::machine().services.spooler().stops);
    EXPECT_EQ(2, sim::machine().services.spooler().starts);
    EXPECT_EQ(4, sim::CallCount("DeletePrinterDriverA"));

    sim::machine().calls.clear();
    InstallEverything(SERVICE_RUNNING);
    EXPECT_EQ(1, DeleteALL());
    EXPECT_EQ(1, DeleteALL()) << "a second call finds nothing left and still succeeds";
    ExpectOtherMakeKept("twice");
}

TEST_F(SimTest, DeleteAllPurgesAWindowsDirectoryOf255Characters) {
    const std::string windows = "C:\\" + std::string(252, 'w');
    sim::machine().files.windowsDirectory = windows;
    sim::machine().files.Put(windows + "\\inf\\oem1.inf", "[Version]\nProvider=Vexlo\n");
    EXPECT_EQ(1, DeleteALL());
    EXPECT_EQ(Strings{"oem1.inf"}, sim::machine().files.uninstalled);
}

}  // namespace
