#include "InstallerActions.h"

#include "DescribeError.h"
#include "InstallerSession.h"
#include "NarrowString.h"
#include "ProjectVersion.h"
#include "product/ProductWalks.h"
#include "removal/RunRemovalSequence.h"

namespace vexlo {
namespace {

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

const char* KindName(RemovedKind kind, bool plural = false) {
    switch (kind) {
    case RemovedKind::Queue: return plural ? "queues" : "queue";
    case RemovedKind::Monitor: return plural ? "port monitors" : "port monitor";
    case RemovedKind::Driver: return plural ? "drivers" : "driver";
    case RemovedKind::Package: return plural ? "driver packages" : "driver package";
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

// The answer of a deletion whose object is not there (any more): the first
// pass removed it, or it was never installed in that environment. Windows
// answers a missing driver with 1797; Wine answers it with no error at all.
bool IsAbsent(RemovedKind kind, DWORD error) {
    switch (kind) {
    case RemovedKind::Queue: return error == ERROR_INVALID_PRINTER_NAME;
    case RemovedKind::Monitor: return error == ERROR_UNKNOWN_PRINT_MONITOR;
    case RemovedKind::Driver: return error == ERROR_UNKNOWN_PRINTER_DRIVER || error == ERROR_SUCCESS;
    case RemovedKind::Package: return error == ERROR_FILE_NOT_FOUND;
    }
    return false;
}

// What was refused or could not be looked at, until a later pass removes it
// or finds it gone: the last log line names those left.
struct Refusal {
    NarrowString<320> what;  // e.g. driver "Vexlo-420 LABEL" (Windows x64)
    NarrowString<160> why;   // e.g. error 5 ERROR_ACCESS_DENIED
    bool settled = false;
};

// What the action keeps between the removal's reports.
struct Removal {
    explicit Removal(const InstallerSession& installation) : session(installation) {}
    const InstallerSession& session;
    int stepsStarted = 0;
    RemovalStep step = RemovalStep::FirstSpoolerCycle;  // the step started last
    bool cycled = false;                                 // whether a spooler procedure has run
    SpoolerCycleReport lastCycle;
    Refusal refusals[8];
    int named = 0;     // refusals kept above
    int unnamed = 0;   // more, past the room for them
};

void LogLine(const Removal& removal, const char* format, const char* a, const char* b = "", const char* c = "") {
    char line[1024];
    wsprintfA(line, format, a, b, c);
    removal.session.Log(line);
}

void Settle(Removal& removal, const char* what) {
    for (int i = 0; i < removal.named; ++i) {
        if (removal.refusals[i].what == what) removal.refusals[i].settled = true;
    }
}

void Refuse(Removal& removal, const char* what, const char* why) {
    // Refused again in the second pass: one refusal, with the later reason.
    for (int i = 0; i < removal.named; ++i) {
        Refusal& refusal = removal.refusals[i];
        if (refusal.what == what) {
            refusal.settled = false;
            if (!refusal.why.Assign(why)) refusal.why.Assign("...");
            return;
        }
    }
    if (removal.named == static_cast<int>(sizeof removal.refusals / sizeof removal.refusals[0])) {
        ++removal.unnamed;
        return;
    }
    Refusal& refusal = removal.refusals[removal.named++];
    if (!refusal.what.Assign(what)) refusal.what.Assign("(a name too long to keep)");
    if (!refusal.why.Assign(why)) refusal.why.Assign("...");
}

int RefusalsLeft(const Removal& removal) {
    int left = removal.unnamed;
    for (int i = 0; i < removal.named; ++i) left += removal.refusals[i].settled ? 0 : 1;
    return left;
}

bool StepStarted(void* context, RemovalStep step) {
    Removal& removal = *static_cast<Removal*>(context);
    // Cancel is honoured between steps only: a spooler procedure always
    // ends with the spooler started again.
    removal.step = step;
    if (removal.session.Cancelled()) return false;
    if (removal.stepsStarted++ > 0) removal.session.AdvanceProgress(kTicksPerStep);
    removal.session.ShowAction("VexloRemove", StepText(step));
    LogLine(removal, "VexloRemove: %s", StepText(step));
    return !removal.session.Cancelled();
}

void SpoolerCycled(void* context, RemovalStep, bool controlled, const SpoolerCycleReport& cycle) {
    Removal& removal = *static_cast<Removal*>(context);
    removal.cycled = true;
    removal.lastCycle = cycle;
    char line[256];
    const unsigned long tenths = cycle.elapsedMs / 100;
    if (controlled) {
        wsprintfA(line, "VexloRemove: print spooler found %s, left %s, in %lu.%lu s", ServiceStateName(cycle.found),
                  ServiceStateName(cycle.left), tenths / 10, tenths % 10);
    } else {
        ErrorText error;
        wsprintfA(line, "VexloRemove: print spooler found %s: %s failed with %s, after %lu.%lu s",
                  cycle.found ? ServiceStateName(cycle.found) : "unknown", CallName(cycle.failedCall),
                  DescribeError(cycle.error, error), tenths / 10, tenths % 10);
    }
    removal.session.Log(line);
}

void Removed(void* context, RemovedKind kind, const char* name, const char* environment, bool done, DWORD error) {
    Removal& removal = *static_cast<Removal*>(context);
    char what[320];
    wsprintfA(what, "%s \"%.260s\"%s%.20s%s", KindName(kind), name, environment ? " (" : "",
              environment ? environment : "", environment ? ")" : "");
    ErrorText text;
    const char* why = DescribeError(error, text);
    if (done) {
        LogLine(removal, "VexloRemove: %s removed", what);
        Settle(removal, what);
    } else if (IsAbsent(kind, error)) {
        LogLine(removal, "VexloRemove: %s already gone (%s)", what, why);
        Settle(removal, what);
    } else {
        LogLine(removal, "VexloRemove: %s not removed: %s", what, why);
        Refuse(removal, what, why);
    }
}

void Skipped(void* context, RemovedKind kind, bool list, const char* subject, const char* call, DWORD error) {
    Removal& removal = *static_cast<Removal*>(context);
    char what[320];
    if (list) {
        wsprintfA(what, "%s not all looked at, for \"%.260s\"", KindName(kind, true), subject);
    } else {
        wsprintfA(what, "%s \"%.260s\" not looked at", KindName(kind), subject);
    }
    ErrorText text;
    char why[160];
    wsprintfA(why, "%.60s failed with %s", call, DescribeError(error, text));
    LogLine(removal, "VexloRemove: %s: %s", what, why);
    Refuse(removal, what, why);
}

// "removed", or "removed with N refusals: what (why); ...", as much of it
// as the installer's log line takes.
void LogOutcome(const Removal& removal) {
    char line[1024];
    const int left = RefusalsLeft(removal);
    if (left == 0) {
        removal.session.Log("VexloRemove: the Vexlo-420 printer's software was removed");
        return;
    }
    int length = wsprintfA(line, "VexloRemove: the Vexlo-420 printer's software was removed with %d refusal%s:",
                           left, left == 1 ? "" : "s");
    int told = 0;
    for (int i = 0; i < removal.named; ++i) {
        const Refusal& refusal = removal.refusals[i];
        if (refusal.settled) continue;
        // Room for this one and for the closing " and N more".
        if (length + refusal.what.size() + refusal.why.size() + 24 >= sizeof line) break;
        length += wsprintfA(line + length, " %s (%s);", refusal.what.c_str(), refusal.why.c_str());
        ++told;
    }
    if (told < left) length += wsprintfA(line + length, " and %d more;", left - told);
    line[length - 1] = '\0';  // the last ';' or ':'
    removal.session.Log(line);
}

const char* SpoolerLeft(const Removal& removal) {
    if (!removal.cycled) return "untouched";
    return ServiceStateName(removal.lastCycle.left);
}

UINT Finish(const Removal& removal, RemovalOutcome outcome) {
    const InstallerSession& session = removal.session;
    char line[512];
    switch (outcome) {
    case RemovalOutcome::Stopped:
        wsprintfA(line,
                  "VexloRemove: cancelled: stopped before \"%s\"; what the steps before it removed is listed above; "
                  "the print spooler was left %s",
                  StepText(removal.step), SpoolerLeft(removal));
        session.Log(line);
        return ERROR_INSTALL_USEREXIT;
    case RemovalOutcome::SpoolerFailed: {
        ErrorText error;
        wsprintfA(line,
                  "VexloRemove: the print spooler could not be controlled (%s failed with %s); the removal stopped "
                  "there",
                  CallName(removal.lastCycle.failedCall), DescribeError(removal.lastCycle.error, error));
        session.Log(line);
        // Answered as success: a spooler disabled by policy would otherwise
        // make the package impossible to remove, for ever.
        wsprintfA(line,
                  "VexloRemove: the Vexlo-420 printer's software was left in place from \"%s\" on (only what is "
                  "listed above as removed was removed); the removal needs a print spooler that can be stopped "
                  "and started",
                  StepText(removal.step));
        session.Log(line);
        break;
    }
    case RemovalOutcome::Completed: LogOutcome(removal); break;
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
    Removal removal(session);
    const RemovalReport report = {&removal, StepStarted, SpoolerCycled, Removed, Skipped};
    const RemovalOutcome outcome = RunRemovalSequence(&report);
    // The bar ends where the ticks added for the removal end, whatever the
    // outcome, so that the rest of the installation's progress lines up.
    const int stepsAdvanced = removal.stepsStarted > 0 ? removal.stepsStarted - 1 : 0;
    session.AdvanceProgress((kRemovalSteps - stepsAdvanced) * kTicksPerStep);
    return Finish(removal, outcome);
}

}  // namespace vexlo
