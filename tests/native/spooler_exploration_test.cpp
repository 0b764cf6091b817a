// Every behaviour of the service manager up to a depth: each script of
// answers (success or failure of every open, query, stop and start, the state
// and wait hint each query reports, the tick count the procedure starts at)
// is played to PrepareSpooler, RestartSpooler and the whole DeleteALL
// sequence. For each, the service calls they make must be exactly those of a
// plain reference transcription of the procedures, and the rules must hold:
// the outcome, the bound of every wait (its sleeps, and its whole length from
// its first query to the end of the last time it slept), one stop and one
// start at the most,
// every handle closed in order, and what the sequence does after each outcome.
// A failure prints the shortest failing script as a row of kRegressions.
#include "SimTest.h"
#include "SpoolerOutcomeName.h"
#include "VexloDeletePrinter.h"
#include "removal/SpoolerControl.h"

#include <chrono>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using sim::Answer;
using vexlo::SpoolerOutcome;
using Strings = std::vector<std::string>;

// The README's promise for one wait: 2 minutes. Written out here, not taken
// from the library, so that a changed bound fails this test.
constexpr DWORD kPromisedBoundMs = 2 * 60 * 1000;
constexpr DWORD kOrdinaryTick = 5000;
// A query's round trip in simulated time: long, so that a service answering
// hint 0 for ever is polled a dozen times before the bound, not 120,000.
constexpr DWORD kQueryMs = 9973;
// A procedure's first query takes its round trip; its first wait then starts
// 3 s before the 32-bit tick count wraps, and every reading after the
// wait's own first query lies past the wrap.
constexpr DWORD kTickNearWrap = 0xFFFFFFFFu - 3000 - kQueryMs;

constexpr DWORD kStates[] = {SERVICE_STOPPED,          SERVICE_START_PENDING, SERVICE_STOP_PENDING, SERVICE_RUNNING,
                             SERVICE_CONTINUE_PENDING, SERVICE_PAUSE_PENDING, SERVICE_PAUSED};
constexpr DWORD kHints[] = {0, 1, 10000, 0xFFFFFFFF};

Answer Ok() { return {}; }
Answer Fail() { return {false, 0, SERVICE_STOPPED, 0}; }
Answer Status(DWORD state, DWORD hint) { return {true, 0, state, hint}; }

struct Script {
    const char* what;
    DWORD startTick;
    std::vector<Answer> answers;
};

// ---- the reference: the procedures' numbered steps, transcribed plainly -------

const char* StateName(DWORD state) {
    static const char* const names[] = {"?",           "STOPPED",          "START_PENDING",    "STOP_PENDING",
                                        "RUNNING",     "CONTINUE_PENDING", "PAUSE_PENDING",    "PAUSED"};
    return state < 8 ? names[state] : "?";
}

std::string QueryEntry(const Answer& a) {
    if (!a.ok) return "QueryServiceStatus -> failed";
    return std::string("QueryServiceStatus -> ") + StateName(a.state) + " " + std::to_string(a.waitHint);
}
std::string Entry(const char* call, const Answer& a) { return std::string(call) + (a.ok ? "" : " -> failed"); }

class Reference {
public:
    explicit Reference(const Script& script) : answers_(script.answers), tick_(script.startTick) {}
    Strings trace;

    SpoolerOutcome Prepare() {
        if (!Open()) return SpoolerOutcome::Failed;
        if (!Query()) return CloseAnd(SpoolerOutcome::Failed);
        if (state_ == SERVICE_STOPPED) {
            if (!Start()) return CloseAnd(SpoolerOutcome::Failed);
            Wait(SERVICE_RUNNING);
            return CloseAnd(SpoolerOutcome::Started);
        }
        if (state_ != SERVICE_RUNNING) return CloseAnd(SpoolerOutcome::Untouched);
        if (!Stop()) return CloseAnd(SpoolerOutcome::Failed);
        Wait(SERVICE_STOPPED);
        Close();
        if (!Open()) return SpoolerOutcome::Failed;
        if (!Query()) return CloseAnd(SpoolerOutcome::Failed);
        if (state_ == SERVICE_STOPPED) {
            if (!Start()) return CloseAnd(SpoolerOutcome::Failed);
            Wait(SERVICE_RUNNING);
        }
        return CloseAnd(SpoolerOutcome::Restarted);
    }

    bool Restart() {
        if (!Open()) return false;
        if (!Query()) return CloseAnd(false);
        if (state_ == SERVICE_RUNNING) {
            if (!Stop()) return CloseAnd(false);
            Wait(SERVICE_STOPPED);
        }
        Close();
        if (!Open()) return false;
        if (!Query()) return CloseAnd(false);
        if (state_ == SERVICE_STOPPED) {
            if (!Start()) return CloseAnd(false);
            Wait(SERVICE_RUNNING);
        }
        return CloseAnd(true);
    }

private:
    const Answer& Next() {
        const Answer& a = answers_[next_ < answers_.size() ? next_ : answers_.size() - 1];
        ++next_;
        return a;
    }
    bool Open() {
        const Answer& manager = Next();
        trace.push_back(Entry("OpenSCManagerA", manager));
        if (!manager.ok) return false;
        const Answer& service = Next();
        trace.push_back(Entry("OpenServiceA", service));
        if (!service.ok) {
            trace.push_back("CloseServiceHandle(manager)");
            return false;
        }
        return true;
    }
    void Close() {
        trace.push_back("CloseServiceHandle(service)");
        trace.push_back("CloseServiceHandle(manager)");
    }
    template <typename T>
    T CloseAnd(T result) {
        Close();
        return result;
    }
    bool Query() {
        tick_ += kQueryMs;
        const Answer& a = Next();
        trace.push_back(QueryEntry(a));
        if (a.ok) {
            state_ = a.state;
            hint_ = a.waitHint;
        }
        return a.ok;
    }
    bool Start() {
        const Answer& a = Next();
        trace.push_back(Entry("StartServiceA", a));
        return a.ok;
    }
    bool Stop() {
        const Answer& a = Next();
        trace.push_back(Entry("ControlService", a));
        if (a.ok) {
            state_ = a.state;
            hint_ = a.waitHint;
        }
        return a.ok;
    }
    void Sleep(DWORD ms) {
        trace.push_back("Sleep " + std::to_string(ms));
        tick_ += ms;
    }
    // Query; then sleep the hint, stop when the state read before the sleep
    // is the target, when the bound is used up, or when a query fails. No
    // sleep goes past the bound.
    void Wait(DWORD target) {
        const DWORD start = tick_;
        if (!Query()) return;
        for (;;) {
            const DWORD used = tick_ - start;
            const DWORD left = used < kPromisedBoundMs ? kPromisedBoundMs - used : 0;
            Sleep(hint_ < left ? hint_ : left);
            if (state_ == target) return;
            if (tick_ - start >= kPromisedBoundMs) return;
            if (!Query()) return;
        }
    }

    const std::vector<Answer>& answers_;
    std::size_t next_ = 0;
    DWORD tick_;
    DWORD state_ = 0, hint_ = 0;
};

// ---- what the library did, read from the simulated machine -------------------

const char* const kConsuming[] = {"OpenSCManagerA", "OpenServiceA", "QueryServiceStatus", "ControlService",
                                  "StartServiceA"};
bool Consumes(const std::string& f) {
    for (const char* c : kConsuming) {
        if (f == c) return true;
    }
    return false;
}

struct Observed {
    Strings trace;             // in the reference's form
    Strings consumers;         // the call that took each answer, in order
    std::vector<DWORD> waits;  // the sleeps of each wait, summed
    std::vector<DWORD> spans;  // each wait from its first query to the end of its last sleep
};

Observed Observe(const Script& script) {
    Observed o;
    std::size_t at = 0;
    bool inWait = false, waitQueried = false;
    DWORD waitStart = 0;
    for (const sim::Call& c : sim::machine().calls) {
        if (Consumes(c.function)) {
            const Answer& a = script.answers[at < script.answers.size() ? at : script.answers.size() - 1];
            ++at;
            o.consumers.push_back(c.function);
            o.trace.push_back(c.function == "QueryServiceStatus" ? QueryEntry(a) : Entry(c.function.c_str(), a));
            if ((c.function == "ControlService" || c.function == "StartServiceA") && a.ok) {
                o.waits.push_back(0);
                o.spans.push_back(0);
                inWait = true;
                waitQueried = false;
            } else if (c.function == "QueryServiceStatus") {
                if (inWait && !waitQueried) waitStart = c.tick;
                waitQueried = true;
            } else {
                inWait = false;
            }
        } else if (c.function == "Sleep") {
            o.trace.push_back("Sleep " + c.detail);
            const DWORD ms = static_cast<DWORD>(std::stoul(c.detail));
            // A query may end past the bound (its round trip is not the
            // library's to bound) and a sleep of 0 may follow it; no time may
            // be slept past it. Unsigned, so that a wait across the wrap
            // measures right.
            if (inWait) o.waits.back() += ms;
            if (inWait && ms > 0) o.spans.back() = c.tick + ms - waitStart;
        } else if (c.function == "CloseServiceHandle") {
            o.trace.push_back("CloseServiceHandle(" + c.detail + ")");
            inWait = false;
        }
    }
    return o;
}

std::string Join(const Strings& lines) {
    std::string text;
    for (const std::string& l : lines) text += "    " + l + "\n";
    return text;
}

// The rules every run must keep, read from the observed calls alone.
void CheckRules(const Observed& o, std::ostringstream& errors, int procedures) {
    int stops = 0, starts = 0;
    std::string lastQuery;
    bool serviceOpen = false;
    for (const std::string& e : o.trace) {
        if (e.rfind("QueryServiceStatus", 0) == 0) lastQuery = e;
        if (e.rfind("ControlService", 0) == 0) {
            ++stops;
            if (lastQuery.find("-> RUNNING") == std::string::npos) errors << "a stop without a query that found it running\n";
        }
        if (e.rfind("StartServiceA", 0) == 0) {
            ++starts;
            if (lastQuery.find("-> STOPPED") == std::string::npos) errors << "a start without a query that found it stopped\n";
        }
        if (e == "OpenServiceA") serviceOpen = true;
        if (e == "CloseServiceHandle(service)") serviceOpen = false;
        if (e == "CloseServiceHandle(manager)" && serviceOpen) errors << "the manager closed before the service\n";
        if (e == "Sleep 4294967295") errors << "a sleep of INFINITE\n";
    }
    if (stops > procedures) errors << stops << " stop requests\n";
    if (starts > procedures) errors << starts << " start requests\n";
    for (DWORD slept : o.waits) {
        if (slept > kPromisedBoundMs) errors << "a wait slept " << slept << " ms, past the promised 2 minutes\n";
    }
    for (DWORD span : o.spans) {
        if (span > kPromisedBoundMs) errors << "a wait slept until " << span << " ms after its first query, past the promised 2 minutes\n";
    }
}

// Failed or false exactly when an open, a query outside a wait, a stop or a
// start failed; otherwise as the first query found the spooler.
SpoolerOutcome Rule(const Observed& o) {
    std::string previous;
    for (std::size_t i = 0; i < o.trace.size(); ++i) {
        const std::string& e = o.trace[i];
        const bool failed = e.find("-> failed") != std::string::npos;
        const bool queryOutsideWait = e.rfind("QueryServiceStatus", 0) == 0 && previous == "OpenServiceA";
        if (failed && (e.rfind("QueryServiceStatus", 0) != 0 || queryOutsideWait)) return SpoolerOutcome::Failed;
        if (e.rfind("Sleep", 0) != 0) previous = e;
    }
    for (const std::string& e : o.trace) {
        if (e.rfind("QueryServiceStatus", 0) != 0) continue;
        if (e.find("-> STOPPED") != std::string::npos) return SpoolerOutcome::Started;
        if (e.find("-> RUNNING") != std::string::npos) return SpoolerOutcome::Restarted;
        return SpoolerOutcome::Untouched;
    }
    return SpoolerOutcome::Failed;
}

// ---- one script, played to one target -----------------------------------------

enum class Target { Prepare, Restart, Sequence };
const char* TargetName(Target t) {
    return t == Target::Prepare ? "PrepareSpooler" : t == Target::Restart ? "RestartSpooler" : "DeleteALL";
}

const std::string kInf = "C:\\WINDOWS\\inf\\";
void InstallProduct() {
    sim::Machine& m = sim::machine();
    m.spooler.printers = {{"Vexlo Label", "Vexlo-420 LABEL", ""}};
    m.spooler.drivers = {"Vexlo-420 LABEL", "Vexlo-420G LABEL"};
    m.spooler.monitors = {"VexloLM"};
    m.files.Put(kInf + "oem1.inf", "[Version]\nProvider=Vexlo\n");
}

struct Played {
    std::string errors;      // empty when every check held
    bool wantedMore = false;  // the procedure read past the script's end
    std::string lastConsumer; // the call that read the script's last answer
};

// The rules, and the service calls against the reference's.
void Compare(const Observed& o, const Reference& reference, std::ostringstream& errors, int procedures) {
    CheckRules(o, errors, procedures);
    if (o.trace != reference.trace) {
        errors << "service calls:\n" << Join(o.trace) << "the reference's:\n" << Join(reference.trace);
    }
}

// What DeleteALL must have done after the procedures' outcomes.
void CheckSequence(BOOLEAN got, SpoolerOutcome prepared, bool restarted, std::ostringstream& errors) {
    const BOOLEAN expected = restarted ? 1 : 0;
    if (got != expected) errors << "DeleteALL gave " << int(got) << ", expected " << int(expected) << "\n";
    const bool prepareFailed = prepared == SpoolerOutcome::Failed;
    const int monitorDeletions = prepareFailed ? 0 : (prepared == SpoolerOutcome::Started ? 1 : 0) + 1 + (restarted ? 1 : 0);
    if (sim::CallCount("DeleteMonitorA") != monitorDeletions) {
        errors << sim::CallCount("DeleteMonitorA") << " monitor deletions, expected " << monitorDeletions << "\n";
    }
    if (sim::CallCount("EnumPrintersA") > 0 && prepareFailed) errors << "queues examined after PrepareSpooler failed\n";
    if (sim::machine().spooler.HasPrinter("Vexlo Label") != prepareFailed) errors << "the queue's fate does not follow PrepareSpooler\n";
    if (sim::CallCount("DeletePrinterDriverA") != (prepareFailed ? 0 : restarted ? 4 : 2)) errors << "the driver deletions do not follow RestartSpooler\n";
    if (sim::CallCount("FindFirstFileA") != (restarted ? 1 : 0)) errors << "the package purge does not follow RestartSpooler\n";
}

Played Play(Target target, const Script& script) {
    sim::Reset();
    sim::machine().tickCount = script.startTick;
    sim::machine().services.script = script.answers;
    sim::machine().services.queryMs = kQueryMs;
    if (target == Target::Sequence) InstallProduct();

    std::ostringstream errors;
    Reference reference(script);
    if (target == Target::Prepare) {
        const SpoolerOutcome got = vexlo::PrepareSpooler(), expected = reference.Prepare();
        if (got != expected) errors << "PrepareSpooler gave " << SpoolerOutcomeName(got) << ", the reference " << SpoolerOutcomeName(expected) << "\n";
        const SpoolerOutcome rule = Rule(Observe(script));
        if (got != rule) errors << "PrepareSpooler gave " << SpoolerOutcomeName(got) << ", the rules say " << SpoolerOutcomeName(rule) << "\n";
    } else if (target == Target::Restart) {
        const bool got = vexlo::RestartSpooler(), expected = reference.Restart();
        if (got != expected) errors << "RestartSpooler gave " << got << ", the reference " << expected << "\n";
        if (got != (Rule(Observe(script)) != SpoolerOutcome::Failed)) errors << "RestartSpooler gave " << got << " against the rules\n";
    } else {
        const BOOLEAN got = DeleteALL();
        const SpoolerOutcome prepared = reference.Prepare();
        CheckSequence(got, prepared, prepared != SpoolerOutcome::Failed && reference.Restart(), errors);
    }
    const Observed o = Observe(script);
    Compare(o, reference, errors, target == Target::Sequence ? 2 : 1);
    const std::string leaks = sim::Leaks();
    if (!leaks.empty()) errors << "left behind: " << leaks << "\n";

    Played p;
    p.errors = errors.str();
    p.wantedMore = sim::machine().services.answered > script.answers.size();
    if (script.answers.size() <= o.consumers.size()) p.lastConsumer = o.consumers[script.answers.size() - 1];
    return p;
}

// ---- printing a script as a table row ------------------------------------------

std::string Row(const Script& s) {
    std::ostringstream row;
    row << "{\"" << s.what << "\", " << (s.startTick == kTickNearWrap ? "kTickNearWrap" : "kOrdinaryTick") << ", {";
    for (std::size_t i = 0; i < s.answers.size(); ++i) {
        const Answer& a = s.answers[i];
        if (i) row << ", ";
        if (!a.ok) {
            row << "Fail()";
        } else if (a.state == SERVICE_STOPPED && a.waitHint == 0) {
            row << "Ok()";
        } else {
            row << "Status(SERVICE_" << StateName(a.state) << ", " << (a.waitHint == 0xFFFFFFFF ? std::string("0xFFFFFFFF") : std::to_string(a.waitHint)) << ")";
        }
    }
    row << "}},";
    return row.str();
}

// ---- the exploration --------------------------------------------------------------

std::vector<Answer> Alphabet() {
    std::vector<Answer> all = {Fail()};
    for (DWORD state : kStates) {
        for (DWORD hint : kHints) all.push_back(Status(state, hint));
    }
    return all;
}

// An answer followed by another is read only for its success by an open or a
// start: these two stand for all.
bool Represents(const Answer& a, const std::string& consumer) {
    if (consumer == "QueryServiceStatus" || consumer == "ControlService") return true;
    return !a.ok || (a.state == SERVICE_STOPPED && a.waitHint == 0);
}

struct Exploration {
    long scripts = 0;
    int depth = 0;
    std::string firstFailure;  // the shortest, with its script
    long failures = 0;
};

// Breadth first, so that the first failure found is a shortest one.
Exploration Explore(Target target, int maxDepth) {
    Exploration e;
    std::vector<Script> level;
    for (DWORD tick : {kOrdinaryTick, kTickNearWrap}) level.push_back({"found by the exploration", tick, {}});
    for (int depth = 1; depth <= maxDepth && !level.empty(); ++depth) {
        std::vector<Script> next;
        for (const Script& prefix : level) {
            for (const Answer& a : Alphabet()) {
                Script s = prefix;
                s.answers.push_back(a);
                const Played p = Play(target, s);
                ++e.scripts;
                if (!p.errors.empty()) {
                    if (e.failures++ == 0) e.firstFailure = "    " + Row(s) + "\n" + p.errors;
                    continue;
                }
                if (p.wantedMore && Represents(a, p.lastConsumer)) next.push_back(std::move(s));
            }
        }
        e.depth = depth;
        level = std::move(next);
    }
    return e;
}

struct ExplorationCase {
    Target target;
    int depth;
};

class SpoolerExploration : public ::testing::TestWithParam<ExplorationCase> {};

TEST_P(SpoolerExploration, EveryScriptUpToTheDepthKeepsTheRulesAndMatchesTheReference) {
    const ExplorationCase& c = GetParam();
    const auto start = std::chrono::steady_clock::now();
    const Exploration e = Explore(c.target, c.depth);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "[ explore  ] " << TargetName(c.target) << ": depth " << e.depth << ", " << e.scripts << " scripts, "
              << seconds << " s\n";
    EXPECT_EQ(0, e.failures) << TargetName(c.target) << ": " << e.failures
                             << " failing scripts; the shortest, as a row of kRegressions:\n"
                             << e.firstFailure;
    sim::Reset();
}

INSTANTIATE_TEST_SUITE_P(Procedures, SpoolerExploration,
                         ::testing::Values(ExplorationCase{Target::Prepare, 6}, ExplorationCase{Target::Restart, 6},
                                           ExplorationCase{Target::Sequence, 4}),
                         [](const ::testing::TestParamInfo<ExplorationCase>& info) {
                             return std::string(TargetName(info.param.target));
                         });

// Scripts worth keeping on their own; failures of the exploration print as
// rows to paste here.
const Script kRegressions[] = {
    {"INFINITE hint across the wrap", kTickNearWrap, {Ok(), Ok(), Status(SERVICE_STOPPED, 0), Ok(), Status(SERVICE_START_PENDING, 0xFFFFFFFF)}},
    {"a failed query inside the wait", kOrdinaryTick, {Ok(), Ok(), Status(SERVICE_RUNNING, 1), Ok(), Fail(), Ok()}},
    {"never running, a short hint, the wait across the wrap", kTickNearWrap, {Status(SERVICE_STOPPED, 1)}},
};

TEST(SpoolerRegressions, EachScriptKeepsTheRulesAndMatchesTheReference) {
    for (const Script& s : kRegressions) {
        for (Target t : {Target::Prepare, Target::Restart, Target::Sequence}) {
            EXPECT_EQ("", Play(t, s).errors) << TargetName(t) << ": " << s.what;
        }
    }
    sim::Reset();
}

}  // namespace
