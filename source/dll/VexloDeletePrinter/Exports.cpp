// The exported functions: nothing thrown inside may cross into the host.
#define VEXLODELETEPRINTER_EXPORTS
#include "VexloDeletePrinter.h"

#include "presence/CheckUsbPresence.h"

extern "C" BOOLEAN WINAPI IsConnected(void) {
    try {
        return vexlo::CheckUsbPresence() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
