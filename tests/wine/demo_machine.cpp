// For scripts/demo: installs a label printer's software beside another
// maker's into a Wine prefix ("install"), or lists what is there ("list").
#include "wine_machine.h"

#include <cstring>

namespace {

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
        if (machine::HasDriver(driver)) std::printf("  driver   %s\n", driver);
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

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "install") == 0) {
        Install();
    } else if (argc == 2 && std::strcmp(argv[1], "list") == 0) {
        List();
    } else {
        std::printf("usage: demo_machine install|list\n");
        return 2;
    }
    return winetest::failures();
}
