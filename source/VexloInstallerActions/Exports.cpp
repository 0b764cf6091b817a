// The custom actions, exported by the names packages write into their
// CustomAction table, with the signature Windows Installer calls: stdcall,
// the installation's handle, an error code back. The library is built
// without exceptions: nothing can be thrown inside, so nothing can cross
// into the installer's custom-action server.
#include "InstallerActions.h"

extern "C" UINT WINAPI VexloDetect(MSIHANDLE install) { return vexlo::DetectProduct(install); }

extern "C" UINT WINAPI VexloPlanRemoval(MSIHANDLE install) { return vexlo::PlanRemoval(install); }

extern "C" UINT WINAPI VexloRemove(MSIHANDLE install) { return vexlo::RemoveProduct(install); }
