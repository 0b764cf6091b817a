// The outcome of PrepareSpooler as text, for test messages.
#pragma once

#include "removal/SpoolerControl.h"

inline const char* SpoolerOutcomeName(vexlo::SpoolerOutcome outcome) {
    switch (outcome) {
    case vexlo::SpoolerOutcome::Failed: return "Failed";
    case vexlo::SpoolerOutcome::Started: return "Started";
    case vexlo::SpoolerOutcome::Restarted: return "Restarted";
    case vexlo::SpoolerOutcome::Untouched: return "Untouched";
    }
    return "?";
}
