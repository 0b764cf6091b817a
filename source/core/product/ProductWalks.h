// The walks that apply the product's rules to what the machine holds: its
// device entries, its print queues, monitors and drivers, and its OEM driver
// packages. IsConnected and DeleteALL act on what they visit; VexloHost's
// listing reports it, and reports what a walk could not read.
#pragma once

#include "NarrowString.h"
#include "SystemLibrary.h"

namespace vexlo {

// How a walk read its list: whole, or else the first call that failed, what
// it was asked about, and the error. The rest of the list was still walked.
// A walk is told where to put it, or nothing: then it reads no error at all,
// and makes exactly the platform calls its walk needs.
struct ListRead {
    const char* call = nullptr;
    NarrowString<264> subject;  // a key, value, file, folder or queue name
    DWORD error = ERROR_SUCCESS;

    bool whole() const { return call == nullptr; }
    // Keeps the first failure only: it is the reason.
    void Failed(const char* failedCall, std::string_view about, DWORD failedError);
};

inline void NoteFailure(ListRead* read, const char* call, std::string_view about, DWORD error) {
    if (read) read->Failed(call, about, error);
}
// The platform's last error, read only when there is a ListRead to take it.
inline void NoteLastError(ListRead* read, const char* call, std::string_view about) {
    if (read) read->Failed(call, about, GetLastError());
}

// ---- the device list --------------------------------------------------------

// Called for each entry of the USB printing class driver's device list whose
// name carries the printer's hardware ID, in the list's order, with the
// entry as read; returns whether to go on. A list the driver never made (no
// printer was ever attached) is read whole, and empty.
using DeviceEntryVisit = bool (*)(void* context, const char* entry);
void WalkPrinterDeviceEntries(DeviceEntryVisit visit, void* context, ListRead* read = nullptr);

// ---- the spooler's queues -----------------------------------------------------

struct QueueEntry {
    HANDLE printer;           // null when the queue could not be opened
    const char* name;         // as the spooler's list gave it
    const char* driver;       // null when it could not be had...
    const char* environment;  // (with it)
    const char* failedCall;   // ...for the failure of this call, with its
    DWORD error;              // error when the walk was given a ListRead
};

// Called for each local queue and connection, opened with `access` (the
// handle closes after the call), with its driver's name and environment as
// the spooler reports them for the process's own environment or, under
// WOW64, the machine's.
using QueueVisit = void (*)(void* context, const Winspool& winspool, const QueueEntry& queue);
// Whole unless the list of queues could not be read or the spooler's library
// not loaded; a queue that cannot be opened is visited without its driver.
void WalkPrinterQueues(const Winspool& winspool, DWORD access, QueueVisit visit, void* context,
                       ListRead* read = nullptr);

// ---- the spooler's monitors and drivers, for the listing ---------------------------

// The removal deletes these by name and never lists them.
struct SpoolerListFunctions {
    static constexpr const char* kFileName = "winspool.drv";
    bool Find(HMODULE module);
    decltype(&::EnumMonitorsA) EnumMonitorsA = nullptr;
    decltype(&::EnumPrinterDriversA) EnumPrinterDriversA = nullptr;
};
using SpoolerLists = SystemLibrary<SpoolerListFunctions>;

// Called for the product's monitor, and for each of its drivers in each
// environment the removal deletes them in: the process's own, and under
// WOW64 the machine's too. A monitor has no environment (null).
using NameVisit = void (*)(void* context, const char* name, const char* environment);
void WalkProductMonitors(const SpoolerLists& spooler, NameVisit visit, void* context, ListRead* read = nullptr);
void WalkProductDrivers(const SpoolerLists& spooler, NameVisit visit, void* context, ListRead* read = nullptr);
// The product's drivers among those of one environment (nullptr: the
// process's own).
void WalkDriversOf(const SpoolerLists& spooler, LPSTR environment, NameVisit visit, void* context, ListRead* read);

// ---- the OEM driver packages --------------------------------------------------

// As long as the pattern and path buffers, which the walk guards itself.
using FolderPath = NarrowString<1024>;

// The Windows directory followed by "\inf", in the 260-byte buffer. False
// when the directory cannot be had or leaves no room for "\inf" (longer than
// 255 characters).
bool BuildInfFolder(char (&folder)[MAX_PATH]);

// Called for each Provider line naming the brand in the [Version] section of
// an oem*.inf in `folder` (no trailing backslash), with the file's name and
// its open INF (closed after the walk leaves the file); returns whether to go
// on with that file's further lines. Whole unless the setup library could
// not be loaded, the folder could not be searched, or a file could not be
// opened, which is passed over.
using PackageVisit = bool (*)(void* context, const SetupApi& setupApi, const char* fileName, HINF inf);
void WalkBrandPackages(const SetupApi& setupApi, FolderPath folder, PackageVisit visit, void* context,
                       ListRead* read = nullptr);


// ---- the product's software, found --------------------------------------------

// Whether any of the product's software is installed, by the walks above and
// the rules they apply, reading only (queues opened with the right to use
// them): a queue whose driver is the model's, the monitor, a driver, a brand
// package. `unread` is whole when every list was read whole, else the first
// failure: nothing found in lists that were not all read is no proof that
// nothing is there.
struct SoftwareFound {
    bool installed = false;
    ListRead unread;
};
SoftwareFound FindInstalledSoftware();


// ---- the print spooler's state --------------------------------------------------

// The spooler service's state, asked with the right to read its status
// only: never started or stopped. 0 with the failure when it cannot be had.
ListRead ReadSpoolerState(DWORD& state);

// "stopped", "start pending", "stop pending", "running", "continue
// pending", "pause pending", "paused", or "unknown".
const char* ServiceStateName(DWORD state);

}  // namespace vexlo
