// The exported functions. The library is built without exceptions: nothing
// can be thrown inside, so nothing can cross into the host.
#define VEXLODELETEPRINTER_EXPORTS
#include "VexloDeletePrinter.h"

#include "presence/CheckUsbPresence.h"
#include "removal/RunRemovalSequence.h"

namespace vexlo {

// A BOOLEAN is returned in AL alone, but installers' plug-ins commonly read
// the answer as a 32-bit integer, the whole of EAX. The answers are therefore
// made as full integers, 0 or 1, out of line, so that the exports only pass
// the register on and never leave stray upper bytes in it.
[[gnu::noinline]] UINT AnswerIsConnected() { return CheckUsbPresence() ? 1u : 0u; }
[[gnu::noinline]] UINT AnswerDeleteAll() { return RunRemovalSequence() == RemovalOutcome::Completed ? 1u : 0u; }

}  // namespace vexlo

extern "C" BOOLEAN WINAPI IsConnected(void) { return static_cast<BOOLEAN>(vexlo::AnswerIsConnected()); }

extern "C" BOOLEAN WINAPI DeleteALL(void) { return static_cast<BOOLEAN>(vexlo::AnswerDeleteAll()); }
