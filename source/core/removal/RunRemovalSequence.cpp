#include "removal/RunRemovalSequence.h"

#include "removal/PrinterRemoval.h"
#include "removal/SpoolerControl.h"
#include "removal/SpoolerHandles.h"

namespace vexlo {
namespace {

// A procedure that failed after it had stopped a running spooler has left
// the machine without printing: one more start, from fresh handles. True
// when it started the spooler.
bool StartAgain(SpoolerCycleReport& cycle) {
    SpoolerHandles spooler;
    SERVICE_STATUS status = {};
    SpoolerCycleReport retry;
    const bool started = ReopenAndStartIfStopped(spooler, status, &retry);
    cycle.retried = true;
    cycle.retryFailedCall = retry.failedCall;
    cycle.retryError = retry.error;
    if (retry.left != 0) cycle.left = retry.left;
    return started;
}

bool Failed(SpoolerOutcome outcome) { return outcome == SpoolerOutcome::Failed; }
bool Failed(bool controlled) { return !controlled; }
// The success a procedure would have answered had its start not needed a
// second try.
SpoolerOutcome Recovered(SpoolerOutcome) { return SpoolerOutcome::Restarted; }
bool Recovered(bool) { return true; }

// A spooler procedure, timed and told to the report when there is one: the
// clock is read only then, so that a call without a report makes no call
// beyond the removal's own. Only with a report is a failed start tried once
// more (DeleteALL's calls and answers stay as they are).
template <typename Procedure>
auto CycleSpooler(const RemovalReport* report, RemovalStep step, Procedure procedure) {
    if (!report) return procedure(nullptr);
    SpoolerCycleReport cycle;
    const DWORD start = GetTickCount();
    auto outcome = procedure(&cycle);
    const bool stoppedIt = cycle.found == SERVICE_RUNNING && cycle.left == SERVICE_STOPPED;
    if (Failed(outcome) && stoppedIt && StartAgain(cycle)) outcome = Recovered(outcome);
    cycle.elapsedMs = GetTickCount() - start;
    if (report->spoolerCycled) report->spoolerCycled(report->context, step, !Failed(outcome), cycle);
    return outcome;
}

}  // namespace

RemovalOutcome RunRemovalSequence(const RemovalReport* report) {
    if (!ReportStep(report, RemovalStep::FirstSpoolerCycle)) return RemovalOutcome::Stopped;
    const SpoolerOutcome prepared = CycleSpooler(report, RemovalStep::FirstSpoolerCycle, PrepareSpooler);
    if (prepared == SpoolerOutcome::Failed) return RemovalOutcome::SpoolerFailed;
    // Loaded now that the deletions need it, freed when the call returns.
    const Winspool winspool;
    if (prepared == SpoolerOutcome::Started) RemoveLabelMonitor(winspool, report);

    if (!ReportStep(report, RemovalStep::Queues)) return RemovalOutcome::Stopped;
    RemovePrinterQueues(winspool, report);
    if (!ReportStep(report, RemovalStep::Monitor)) return RemovalOutcome::Stopped;
    RemoveLabelMonitor(winspool, report);
    if (!ReportStep(report, RemovalStep::Drivers)) return RemovalOutcome::Stopped;
    RemoveLabelDrivers(winspool, report);

    if (!ReportStep(report, RemovalStep::SecondSpoolerCycle)) return RemovalOutcome::Stopped;
    if (!CycleSpooler(report, RemovalStep::SecondSpoolerCycle, RestartSpooler)) return RemovalOutcome::SpoolerFailed;
    if (!ReportStep(report, RemovalStep::MonitorAgain)) return RemovalOutcome::Stopped;
    RemoveLabelMonitor(winspool, report);
    if (!ReportStep(report, RemovalStep::DriversAgain)) return RemovalOutcome::Stopped;
    RemoveLabelDrivers(winspool, report);

    // Only the spooler procedures end the sequence early: with no INF
    // folder to scan, or no setup library, it has still run to its end; a
    // folder that cannot be had is skipped rather than scanned on an
    // undefined or cut path.
    if (!ReportStep(report, RemovalStep::Packages)) return RemovalOutcome::Stopped;
    char folder[MAX_PATH];
    if (BuildInfFolder(folder)) {
        PurgeDriverPackages(SetupApi(), FolderPath(folder), report);
    } else {
        // No error: the directory may have been had, and too long for "\inf".
        ReportSkipped(report, RemovedKind::Package, true, "the INF folder", "GetWindowsDirectoryA", ERROR_SUCCESS);
    }
    return RemovalOutcome::Completed;
}

}  // namespace vexlo
