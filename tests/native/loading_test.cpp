// winspool.drv and setupapi.dll: loaded by their full path in the system
// directory when DeleteALL first needs them, freed before it returns, never
// loaded by IsConnected; a library that cannot be had skips its deletions.
#include "SimTest.h"
#include "VexloDeletePrinter.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;
const std::string kInf = "C:\\WINDOWS\\inf\\";

void InstallProduct() {
    sim::Machine& m = sim::machine();
    m.services.spooler().status = {SERVICE_RUNNING, 10000};
    m.spooler.printers = {{"Vexlo Label", "Vexlo-420 LABEL", ""}, {"Office", "Acme LaserJet", ""}};
    m.spooler.drivers = {"Vexlo-420 LABEL", "Vexlo-420G LABEL", "Acme LaserJet"};
    m.spooler.monitors = {"VexloLM", "Local Port"};
    m.files.Put(kInf + "oem1.inf", "[Version]\nProvider=Vexlo\n");
    m.files.Put(kInf + "oem2.inf", "[Version]\nProvider=Acme\n");
}

TEST_F(SimTest, DeleteAllLoadsEachLibraryOnceByItsFullPathAndFreesIt) {
    InstallProduct();
    EXPECT_EQ(1, DeleteALL());
    EXPECT_EQ((Strings{"C:\\WINDOWS\\system32\\winspool.drv", "C:\\WINDOWS\\system32\\setupapi.dll"}),
              sim::CallDetails("LoadLibraryExA"));
    EXPECT_EQ((Strings{"setupapi.dll", "winspool.drv"}), sim::CallDetails("FreeLibrary"));
    // Loaded once the spooler has been prepared, the setup library once the
    // deletions are done.
    const Strings names = sim::CallNames();
    const auto at = [&](const std::string& f) { return std::find(names.begin(), names.end(), f) - names.begin(); };
    EXPECT_LT(at("StartServiceA"), at("LoadLibraryExA"));
    EXPECT_LT(at("LoadLibraryExA"), at("EnumPrintersA"));
    EXPECT_FALSE(sim::machine().spooler.HasPrinter("Vexlo Label"));
    EXPECT_EQ(Strings{"oem1.inf"}, sim::machine().files.uninstalled);
}

TEST_F(SimTest, NothingIsLoadedByIsConnectedOrBeforeTheSpoolerIsPrepared) {
    sim::machine().registry.SetDword("SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum", "Count", 1);
    IsConnected();
    EXPECT_EQ(0, sim::CallCount("LoadLibraryExA")) << "IsConnected";

    InstallProduct();
    sim::machine().services.managerAccessDenied = true;
    EXPECT_EQ(0, DeleteALL());
    EXPECT_EQ(0, sim::CallCount("LoadLibraryExA")) << "DeleteALL without the right to control the spooler";

    sim::machine().services.managerAccessDenied = false;
    sim::Fail("StartServiceA", sim::CallCount("StartServiceA") + 2, ERROR_SERVICE_DISABLED);  // the second cycle's
    EXPECT_EQ(0, DeleteALL());
    EXPECT_EQ(Strings{"C:\\WINDOWS\\system32\\winspool.drv"}, sim::CallDetails("LoadLibraryExA"))
        << "no purge, so no setup library";
}

struct Unavailable {
    const char* what;
    std::function<void(sim::Machine&)> setUp;
    bool spoolerDeletions, purge;  // whether they still happen
};

const Unavailable kUnavailable[] = {
    {"winspool.drv missing", [](sim::Machine& m) { m.libraries.missing = {"winspool.drv"}; }, false, true},
    {"setupapi.dll missing", [](sim::Machine& m) { m.libraries.missing = {"setupapi.dll"}; }, true, false},
    {"a spooler function missing", [](sim::Machine& m) { m.libraries.missingFunctions = {"DeletePrinterDriverA"}; },
     false, true},
    {"a setup function missing", [](sim::Machine& m) { m.libraries.missingFunctions = {"SetupCloseInfFile"}; }, true,
     false},
    {"no system directory", [](sim::Machine& m) { m.libraries.systemDirectory.reset(); }, false, false},
    {"a system directory of 247 characters: no room for the file name",
     [](sim::Machine& m) { m.libraries.systemDirectory = "C:\\" + std::string(244, 's'); }, false, false},
    {"a system directory of 246 characters: the longest that fits",
     [](sim::Machine& m) { m.libraries.systemDirectory = "C:\\" + std::string(243, 's'); }, true, true},
};

TEST_F(SimTest, ALibraryThatCannotBeHadSkipsItsDeletionsAndNothingElse) {
    for (const Unavailable& c : kUnavailable) {
        sim::Reset();
        InstallProduct();
        c.setUp(sim::machine());
        EXPECT_EQ(1, DeleteALL()) << c.what << ": only the spooler procedures decide the answer";
        const sim::PrintSpooler& s = sim::machine().spooler;
        EXPECT_EQ(!c.spoolerDeletions, s.HasPrinter("Vexlo Label")) << c.what;
        EXPECT_EQ(!c.spoolerDeletions, s.HasMonitor("VexloLM")) << c.what;
        EXPECT_EQ(!c.spoolerDeletions, s.HasDriver("Vexlo-420 LABEL")) << c.what;
        EXPECT_EQ(c.spoolerDeletions ? 4 : 0, sim::CallCount("DeletePrinterDriverA"))
            << c.what << ": no spooler call at all when its library is not there";
        EXPECT_EQ(c.purge ? Strings{"oem1.inf"} : Strings{}, sim::machine().files.uninstalled) << c.what;
        EXPECT_TRUE(s.HasPrinter("Office") && s.HasDriver("Acme LaserJet") && s.HasMonitor("Local Port")) << c.what;
        EXPECT_EQ("", sim::Leaks()) << c.what;
    }
}

}  // namespace
