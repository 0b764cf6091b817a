// The removal operations on every kind of machine the DLL meets: 32-bit
// Windows, where "no environment" reaches the product's drivers; WOW64, where
// the drivers are installed for the machine's own environment; and the 64-bit
// DLL in a 64-bit process, whose "no environment" already is the machine's
// own, so that no second round of calls is made.
#include "SimTest.h"
#include "VexloDeletePrinter.h"
#include "NativeEnvironment.h"
#include "removal/PrinterRemoval.h"

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

struct Platform {
    const char* what;
    USHORT nativeMachine;
    bool hasIsWow64Process, hasIsWow64Process2;
    // The environment the library must find: "" for none, the spooler calls
    // then exactly those of a 32-bit machine.
    const char* native;
    // Where a 64-bit installation puts the drivers: the machine's own
    // environment, or on 32-bit Windows the one it keeps for 64-bit clients.
    const char* sixtyFour;
    USHORT processMachine = IMAGE_FILE_MACHINE_I386;  // the 32-bit DLL, or AMD64 for the 64-bit one
};

const Platform kPlatforms[] = {
    {"32-bit Windows 10", IMAGE_FILE_MACHINE_I386, true, true, "", "Windows x64"},
    {"32-bit Windows XP SP2", IMAGE_FILE_MACHINE_I386, true, false, "", "Windows x64"},
    {"32-bit Windows XP before SP2 (neither function)", IMAGE_FILE_MACHINE_I386, false, false, "", "Windows x64"},
    {"WOW64 on x64", IMAGE_FILE_MACHINE_AMD64, true, true, "Windows x64", "Windows x64"},
    {"WOW64 on ARM64", IMAGE_FILE_MACHINE_ARM64, true, true, "Windows ARM64", "Windows ARM64"},
    {"WOW64 on x64 with only IsWow64Process", IMAGE_FILE_MACHINE_AMD64, true, false, "Windows x64", "Windows x64"},
    {"WOW64 on IA64 with only IsWow64Process", IMAGE_FILE_MACHINE_IA64, true, false, "Windows IA64", "Windows IA64"},
    {"x64 where neither function is found", IMAGE_FILE_MACHINE_AMD64, false, false, "", "Windows x64"},
    // Not a machine that exists: GetNativeSystemInfo names only x64 and IA64.
    {"ARM64 with only IsWow64Process", IMAGE_FILE_MACHINE_ARM64, true, false, "", "Windows ARM64"},
    // The 64-bit DLL.
    {"x64 process on x64 Windows 10", IMAGE_FILE_MACHINE_AMD64, true, true, "", "Windows x64", IMAGE_FILE_MACHINE_AMD64},
    {"x64 process on Windows XP x64 (only IsWow64Process)", IMAGE_FILE_MACHINE_AMD64, true, false, "", "Windows x64",
     IMAGE_FILE_MACHINE_AMD64},
    // ARM64 Windows emulates an x64 process; that is not WOW64: IsWow64Process
    // says FALSE and IsWow64Process2 names no process machine. The DLL makes
    // one round with no environment, as in any native process, and reaches
    // the drivers of whatever environment the spooler gives that process
    // (here "Windows x64"): drivers installed only for "Windows ARM64" stay,
    // and the queues that use them are not judged. The 32-bit DLL under
    // WOW64 names "Windows ARM64" itself (the row above).
    {"x64 process emulated on ARM64 Windows 11", IMAGE_FILE_MACHINE_ARM64, true, true, "", "Windows ARM64",
     IMAGE_FILE_MACHINE_AMD64},
};

enum class DriversIn { Process, SixtyFour, Both };
const char* Name(DriversIn d) {
    return d == DriversIn::Process ? "the process's environment" : d == DriversIn::SixtyFour ? "the 64-bit one" : "both";
}

void SetPlatform(const Platform& p) {
    sim::machine().processor = {p.nativeMachine, p.hasIsWow64Process, p.hasIsWow64Process2, p.processMachine};
}

// Two product queues and another maker's, with every driver installed where
// `where` says, and the product's monitor beside another.
void Install(const Platform& p, DriversIn where) {
    sim::PrintSpooler& s = sim::machine().spooler;
    s.printers = {{"Vexlo Label", "Vexlo-420 LABEL", ""},
                  {"Vexlo Label G", "Vexlo-420G LABEL", ""},
                  {"Office", "Acme LaserJet", ""}};
    const Strings drivers = {"Vexlo-420 LABEL", "Vexlo-420G LABEL", "Acme LaserJet"};
    if (where != DriversIn::SixtyFour) s.DriversOf(nullptr) = drivers;
    if (where != DriversIn::Process) s.DriversOf(p.sixtyFour) = drivers;
    s.monitors = {"VexloLM", "Local Port"};
}

// The environment each spooler call named, "" for none, with its argument.
Strings Detailed(const char* function) {
    Strings details = sim::CallDetails(function);
    if (std::string(function) == "GetPrinterDriverA") {
        for (std::string& d : details) d = d.substr(0, d.find(':'));  // the environment, not the size
    }
    return details;
}

TEST_F(SimTest, RemovalReachesTheDriversOfTheMachinesOwnEnvironmentUnderWow64Only) {
    for (const Platform& p : kPlatforms) {
        for (DriversIn where : {DriversIn::Process, DriversIn::SixtyFour, DriversIn::Both}) {
            SCOPED_TRACE(std::string(p.what) + ", drivers in " + Name(where));
            sim::Reset();
            SetPlatform(p);
            Install(p, where);
            vexlo::RemovePrinterQueues(vexlo::Winspool());
            vexlo::RemoveLabelMonitor(vexlo::Winspool());
            vexlo::RemoveLabelDrivers(vexlo::Winspool());

            const std::string native = p.native;
            const bool found = !native.empty();
            // In an x64 process on x64 the 64-bit environment is its own.
            const bool own = std::string(p.sixtyFour) == sim::ProcessEnvironment();
            const bool reachable = where != DriversIn::SixtyFour || found || own;
            const sim::PrintSpooler& s = sim::machine().spooler;
            EXPECT_EQ(!reachable, s.HasPrinter("Vexlo Label")) << "queue of the model";
            EXPECT_EQ(!reachable, s.HasPrinter("Vexlo Label G")) << "queue of the model";
            EXPECT_TRUE(s.HasPrinter("Office")) << "another maker's queue";
            EXPECT_FALSE(s.HasMonitor("VexloLM"));
            EXPECT_TRUE(s.HasMonitor("Local Port"));
            EXPECT_FALSE(s.HasDriver("Vexlo-420 LABEL")) << "in the process's environment";
            EXPECT_FALSE(s.HasDriver("Vexlo-420G LABEL")) << "in the process's environment";
            const bool sixtyFourLeft = where != DriversIn::Process && !found && !own;
            EXPECT_EQ(sixtyFourLeft, s.HasDriver("Vexlo-420 LABEL", p.sixtyFour)) << "in " << p.sixtyFour;
            EXPECT_EQ(sixtyFourLeft, s.HasDriver("Vexlo-420G LABEL", p.sixtyFour)) << "in " << p.sixtyFour;
            EXPECT_EQ(where != DriversIn::SixtyFour || own, s.HasDriver("Acme LaserJet"));
            EXPECT_EQ(where != DriversIn::Process || own, s.HasDriver("Acme LaserJet", p.sixtyFour));

            // The native environment is asked for only after "no environment"
            // reported nothing, and named in the deletions only under WOW64.
            Strings queries;
            for (int printer = 0; printer < 3; ++printer) {
                if (where != DriversIn::SixtyFour || own) {
                    queries.insert(queries.end(), {"", ""});
                } else {
                    queries.push_back("");
                    if (found) queries.insert(queries.end(), {native, native});
                }
            }
            EXPECT_EQ(queries, Detailed("GetPrinterDriverA"));
            Strings monitors = {"VexloLM"};
            Strings drivers = {"Vexlo-420 LABEL", "Vexlo-420G LABEL"};
            if (found) {
                monitors.push_back(native + ":VexloLM");
                drivers.insert(drivers.end(), {native + ":Vexlo-420 LABEL", native + ":Vexlo-420G LABEL"});
            }
            EXPECT_EQ(monitors, Detailed("DeleteMonitorA"));
            EXPECT_EQ(drivers, Detailed("DeletePrinterDriverA"));
            EXPECT_EQ("", sim::Leaks()) << "left behind by this pass";
        }
    }
}

TEST_F(SimTest, FindNativeEnvironmentAsksWhatTheSystemHas) {
    struct Case {
        const char* what;
        Platform platform;
        int isWow64Process2, isWow64Process, getNativeSystemInfo;  // calls of each
    } cases[] = {
        {"IsWow64Process2 alone decides", kPlatforms[3], 1, 0, 0},
        {"32-bit Windows 10", kPlatforms[0], 1, 0, 0},
        {"IsWow64Process, then the native processor", kPlatforms[5], 0, 1, 1},
        {"IsWow64Process says not WOW64", kPlatforms[1], 0, 1, 0},
        {"neither function", kPlatforms[7], 0, 0, 0},
        {"x64 process on x64: IsWow64Process2 says not WOW64", kPlatforms[9], 1, 0, 0},
        {"x64 process, only IsWow64Process: not WOW64", kPlatforms[10], 0, 1, 0},
        {"x64 process emulated on ARM64: not WOW64", kPlatforms[11], 1, 0, 0},
    };
    for (const Case& c : cases) {
        sim::Reset();
        SetPlatform(c.platform);
        EXPECT_EQ(std::string(c.platform.native), vexlo::FindNativeEnvironment()) << c.what;
        EXPECT_EQ(c.isWow64Process2, sim::CallCount("IsWow64Process2")) << c.what;
        EXPECT_EQ(c.isWow64Process, sim::CallCount("IsWow64Process")) << c.what;
        EXPECT_EQ(c.getNativeSystemInfo, sim::CallCount("GetNativeSystemInfo")) << c.what;
        const Strings looked = c.platform.hasIsWow64Process2 ? Strings{"IsWow64Process2"}
                                                             : Strings{"IsWow64Process2", "IsWow64Process"};
        EXPECT_EQ(looked, sim::CallDetails("GetProcAddress")) << c.what;
    }
}

TEST_F(SimTest, FindNativeEnvironmentTakesAFailedQueryAsNotWow64) {
    struct Case {
        const char* what;
        const char* function;
        bool isWow64Process2;
    } cases[] = {
        {"kernel32 not found", "GetModuleHandleA", true},
        {"IsWow64Process2 fails: no fallback to IsWow64Process", "IsWow64Process2", true},
        {"IsWow64Process fails", "IsWow64Process", false},
    };
    for (const Case& c : cases) {
        sim::Reset();
        SetPlatform({"", IMAGE_FILE_MACHINE_AMD64, true, c.isWow64Process2, "", ""});
        sim::Fail(c.function, 1, sim::DefaultError(c.function), true);
        EXPECT_EQ("", vexlo::FindNativeEnvironment()) << c.what;
        EXPECT_EQ(0, sim::CallCount("GetNativeSystemInfo")) << c.what;
        if (c.isWow64Process2) {
            EXPECT_EQ(0, sim::CallCount("IsWow64Process")) << c.what;
        }
    }
}

// A typical removal on a 64-bit machine, the product installed there by its
// 64-bit installer: every spooler call DeleteALL makes, in order.
TEST_F(SimTest, DeleteAllOnWow64MakesTheSpecCallsAndTheirNativeTwins) {
    const Platform& x64 = kPlatforms[3];
    SetPlatform(x64);
    Install(x64, DriversIn::SixtyFour);
    sim::machine().services.spooler().status = {SERVICE_RUNNING, 10000};
    EXPECT_EQ(1, DeleteALL());
    Strings calls;
    for (const sim::Call& c : sim::machine().calls) {
        const std::string& f = c.function;
        if (f == "GetPrinterDriverA") calls.push_back(f + "(" + c.detail.substr(0, c.detail.find(':')) + ")");
        if (f == "OpenPrinterA" || f == "DeletePrinter" || f == "DeleteMonitorA" || f == "DeletePrinterDriverA" ||
            f == "ControlService" || f == "StartServiceA" || f == "IsWow64Process2") {
            calls.push_back(f + "(" + c.detail + ")");
        }
    }
    const Strings expected = {
        "ControlService(1)", "StartServiceA()",  // the spooler was running
        "IsWow64Process2()",
        "OpenPrinterA(Vexlo Label)", "GetPrinterDriverA()", "GetPrinterDriverA(Windows x64)",
        "GetPrinterDriverA(Windows x64)", "DeletePrinter(Vexlo Label)",
        "OpenPrinterA(Vexlo Label G)", "GetPrinterDriverA()", "GetPrinterDriverA(Windows x64)",
        "GetPrinterDriverA(Windows x64)", "DeletePrinter(Vexlo Label G)",
        "OpenPrinterA(Office)", "GetPrinterDriverA()", "GetPrinterDriverA(Windows x64)",
        "GetPrinterDriverA(Windows x64)",
        "DeleteMonitorA(VexloLM)", "IsWow64Process2()", "DeleteMonitorA(Windows x64:VexloLM)",
        "DeletePrinterDriverA(Vexlo-420 LABEL)", "DeletePrinterDriverA(Vexlo-420G LABEL)", "IsWow64Process2()",
        "DeletePrinterDriverA(Windows x64:Vexlo-420 LABEL)", "DeletePrinterDriverA(Windows x64:Vexlo-420G LABEL)",
        "ControlService(1)", "StartServiceA()",  // the second cycle
        "DeleteMonitorA(VexloLM)", "IsWow64Process2()", "DeleteMonitorA(Windows x64:VexloLM)",
        "DeletePrinterDriverA(Vexlo-420 LABEL)", "DeletePrinterDriverA(Vexlo-420G LABEL)", "IsWow64Process2()",
        "DeletePrinterDriverA(Windows x64:Vexlo-420 LABEL)", "DeletePrinterDriverA(Windows x64:Vexlo-420G LABEL)",
    };
    EXPECT_EQ(expected, calls);
    EXPECT_FALSE(sim::machine().spooler.HasDriver("Vexlo-420 LABEL", "Windows x64"));
    EXPECT_TRUE(sim::machine().spooler.HasDriver("Acme LaserJet", "Windows x64"));
}

}  // namespace
