// Queue, monitor and driver removal and the spooler procedures, called
// directly against Wine's spooler and service manager: Wine's own spooler,
// and a stand-in service for pending states and refusals.
#include "wine_machine.h"

#include "removal/PrinterRemoval.h"
#include "removal/SpoolerControl.h"
#include "SpoolerOutcomeName.h"

namespace {

using vexlo::SpoolerOutcome;

// What the queue walk relies on: the size queries fail with the
// insufficient-buffer error, set by the call itself, and report a size.
void TestPlatformSizeQueries() {
    DWORD needed = 0, returned = 0;
    SetLastError(0xdeadbeef);
    BOOL result = EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, NULL, 4, NULL, 0, &needed, &returned);
    ok(!result && GetLastError() == ERROR_INSUFFICIENT_BUFFER,
       "EnumPrintersA size query: expected FALSE with 122, got %d with %lu\n", result, GetLastError());
    ok(needed >= sizeof(PRINTER_INFO_4A), "EnumPrintersA size query: expected a size, got %lu\n", needed);

    HANDLE printer = NULL;
    PRINTER_DEFAULTSA defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
    ok(OpenPrinterA(const_cast<char*>("Office"), &printer, &defaults), "OpenPrinterA: error %lu\n", GetLastError());
    needed = 0;
    SetLastError(0xdeadbeef);
    result = GetPrinterDriverA(printer, NULL, 2, NULL, 0, &needed);
    ok(!result && GetLastError() == ERROR_INSUFFICIENT_BUFFER,
       "GetPrinterDriverA size query: expected FALSE with 122, got %d with %lu\n", result, GetLastError());
    ok(needed >= sizeof(DRIVER_INFO_2A), "GetPrinterDriverA size query: expected a size, got %lu\n", needed);
    if (printer) ClosePrinter(printer);
}

void TestRemoval() {
    machine::InstallPrintersDriversMonitors();
    TestPlatformSizeQueries();

    for (int round = 1; round <= 2; ++round) {  // the second finds nothing of the product
        vexlo::RemovePrinterQueues(vexlo::Winspool());
        vexlo::RemoveLabelMonitor(vexlo::Winspool());
        vexlo::RemoveLabelDrivers(vexlo::Winspool());
        ok(!machine::HasPrinter("Vexlo Label"), "round %d: queue Vexlo Label still there\n", round);
        ok(!machine::HasPrinter("Vexlo Label G"), "round %d: queue Vexlo Label G still there\n", round);
        ok(machine::HasPrinter("Office"), "round %d: queue Office of another make is gone\n", round);
        ok(!machine::HasMonitor("VexloLM"), "round %d: monitor VexloLM still there\n", round);
        ok(machine::HasMonitor("AcmeLM"), "round %d: monitor AcmeLM of another make is gone\n", round);
        ok(!machine::HasDriver("Vexlo-420 LABEL"), "round %d: driver Vexlo-420 LABEL still there\n", round);
        ok(!machine::HasDriver("Vexlo-420G LABEL"), "round %d: driver Vexlo-420G LABEL still there\n", round);
        ok(machine::HasDriver("Acme LaserJet"), "round %d: driver Acme LaserJet is gone\n", round);
    }
}


void ExpectPrepare(SpoolerOutcome expected, const char* what) {
    const SpoolerOutcome got = vexlo::PrepareSpooler();
    ok(got == expected, "%s: PrepareSpooler expected %s, got %s\n", what, SpoolerOutcomeName(expected), SpoolerOutcomeName(got));
}

DWORD FakeStops() {
    HKEY key;
    DWORD stops = 0, size = sizeof stops;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, machine::kFakeConfig, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, "Stops", NULL, NULL, reinterpret_cast<BYTE*>(&stops), &size);
        RegCloseKey(key);
    }
    return stops;
}

// Wine's own spooler reports 10-second hints, so these few cases take ~30 s.
void TestWineSpooler() {
    machine::UseWineSpooler();
    ok(machine::SpoolerState() == SERVICE_STOPPED, "expected a stopped spooler, got %lu\n", machine::SpoolerState());
    ExpectPrepare(SpoolerOutcome::Started, "Wine's spooler, stopped");
    ok(machine::SpoolerState() == SERVICE_RUNNING, "after Started: expected RUNNING, got %lu\n", machine::SpoolerState());
    ok(vexlo::RestartSpooler(), "Wine's spooler, running: RestartSpooler expected true\n");
    ok(machine::SpoolerState() == SERVICE_RUNNING, "after restart: expected RUNNING, got %lu\n", machine::SpoolerState());

    machine::StopSpooler();
    machine::ConfigureSpooler(SERVICE_DISABLED, NULL);
    ExpectPrepare(SpoolerOutcome::Failed, "disabled");
    ok(!vexlo::RestartSpooler(), "disabled: RestartSpooler expected false\n");
    ok(machine::SpoolerState() == SERVICE_STOPPED, "disabled: expected STOPPED, got %lu\n", machine::SpoolerState());
    machine::ConfigureSpooler(SERVICE_DEMAND_START, NULL);
}

void TestStandInSpooler() {
    machine::UseFakeSpooler(0);  // short pending phases
    machine::StartSpooler();
    ExpectPrepare(SpoolerOutcome::Restarted, "pending phases");
    ok(machine::SpoolerState() == SERVICE_RUNNING, "pending phases: expected RUNNING, got %lu\n", machine::SpoolerState());
    ok(vexlo::RestartSpooler(), "pending phases: RestartSpooler expected true\n");
    ok(machine::SpoolerState() == SERVICE_RUNNING, "after restart: expected RUNNING, got %lu\n", machine::SpoolerState());
    ok(FakeStops() == 2, "pending phases: expected 2 stops, got %lu\n", FakeStops());

    machine::SetFakeSpooler(1);  // refuses to stop
    Sleep(400);                  // the running service reads its mode again
    ExpectPrepare(SpoolerOutcome::Failed, "refused stop");
    ok(!vexlo::RestartSpooler(), "refused stop: RestartSpooler expected false\n");
    ok(machine::SpoolerState() == SERVICE_RUNNING, "refused stop: expected RUNNING, got %lu\n", machine::SpoolerState());

    machine::SetFakeSpooler(2);  // a slow stop, started by someone else
    Sleep(400);
    machine::StopSpooler(false);
    ok(machine::SpoolerState() == SERVICE_STOP_PENDING, "expected STOP_PENDING, got %lu\n", machine::SpoolerState());
    ExpectPrepare(SpoolerOutcome::Untouched, "stop pending");
    ok(vexlo::RestartSpooler(), "stop pending: RestartSpooler expected true\n");
    ok(FakeStops() == 1, "stop pending: expected no stop request of ours, got %lu stops\n", FakeStops());
    machine::AwaitSpooler(SERVICE_STOPPED);
    machine::UseWineSpooler();
}

}  // namespace

int main() {
    TestRemoval();
    TestStandInSpooler();
    TestWineSpooler();
    return winetest::done("removal_wine");
}
