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
    EXPECT_EQ(std::optional<bool>(true), before.attached);
    EXPECT_EQ(Strings{"USB\\Vid_F0E1&Pid_0420\\7"}, before.deviceEntries);
    EXPECT_EQ("running", before.spooler);
    EXPECT_TRUE(before.Complete()) << (before.unread.empty() ? "" : before.unread[0].reason);
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
    EXPECT_EQ(std::optional<bool>(true), after.attached) << "the device list is not the removal's to touch";
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

std::string UnreadLists(const vexlo::Inventory& inventory) {
    std::string lists;
    for (const vexlo::UnreadList& u : inventory.unread) lists += (lists.empty() ? "" : " ") + u.list;
    return lists;
}

// Each list the listing reads, made unreadable in turn: that list, and only
// it, is named as unread with the call that failed and its error, and what
// the other lists hold is still listed.
TEST_F(SimTest, ListingNamesEachListItCouldNotReadWithTheCallAndItsError) {
    struct Case {
        const char* function;  // fails every time, with `error`
        DWORD error;
        const char* unread;     // the lists named unread, in order
        const char* reason;     // the first one's reason
        const char* spooler;
        std::size_t entries, queues, drivers, packages;
        bool installed;
    } cases[] = {
        {"RegOpenKeyExA", ERROR_ACCESS_DENIED, "deviceEntries",
         "RegOpenKeyExA(Count) failed: error 5", "running", 0, 2, 2, 1, true},
        {"RegQueryValueExA", ERROR_MORE_DATA, "deviceEntries",
         "RegQueryValueExA(Count) failed: error 234", "running", 0, 2, 2, 1, true},
        {"OpenSCManagerA", ERROR_ACCESS_DENIED, "spooler",
         "OpenSCManagerA(Spooler) failed: error 5", "unknown", 1, 2, 2, 1, true},
        {"QueryServiceStatus", ERROR_ACCESS_DENIED, "spooler",
         "QueryServiceStatus(Spooler) failed: error 5", "unknown", 1, 2, 2, 1, true},
        {"EnumPrintersA", RPC_S_SERVER_UNAVAILABLE, "queues",
         "EnumPrintersA(local queues and connections) failed: error 1722", "running", 1, 0, 2, 1, true},
        {"EnumMonitorsA", RPC_S_SERVER_UNAVAILABLE, "monitors",
         "EnumMonitorsA failed: error 1722", "running", 1, 2, 2, 1, true},
        {"EnumPrinterDriversA", RPC_S_SERVER_UNAVAILABLE, "drivers",
         "EnumPrinterDriversA failed: error 1722", "running", 1, 2, 0, 1, true},
        {"LoadLibraryExA", ERROR_MOD_NOT_FOUND, "queues monitors drivers packages",
         "LoadLibraryExA(winspool.drv) failed: error 126", "running", 1, 0, 0, 0, false},
        {"GetWindowsDirectoryA", ERROR_ACCESS_DENIED, "packages",
         "GetWindowsDirectoryA failed: error 5", "running", 1, 2, 2, 0, true},
        {"FindFirstFileA", ERROR_PATH_NOT_FOUND, "packages",
         "FindFirstFileA(C:\\WINDOWS\\inf\\oem*.inf) failed: error 3", "running", 1, 2, 2, 0, true},
        {"SetupOpenInfFileA", ERROR_ACCESS_DENIED, "packages",
         "SetupOpenInfFileA(oem1.inf) failed: error 5", "running", 1, 2, 2, 0, true},
    };
    for (const Case& c : cases) {
        sim::Reset();
        InstallProductAndNearMisses();
        sim::Fail(c.function, 1, c.error, true);
        const vexlo::Inventory inventory = vexlo::ListInstalled();
        EXPECT_EQ(c.unread, UnreadLists(inventory)) << c.function;
        EXPECT_EQ(c.reason, inventory.unread.empty() ? "" : inventory.unread[0].reason) << c.function;
        EXPECT_FALSE(inventory.Complete()) << c.function;
        EXPECT_EQ(c.spooler, inventory.spooler) << c.function;
        EXPECT_EQ(c.entries, inventory.deviceEntries.size()) << c.function;
        EXPECT_EQ(c.queues, inventory.queues.size()) << c.function;
        EXPECT_EQ(c.drivers, inventory.drivers.size()) << c.function;
        EXPECT_EQ(c.packages, inventory.packages.size()) << c.function;
        EXPECT_EQ(c.installed, inventory.SoftwareInstalled()) << c.function;
        EXPECT_EQ("", sim::Leaks()) << c.function;
    }
}

// Only packages left, the usual state after a removal cut short, and the
// package list unreadable: nothing found, but the listing must not call that
// "nothing installed".
TEST_F(SimTest, ListingWithOnlyPackagesLeftAndTheirListUnreadableIsIncompleteNotEmpty) {
    sim::machine().files.Put(kInf + "oem1.inf", Inf("Vexlo"));
    sim::machine().libraries.missing.insert("setupapi.dll");
    const vexlo::Inventory inventory = vexlo::ListInstalled();
    EXPECT_FALSE(inventory.SoftwareInstalled());
    EXPECT_EQ("packages", UnreadLists(inventory));
    sim::machine().libraries.missing.clear();
    EXPECT_EQ(Strings{"oem1.inf|Printer|01/01/2024,1.0.0.0"}, Packages(vexlo::ListInstalled()));
}

// A device entry too long to read is no entry IsConnected sees, and the
// listing says it could not read it; a list the driver never made is empty
// and read, as are entries it left out. (So is an INF folder without OEM
// packages; one that cannot be found at all is not read.)
TEST_F(SimTest, ListingTellsAnUnreadableDeviceEntryFromAMissingOne) {
    sim::Registry& r = sim::machine().registry;
    const std::string key = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
    sim::machine().files.Put(kInf + "ntprint.inf", Inf("Microsoft"));  // an INF folder with no OEM package
    EXPECT_TRUE(vexlo::ListInstalled().Complete()) << "no device list at all";
    r.SetDword(key, "Count", 3);
    r.SetString(key, "0", "USB\\VID_F0E1&PID_0420\\1");
    r.SetString(key, "2", "USB\\VID_F0E1&PID_0420\\" + std::string(300, '7'));
    const vexlo::Inventory inventory = vexlo::ListInstalled();
    EXPECT_EQ(Strings{"USB\\VID_F0E1&PID_0420\\1"}, inventory.deviceEntries);
    EXPECT_EQ("deviceEntries", UnreadLists(inventory));
    EXPECT_EQ("RegQueryValueExA(2) failed: error 234", inventory.unread.at(0).reason);
}

// A user who may not administer a queue may still use it: the listing reads
// its driver with that right alone, while DeleteALL asks for the right to
// delete, is refused, and makes the same calls as ever. A queue that refuses
// even that is listed by name, its driver unknown, and counts as unread.
TEST_F(SimTest, ListingReadsAQueueItMayNotAdministerAndDeleteAllAsksForFullAccess) {
    InstallProductAndNearMisses();
    sim::PrintSpooler& s = sim::machine().spooler;
    s.printers[0].allowedAccess = PRINTER_ACCESS_USE;  // Vexlo Label
    s.printers[3].allowedAccess = 0;                   // Office
    const vexlo::Inventory inventory = vexlo::ListInstalled();
    EXPECT_EQ((Strings{"Vexlo Label|Vexlo-420 LABEL|Windows NT x86", "Vexlo Label G|Vexlo-420G LABEL|Windows NT x86",
                       "Office||"}),
              Queues(inventory));
    EXPECT_FALSE(inventory.queues.at(2).driverKnown);
    EXPECT_EQ("queues", UnreadLists(inventory));
    EXPECT_EQ("OpenPrinterA(Office) failed: error 5", inventory.unread.at(0).reason);

    sim::Reset();
    InstallProductAndNearMisses();
    sim::machine().spooler.printers[0].allowedAccess = PRINTER_ACCESS_USE;
    EXPECT_EQ(1, DeleteALL());
    EXPECT_EQ((Strings{"Vexlo Label", "Vexlo Label G", "Lower", "Office"}), sim::CallDetails("OpenPrinterA"));
    EXPECT_EQ(Strings{"Vexlo Label G"}, sim::CallDetails("DeletePrinter"));
    EXPECT_TRUE(sim::machine().spooler.HasPrinter("Vexlo Label")) << "refused to this user";
}

}  // namespace
