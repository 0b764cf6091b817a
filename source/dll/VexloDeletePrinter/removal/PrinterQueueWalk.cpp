#include "removal/PrinterQueueWalk.h"

#include "UniqueHandle.h"
#include "removal/PrinterRemoval.h"
#include "removal/NativeEnvironment.h"

#include <cstring>

namespace vexlo {
namespace {

// Calls of EnumPrintersA at most. A list that grows between the size query
// and the fetch needs one more call, rarely two; a platform that keeps
// failing or keeps asking for more never ends the loop on its own, so past
// this bound the enumeration counts as empty.
constexpr int kMaxEnumerationCalls = 8;

constexpr DWORD kEnumFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;

// The local queues and connections at level 4, in a buffer the caller owns;
// empty, and not read, when they cannot be had.
struct PrinterList {
    unique_hlocal buffer;
    DWORD count = 0;
    bool read = false;
    const PRINTER_INFO_4A* entries() const { return static_cast<const PRINTER_INFO_4A*>(buffer.get()); }
};

PrinterList EnumeratePrinters(const Winspool& winspool) {
    PrinterList list;
    DWORD bufferSize = 0, needed = 0, returned = 0;
    BOOL ok = winspool.EnumPrintersA(kEnumFlags, nullptr, 4, nullptr, 0, &needed, &returned);
    for (int calls = 1; !ok; ++calls) {
        if (calls == kMaxEnumerationCalls) return {};
        if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            list.buffer.reset();  // the old buffer goes before the new one comes
            list.buffer.reset(LocalAlloc(LPTR, needed));
            if (!list.buffer) return {};
            bufferSize = needed;
        }
        // The size passed is the buffer's own: a size the platform reported
        // with another error must not let it write past the buffer.
        ok = winspool.EnumPrintersA(kEnumFlags, nullptr, 4, static_cast<LPBYTE>(list.buffer.get()), bufferSize,
                                    &needed, &returned);
    }
    list.read = true;
    if (!list.buffer) return list;  // no queues at all
    const DWORD fits = bufferSize / sizeof(PRINTER_INFO_4A);
    list.count = returned < fits ? returned : fits;
    return list;
}

// The printer's level-2 driver information for `environment` (nullptr: the
// process's own), in a zero-filled buffer of the size the platform asks for;
// empty when it cannot be had.
unique_heap_block FetchDriverInfo(const Winspool& winspool, HANDLE printer, LPSTR environment) {
    DWORD needed = 0;
    winspool.GetPrinterDriverA(printer, environment, 2, nullptr, 0, &needed);
    if (needed < sizeof(DRIVER_INFO_2A)) return {};
    unique_heap_block info(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, needed));
    if (!info || !winspool.GetPrinterDriverA(printer, environment, 2, static_cast<BYTE*>(info.get()), needed, &needed)) {
        return {};
    }
    return info;
}

// The printer's driver information, from "no environment" or, failing that,
// from the machine's own under WOW64, where "no environment" is the 32-bit
// one and a queue's driver may be installed for the machine's own only.
unique_heap_block FindQueueDriver(const Winspool& winspool, HANDLE printer, EnvironmentName& nativeEnvironment) {
    unique_heap_block info = FetchDriverInfo(winspool, printer, nullptr);
    if (info || nativeEnvironment.empty()) return info;
    return FetchDriverInfo(winspool, printer, nativeEnvironment.data());
}

}  // namespace

bool IsModelDriver(const char* driverName) { return driverName && std::strstr(driverName, kModelName) != nullptr; }

bool WalkPrinterQueues(const Winspool& winspool, QueueVisit visit, void* context) {
    if (!winspool) return false;
    const PrinterList printers = EnumeratePrinters(winspool);
    EnvironmentName nativeEnvironment = FindNativeEnvironment();
    for (DWORD i = 0; i < printers.count; ++i) {
        LPSTR name = printers.entries()[i].pPrinterName;
        if (!name) continue;
        PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        unique_printer printer(winspool.ClosePrinter);
        if (!winspool.OpenPrinterA(name, printer.put(), &defaults)) continue;
        const unique_heap_block info = FindQueueDriver(winspool, printer.get(), nativeEnvironment);
        const DRIVER_INFO_2A* driver = static_cast<const DRIVER_INFO_2A*>(info.get());
        visit(context, winspool, printer.get(), name, driver ? driver->pName : nullptr,
              driver ? driver->pEnvironment : nullptr);
    }
    return printers.read;
}

}  // namespace vexlo
