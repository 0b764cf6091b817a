// Removal of the label printer's objects from the local print spooler. Each
// operation tries, ignores refusals and reports nothing.
#pragma once

namespace vexlo {

inline constexpr const char* kModelName = "Vexlo-420";
inline constexpr const char* kMonitorName = "VexloLM";
inline constexpr const char* kDriverNames[] = {"Vexlo-420 LABEL", "Vexlo-420G LABEL"};

// Deletes every queue, local or connection, whose driver name contains the
// model name (case-sensitive).
void RemovePrinterQueues();
void RemoveLabelMonitor();
// Deletes both drivers, in their order; the second whatever the first gave.
void RemoveLabelDrivers();

}  // namespace vexlo
