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
    // `done` true: removed; otherwise `error` is the platform's refusal, 0
    // when it gave none. `environment` is null for a queue, a package and
    // "no environment".
    void (*removed)(void* context, RemovedKind kind, const char* name, const char* environment, bool done,
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
// the error of an earlier call.
template <typename Remove>
void RemoveReported(const RemovalReport* report, RemovedKind kind, const char* name, const char* environment,
                    Remove remove) {
    if (!report || !report->removed) {
        remove();
        return;
    }
    SetLastError(ERROR_SUCCESS);
    const bool done = remove() != FALSE;
    report->removed(report->context, kind, name, environment, done, done ? ERROR_SUCCESS : GetLastError());
}

inline void ReportSkipped(const RemovalReport* report, RemovedKind kind, bool list, const char* subject,
                          const char* call, DWORD error) {
    if (report && report->skipped) report->skipped(report->context, kind, list, subject, call, error);
}

}  // namespace vexlo
