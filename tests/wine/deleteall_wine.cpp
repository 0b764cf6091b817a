// DeleteALL end to end through the real DLL, against Wine's spooler, service
// manager and setup API: the product's objects go, another maker's stay.
#include "wine_machine.h"

namespace {

struct Product {
    const char* what;
    bool (*present)(const char*);
    const char* name;
    bool ours;
};

const Product kObjects[] = {
    {"queue", machine::HasPrinter, "Vexlo Label", true},
    {"queue", machine::HasPrinter, "Vexlo Label G", true},
    {"queue", machine::HasPrinter, "Office", false},
    {"monitor", machine::HasMonitor, "VexloLM", true},
    {"monitor", machine::HasMonitor, "AcmeLM", false},
    {"driver", machine::HasDriver, "Vexlo-420 LABEL", true},
    {"driver", machine::HasDriver, "Vexlo-420G LABEL", true},
    {"driver", machine::HasDriver, "Acme LaserJet", false},
    {"package", machine::HasInf, "oem11.inf", true},   // Provider=Vexlo
    {"package", machine::HasInf, "oem12.inf", true},   // Provider=%VX%, VX="Vexlo"
    {"package", machine::HasInf, "oem13.inf", false},  // Provider=VEXLO
    {"package", machine::HasInf, "oem14.inf", false},  // Provider=Acme
};

void InstallEverything() {
    machine::InstallPrintersDriversMonitors();
    machine::WriteInf("oem11.inf", machine::PrinterInf("Vexlo"));
    machine::WriteInf("oem12.inf", machine::PrinterInf("%VX%", "\r\n[Strings]\r\nVX=\"Vexlo\"\r\n"));
    machine::WriteInf("oem13.inf", machine::PrinterInf("VEXLO"));
    machine::WriteInf("oem14.inf", machine::PrinterInf("Acme"));
}

// What is left: of another make always everything; of the product nothing,
// or everything, or only the packages when the sequence ended after its
// first pass.
enum class Left { Nothing, Everything, PackagesOnly };

void ExpectLeft(Left left, const char* what) {
    for (const Product& o : kObjects) {
        bool expected = !o.ours;
        if (o.ours && left == Left::Everything) expected = true;
        if (o.ours && left == Left::PackagesOnly) expected = o.present == machine::HasInf;
        const bool present = o.present(o.name);
        ok(present == expected, "%s: %s %s: expected %s, got %s\n", what, o.what, o.name,
           expected ? "present" : "gone", present ? "present" : "gone");
    }
}

void ExpectDeleteAll(VexloExport deleteAll, BOOLEAN expected, const char* what) {
    const DWORD start = GetTickCount();
    const DWORD got = deleteAll();
    ok(got == expected, "%s: DeleteALL expected %u, got %lu\n", what, expected, got);
    trace("%s: DeleteALL returned %lu after %lu ms\n", what, got, GetTickCount() - start);
}

}  // namespace

int main() {
    HMODULE module = LoadVexlo();
    if (!module) return winetest::done("deleteall_wine");
    VexloExport deleteAll = ResolveExport(module, "DeleteALL", 1);
    ResolveExport(module, "IsConnected", 2);
    if (!deleteAll) return winetest::done("deleteall_wine");

    machine::UseWineSpooler();
    InstallEverything();
    ExpectLeft(Left::Everything, "installed");

    machine::StartSpooler();
    ExpectDeleteAll(deleteAll, 1, "spooler running");
    ExpectLeft(Left::Nothing, "spooler running");
    ok(machine::SpoolerState() == SERVICE_RUNNING, "spooler running: left in state %lu\n", machine::SpoolerState());
    ExpectDeleteAll(deleteAll, 1, "nothing left to delete");

    InstallEverything();
    machine::StopSpooler();
    ExpectDeleteAll(deleteAll, 1, "spooler stopped");
    ExpectLeft(Left::Nothing, "spooler stopped");
    ok(machine::SpoolerState() == SERVICE_RUNNING, "spooler stopped: left in state %lu\n", machine::SpoolerState());

    InstallEverything();
    machine::StopSpooler();
    machine::ConfigureSpooler(SERVICE_DISABLED, NULL);
    ExpectDeleteAll(deleteAll, 0, "spooler disabled");
    ExpectLeft(Left::Everything, "spooler disabled");
    machine::ConfigureSpooler(SERVICE_DEMAND_START, NULL);

    machine::UseFakeSpooler(1);  // refuses to stop
    machine::StartSpooler();
    ExpectDeleteAll(deleteAll, 0, "first stop refused");
    ExpectLeft(Left::Everything, "first stop refused");
    machine::SetFakeSpooler(0);
    Sleep(400);

    machine::UseFakeSpooler(3);  // disables itself at the second stop
    machine::StartSpooler();
    ExpectDeleteAll(deleteAll, 0, "cannot start again");
    ExpectLeft(Left::PackagesOnly, "cannot start again");
    machine::UseWineSpooler();

    ok(FreeLibrary(module), "FreeLibrary: expected TRUE\n");
    return winetest::done("deleteall_wine");
}
