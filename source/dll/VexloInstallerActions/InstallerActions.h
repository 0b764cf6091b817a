// The bodies of the two custom actions, answering as Windows Installer reads
// a custom action's answer: ERROR_SUCCESS goes on, ERROR_INSTALL_FAILURE
// (1603) fails the installation unless the package ignores the answer.
#pragma once

#include <windows.h>

#include <msi.h>

namespace vexlo {

// Immediate: VEXLO420_ATTACHED is "1" when the printer is attached, else
// removed; VEXLO420_INSTALLED is "1" when any of its software is installed,
// else removed. Always ERROR_SUCCESS.
UINT DetectProduct(MSIHANDLE install);

// Deferred, without impersonation: the whole removal of DeleteALL, each step
// in the log and on the progress bar. ERROR_SUCCESS when it ran,
// ERROR_INSTALL_FAILURE when the print spooler could not be controlled.
UINT RemoveProduct(MSIHANDLE install);

}  // namespace vexlo
