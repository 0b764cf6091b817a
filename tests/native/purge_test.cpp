#include "SimTest.h"
#include "removal/PrinterRemoval.h"

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;
const std::string kInf = "C:\\WINDOWS\\inf";

std::string Inf(const std::string& version, const std::string& rest = "") {
    return "[Version]\nSignature=\"$Windows NT$\"\nClass=Printer\n" + version + "\n" + rest;
}

TEST_F(SimTest, PurgeDriverPackagesUninstallsExactlyTheBrandsPackages) {
    struct Package {
        const char* file;
        std::string contents;
        bool uninstalled;
    } packages[] = {
        {"oem1.inf", Inf("Provider=Vexlo"), true},
        {"oem2.inf", Inf("Provider=%VX%", "[Strings]\nVX=\"Vexlo\"\n"), true},
        {"oem3.inf", Inf("Provider=vexlo"), false},
        {"oem4.inf", Inf("Provider=\"Vexlo Inc.\""), false},
        {"oem5.inf", Inf("provider=Vexlo"), false},  // the key differs in case
        {"oem6.inf", Inf("Provider=Acme"), false},
        {"oem7.inf", Inf("Provider=%UNDEFINED%"), false},
        {"oem8.inf", "; no sections at all\nProvider=Vexlo\n", false},
        {"oem9.inf", "[Version\nProvider=Vexlo\n", false},
        {"oem10.inf", "[Version]\n[Strings]\nProvider=Vexlo\n", false},
        {"oem11.inf", Inf("Provider=" + std::string(300, 'V')), false},  // does not fit the field
        {"OEM12.INF", Inf("Provider=Vexlo"), true},                      // the pattern ignores case
        {"oem13.inf", "[Version]\nClass=Net\nProvider=Vexlo\n", true},   // another device of the brand
        {"oem14.inf", "[version]\nProvider = Vexlo ; the section name ignores case\n", true},
        {"machine.inf", Inf("Provider=Vexlo"), false},  // not an OEM package
        {"prnvexlo.inf", Inf("Provider=Vexlo"), false},
    };
    for (const Package& p : packages) sim::machine().files.Put(kInf + "\\" + p.file, p.contents);
    sim::machine().files.Put("C:\\WINDOWS\\oem99.inf", Inf("Provider=Vexlo"));  // outside the folder

    vexlo::PurgeDriverPackages(vexlo::SetupApi(), vexlo::FolderPath(kInf));

    for (const Package& p : packages) {
        EXPECT_EQ(!p.uninstalled, sim::machine().files.Has(kInf + "\\" + p.file)) << p.file << ": " << p.contents;
    }
    EXPECT_TRUE(sim::machine().files.Has("C:\\WINDOWS\\oem99.inf"));
    for (const std::string& opened : sim::CallDetails("SetupOpenInfFileA")) {
        EXPECT_EQ(std::string::npos, opened.find("machine.inf")) << "opened " << opened;
        EXPECT_EQ(std::string::npos, opened.find("prnvexlo.inf")) << "opened " << opened;
    }
    EXPECT_EQ(14, sim::CallCount("SetupOpenInfFileA")) << "every oem file, in full paths";
}

TEST_F(SimTest, PurgeDriverPackagesAsksOncePerProviderLineAndGoesOnAfterARefusal) {
    sim::machine().files.Put(kInf + "\\oem1.inf", Inf("Provider=Vexlo\nProvider=Vexlo"));
    sim::machine().files.Put(kInf + "\\oem2.inf", Inf("Provider=Vexlo"));
    sim::machine().files.Put(kInf + "\\oem3.inf", Inf("Provider=Vexlo"));
    sim::Fail("SetupUninstallOEMInfA", 3, ERROR_ACCESS_DENIED);  // oem2's
    vexlo::PurgeDriverPackages(vexlo::SetupApi(), vexlo::FolderPath(kInf));
    EXPECT_EQ((Strings{"oem1.inf", "oem1.inf", "oem2.inf", "oem3.inf"}), sim::CallDetails("SetupUninstallOEMInfA"));
    EXPECT_EQ((Strings{"oem1.inf", "oem3.inf"}), sim::machine().files.uninstalled);
}

TEST_F(SimTest, PurgeDriverPackagesDoesNothingWithoutAFolderOrAMatch) {
    vexlo::PurgeDriverPackages(vexlo::SetupApi(), vexlo::FolderPath(kInf));  // missing folder
    sim::machine().files.Put(kInf + "\\layout.inf", Inf("Provider=Vexlo"));
    vexlo::PurgeDriverPackages(vexlo::SetupApi(), vexlo::FolderPath(kInf));  // no oem file
    EXPECT_EQ(0, sim::CallCount("SetupOpenInfFileA"));
    EXPECT_EQ(Strings{kInf + "\\oem*.inf"}, Strings{sim::CallDetails("FindFirstFileA")[0]});
}

TEST_F(SimTest, PurgeDriverPackagesNeverFormatsAPathThatDoesNotFit) {
    const std::string deep = "C:\\" + std::string(1000, 'd');
    sim::machine().files.Put(deep + "\\oem1.inf", Inf("Provider=Vexlo"));
    sim::machine().files.Put(deep + "\\oem" + std::string(40, '7') + ".inf", Inf("Provider=Vexlo"));
    vexlo::PurgeDriverPackages(vexlo::SetupApi(), vexlo::FolderPath(deep));
    EXPECT_EQ(Strings{deep + "\\oem1.inf"}, sim::CallDetails("SetupOpenInfFileA")) << "the long name's path is not cut";
    EXPECT_EQ(Strings{"oem1.inf"}, sim::CallDetails("SetupUninstallOEMInfA"));

    const std::string tooDeep = "C:\\" + std::string(1020, 'd');
    vexlo::PurgeDriverPackages(vexlo::SetupApi(), vexlo::FolderPath(tooDeep));
    EXPECT_EQ(1, sim::CallCount("FindFirstFileA")) << "no pattern built past 1024 bytes";
}

}  // namespace
