// Cycling the print spooler service around the deletions.
#pragma once

#include "removal/RemovalReport.h"

#include <windows.h>

namespace vexlo {

enum class SpoolerOutcome {
    Failed,     // the spooler could not be opened, queried, stopped or started
    Started,    // it was stopped, and a start was issued
    Restarted,  // it was running, and a stop was issued
    Untouched,  // it was in any other state and was left alone
};

// Before the deletions: starts a stopped spooler, stops and restarts a
// running one, leaves a pending or paused one alone. What it found, left and
// what failed go into `cycle` when one is given.
SpoolerOutcome PrepareSpooler(SpoolerCycleReport* cycle = nullptr);

// After the first deletions: stops the spooler if running, then starts it if
// a fresh query finds it stopped. False on any failure to open, query, stop
// or start.
bool RestartSpooler(SpoolerCycleReport* cycle = nullptr);

// Polls until `status` shows `target`, sleeping each reported wait hint, and
// always at least once. Gives up when a query fails or after
// kServiceWaitBoundMs in all.
void WaitForServiceState(SC_HANDLE service, SERVICE_STATUS& status, DWORD target);

// A healthy spooler stops or starts within a few seconds; Wine's reports a
// 10-second hint for each. Two minutes is far beyond either, so only a
// service that hangs in a pending state, or keeps falling back, reaches it.
inline constexpr DWORD kServiceWaitBoundMs = 120000;

}  // namespace vexlo
