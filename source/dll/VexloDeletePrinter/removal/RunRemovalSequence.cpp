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
    ReportStep(report, step);
    if (!report) return procedure(nullptr);
    SpoolerCycleReport cycle;
    const DWORD start = GetTickCount();
    const auto outcome = procedure(&cycle);
    cycle.elapsedMs = GetTickCount() - start;
    if (report->spoolerCycled) report->spoolerCycled(report->context, step, cycle.failedCall == SpoolerCall::None, cycle);
    return outcome;
}

}  // namespace

bool RunRemovalSequence(const RemovalReport* report) {
    const SpoolerOutcome prepared = CycleSpooler(report, RemovalStep::FirstSpoolerCycle, PrepareSpooler);
    if (prepared == SpoolerOutcome::Failed) return false;
    // Loaded now that the deletions need it, freed when the call returns.
    const Winspool winspool;
    if (prepared == SpoolerOutcome::Started) RemoveLabelMonitor(winspool, report);

    ReportStep(report, RemovalStep::Queues);
    RemovePrinterQueues(winspool, report);
    ReportStep(report, RemovalStep::Monitor);
    RemoveLabelMonitor(winspool, report);
    ReportStep(report, RemovalStep::Drivers);
    RemoveLabelDrivers(winspool, report);

    if (!CycleSpooler(report, RemovalStep::SecondSpoolerCycle, RestartSpooler)) return false;
    ReportStep(report, RemovalStep::MonitorAgain);
    RemoveLabelMonitor(winspool, report);
    ReportStep(report, RemovalStep::DriversAgain);
    RemoveLabelDrivers(winspool, report);

    // Only the spooler procedures end the sequence early: with no INF
    // folder to scan, or no setup library, it has still run to its end; a
    // folder that cannot be had is skipped rather than scanned on an
    // undefined or cut path.
    ReportStep(report, RemovalStep::Packages);
    char folder[MAX_PATH];
    if (BuildInfFolder(folder)) PurgeDriverPackages(SetupApi(), FolderPath(folder), report);
    return true;
}

}  // namespace vexlo
