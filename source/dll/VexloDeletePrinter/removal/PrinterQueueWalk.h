// The walk over the spooler's queues and the model's rule for their drivers,
// shared by the removal and by VexloHost's listing, so that both decide alike
// which queue belongs to the printer.
#pragma once

#include "SystemLibrary.h"

namespace vexlo {

// Called for each local queue and connection that could be opened, with its
// handle (closed after the call), its name, its driver's name and
// environment as the spooler reports them, or null ones when the driver
// could not be had. `context` is the caller's.
using QueueVisit = void (*)(void* context, const Winspool& winspool, HANDLE printer, const char* queue,
                            const char* driver, const char* environment);

// False when the spooler's list of queues could not be read (or the spooler's
// library not loaded); true, having visited every queue, otherwise.
bool WalkPrinterQueues(const Winspool& winspool, QueueVisit visit, void* context);

// A queue belongs to the model when its driver's name contains the model's
// name, in its letter case.
bool IsModelDriver(const char* driverName);

}  // namespace vexlo
