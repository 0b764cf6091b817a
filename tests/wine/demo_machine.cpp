// Sets up and shows a Wine prefix for scripts/demo and the WOW64 test. Built
// twice: as a 32-bit program, and as a 64-bit one that installs the drivers
// for the machine's own environment, "Windows x64", as a 64-bit installer
// does. Commands, run in the order given:
//   install        a label printer's software beside another maker's
//   install-near-misses  what resembles it and is not: a driver with the
//                  model's name in another letter case and its queue, a
//                  package whose provider only starts with the brand, and
//                  one of the brand's whose file is no OEM package
//   install-odd-names    queues of the model with a quote in its name (a
//                  printer's name cannot hold a backslash), and under code
//                  page 932 one with double-byte characters (a trail byte
//                  0x5C among them)
//   attach         the printer in the USB printing class driver's device list
//   detach         the device list gone again
//   start-spooler  the Spooler service started from this program
//   disable-spooler the Spooler service stopped and disabled, so that no one
//                  can start it
//   enable-spooler its start type back to on demand
//   list           what is there (drivers: of this program's environment)
//   expect-removed the label printer's software gone, the other maker's kept
//                  (exit code 1 when any object is not so)
#include "wine_machine.h"

#include <cstring>

namespace {

// The environment this program's drivers are installed for and listed from.
const char* const kEnvironment = sizeof(void*) == 8 ? "Windows x64" : "Windows NT x86";

void List() {
    std::printf("  spooler service: %s\n", machine::SpoolerState() == SERVICE_RUNNING ? "running" : "stopped");
    DWORD needed = 0, returned = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed + 1);
    if (EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, buffer.data(), needed, &needed, &returned)) {
        const PRINTER_INFO_2A* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
        for (DWORD i = 0; i < returned; ++i) {
            std::printf("  queue    %-24s driver %s\n", printers[i].pPrinterName, printers[i].pDriverName);
        }
    }
    for (const char* driver : {"Vexlo-420 LABEL", "Vexlo-420G LABEL", "Acme LaserJet"}) {
        if (machine::HasDriver(driver)) std::printf("  driver   %-24s for %s\n", driver, kEnvironment);
    }
    for (const char* monitor : {"VexloLM", "AcmeLM"}) {
        if (machine::HasMonitor(monitor)) std::printf("  monitor  %s\n", monitor);
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(machine::InfPath("oem*.inf").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::printf("  package  %s\n", found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
}

void Install() {
    machine::InstallPrintersDriversMonitors();
    machine::WriteInf("oem21.inf", machine::PrinterInf("Vexlo"));
    machine::WriteInf("oem22.inf", machine::PrinterInf("Acme"));
}

void InstallNearMisses() {
    machine::InstallDriver("vexlo-420 Mono");
    machine::InstallPrinter("Lower", "vexlo-420 Mono");
    machine::WriteInf("oem23.inf", machine::PrinterInf("\"Vexlo Inc\""));
    machine::WriteInf("vexlo.inf", machine::PrinterInf("Vexlo"));
}

void InstallOddNames() {
    machine::InstallPrinter("Vexlo \"Q\" 1", "Vexlo-420 LABEL");
    // "Vexlo " and U+8868 U+30E9 U+30D9 U+30EB in code page 932.
    if (GetACP() == 932) machine::InstallPrinter("Vexlo \x95\x5c\x83\x89\x83\x78\x83\x8b", "Vexlo-420 LABEL");
}

// `removed`: the product's objects gone and the other maker's kept; else
// every object still there.
void ExpectObjects(bool removed) {
    const struct {
        bool (*present)(const char*);
        const char* name;
        bool ours;
    } objects[] = {
        {machine::HasPrinter, "Vexlo Label", true},      {machine::HasPrinter, "Vexlo Label G", true},
        {machine::HasPrinter, "Office", false},          {machine::HasDriver, "Vexlo-420 LABEL", true},
        {machine::HasDriver, "Vexlo-420G LABEL", true},  {machine::HasDriver, "Acme LaserJet", false},
        {machine::HasMonitor, "VexloLM", true},          {machine::HasMonitor, "AcmeLM", false},
        {machine::HasInf, "oem21.inf", true},            {machine::HasInf, "oem22.inf", false},
    };
    for (const auto& o : objects) {
        const bool gone = removed && o.ours;
        ok(o.present(o.name) != gone, "%s: expected %s, got %s\n", o.name, gone ? "gone" : "kept",
           o.present(o.name) ? "present" : "gone");
    }
}

void Attach() {
    HKEY key;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum", 0, NULL,
                                  0, KEY_ALL_ACCESS, NULL, &key, NULL);
    ok(result == ERROR_SUCCESS, "creating the usbprint Enum key: %ld\n", result);
    if (result != ERROR_SUCCESS) return;
    const DWORD count = 2;
    const char* entries[] = {"USB\\VID_1234&PID_0001\\5&2B3C&0&1", "USB\\VID_F0E1&PID_0420\\5&1A2B3C&0&2"};
    RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
    RegSetValueExA(key, "0", 0, REG_SZ, reinterpret_cast<const BYTE*>(entries[0]), lstrlenA(entries[0]) + 1);
    RegSetValueExA(key, "1", 0, REG_SZ, reinterpret_cast<const BYTE*>(entries[1]), lstrlenA(entries[1]) + 1);
    RegCloseKey(key);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: demo_machine install|install-near-misses|install-odd-names|attach|detach|start-spooler|disable-spooler|enable-spooler|"
                    "fast-spooler|spooler-disabling-itself|wine-spooler|list|"
                    "expect-removed|expect-installed...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "install") == 0) {
            Install();
        } else if (std::strcmp(argv[i], "install-near-misses") == 0) {
            InstallNearMisses();
        } else if (std::strcmp(argv[i], "install-odd-names") == 0) {
            InstallOddNames();
        } else if (std::strcmp(argv[i], "attach") == 0) {
            Attach();
        } else if (std::strcmp(argv[i], "detach") == 0) {
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum");
        } else if (std::strcmp(argv[i], "start-spooler") == 0) {
            if (machine::SpoolerState() != SERVICE_RUNNING) machine::StartSpooler();
        } else if (std::strcmp(argv[i], "disable-spooler") == 0) {
            if (machine::SpoolerState() != SERVICE_STOPPED) machine::StopSpooler();
            machine::ConfigureSpooler(SERVICE_DISABLED, NULL);
        } else if (std::strcmp(argv[i], "enable-spooler") == 0) {
            machine::ConfigureSpooler(SERVICE_DEMAND_START, NULL);
        } else if (std::strcmp(argv[i], "fast-spooler") == 0) {
            // The stand-in with short pending phases, started.
            machine::UseFakeSpooler(0);
            machine::StartSpooler();
        } else if (std::strcmp(argv[i], "spooler-disabling-itself") == 0) {
            // Started, and disabled by itself at its second stop: a removal's
            // second cycle cannot start it again.
            machine::UseFakeSpooler(3);
            machine::StartSpooler();
        } else if (std::strcmp(argv[i], "wine-spooler") == 0) {
            machine::UseWineSpooler();
        } else if (std::strcmp(argv[i], "list") == 0) {
            List();
        } else if (std::strcmp(argv[i], "expect-removed") == 0) {
            ExpectObjects(true);
        } else if (std::strcmp(argv[i], "expect-installed") == 0) {
            ExpectObjects(false);
        } else {
            std::printf("demo_machine: unknown command %s\n", argv[i]);
            return 2;
        }
    }
    return winetest::failures() == 0 ? 0 : 1;
}
