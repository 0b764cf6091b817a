#include "removal/RunRemovalSequence.h"

#include "removal/PrinterRemoval.h"
#include "removal/SpoolerControl.h"

namespace vexlo {
namespace {

// A spooler procedure, timed and told to the report when there is one: the
// clock is read only then, so that a call without a report makes no call
// beyond the removal's own.
template <typename Procedure>
auto CycleSpooler(const RemovalReport* report, RemovalStep step, Procedure procedure) {
    if (!report) return procedure(nullptr);
    SpoolerCycleReport cycle;
    const DWORD start = GetTickCount();
    const auto outcome = procedure(&cycle);
    cycle.elapsedMs = GetTickCount() - start;
    if (report->spoolerCycled) report->spoolerCycled(report->context, step, cycle.failedCall == SpoolerCall::None, cycle);
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
