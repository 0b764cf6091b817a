#include "removal/PrinterRemoval.h"

#include "product/Product.h"

namespace vexlo {

void RemovePrinterQueues(const Winspool& winspool) {
    const QueueVisit deleteModelQueue = [](void*, const Winspool& spooler, const QueueEntry& queue) {
        // A refused deletion leaves the queue; the handle closes either way.
        if (IsModelDriver(queue.driver)) spooler.DeletePrinter(queue.printer);
    };
    // Deleting a queue takes the right to administer it.
    WalkPrinterQueues(winspool, PRINTER_ALL_ACCESS, deleteModelQueue, nullptr);
}

}  // namespace vexlo
