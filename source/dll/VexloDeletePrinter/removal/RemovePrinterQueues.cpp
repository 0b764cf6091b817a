#include "removal/PrinterRemoval.h"

#include "product/Product.h"

namespace vexlo {

void RemovePrinterQueues(const Winspool& winspool, const RemovalReport* report) {
    const QueueVisit deleteModelQueue = [](void* context, const Winspool& spooler, const QueueEntry& queue) {
        // A refused deletion leaves the queue; the handle closes either way.
        if (!IsModelDriver(queue.driver)) return;
        const BOOL deleted = spooler.DeletePrinter(queue.printer);
        ReportRemoval(static_cast<const RemovalReport*>(context), RemovedKind::Queue, queue.name, nullptr, deleted);
    };
    // Deleting a queue takes the right to administer it.
    WalkPrinterQueues(winspool, PRINTER_ALL_ACCESS, deleteModelQueue, const_cast<RemovalReport*>(report));
}

}  // namespace vexlo
