// Removal of the label printer's objects from the local print spooler. Each
// operation tries, ignores refusals and reports nothing.
#pragma once

#include "NarrowString.h"
#include "SystemLibrary.h"

namespace vexlo {

inline constexpr char kModelName[] = "Vexlo-420";
inline constexpr char kMonitorName[] = "VexloLM";
inline constexpr const char* kDriverNames[] = {"Vexlo-420 LABEL", "Vexlo-420G LABEL"};
// Room for either driver name.
using DriverName = NarrowString<32>;

// Each does nothing when the spooler's library could not be loaded.

// Deletes every queue, local or connection, whose driver name contains the
// model name (case-sensitive).
void RemovePrinterQueues(const Winspool& winspool);
void RemoveLabelMonitor(const Winspool& winspool);
// Deletes both drivers, in their order; the second whatever the first gave.
void RemoveLabelDrivers(const Winspool& winspool);

}  // namespace vexlo
