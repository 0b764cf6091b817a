#include "removal/PrinterRemoval.h"

#include <windows.h>
#include <winspool.h>

#include <string>

namespace vexlo {

void RemoveLabelMonitor() {
    std::string name = kMonitorName;  // the platform takes a non-const string
    // A refusal is left for the repeat after the spooler restart.
    DeleteMonitorA(nullptr, nullptr, name.data());
}

}  // namespace vexlo
