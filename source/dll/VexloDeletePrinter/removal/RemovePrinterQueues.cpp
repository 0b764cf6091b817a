#include "removal/PrinterRemoval.h"

#include "removal/PrinterQueueWalk.h"

namespace vexlo {

void RemovePrinterQueues(const Winspool& winspool) {
    const QueueVisit deleteModelQueue = [](void*, const Winspool& spooler, HANDLE printer, const char*,
                                           const char* driver, const char*) {
        // A refused deletion leaves the queue; the handle closes either way.
        if (IsModelDriver(driver)) spooler.DeletePrinter(printer);
    };
    WalkPrinterQueues(winspool, deleteModelQueue, nullptr);
}

}  // namespace vexlo
