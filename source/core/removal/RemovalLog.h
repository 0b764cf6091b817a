// The removal told line by line, as a person reads it: each step, what the
// spooler procedures found and left, what was removed, found gone or
// refused, and a last line that sums it up. The Windows Installer custom
// action writes the lines to the installer's log, VexloHost to its output.
#pragma once

#include "removal/RunRemovalSequence.h"

namespace vexlo {

// Where the lines go, and what the caller adds around each step. Every
// function but `line` may be null.
struct RemovalLog {
    void* context = nullptr;
    const char* prefix = "";  // before every line, e.g. "VexloRemove: "
    void (*line)(void* context, const char* text) = nullptr;
    // Before a step's line; false stops the removal before that step.
    bool (*stepStarting)(void* context, RemovalStep step, const char* text) = nullptr;
    // After a step's line; true stops the removal before that step.
    bool (*stopRequested)(void* context) = nullptr;
};

// How the removal ended, as its last line tells it.
enum class RemovalVerdict {
    Removed,              // every step ran, nothing was refused
    RemovedWithRefusals,  // every step ran; the last line names what was left
    SpoolerNotControlled, // a spooler procedure failed: the software was left from that step on
    SpoolerLeftStopped,   // ...after it had stopped the spooler it found running, which would not start again
    Stopped,              // the caller asked to stop before a step
};

struct RemovalResult {
    RemovalVerdict verdict = RemovalVerdict::Removed;
    SpoolerCycleReport lastCycle;  // the spooler procedure that ran last
    bool cycled = false;           // whether one ran
};

// "Stopping and starting the print spooler...", and so on.
const char* RemovalStepText(RemovalStep step);

// Runs DeleteALL's removal with a report, telling `log` each line.
RemovalResult RunLoggedRemoval(const RemovalLog& log);

}  // namespace vexlo
