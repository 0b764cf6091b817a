#include "InstallerActions.h"

#include "InstallerSession.h"
#include "product/ProductWalks.h"
#include "removal/RunRemovalSequence.h"

namespace vexlo {
namespace {

// Each step of the removal is as many ticks of the progress bar; the two
// spooler cycles take most of the time, but the steps are what the person
// watching can follow.
constexpr int kTicksPerStep = 10000;

const char* StepText(RemovalStep step) {
    switch (step) {
    case RemovalStep::FirstSpoolerCycle: return "Stopping and starting the print spooler...";
    case RemovalStep::Queues: return "Removing the printer's queues...";
    case RemovalStep::Monitor: return "Removing the printer's port monitor...";
    case RemovalStep::Drivers: return "Removing the printer's drivers...";
    case RemovalStep::SecondSpoolerCycle: return "Restarting the print spooler...";
    case RemovalStep::MonitorAgain: return "Removing the printer's port monitor, after the restart...";
    case RemovalStep::DriversAgain: return "Removing the printer's drivers, after the restart...";
    case RemovalStep::Packages: return "Removing the printer's driver packages...";
    }
    return "";
}

const char* KindName(RemovedKind kind) {
    switch (kind) {
    case RemovedKind::Queue: return "queue";
    case RemovedKind::Monitor: return "port monitor";
    case RemovedKind::Driver: return "driver";
    case RemovedKind::Package: return "driver package";
    }
    return "";
}

const char* CallName(SpoolerCall call) {
    switch (call) {
    case SpoolerCall::None: break;
    case SpoolerCall::OpenSCManager: return "OpenSCManagerA";
    case SpoolerCall::OpenService: return "OpenServiceA";
    case SpoolerCall::QueryServiceStatus: return "QueryServiceStatus";
    case SpoolerCall::StartService: return "StartServiceA";
    case SpoolerCall::ControlService: return "ControlService";
    }
    return "a spooler call";
}

// What the action keeps between the removal's reports.
struct Removal {
    const InstallerSession& session;
    int stepsStarted = 0;
    SpoolerCycleReport failedCycle;
};

void StepStarted(void* context, RemovalStep step) {
    Removal& removal = *static_cast<Removal*>(context);
    if (removal.stepsStarted++ > 0) removal.session.AdvanceProgress(kTicksPerStep);
    removal.session.ShowAction("VexloRemove", StepText(step));
    char line[128];
    wsprintfA(line, "VexloRemove: %s", StepText(step));
    removal.session.Log(line);
}

void SpoolerCycled(void* context, RemovalStep, bool controlled, const SpoolerCycleReport& cycle) {
    Removal& removal = *static_cast<Removal*>(context);
    char line[256];
    const unsigned long tenths = cycle.elapsedMs / 100;
    if (controlled) {
        wsprintfA(line, "VexloRemove: print spooler found %s, left %s, in %lu.%lu s", ServiceStateName(cycle.found),
                  ServiceStateName(cycle.left), tenths / 10, tenths % 10);
    } else {
        removal.failedCycle = cycle;
        wsprintfA(line, "VexloRemove: print spooler found %s: %s failed with error %lu, after %lu.%lu s",
                  cycle.found ? ServiceStateName(cycle.found) : "unknown", CallName(cycle.failedCall),
                  static_cast<unsigned long>(cycle.error), tenths / 10, tenths % 10);
    }
    removal.session.Log(line);
}

void Removed(void* context, RemovedKind kind, const char* name, const char* environment, DWORD error) {
    const Removal& removal = *static_cast<Removal*>(context);
    char where[40] = "";
    if (environment) wsprintfA(where, " (%s)", environment);
    char line[400];
    if (error == ERROR_SUCCESS) {
        wsprintfA(line, "VexloRemove: %s \"%.260s\"%s removed", KindName(kind), name, where);
    } else {
        wsprintfA(line, "VexloRemove: %s \"%.260s\"%s not removed: error %lu", KindName(kind), name, where,
                  static_cast<unsigned long>(error));
    }
    removal.session.Log(line);
}

}  // namespace

UINT RemoveProduct(MSIHANDLE install) {
    const InstallerSession session(install);
    session.ResetProgress(kRemovalSteps * kTicksPerStep);
    session.Log("VexloRemove: removing the Vexlo-420 printer's software");
    Removal removal{session, 0, {}};
    const RemovalReport report = {&removal, StepStarted, SpoolerCycled, Removed};
    const bool ran = RunRemovalSequence(&report);
    session.AdvanceProgress((kRemovalSteps - removal.stepsStarted + 1) * kTicksPerStep);
    if (!ran) {
        char line[200];
        wsprintfA(line,
                  "VexloRemove: the print spooler could not be controlled (%s failed with error %lu); the removal "
                  "stopped there",
                  CallName(removal.failedCycle.failedCall),
                  static_cast<unsigned long>(removal.failedCycle.error));
        session.Log(line);
        return ERROR_INSTALL_FAILURE;
    }
    session.Log("VexloRemove: the Vexlo-420 printer's software was removed");
    return ERROR_SUCCESS;
}

}  // namespace vexlo
