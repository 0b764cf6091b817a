// The machines several native tests start from: another maker's printer
// software alone, or with the Vexlo-420's beside it (a local queue, a
// connection, both drivers, the monitor, and two brand packages, one of
// them naming the brand through a [Strings] token).
#pragma once

#include "Machine.h"

#include <string>

inline const std::string kEnum = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
inline const std::string kInf = "C:\\WINDOWS\\inf\\";

inline void InstallOtherMake() {
    sim::Machine& m = sim::machine();
    m.spooler.printers.push_back({"Office", "Acme LaserJet", ""});
    m.spooler.drivers.push_back("Acme LaserJet");
    m.spooler.monitors.push_back("Local Port");
    m.files.Put(kInf + "oem2.inf", "[Version]\nProvider=Acme\n");
}

inline void InstallProduct() {
    InstallOtherMake();
    sim::Machine& m = sim::machine();
    m.spooler.printers.insert(m.spooler.printers.begin(), {"Vexlo Label", "Vexlo-420 LABEL", ""});
    m.spooler.printers.push_back({"Remote Label", "Vexlo-420G LABEL", "\\\\printhost"});
    m.spooler.drivers.insert(m.spooler.drivers.begin(), {"Vexlo-420 LABEL", "Vexlo-420G LABEL"});
    m.spooler.monitors.insert(m.spooler.monitors.begin(), "VexloLM");
    m.files.Put(kInf + "oem1.inf", "[Version]\nProvider=Vexlo\n");
    m.files.Put(kInf + "oem3.inf", "[Version]\nProvider=%V%\n[Strings]\nV=Vexlo\n");
}
