// What of the Vexlo-420 printer's software is on this machine, found by the
// library's own rules and walks: the listing names what DeleteALL removes.
// Read-only: it starts, stops and deletes nothing, and asks for no right
// beyond reading. What it could not read it names, with the reason.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vexlo {

struct ListedQueue {
    std::string name, driver, environment;
    bool driverKnown = true;  // false: a queue whose driver could not be read
};
struct ListedDriver {
    std::string name, environment;
};
struct ListedPackage {
    std::string file, infClass, driverVer;
};
// A list, or part of one, that could not be read: "deviceEntries",
// "spooler", "queues", "monitors", "drivers" or "packages", and the call
// that failed with its error.
struct UnreadList {
    std::string list, reason;
};

// All text as the system gives it, in the process's ANSI code page.
struct Inventory {
    std::optional<bool> attached;  // none when the device list could not be read and named nothing
    std::vector<std::string> deviceEntries;  // the device list's entries that name the printer
    std::string spooler;                     // "running", "stopped", ..., "unknown" when it cannot be asked
    std::vector<ListedQueue> queues;         // the model's, and those whose driver is unknown
    std::vector<std::string> monitors;
    std::vector<ListedDriver> drivers;
    std::vector<ListedPackage> packages;
    std::vector<UnreadList> unread;

    bool Complete() const { return unread.empty(); }
    // Queues whose driver is unknown are not counted: they may be anyone's.
    unsigned ModelQueueCount() const;
    bool SoftwareInstalled() const {
        return ModelQueueCount() != 0 || !monitors.empty() || !drivers.empty() || !packages.empty();
    }
};

Inventory ListInstalled();

}  // namespace vexlo
