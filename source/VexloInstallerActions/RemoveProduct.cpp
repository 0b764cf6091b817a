#include "InstallerActions.h"

#include "InstallerSession.h"
#include "ProjectVersion.h"
#include "removal/RemovalLog.h"

namespace vexlo {
namespace {

// What the action keeps between the removal's lines: the bar moves one step
// at each step after the first.
struct Progress {
    explicit Progress(const InstallerSession& installation) : session(installation) {}
    const InstallerSession& session;
    int stepsStarted = 0;
};

void LogLine(void* context, const char* line) { static_cast<Progress*>(context)->session.Log(line); }

bool StepStarting(void* context, RemovalStep, const char* text) {
    Progress& progress = *static_cast<Progress*>(context);
    // Cancel is honoured between steps only: a spooler procedure always
    // ends with the spooler started again.
    if (progress.session.Cancelled()) return false;
    if (progress.stepsStarted++ > 0) progress.session.AdvanceProgress(kTicksPerStep);
    progress.session.ShowAction("VexloRemove", text);
    return true;
}

bool StopRequested(void* context) { return static_cast<Progress*>(context)->session.Cancelled(); }

UINT Answer(const InstallerSession& session, RemovalVerdict verdict) {
    switch (verdict) {
    case RemovalVerdict::Stopped: return ERROR_INSTALL_USEREXIT;
    // The machine is worse than the removal found it: no success. A spooler
    // that was stopped or disabled before, and is left so, is no failure:
    // otherwise a spooler disabled by policy would make the package
    // impossible to remove, for ever.
    case RemovalVerdict::SpoolerLeftStopped: return ERROR_INSTALL_FAILURE;
    case RemovalVerdict::SpoolerNotControlled:
    case RemovalVerdict::Removed:
    case RemovalVerdict::RemovedWithRefusals: break;
    }
    // A Cancel that came with the removal's last messages, when no step was
    // left to stop before, still ends the installation as the person asked.
    if (!session.Cancelled()) return ERROR_SUCCESS;
    session.Log("VexloRemove: cancelled after the removal's last step; the line above tells what it did");
    return ERROR_INSTALL_USEREXIT;
}

}  // namespace

UINT RemoveProduct(MSIHANDLE install) {
    const InstallerSession session(install);
    if (!session.RunsAs(true, "VexloRemove: not run as a deferred action, so it removed nothing: schedule it with "
                              "Execute=\"deferred\" Impersonate=\"no\" between InstallInitialize and "
                              "InstallFinalize, as VexloPrinter.wxi does")) {
        return ERROR_SUCCESS;
    }
    session.Log("VexloRemove: removing the Vexlo-420 printer's software (VexloInstallerActions.dll " VEXLO_VERSION_TEXT
                ")");
    session.Log("VexloRemove: it runs as the local system account: printer connections that other accounts made for "
                "themselves are outside its view and stay");
    Progress progress(session);
    const RemovalLog log = {&progress, "VexloRemove: ", LogLine, StepStarting, StopRequested};
    const RemovalResult result = RunLoggedRemoval(log);
    // The bar ends where the ticks added for the removal end, whatever the
    // outcome, so that the rest of the installation's progress lines up.
    const int stepsAdvanced = progress.stepsStarted > 0 ? progress.stepsStarted - 1 : 0;
    session.AdvanceProgress((kRemovalSteps - stepsAdvanced) * kTicksPerStep);
    return Answer(session, result.verdict);
}

}  // namespace vexlo
