// Print spooler: queues (local and connections) with their drivers, the
// installed drivers of each environment, and monitors. Enumeration and driver information are laid
// out in the caller's buffer as the platform does: fixed-size records first,
// the strings they point to after them.
#include "Machine.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>

namespace sim {
namespace {

// An open handle: the queue's full name and the rights it was opened with.
struct OpenQueue {
    std::string name;
    DWORD access = 0;
};
std::map<void*, OpenQueue>& openPrinters() {
    static std::map<void*, OpenQueue> printers;
    return printers;
}

constexpr DWORD kDeleteRight = 0x00010000;  // DELETE, part of PRINTER_ALL_ACCESS

std::string FullName(const Printer& p) { return p.server.empty() ? p.name : p.server + "\\" + p.name; }

Printer* Find(const std::string& fullName) {
    for (Printer& p : machine().spooler.printers) {
        if (EqualNoCase(FullName(p), fullName)) return &p;
    }
    return nullptr;
}

// Copies strings after the records, handing out their addresses.
class StringArea {
public:
    explicit StringArea(BYTE* at) : at_(reinterpret_cast<char*>(at)) {}
    LPSTR Put(const std::string& text) {
        char* place = at_;
        std::memcpy(place, text.c_str(), text.size() + 1);
        at_ += text.size() + 1;
        return place;
    }

private:
    char* at_;
};

// An enumeration's answer: `count` records, each followed in the buffer by
// the strings `texts(i)` lists, written by `fill(record, i, strings)`; the
// size it needs, and refused as the spooler refuses a buffer too small.
template <typename Record, typename Texts>
DWORD EnumerationSize(std::size_t count, Texts texts) {
    DWORD size = static_cast<DWORD>(count * sizeof(Record));
    for (std::size_t i = 0; i < count; ++i) {
        for (const std::string& t : texts(i)) size += static_cast<DWORD>(t.size() + 1);
    }
    return size;
}

template <typename Record, typename Texts, typename Fill>
BOOL AnswerEnumeration(std::size_t count, Texts texts, Fill fill, LPBYTE buffer, DWORD bufferSize, LPDWORD needed,
                       LPDWORD returned) {
    const DWORD size = EnumerationSize<Record>(count, texts);
    *needed = size;
    *returned = 0;
    if (count == 0) return TRUE;
    if (!buffer || bufferSize < size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* records = reinterpret_cast<Record*>(buffer);
    StringArea strings(buffer + count * sizeof(Record));
    for (std::size_t i = 0; i < count; ++i) fill(records[i], i, strings);
    *returned = static_cast<DWORD>(count);
    return TRUE;
}

bool Erase(std::vector<std::string>& names, const std::string& name) {
    auto it = std::find_if(names.begin(), names.end(), [&](const std::string& n) { return EqualNoCase(n, name); });
    if (it == names.end()) return false;
    names.erase(it);
    return true;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return EqualNoCase(n, name); });
}

}  // namespace

bool PrintSpooler::HasPrinter(const std::string& name) const {
    return std::any_of(printers.begin(), printers.end(), [&](const Printer& p) { return EqualNoCase(FullName(p), name); });
}
bool PrintSpooler::HasDriver(const std::string& name, const char* environment) const {
    return Contains(const_cast<PrintSpooler*>(this)->DriversOf(environment), name);
}

const char* ProcessEnvironment() {
    return machine().processor.processMachine == IMAGE_FILE_MACHINE_AMD64 ? "Windows x64" : "Windows NT x86";
}

std::vector<std::string>& PrintSpooler::DriversOf(const char* environment) {
    if (!environment || !*environment || EqualNoCase(environment, ProcessEnvironment())) return drivers;
    return otherDrivers[environment];
}
bool PrintSpooler::HasMonitor(const std::string& name) const { return Contains(monitors, name); }

}  // namespace sim

using namespace sim;

BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed,
                          LPDWORD returned) {
    const std::vector<Printer>& printers = machine().spooler.printers;
    auto texts = [&](std::size_t i) { return std::vector<std::string>{FullName(printers[i]), printers[i].server}; };
    *returned = 0;
    if (auto error = Enter(__func__, std::to_string(bufferSize))) {
        // A platform that keeps asking for more than it asked for before.
        const DWORD size = EnumerationSize<PRINTER_INFO_4A>(printers.size(), texts);
        if (*error == ERROR_INSUFFICIENT_BUFFER) *needed = std::max(size, bufferSize) + 64;
        SetLastError(*error);
        return FALSE;
    }
    if (flags != (PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS) || name || level != 4) {
        machine().misuse.push_back("EnumPrintersA: expected local and connections, no name, level 4");
    }
    auto fill = [&](PRINTER_INFO_4A& record, std::size_t i, StringArea& strings) {
        record.pPrinterName = strings.Put(FullName(printers[i]));
        record.pServerName = printers[i].server.empty() ? nullptr : strings.Put(printers[i].server);
        record.Attributes = printers[i].server.empty() ? 0x40 : 0x10;  // local or network
    };
    return AnswerEnumeration<PRINTER_INFO_4A>(printers.size(), texts, fill, buffer, bufferSize, needed, returned);
}

BOOL WINAPI OpenPrinterA(LPSTR printerName, HANDLE* printer, LPPRINTER_DEFAULTSA defaults) {
    const std::string name = printerName ? printerName : "";
    if (FaultInjected(__func__, name)) return FALSE;
    if (!defaults || defaults->pDatatype || defaults->pDevMode || defaults->DesiredAccess == 0 ||
        (defaults->DesiredAccess & ~PRINTER_ALL_ACCESS) != 0) {
        machine().misuse.push_back("OpenPrinterA: expected defaults with printer rights only");
    }
    Printer* p = Find(name);
    if (!p) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    if (p->openError) {
        SetLastError(p->openError);
        return FALSE;
    }
    const DWORD access = defaults ? defaults->DesiredAccess : PRINTER_ACCESS_USE;
    if ((access & ~p->allowedAccess) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    *printer = OpenHandle(HandleKind::Printer);
    openPrinters()[*printer] = {name, access};
    return TRUE;
}

BOOL WINAPI GetPrinterDriverA(HANDLE printer, LPSTR environment, DWORD level, LPBYTE buffer, DWORD bufferSize,
                              LPDWORD needed) {
    const std::string asked = environment ? environment : "";
    if (FaultInjected(__func__, asked + ":" + std::to_string(bufferSize))) return FALSE;
    if (level != 2) machine().misuse.push_back("GetPrinterDriverA: expected level 2");
    Printer* p = IsOpen(printer, HandleKind::Printer) ? Find(openPrinters()[printer].name) : nullptr;
    if (!p) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if ((openPrinters()[printer].access & PRINTER_ACCESS_USE) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // The queue's driver as installed for the environment asked for; "no
    // environment" is the caller's own. Absent there, nothing is reported.
    if (!machine().spooler.HasDriver(p->driver, environment)) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return FALSE;
    }
    const std::string strings[] = {p->driver, asked.empty() ? ProcessEnvironment() : asked, "C:\\drivers\\label.dll",
                                   "C:\\drivers\\label.gpd", "C:\\drivers\\labelui.dll"};
    DWORD size = sizeof(DRIVER_INFO_2A);
    for (const std::string& s : strings) size += static_cast<DWORD>(s.size() + 1);
    *needed = size;
    if (!buffer || bufferSize < size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* info = reinterpret_cast<DRIVER_INFO_2A*>(buffer);
    StringArea area(buffer + sizeof(DRIVER_INFO_2A));
    info->cVersion = 3;
    info->pName = p->driver.empty() ? nullptr : area.Put(strings[0]);  // a driver with no name
    info->pEnvironment = area.Put(strings[1]);
    info->pDriverPath = area.Put(strings[2]);
    info->pDataFile = area.Put(strings[3]);
    info->pConfigFile = area.Put(strings[4]);
    return TRUE;
}

BOOL WINAPI DeletePrinter(HANDLE printer) {
    const std::string name = IsOpen(printer, HandleKind::Printer) ? openPrinters()[printer].name : "";
    if (FaultInjected(__func__, name)) return FALSE;
    Printer* p = Find(name);
    if (!p) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (p->deleteError) {
        SetLastError(p->deleteError);
        return FALSE;
    }
    if ((openPrinters()[printer].access & kDeleteRight) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    auto& printers = machine().spooler.printers;
    printers.erase(printers.begin() + (p - printers.data()));
    return TRUE;
}

BOOL WINAPI ClosePrinter(HANDLE printer) {
    Enter(__func__);
    if (!CloseHandle(printer, HandleKind::Printer)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    openPrinters().erase(printer);
    return TRUE;
}

// Monitors are shared by all environments; the one named, if any, is
// recorded in the call log.
BOOL WINAPI DeleteMonitorA(LPSTR serverName, LPSTR environment, LPSTR monitorName) {
    const std::string name = monitorName ? monitorName : "";
    if (FaultInjected(__func__, (environment ? environment + std::string(":") : "") + name)) return FALSE;
    if (serverName) machine().misuse.push_back("DeleteMonitorA: expected no server");
    if (!Erase(machine().spooler.monitors, name)) {
        SetLastError(ERROR_UNKNOWN_PRINT_MONITOR);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI DeletePrinterDriverA(LPSTR serverName, LPSTR environment, LPSTR driverName) {
    const std::string name = driverName ? driverName : "";
    if (FaultInjected(__func__, (environment ? environment + std::string(":") : "") + name)) return FALSE;
    if (serverName) machine().misuse.push_back("DeletePrinterDriverA: expected no server");
    std::vector<std::string>& drivers = machine().spooler.DriversOf(environment);
    if (!Contains(drivers, name)) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return FALSE;
    }
    for (const Printer& p : machine().spooler.printers) {
        if (EqualNoCase(p.driver, name)) {
            SetLastError(ERROR_PRINTER_DRIVER_IN_USE);
            return FALSE;
        }
    }
    Erase(drivers, name);
    return TRUE;
}

// Level 2: each driver's name and environment, the rest left empty.
BOOL WINAPI EnumPrinterDriversA(LPSTR serverName, LPSTR environment, DWORD level, LPBYTE buffer, DWORD bufferSize,
                                LPDWORD needed, LPDWORD returned) {
    if (FaultInjected(__func__, (environment ? environment : std::string()) + ":" + std::to_string(bufferSize))) {
        return FALSE;
    }
    if (serverName || level != 2) machine().misuse.push_back("EnumPrinterDriversA: expected no server, level 2");
    const std::vector<std::string>& drivers = machine().spooler.DriversOf(environment);
    const std::string asked = environment && *environment ? environment : ProcessEnvironment();
    auto texts = [&](std::size_t i) { return std::vector<std::string>{drivers[i], asked}; };
    auto fill = [&](DRIVER_INFO_2A& record, std::size_t i, StringArea& strings) {
        record = {3, strings.Put(drivers[i]), strings.Put(asked), nullptr, nullptr, nullptr};
    };
    return AnswerEnumeration<DRIVER_INFO_2A>(drivers.size(), texts, fill, buffer, bufferSize, needed, returned);
}

BOOL WINAPI EnumMonitorsA(LPSTR serverName, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed,
                          LPDWORD returned) {
    if (FaultInjected(__func__, std::to_string(bufferSize))) return FALSE;
    if (serverName || level != 1) machine().misuse.push_back("EnumMonitorsA: expected no server, level 1");
    const std::vector<std::string>& monitors = machine().spooler.monitors;
    auto texts = [&](std::size_t i) { return std::vector<std::string>{monitors[i]}; };
    auto fill = [&](MONITOR_INFO_1A& record, std::size_t i, StringArea& strings) {
        record.pName = strings.Put(monitors[i]);
    };
    return AnswerEnumeration<MONITOR_INFO_1A>(monitors.size(), texts, fill, buffer, bufferSize, needed, returned);
}
