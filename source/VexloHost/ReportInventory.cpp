#include "ReportInventory.h"

#include <windows.h>

#include <nlohmann/json.hpp>

#include <cstdio>

namespace vexlo {
namespace {

// The system's names come in the process's ANSI code page; JSON is UTF-8.
std::string Utf8FromAnsi(const std::string& text) {
    if (text.empty()) return text;
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), wideLength);
    const int utf8Length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), utf8Length, nullptr, nullptr);
    return utf8;
}

const char* Or(const std::string& text, const char* otherwise) { return text.empty() ? otherwise : text.c_str(); }

}  // namespace

void PrintInventoryJson(const Inventory& inventory) {
    using json = nlohmann::ordered_json;  // the keys in the order a reader expects
    json report = {{"attached", inventory.attached ? json(*inventory.attached) : json(nullptr)},
                   {"deviceEntries", json::array()},
                   {"spooler", inventory.spooler},
                   {"queues", json::array()},
                   {"monitors", json::array()},
                   {"drivers", json::array()},
                   {"packages", json::array()},
                   {"complete", inventory.Complete()},
                   {"unread", json::array()}};
    for (const std::string& e : inventory.deviceEntries) report["deviceEntries"].push_back(Utf8FromAnsi(e));
    for (const ListedQueue& q : inventory.queues) {
        report["queues"].push_back({{"name", Utf8FromAnsi(q.name)},
                                    {"driver", q.driverKnown ? json(Utf8FromAnsi(q.driver)) : json(nullptr)},
                                    {"environment", q.driverKnown ? json(Utf8FromAnsi(q.environment)) : json(nullptr)}});
    }
    for (const std::string& m : inventory.monitors) report["monitors"].push_back(Utf8FromAnsi(m));
    for (const ListedDriver& d : inventory.drivers) {
        report["drivers"].push_back({{"name", Utf8FromAnsi(d.name)}, {"environment", Utf8FromAnsi(d.environment)}});
    }
    for (const ListedPackage& p : inventory.packages) {
        report["packages"].push_back({{"file", Utf8FromAnsi(p.file)},
                                      {"class", Utf8FromAnsi(p.infClass)},
                                      {"driverVer", Utf8FromAnsi(p.driverVer)}});
    }
    for (const UnreadList& u : inventory.unread) {
        report["unread"].push_back({{"list", u.list}, {"reason", Utf8FromAnsi(u.reason)}});
    }
    std::printf("%s\n", report.dump(2, ' ', false, json::error_handler_t::replace).c_str());
}

void PrintInventoryTable(const Inventory& inventory) {
    std::printf("%-10s %s\n", "attached", !inventory.attached ? "unknown" : *inventory.attached ? "yes" : "no");
    for (const std::string& e : inventory.deviceEntries) std::printf("%-10s %s\n", "", e.c_str());
    std::printf("%-10s %s\n", "spooler", inventory.spooler.c_str());
    for (const ListedQueue& q : inventory.queues) {
        if (q.driverKnown) {
            std::printf("%-10s %-28s driver %s (%s)\n", "queue", q.name.c_str(), q.driver.c_str(), Or(q.environment, "?"));
        } else {
            std::printf("%-10s %-28s driver unknown\n", "queue", q.name.c_str());
        }
    }
    for (const std::string& m : inventory.monitors) std::printf("%-10s %s\n", "monitor", m.c_str());
    for (const ListedDriver& d : inventory.drivers) {
        std::printf("%-10s %-28s for %s\n", "driver", d.name.c_str(), Or(d.environment, "?"));
    }
    for (const ListedPackage& p : inventory.packages) {
        std::printf("%-10s %-28s class %s, DriverVer %s\n", "package", p.file.c_str(), Or(p.infClass, "-"),
                    Or(p.driverVer, "-"));
    }
    for (const UnreadList& u : inventory.unread) {
        std::printf("%-10s %s: %s\n", "unread", u.list.c_str(), u.reason.c_str());
    }
    if (inventory.SoftwareInstalled()) {
        std::printf("The Vexlo-420 printer's software is installed: %u queue(s), %u monitor(s), %u driver(s), "
                    "%u package(s)%s.\n",
                    inventory.ModelQueueCount(), static_cast<unsigned>(inventory.monitors.size()),
                    static_cast<unsigned>(inventory.drivers.size()), static_cast<unsigned>(inventory.packages.size()),
                    inventory.Complete() ? "" : " found; the listing is incomplete");
    } else if (!inventory.Complete()) {
        std::printf("None of the Vexlo-420 printer's software was found, but the listing is incomplete: "
                    "what could not be read is named above.\n");
    } else {
        std::printf("None of the Vexlo-420 printer's software is installed.\n");
    }
}

}  // namespace vexlo
