#include "removal/PrinterRemoval.h"

#include "product/Product.h"

namespace vexlo {

void RemovePrinterQueues(const Winspool& winspool, const RemovalReport* report) {
    const QueueVisit deleteModelQueue = [](void* context, const Winspool& spooler, const QueueEntry& queue) {
        const RemovalReport* removal = static_cast<const RemovalReport*>(context);
        // A queue whose driver is unknown cannot be told the model's: it is
        // left, and a report hears of it.
        if (queue.failedCall) {
            return ReportSkipped(removal, RemovedKind::Queue, false, queue.name, queue.failedCall, queue.error);
        }
        // A refused deletion leaves the queue; the handle closes either way.
        if (!IsModelDriver(queue.driver)) return;
        RemoveReported(removal, RemovedKind::Queue, queue.name, nullptr,
                       [&] { return spooler.DeletePrinter(queue.printer); });
    };
    // Deleting a queue takes the right to administer it. A report is told
    // why a queue could not be looked at, and when the list itself could not
    // be read.
    ListRead read;
    WalkPrinterQueues(winspool, PRINTER_ALL_ACCESS, deleteModelQueue, const_cast<RemovalReport*>(report),
                      report ? &read : nullptr);
    if (!read.whole()) ReportSkipped(report, RemovedKind::Queue, true, read.subject.c_str(), read.call, read.error);
}

}  // namespace vexlo
