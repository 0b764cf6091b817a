// What of the Vexlo-420 printer's software is on this machine, found by the
// library's own rules and walks: the listing names what DeleteALL removes.
// Read-only: it starts, stops and deletes nothing.
#pragma once

#include <string>
#include <vector>

namespace vexlo {

struct ListedQueue {
    std::string name, driver, environment;
};
struct ListedDriver {
    std::string name, environment;
};
struct ListedPackage {
    std::string file, infClass, driverVer;
};

// All text as the system gives it, in the process's ANSI code page.
struct Inventory {
    bool attached = false;
    std::vector<std::string> deviceEntries;  // the device list's entries that name the printer
    std::string spooler;                     // "running", "stopped", ..., "unknown" when it cannot be asked
    bool listsRead = true;                   // false when a list of the spooler's could not be read
    std::vector<ListedQueue> queues;
    std::vector<std::string> monitors;
    std::vector<ListedDriver> drivers;
    std::vector<ListedPackage> packages;

    bool SoftwareInstalled() const { return !queues.empty() || !monitors.empty() || !drivers.empty() || !packages.empty(); }
};

Inventory ListInstalled();

}  // namespace vexlo
