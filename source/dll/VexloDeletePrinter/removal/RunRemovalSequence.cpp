#include "removal/RunRemovalSequence.h"

#include "removal/PrinterRemoval.h"
#include "removal/SpoolerControl.h"

namespace vexlo {

bool RunRemovalSequence() {
    const SpoolerOutcome prepared = PrepareSpooler();
    if (prepared == SpoolerOutcome::Failed) return false;
    // Loaded now that the deletions need it, freed when the call returns.
    const Winspool winspool;
    if (prepared == SpoolerOutcome::Started) RemoveLabelMonitor(winspool);

    RemovePrinterQueues(winspool);
    RemoveLabelMonitor(winspool);
    RemoveLabelDrivers(winspool);

    if (!RestartSpooler()) return false;
    RemoveLabelMonitor(winspool);
    RemoveLabelDrivers(winspool);

    // Only the spooler procedures end the sequence early: with no INF
    // folder to scan, or no setup library, it has still run to its end; a
    // folder that cannot be had is skipped rather than scanned on an
    // undefined or cut path.
    char folder[MAX_PATH];
    if (BuildInfFolder(folder)) PurgeDriverPackages(SetupApi(), FolderPath(folder));
    return true;
}

}  // namespace vexlo
