// The exported functions. The library is built without exceptions: nothing
// can be thrown inside, so nothing can cross into the host.
#define VEXLODELETEPRINTER_EXPORTS
#include "VexloDeletePrinter.h"

#include "presence/CheckUsbPresence.h"
#include "removal/RunRemovalSequence.h"

extern "C" BOOLEAN WINAPI IsConnected(void) { return vexlo::CheckUsbPresence() ? 1 : 0; }

extern "C" BOOLEAN WINAPI DeleteALL(void) { return vexlo::RunRemovalSequence() ? 1 : 0; }
