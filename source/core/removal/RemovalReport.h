// What the removal did, step by step, for a caller that reports it to a
// person (the Windows Installer custom action writes it to the installer's
// log). DeleteALL asks for no report: then nothing here is called, and the
// removal makes exactly the platform calls it makes without one.
#pragma once

#include <windows.h>

namespace vexlo {

// The steps of the removal sequence, in their order.
enum class RemovalStep {
    FirstSpoolerCycle,
    Queues,
    Monitor,
    Drivers,
    SecondSpoolerCycle,
    MonitorAgain,
    DriversAgain,
    Packages,
};
inline constexpr int kRemovalSteps = 8;

enum class RemovedKind { Queue, Monitor, Driver, Package };

// What came of one deletion: removed; already gone (the platform answered
// with its documented "not found" error, or with no error while its own list
// no longer holds the object); or refused (any other answer).
enum class Deletion { Removed, AlreadyGone, Refused };

// Whether the platform's own list still holds an object, for a deletion that
// failed without an error.
enum class Listing { Listed, NotListed, Unknown };

// The platform's documented answer for an object that is not there: Windows
// answers a missing driver with 1797 (Wine with no error at all, which is
// why a driver's list is looked at then).
inline bool IsNotFoundError(RemovedKind kind, DWORD error) {
    switch (kind) {
    case RemovedKind::Queue: return error == ERROR_INVALID_PRINTER_NAME;
    case RemovedKind::Monitor: return error == ERROR_UNKNOWN_PRINT_MONITOR;
    case RemovedKind::Driver: return error == ERROR_UNKNOWN_PRINTER_DRIVER;
    case RemovedKind::Package: return error == ERROR_FILE_NOT_FOUND;
    }
    return false;
}

// The service manager's calls a spooler procedure makes, by which one
// failed (the reporting caller names them; the DLL holds no text for them).
enum class SpoolerCall { None, OpenSCManager, OpenService, QueryServiceStatus, StartService, ControlService };

// What a spooler procedure found and left, and what failed.
struct SpoolerCycleReport {
    DWORD found = 0;  // the state the first query read; 0 when none was read
    DWORD left = 0;   // the state the last query read
    SpoolerCall failedCall = SpoolerCall::None;
    DWORD error = ERROR_SUCCESS;
    DWORD elapsedMs = 0;
    // A start that failed after the procedure had stopped a running spooler
    // is tried once more: then `failedCall` and `error` are the first try's,
    // and these the second's (None when it started the spooler).
    bool retried = false;
    SpoolerCall retryFailedCall = SpoolerCall::None;
    DWORD retryError = ERROR_SUCCESS;
};

// Records in `cycle`, when there is one, the call that failed and the
// platform's error (read only then); false, for the caller's return.
inline bool Fail(SpoolerCycleReport* cycle, SpoolerCall call) {
    if (cycle) {
        cycle->failedCall = call;
        cycle->error = GetLastError();
    }
    return false;
}
// Records the state a query read, when there is a report.
inline void Saw(SpoolerCycleReport* cycle, DWORD state, bool first = false) {
    if (!cycle) return;
    if (first) cycle->found = state;
    cycle->left = state;
}

// The caller's functions; any may be null.
struct RemovalReport {
    void* context = nullptr;
    // Before each step; false stops the removal there, between two steps,
    // where the spooler is never left stopped.
    bool (*stepStarted)(void* context, RemovalStep step) = nullptr;
    // `controlled` false: the procedure failed, and the sequence ends here.
    void (*spoolerCycled)(void* context, RemovalStep step, bool controlled, const SpoolerCycleReport& cycle) = nullptr;
    // `error` is the platform's answer to a deletion that failed, 0 when it
    // gave none. `environment` is null for a queue, a package and "no
    // environment".
    void (*removed)(void* context, RemovedKind kind, const char* name, const char* environment, Deletion result,
                    DWORD error) = nullptr;
    // What could not be looked at: one object (a queue that would not open
    // or name its driver, an INF that would not open), or, `list` true, the
    // list of objects of that kind, `subject` saying which. `call` failed
    // with `error` (0 when it gave none).
    void (*skipped)(void* context, RemovedKind kind, bool list, const char* subject, const char* call,
                    DWORD error) = nullptr;
};

// Calls that do nothing without a report.
inline bool ReportStep(const RemovalReport* report, RemovalStep step) {
    return !report || !report->stepStarted || report->stepStarted(report->context, step);
}

// Deletes through `remove` and, when there is a report, tells it what came
// of it. The last error is cleared first then: a spooler that refuses
// without setting one (Wine's, for a driver it does not have) is not read as
// the error of an earlier call. Such a refusal is looked up through `listed`
// (only when there is a report): gone only when the list no longer holds
// the object.
template <typename Remove, typename Listed>
void RemoveReported(const RemovalReport* report, RemovedKind kind, const char* name, const char* environment,
                    Remove remove, Listed listed) {
    if (!report || !report->removed) {
        remove();
        return;
    }
    SetLastError(ERROR_SUCCESS);
    if (remove() != FALSE) {
        report->removed(report->context, kind, name, environment, Deletion::Removed, ERROR_SUCCESS);
        return;
    }
    const DWORD error = GetLastError();
    const bool gone = IsNotFoundError(kind, error) || (error == ERROR_SUCCESS && listed() == Listing::NotListed);
    report->removed(report->context, kind, name, environment, gone ? Deletion::AlreadyGone : Deletion::Refused, error);
}
// For objects whose list is not looked at: a failure without an error is a
// refusal.
template <typename Remove>
void RemoveReported(const RemovalReport* report, RemovedKind kind, const char* name, const char* environment,
                    Remove remove) {
    RemoveReported(report, kind, name, environment, remove, [] { return Listing::Unknown; });
}

inline void ReportSkipped(const RemovalReport* report, RemovedKind kind, bool list, const char* subject,
                          const char* call, DWORD error) {
    if (report && report->skipped) report->skipped(report->context, kind, list, subject, call, error);
}

}  // namespace vexlo
