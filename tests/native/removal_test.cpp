#include "SimTest.h"
#include "removal/PrinterRemoval.h"
#include "removal/SpoolerControl.h"
#include "SpoolerOutcomeName.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using vexlo::SpoolerOutcome;
using Strings = std::vector<std::string>;


sim::Service& Spooler() { return sim::machine().services.spooler(); }

// ---- spooler control ------------------------------------------------------

struct SpoolerCase {
    const char* what;
    DWORD state;
    std::function<void(sim::Service&)> setUp;
    SpoolerOutcome prepare;  // what PrepareSpooler returns
    bool restart;            // what RestartSpooler returns from the same start
    int stopsPrepare, startsPrepare, stopsRestart, startsRestart;
};

const SpoolerCase kSpoolerCases[] = {
    {"running", SERVICE_RUNNING, nullptr, SpoolerOutcome::Restarted, true, 1, 1, 1, 1},
    {"stopped", SERVICE_STOPPED, nullptr, SpoolerOutcome::Started, true, 0, 1, 0, 1},
    {"stop pending, stays pending", SERVICE_STOP_PENDING, nullptr, SpoolerOutcome::Untouched, true, 0, 0, 0, 0},
    {"stop pending, stopped by the second query", SERVICE_STOP_PENDING,
     [](sim::Service& s) { s.script = {{SERVICE_STOP_PENDING, 0}, {SERVICE_STOPPED, 0}}; }, SpoolerOutcome::Untouched,
     true, 0, 0, 0, 1},
    {"paused", SERVICE_PAUSED, nullptr, SpoolerOutcome::Untouched, true, 0, 0, 0, 0},
    {"stopped and disabled", SERVICE_STOPPED, [](sim::Service& s) { s.disabled = true; }, SpoolerOutcome::Failed, false,
     0, 0, 0, 0},
    {"running, disabled: cannot start again", SERVICE_RUNNING, [](sim::Service& s) { s.disabled = true; },
     SpoolerOutcome::Failed, false, 1, 0, 1, 0},
    {"refuses the stop", SERVICE_RUNNING, [](sim::Service& s) { s.refuseStop = true; }, SpoolerOutcome::Failed, false,
     0, 0, 0, 0},
    {"stop never completes", SERVICE_RUNNING, [](sim::Service& s) { s.afterStop = {{SERVICE_STOP_PENDING, 3000}}; },
     SpoolerOutcome::Restarted, true, 1, 0, 1, 0},
};

class SpoolerControlTest : public SimTest, public ::testing::WithParamInterface<SpoolerCase> {
protected:
    void Given(const SpoolerCase& c) {
        sim::Reset();
        Spooler().status = {c.state, 10000};
        if (c.setUp) c.setUp(Spooler());
    }
};

TEST_P(SpoolerControlTest, PrepareSpooler) {
    const SpoolerCase& c = GetParam();
    Given(c);
    const SpoolerOutcome got = vexlo::PrepareSpooler();
    EXPECT_STREQ(SpoolerOutcomeName(c.prepare), SpoolerOutcomeName(got)) << c.what;
    EXPECT_EQ(c.stopsPrepare, Spooler().stops) << c.what;
    EXPECT_EQ(c.startsPrepare, Spooler().starts) << c.what;
}

TEST_P(SpoolerControlTest, RestartSpooler) {
    const SpoolerCase& c = GetParam();
    Given(c);
    EXPECT_EQ(c.restart, vexlo::RestartSpooler()) << c.what;
    EXPECT_EQ(c.stopsRestart, Spooler().stops) << c.what;
    EXPECT_EQ(c.startsRestart, Spooler().starts) << c.what;
}

INSTANTIATE_TEST_SUITE_P(States, SpoolerControlTest, ::testing::ValuesIn(kSpoolerCases));

TEST_F(SimTest, SpoolerProceduresFailWithoutTheRightToControlServices) {
    for (bool managerDenied : {true, false}) {
        sim::Reset();
        sim::machine().services.managerAccessDenied = managerDenied;
        sim::machine().services.serviceAccessDenied = !managerDenied;
        Spooler().status = {SERVICE_RUNNING, 0};
        EXPECT_EQ(SpoolerOutcome::Failed, vexlo::PrepareSpooler()) << "manager denied: " << managerDenied;
        EXPECT_FALSE(vexlo::RestartSpooler()) << "manager denied: " << managerDenied;
        EXPECT_EQ(0, sim::CallCount("QueryServiceStatus")) << "no request reaches the spooler";
        EXPECT_EQ(managerDenied ? 0 : 2, sim::CallCount("CloseServiceHandle")) << "the opened manager is closed";
        EXPECT_EQ("", sim::Leaks());
    }
}

TEST_F(SimTest, SpoolerPairClosesServiceBeforeManagerAndReopensAfterTheStop) {
    Spooler().status = {SERVICE_RUNNING, 0};
    EXPECT_EQ(SpoolerOutcome::Restarted, vexlo::PrepareSpooler());
    EXPECT_EQ((Strings{"service", "manager", "service", "manager"}), sim::CallDetails("CloseServiceHandle"));
    EXPECT_EQ(2, sim::CallCount("OpenSCManagerA"));
}

TEST_F(SimTest, WaitSleepsEachReportedHintExactlyAndAtLeastOnce) {
    struct Case {
        const char* what;
        std::vector<sim::ServiceStatus> afterStart;
        Strings sleeps;
    } cases[] = {
        {"target already holds: still one sleep", {{SERVICE_RUNNING, 10000}}, {"10000"}},
        {"pending with short hints",
         {{SERVICE_START_PENDING, 300}, {SERVICE_START_PENDING, 200}, {SERVICE_RUNNING, 50}},
         {"200", "50"}},
        {"hint 0 polls without pausing",
         {{SERVICE_START_PENDING, 0}, {SERVICE_START_PENDING, 0}, {SERVICE_RUNNING, 0}},
         {"0", "0"}},
    };
    for (const Case& c : cases) {
        sim::Reset();
        Spooler().afterStart = c.afterStart;
        EXPECT_EQ(SpoolerOutcome::Started, vexlo::PrepareSpooler()) << c.what;
        EXPECT_EQ(c.sleeps, sim::CallDetails("Sleep")) << c.what;
        EXPECT_EQ("", sim::Leaks()) << c.what;
    }
}

TEST_F(SimTest, WaitIsBoundedForAServiceThatNeverArrives) {
    struct Case {
        const char* what;
        std::vector<sim::ServiceStatus> afterStart;
    } cases[] = {
        {"pending for ever", {{SERVICE_START_PENDING, 2000}}},
        {"pending for ever, hint 0", {{SERVICE_START_PENDING, 0}}},
        {"falls back to stopped", {{SERVICE_START_PENDING, 500}, {SERVICE_STOPPED, 500}}},
        {"hint INFINITE", {{SERVICE_START_PENDING, 0xFFFFFFFF}}},
        {"hint just under INFINITE", {{SERVICE_START_PENDING, 0xFFFFFFFE}}},
    };
    for (const Case& c : cases) {
        sim::Reset();
        Spooler().afterStart = c.afterStart;
        const DWORD before = sim::machine().tickCount;
        EXPECT_EQ(SpoolerOutcome::Started, vexlo::PrepareSpooler()) << c.what;
        const DWORD waited = sim::machine().tickCount - before;
        EXPECT_GE(waited, vexlo::kServiceWaitBoundMs) << c.what;
        EXPECT_LE(waited, vexlo::kServiceWaitBoundMs + 2100) << c.what << ": the bound cuts the wait short";
        EXPECT_EQ("", sim::Leaks()) << c.what;
    }
}

TEST_F(SimTest, AFailedQueryEndsTheWaitButNotTheProcedure) {
    Spooler().afterStart = {{SERVICE_START_PENDING, 100}};
    sim::Fail("QueryServiceStatus", 2, ERROR_INVALID_HANDLE);  // the first query inside the wait
    EXPECT_EQ(SpoolerOutcome::Started, vexlo::PrepareSpooler());
    EXPECT_EQ(0, sim::CallCount("Sleep"));
}

TEST_F(SimTest, RestartSpoolerFailsWhenItsQueriesFail) {
    for (int nth : {1, 2, 3}) {  // first query, the wait's (ignored), the query after reopening
        sim::Reset();
        Spooler().status = {SERVICE_RUNNING, 0};
        sim::Fail("QueryServiceStatus", nth, ERROR_INVALID_HANDLE);
        EXPECT_EQ(nth == 2, vexlo::RestartSpooler()) << "query " << nth << " fails";
        EXPECT_EQ("", sim::Leaks()) << "query " << nth << " fails";
    }
}

// ---- queues ---------------------------------------------------------------

// A queue and its driver, installed for the process's own environment.
void AddPrinter(const std::string& name, const std::string& driver, const std::string& server = "") {
    sim::machine().spooler.printers.push_back({name, driver, server});
    if (!sim::machine().spooler.HasDriver(driver)) sim::machine().spooler.drivers.push_back(driver);
}

Strings PrinterNames() {
    Strings names;
    for (const sim::Printer& p : sim::machine().spooler.printers) names.push_back(p.name);
    return names;
}

TEST_F(SimTest, RemovePrinterQueuesDeletesQueuesOfTheModelOnly) {
    AddPrinter("Label A", "Vexlo-420 LABEL");
    AddPrinter("Label G", "Vexlo-420G LABEL");
    AddPrinter("Office", "Acme LaserJet");
    AddPrinter("Lower", "vexlo-420 label");
    AddPrinter("Inside", "Generic for Vexlo-420 series");
    AddPrinter("Nameless driver", "");
    AddPrinter("Remote label", "Vexlo-420 LABEL", "\\\\printhost");
    AddPrinter("Remote office", "Acme LaserJet", "\\\\printhost");
    vexlo::RemovePrinterQueues(vexlo::Winspool());
    EXPECT_EQ((Strings{"Office", "Lower", "Nameless driver", "Remote office"}), PrinterNames());
    EXPECT_EQ(8, sim::CallCount("OpenPrinterA")) << "every queue and connection examined";
    EXPECT_EQ(8, sim::CallCount("ClosePrinter"));
}

TEST_F(SimTest, RemovePrinterQueuesWithNoPrintersOpensNothing) {
    vexlo::RemovePrinterQueues(vexlo::Winspool());
    EXPECT_EQ(1, sim::CallCount("EnumPrintersA"));
    EXPECT_EQ(0, sim::CallCount("OpenPrinterA"));
    EXPECT_EQ(0, sim::CallCount("LocalAlloc"));
}

TEST_F(SimTest, RemovePrinterQueuesSkipsWhatItCannotExamineOrDelete) {
    AddPrinter("Locked", "Vexlo-420 LABEL");
    sim::machine().spooler.printers.back().openError = ERROR_ACCESS_DENIED;
    AddPrinter("No driver info", "Vexlo-420 LABEL");
    AddPrinter("Refuses", "Vexlo-420 LABEL");
    sim::machine().spooler.printers.back().deleteError = ERROR_ACCESS_DENIED;
    AddPrinter("Plain", "Vexlo-420G LABEL");
    sim::Fail("GetPrinterDriverA", 2, ERROR_INVALID_HANDLE);  // the fetch for "No driver info"
    vexlo::RemovePrinterQueues(vexlo::Winspool());
    EXPECT_EQ((Strings{"Locked", "No driver info", "Refuses"}), PrinterNames());
    EXPECT_EQ(3, sim::CallCount("ClosePrinter")) << "every opened printer is closed";
}

TEST_F(SimTest, RemovePrinterQueuesGivesUpOnAnEnumerationThatNeverSucceeds) {
    struct Case {
        const char* what;
        DWORD error;
    } cases[] = {{"keeps failing", RPC_S_SERVER_UNAVAILABLE}, {"keeps asking for more", ERROR_INSUFFICIENT_BUFFER}};
    for (const Case& c : cases) {
        sim::Reset();
        AddPrinter("Label", "Vexlo-420 LABEL");
        sim::Fail("EnumPrintersA", 1, c.error, true);
        vexlo::RemovePrinterQueues(vexlo::Winspool());
        EXPECT_EQ(8, sim::CallCount("EnumPrintersA")) << c.what;
        EXPECT_EQ(0, sim::CallCount("OpenPrinterA")) << c.what;
        EXPECT_EQ(Strings{"Label"}, PrinterNames()) << c.what;
        EXPECT_EQ("", sim::Leaks()) << c.what;
    }
}

TEST_F(SimTest, RemovePrinterQueuesRecoversFromATransientFailureAndAGrowingList) {
    AddPrinter("Label", "Vexlo-420 LABEL");
    sim::Fail("EnumPrintersA", 2, RPC_S_SERVER_UNAVAILABLE);
    sim::Fail("EnumPrintersA", 3, ERROR_INSUFFICIENT_BUFFER);  // a list that grew meanwhile
    vexlo::RemovePrinterQueues(vexlo::Winspool());
    EXPECT_TRUE(PrinterNames().empty());
    EXPECT_EQ(4, sim::CallCount("EnumPrintersA"));
    EXPECT_EQ(2, sim::CallCount("LocalAlloc")) << "a new buffer for each insufficient-buffer answer";
}

TEST_F(SimTest, RemovePrinterQueuesSkipsWhenAnAllocationFails) {
    AddPrinter("First", "Vexlo-420 LABEL");
    AddPrinter("Second", "Vexlo-420 LABEL");
    sim::Fail("HeapAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    vexlo::RemovePrinterQueues(vexlo::Winspool());
    EXPECT_EQ(Strings{"First"}, PrinterNames()) << "only the printer whose buffer failed is skipped";

    sim::Fail("LocalAlloc", sim::CallCount("LocalAlloc") + 1, ERROR_NOT_ENOUGH_MEMORY);
    vexlo::RemovePrinterQueues(vexlo::Winspool());
    EXPECT_EQ(Strings{"First"}, PrinterNames()) << "no enumeration buffer: the walk is skipped";
    EXPECT_EQ(2, sim::CallCount("OpenPrinterA"));
}

// ---- monitor and drivers --------------------------------------------------

TEST_F(SimTest, RemoveLabelMonitorAndDriversDeleteTheProductsOnly) {
    sim::machine().spooler.monitors = {"Local Port", "VexloLM"};
    sim::machine().spooler.drivers = {"Acme LaserJet", "Vexlo-420 LABEL", "Vexlo-420G LABEL"};
    vexlo::RemoveLabelMonitor(vexlo::Winspool());
    vexlo::RemoveLabelDrivers(vexlo::Winspool());
    EXPECT_EQ(Strings{"Local Port"}, sim::machine().spooler.monitors);
    EXPECT_EQ(Strings{"Acme LaserJet"}, sim::machine().spooler.drivers);
    EXPECT_EQ((Strings{"Vexlo-420 LABEL", "Vexlo-420G LABEL"}), sim::CallDetails("DeletePrinterDriverA"));
}

TEST_F(SimTest, RemoveLabelDriversTriesBothWhateverTheFirstGives) {
    sim::machine().spooler.drivers = {"Vexlo-420G LABEL"};
    vexlo::RemoveLabelMonitor(vexlo::Winspool());  // absent: refused, ignored
    vexlo::RemoveLabelDrivers(vexlo::Winspool());  // the first is absent
    EXPECT_TRUE(sim::machine().spooler.drivers.empty());

    sim::machine().spooler.drivers = {"Vexlo-420 LABEL", "Vexlo-420G LABEL"};
    sim::Fail("DeletePrinterDriverA", 3, ERROR_PRINTER_DRIVER_IN_USE);
    vexlo::RemoveLabelDrivers(vexlo::Winspool());
    EXPECT_EQ(Strings{"Vexlo-420 LABEL"}, sim::machine().spooler.drivers) << "the second is deleted regardless";
}

}  // namespace
