#pragma once

#include "removal/RemovalReport.h"

namespace vexlo {

enum class RemovalOutcome {
    Completed,      // every step ran
    SpoolerFailed,  // a spooler procedure failed, which ended the sequence there
    Stopped,        // the report asked to stop before a step
};

// The body of DeleteALL: spooler cycle, queues, monitor and drivers, second
// spooler cycle, monitor and drivers again, driver packages. Each step is
// told to `report`, when one is given (DeleteALL gives none), which may stop
// the removal before any step.
RemovalOutcome RunRemovalSequence(const RemovalReport* report = nullptr);

}  // namespace vexlo
