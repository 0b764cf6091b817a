// The exported functions: nothing thrown inside may cross into the host.
#define VEXLODELETEPRINTER_EXPORTS
#include "VexloDeletePrinter.h"

#include "presence/CheckUsbPresence.h"
#include "removal/RunRemovalSequence.h"

extern "C" BOOLEAN WINAPI IsConnected(void) {
    try {
        return vexlo::CheckUsbPresence() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

extern "C" BOOLEAN WINAPI DeleteALL(void) {
    try {
        return vexlo::RunRemovalSequence() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
