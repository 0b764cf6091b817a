#pragma once

#include "removal/RemovalReport.h"

namespace vexlo {

// The body of DeleteALL: spooler cycle, queues, monitor and drivers, second
// spooler cycle, monitor and drivers again, driver packages. False only when
// a spooler procedure fails, which ends the sequence there. Each step is
// told to `report`, when one is given (DeleteALL gives none).
bool RunRemovalSequence(const RemovalReport* report = nullptr);

}  // namespace vexlo
