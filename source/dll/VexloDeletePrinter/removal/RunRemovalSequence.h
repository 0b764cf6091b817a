#pragma once

namespace vexlo {

// The body of DeleteALL: spooler cycle, queues, monitor and drivers, second
// spooler cycle, monitor and drivers again, driver packages. False only when
// a spooler procedure fails, which ends the sequence there.
bool RunRemovalSequence();

}  // namespace vexlo
