#include "removal/RunRemovalSequence.h"

#include "removal/PrinterRemoval.h"
#include "removal/PurgeDriverPackages.h"
#include "removal/SpoolerControl.h"

#include <cstring>

namespace vexlo {
namespace {

constexpr char kInfSubfolder[] = "\\inf";

// The Windows directory followed by "\inf", in the 260-byte buffer. False
// when the directory cannot be had or leaves no room for "\inf" (longer than
// 255 characters): the purge is then skipped rather than run on an undefined
// or cut path.
bool BuildInfFolder(char (&folder)[MAX_PATH]) {
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length + sizeof kInfSubfolder > MAX_PATH) return false;
    std::memcpy(folder + length, kInfSubfolder, sizeof kInfSubfolder);
    return true;
}

}  // namespace

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
    // folder to scan, or no setup library, it has still run to its end.
    char folder[MAX_PATH];
    if (BuildInfFolder(folder)) PurgeDriverPackages(SetupApi(), FolderPath(folder));
    return true;
}

}  // namespace vexlo
