#include "product/ProductWalks.h"

#include "NativeEnvironment.h"
#include "UniqueHandle.h"
#include "product/EnumerateUntilItFits.h"

namespace vexlo {
namespace {

constexpr DWORD kEnumFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;

// The local queues and connections at level 4.
Enumeration<PRINTER_INFO_4A> EnumeratePrinters(const Winspool& winspool) {
    return EnumerateUntilItFits<PRINTER_INFO_4A>([&](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return winspool.EnumPrintersA(kEnumFlags, nullptr, 4, buffer, size, needed, returned);
    });
}

// The printer's level-2 driver information for `environment` (nullptr: the
// process's own), in a zero-filled buffer of the size the platform asks for;
// empty, with the error where one is asked for, when it cannot be had.
unique_heap_block FetchDriverInfo(const Winspool& winspool, HANDLE printer, LPSTR environment, DWORD* error) {
    DWORD needed = 0;
    winspool.GetPrinterDriverA(printer, environment, 2, nullptr, 0, &needed);
    if (needed < sizeof(DRIVER_INFO_2A)) {
        if (error) *error = GetLastError();
        return {};
    }
    unique_heap_block info(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, needed));
    if (!info) {
        if (error) *error = ERROR_NOT_ENOUGH_MEMORY;  // HeapAlloc sets no last error
        return {};
    }
    if (!winspool.GetPrinterDriverA(printer, environment, 2, static_cast<BYTE*>(info.get()), needed, &needed)) {
        if (error) *error = GetLastError();
        return {};
    }
    return info;
}

// The printer's driver information, from "no environment" or, failing that,
// from the machine's own under WOW64, where "no environment" is the 32-bit
// one and a queue's driver may be installed for the machine's own only.
unique_heap_block FindQueueDriver(const Winspool& winspool, HANDLE printer, EnvironmentName& nativeEnvironment,
                                  DWORD* error) {
    unique_heap_block info = FetchDriverInfo(winspool, printer, nullptr, error);
    if (info || nativeEnvironment.empty()) return info;
    return FetchDriverInfo(winspool, printer, nativeEnvironment.data(), error);
}

void VisitQueue(const Winspool& winspool, DWORD access, LPSTR name, EnvironmentName& nativeEnvironment,
                QueueVisit visit, void* context, bool errorsWanted) {
    QueueEntry queue = {nullptr, name, nullptr, nullptr, nullptr, ERROR_SUCCESS};
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, access};
    unique_printer printer(winspool.ClosePrinter);
    if (!winspool.OpenPrinterA(name, printer.put(), &defaults)) {
        queue.failedCall = "OpenPrinterA";
        if (errorsWanted) queue.error = GetLastError();
        visit(context, winspool, queue);
        return;
    }
    queue.printer = printer.get();
    const unique_heap_block info =
        FindQueueDriver(winspool, printer.get(), nativeEnvironment, errorsWanted ? &queue.error : nullptr);
    if (const DRIVER_INFO_2A* driver = static_cast<const DRIVER_INFO_2A*>(info.get())) {
        queue.driver = driver->pName;
        queue.environment = driver->pEnvironment;
    } else {
        queue.failedCall = "GetPrinterDriverA";
    }
    visit(context, winspool, queue);
}

}  // namespace

void WalkPrinterQueues(const Winspool& winspool, DWORD access, QueueVisit visit, void* context, ListRead* read) {
    if (!winspool) return NoteFailure(read, "LoadLibraryExA", Winspool::kFileName, winspool.error());
    const Enumeration<PRINTER_INFO_4A> printers = EnumeratePrinters(winspool);
    if (!printers.read) NoteFailure(read, "EnumPrintersA", "local queues and connections", printers.error);
    EnvironmentName nativeEnvironment = FindNativeEnvironment();
    for (DWORD i = 0; i < printers.count; ++i) {
        LPSTR name = printers.records()[i].pPrinterName;
        if (name) VisitQueue(winspool, access, name, nativeEnvironment, visit, context, read != nullptr);
    }
}

}  // namespace vexlo
