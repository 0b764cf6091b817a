// The bodies of the custom actions, answering as Windows Installer reads a
// custom action's answer: ERROR_SUCCESS goes on, ERROR_INSTALL_USEREXIT
// (1602) ends the installation as the person's Cancel. Each checks the mode
// it runs in; one scheduled wrongly logs how to schedule it, does nothing
// and answers ERROR_SUCCESS, so that a mistake in a package never makes the
// package impossible to install or remove.
#pragma once

#include <windows.h>

#include <msi.h>

namespace vexlo {

// Immediate: VEXLO420_ATTACHED is "1" when the printer is attached, else
// removed; VEXLO420_INSTALLED is "1" when any of its software is installed
// or some list could not be read (nothing found there proves nothing), else
// removed. Always ERROR_SUCCESS.
UINT DetectProduct(MSIHANDLE install);

// Immediate, while the script is made: adds the removal's ticks to the
// progress bar's total, which the deferred removal then moves through.
UINT PlanRemoval(MSIHANDLE install);

// Deferred, without impersonation: the whole removal of DeleteALL, each step
// in the log and on the progress bar. ERROR_INSTALL_USEREXIT when the
// person cancelled (at the next step boundary); otherwise ERROR_SUCCESS,
// also when the print spooler could not be controlled (a spooler disabled
// by policy must not make the package unremovable): the log says what was
// left.
UINT RemoveProduct(MSIHANDLE install);

// Each step of the removal is as many ticks of the progress bar; the two
// spooler cycles take most of the time, but the steps are what the person
// watching can follow.
inline constexpr int kTicksPerStep = 10000;

}  // namespace vexlo
