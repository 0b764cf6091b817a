// VexloHost's listing: it names exactly what DeleteALL removes, by the same
// rules, changes nothing, and says when the spooler's lists cannot be read.
#include "ListInstalled.h"
#include "SimTest.h"
#include "VexloDeletePrinter.h"

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;
const std::string kInf = "C:\\WINDOWS\\inf\\";

std::string Inf(const std::string& provider) {
    return "[Version]\nSignature=\"$Windows NT$\"\nClass=Printer\nProvider=" + provider +
           "\nDriverVer=01/01/2024,1.0.0.0\n";
}

// The product beside another maker's and the near misses: a driver whose name
// has the model in another letter case, a provider that only starts with the
// brand, and a package of the brand that is no OEM package.
void InstallProductAndNearMisses() {
    sim::Machine& m = sim::machine();
    m.registry.SetDword("SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum", "Count", 2);
    m.registry.SetString("SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum", "0", "USB\\VID_1234&PID_0001\\1");
    m.registry.SetString("SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum", "1", "USB\\Vid_F0E1&Pid_0420\\7");
    m.spooler.printers = {{"Vexlo Label", "Vexlo-420 LABEL", ""},
                          {"Vexlo Label G", "Vexlo-420G LABEL", ""},
                          {"Lower", "vexlo-420 Mono", ""},
                          {"Office", "Acme LaserJet", ""}};
    m.spooler.drivers = {"Vexlo-420 LABEL", "Vexlo-420G LABEL", "vexlo-420 Mono", "Acme LaserJet"};
    m.spooler.monitors = {"Local Port", "VexloLM", "AcmeLM"};
    m.files.Put(kInf + "oem1.inf", Inf("Vexlo"));
    m.files.Put(kInf + "oem2.inf", Inf("\"Vexlo Inc\""));
    m.files.Put(kInf + "oem3.inf", Inf("Acme"));
    m.files.Put(kInf + "vexlo.inf", Inf("Vexlo"));
    m.services.spooler().status = {SERVICE_RUNNING, 0};
}

Strings Queues(const vexlo::Inventory& inventory) {
    Strings names;
    for (const vexlo::ListedQueue& q : inventory.queues) names.push_back(q.name + "|" + q.driver + "|" + q.environment);
    return names;
}
Strings Drivers(const vexlo::Inventory& inventory) {
    Strings names;
    for (const vexlo::ListedDriver& d : inventory.drivers) names.push_back(d.name + "|" + d.environment);
    return names;
}
Strings Packages(const vexlo::Inventory& inventory) {
    Strings names;
    for (const vexlo::ListedPackage& p : inventory.packages) {
        names.push_back(p.file + "|" + p.infClass + "|" + p.driverVer);
    }
    return names;
}

const char* const kChanging[] = {"DeletePrinter",        "DeleteMonitorA", "DeletePrinterDriverA", "StartServiceA",
                                 "ControlService",       "SetupUninstallOEMInfA", "RegSetValueExA"};

TEST_F(SimTest, ListingNamesExactlyWhatDeleteAllRemovesAndChangesNothing) {
    InstallProductAndNearMisses();
    const vexlo::Inventory before = vexlo::ListInstalled();
    EXPECT_TRUE(before.attached);
    EXPECT_EQ(Strings{"USB\\Vid_F0E1&Pid_0420\\7"}, before.deviceEntries);
    EXPECT_EQ("running", before.spooler);
    EXPECT_TRUE(before.listsRead);
    EXPECT_EQ((Strings{"Vexlo Label|Vexlo-420 LABEL|Windows NT x86", "Vexlo Label G|Vexlo-420G LABEL|Windows NT x86"}),
              Queues(before));
    EXPECT_EQ(Strings{"VexloLM"}, before.monitors);
    EXPECT_EQ((Strings{"Vexlo-420 LABEL|Windows NT x86", "Vexlo-420G LABEL|Windows NT x86"}), Drivers(before));
    EXPECT_EQ(Strings{"oem1.inf|Printer|01/01/2024,1.0.0.0"}, Packages(before));
    EXPECT_TRUE(before.SoftwareInstalled());
    for (const char* function : kChanging) EXPECT_EQ(0, sim::CallCount(function)) << function;
    EXPECT_EQ("", sim::Leaks()) << "left behind by the listing";

    // What the listing named is what goes, and nothing else.
    EXPECT_EQ(1, DeleteALL());
    const sim::PrintSpooler& s = sim::machine().spooler;
    for (const char* kept : {"Lower", "Office"}) EXPECT_TRUE(s.HasPrinter(kept)) << kept;
    for (const char* kept : {"vexlo-420 Mono", "Acme LaserJet"}) EXPECT_TRUE(s.HasDriver(kept)) << kept;
    for (const char* kept : {"oem2.inf", "oem3.inf", "vexlo.inf"}) EXPECT_TRUE(sim::machine().files.Has(kInf + kept));
    const vexlo::Inventory after = vexlo::ListInstalled();
    EXPECT_FALSE(after.SoftwareInstalled());
    EXPECT_EQ(Strings{}, Queues(after));
    EXPECT_EQ(Strings{}, after.monitors);
    EXPECT_EQ(Strings{}, Drivers(after));
    EXPECT_EQ(Strings{}, Packages(after));
    EXPECT_TRUE(after.attached) << "the device list is not the removal's to touch";
}

TEST_F(SimTest, ListingUnderWow64NamesTheDriversOfTheMachinesOwnEnvironment) {
    sim::machine().processor = {IMAGE_FILE_MACHINE_AMD64, true, true};
    sim::PrintSpooler& s = sim::machine().spooler;
    s.printers = {{"Vexlo Label", "Vexlo-420 LABEL", ""}};
    s.otherDrivers["Windows x64"] = {"Vexlo-420 LABEL", "Vexlo-420G LABEL"};
    s.drivers = {"Vexlo-420G LABEL"};  // also for 32-bit clients
    const vexlo::Inventory inventory = vexlo::ListInstalled();
    EXPECT_EQ(Strings{"Vexlo Label|Vexlo-420 LABEL|Windows x64"}, Queues(inventory));
    EXPECT_EQ((Strings{"Vexlo-420G LABEL|Windows NT x86", "Vexlo-420 LABEL|Windows x64", "Vexlo-420G LABEL|Windows x64"}),
              Drivers(inventory));
}

TEST_F(SimTest, ListingSaysWhenTheSpoolersListsCannotBeReadAndSkipsWhatItCannotOpen) {
    struct Case {
        const char* what;
        const char* function;  // fails every time
        bool listsRead;
        const char* spooler;
        std::size_t queues, drivers, packages;
    } cases[] = {
        {"queues unreadable", "EnumPrintersA", false, "running", 0, 2, 1},
        {"monitors unreadable", "EnumMonitorsA", false, "running", 2, 2, 1},
        {"drivers unreadable", "EnumPrinterDriversA", false, "running", 2, 0, 1},
        {"winspool.drv not loaded", "LoadLibraryExA", false, "running", 0, 0, 0},
        {"a queue that cannot be opened is passed over", "OpenPrinterA", true, "running", 0, 2, 1},
        {"an INF that cannot be opened is passed over", "SetupOpenInfFileA", true, "running", 2, 2, 0},
        {"the service manager refuses", "OpenSCManagerA", true, "unknown", 2, 2, 1},
        {"the status cannot be read", "QueryServiceStatus", true, "unknown", 2, 2, 1},
    };
    for (const Case& c : cases) {
        sim::Reset();
        InstallProductAndNearMisses();
        sim::Fail(c.function, 1, sim::DefaultError(c.function), true);
        const vexlo::Inventory inventory = vexlo::ListInstalled();
        EXPECT_EQ(c.listsRead, inventory.listsRead) << c.what;
        EXPECT_EQ(c.spooler, inventory.spooler) << c.what;
        EXPECT_EQ(c.queues, inventory.queues.size()) << c.what;
        EXPECT_EQ(c.drivers, inventory.drivers.size()) << c.what;
        EXPECT_EQ(c.packages, inventory.packages.size()) << c.what;
        EXPECT_EQ("", sim::Leaks()) << c.what;
    }
}

}  // namespace
