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
    void (*stepStarted)(void* context, RemovalStep step) = nullptr;
    // `controlled` false: the procedure failed, and the sequence ends here.
    void (*spoolerCycled)(void* context, RemovalStep step, bool controlled, const SpoolerCycleReport& cycle) = nullptr;
    // `error` ERROR_SUCCESS: removed; otherwise the platform's refusal.
    // `environment` is null for a queue, a package and "no environment".
    void (*removed)(void* context, RemovedKind kind, const char* name, const char* environment, DWORD error) = nullptr;
};

// Calls that do nothing without a report.
inline void ReportStep(const RemovalReport* report, RemovalStep step) {
    if (report && report->stepStarted) report->stepStarted(report->context, step);
}
inline void ReportRemoval(const RemovalReport* report, RemovedKind kind, const char* name, const char* environment,
                          BOOL removed) {
    if (!report || !report->removed) return;
    const DWORD error = removed ? ERROR_SUCCESS : GetLastError();
    report->removed(report->context, kind, name, environment, error);
}

}  // namespace vexlo
