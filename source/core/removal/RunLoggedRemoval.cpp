#include "removal/RemovalLog.h"

#include "DescribeError.h"
#include "NarrowString.h"
#include "product/ProductWalks.h"

namespace vexlo {
namespace {

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

// What was refused or could not be looked at, until a later pass removes it
// or finds it gone: the last line names those left.
struct Refusal {
    NarrowString<320> what;  // e.g. driver "Vexlo-420 LABEL" (Windows x64)
    NarrowString<160> why;   // e.g. error 5 ERROR_ACCESS_DENIED
    bool settled = false;
};

// What is kept between the removal's reports.
struct Removal {
    explicit Removal(const RemovalLog& to) : log(to) {}
    const RemovalLog& log;
    RemovalStep step = RemovalStep::FirstSpoolerCycle;  // the step started last
    bool cycled = false;                                 // whether a spooler procedure has run
    DWORD foundAtStart = 0;                              // the state the first procedure found
    SpoolerCycleReport lastCycle;
    Refusal refusals[8];
    int named = 0;    // refusals kept above
    int unnamed = 0;  // more, past the room for them
};

void Say(const Removal& removal, const char* text) {
    char line[1100];
    wsprintfA(line, "%.40s%.1024s", removal.log.prefix, text);
    removal.log.line(removal.log.context, line);
}

void SayFormatted(const Removal& removal, const char* format, const char* a, const char* b = "",
                  const char* c = "") {
    char line[1024];
    wsprintfA(line, format, a, b, c);
    Say(removal, line);
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
    const RemovalLog& log = removal.log;
    removal.step = step;
    if (log.stepStarting && !log.stepStarting(log.context, step, RemovalStepText(step))) return false;
    Say(removal, RemovalStepText(step));
    return !(log.stopRequested && log.stopRequested(log.context));
}

void SpoolerCycled(void* context, RemovalStep, bool controlled, const SpoolerCycleReport& cycle) {
    Removal& removal = *static_cast<Removal*>(context);
    if (!removal.cycled) removal.foundAtStart = cycle.found;
    removal.cycled = true;
    removal.lastCycle = cycle;
    char line[512];
    const unsigned long tenths = cycle.elapsedMs / 100;
    ErrorText error;
    ErrorText retryError;
    if (controlled && !cycle.retried) {
        wsprintfA(line, "print spooler found %s, left %s, in %lu.%lu s", ServiceStateName(cycle.found),
                  ServiceStateName(cycle.left), tenths / 10, tenths % 10);
    } else if (controlled) {
        wsprintfA(line, "print spooler found %s, left %s, in %lu.%lu s; its start failed the first time (%s failed "
                  "with %s) and was tried once more",
                  ServiceStateName(cycle.found), ServiceStateName(cycle.left), tenths / 10, tenths % 10,
                  CallName(cycle.failedCall), DescribeError(cycle.error, error));
    } else if (cycle.retried) {
        wsprintfA(line, "print spooler found %s: %s failed with %s; tried once more: %s failed with %s; left %s, "
                  "after %lu.%lu s",
                  ServiceStateName(cycle.found), CallName(cycle.failedCall), DescribeError(cycle.error, error),
                  CallName(cycle.retryFailedCall), DescribeError(cycle.retryError, retryError),
                  ServiceStateName(cycle.left), tenths / 10, tenths % 10);
    } else {
        wsprintfA(line, "print spooler found %s: %s failed with %s, after %lu.%lu s",
                  cycle.found ? ServiceStateName(cycle.found) : "unknown", CallName(cycle.failedCall),
                  DescribeError(cycle.error, error), tenths / 10, tenths % 10);
    }
    Say(removal, line);
}

void Removed(void* context, RemovedKind kind, const char* name, const char* environment, Deletion result,
             DWORD error) {
    Removal& removal = *static_cast<Removal*>(context);
    char what[320];
    wsprintfA(what, "%s \"%.260s\"%s%.20s%s", KindName(kind), name, environment ? " (" : "",
              environment ? environment : "", environment ? ")" : "");
    ErrorText text;
    const char* why = DescribeError(error, text);
    switch (result) {
    case Deletion::Removed:
        SayFormatted(removal, "%s removed", what);
        Settle(removal, what);
        return;
    case Deletion::AlreadyGone:
        // Without an error, gone only because the list no longer holds it.
        SayFormatted(removal, error ? "%s already gone (%s)" : "%s already gone (%s; not in the spooler's list)",
                     what, why);
        Settle(removal, what);
        return;
    case Deletion::Refused: {
        char reason[160];
        wsprintfA(reason, error || kind != RemovedKind::Driver ? "%s" : "%s, and still in the spooler's list or "
                                                                        "its list unreadable",
                  why);
        SayFormatted(removal, "%s not removed: %s", what, reason);
        Refuse(removal, what, reason);
        return;
    }
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
    SayFormatted(removal, "%s: %s", what, why);
    Refuse(removal, what, why);
}

// "removed", or "removed with N refusals: what (why); ...", as much of it
// as one line takes.
void SayOutcome(const Removal& removal) {
    char line[1000];
    const int left = RefusalsLeft(removal);
    if (left == 0) {
        Say(removal, "the Vexlo-420 printer's software was removed");
        return;
    }
    int length = wsprintfA(line, "the Vexlo-420 printer's software was removed with %d refusal%s:", left,
                           left == 1 ? "" : "s");
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
    Say(removal, line);
}

const char* SpoolerLeft(const Removal& removal) {
    if (!removal.cycled) return "untouched";
    return ServiceStateName(removal.lastCycle.left);
}

RemovalVerdict SaySpoolerFailed(const Removal& removal) {
    const SpoolerCycleReport& cycle = removal.lastCycle;
    char line[900];
    ErrorText error;
    wsprintfA(line, "the print spooler could not be controlled (%s failed with %s); the removal stopped there",
              CallName(cycle.failedCall), DescribeError(cycle.error, error));
    Say(removal, line);
    char left[300];
    wsprintfA(left,
              "the Vexlo-420 printer's software was left in place from \"%s\" on (only what is listed above as "
              "removed was removed)",
              RemovalStepText(removal.step));
    // Stopped by the removal, and still stopped after a second start: the
    // person must hear of that first, for nothing on the machine prints.
    if (cycle.retried && cycle.left == SERVICE_STOPPED) {
        const bool wasRunning = removal.foundAtStart == SERVICE_RUNNING;
        wsprintfA(line,
                  "the print spooler is stopped: %s failed with %s at the second try too, so nothing on this "
                  "computer prints until it runs again; start the Print Spooler service as an administrator "
                  "(services.msc, or sc start Spooler) and, if it will not start, see the System event log%s; %s",
                  CallName(cycle.retryFailedCall), DescribeError(cycle.retryError, error),
                  wasRunning ? "" : " (it was stopped before the removal too)", left);
        Say(removal, line);
        return wasRunning ? RemovalVerdict::SpoolerLeftStopped : RemovalVerdict::SpoolerNotControlled;
    }
    wsprintfA(line, "%s; the removal needs a print spooler that can be stopped and started", left);
    Say(removal, line);
    return RemovalVerdict::SpoolerNotControlled;
}

}  // namespace

const char* RemovalStepText(RemovalStep step) {
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

RemovalResult RunLoggedRemoval(const RemovalLog& log) {
    Removal removal(log);
    const RemovalReport report = {&removal, StepStarted, SpoolerCycled, Removed, Skipped};
    const RemovalOutcome outcome = RunRemovalSequence(&report);
    RemovalResult result;
    result.lastCycle = removal.lastCycle;
    result.cycled = removal.cycled;
    switch (outcome) {
    case RemovalOutcome::Stopped: {
        char line[400];
        wsprintfA(line,
                  "cancelled: stopped before \"%s\"; what the steps before it removed is listed above; the print "
                  "spooler was left %s",
                  RemovalStepText(removal.step), SpoolerLeft(removal));
        Say(removal, line);
        result.verdict = RemovalVerdict::Stopped;
        break;
    }
    case RemovalOutcome::SpoolerFailed: result.verdict = SaySpoolerFailed(removal); break;
    case RemovalOutcome::Completed:
        SayOutcome(removal);
        result.verdict = RefusalsLeft(removal) ? RemovalVerdict::RemovedWithRefusals : RemovalVerdict::Removed;
        break;
    }
    return result;
}

}  // namespace vexlo
