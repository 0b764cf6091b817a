// The running installation a custom action is given: its properties, its
// log, its progress bar and action text. Every message is best effort: an
// installer that refuses one (a user's cancel is not asked for) changes
// nothing of what the action does.
#pragma once

#include "UniqueHandle.h"

#include <msi.h>
#include <msiquery.h>

namespace vexlo {

using unique_msihandle = unique_any<MSIHANDLE, MsiCloseHandle>;

class InstallerSession {
public:
    explicit InstallerSession(MSIHANDLE install) : install_(install) {}

    // One line in the installer's log, taken literally (no [property]
    // formatting of its text).
    void Log(const char* line) const;
    // Sets the property to "1", or removes it.
    void SetFlag(const char* property, bool on) const;
    // The progress bar: a fresh total of ticks, then steps forward.
    void ResetProgress(int totalTicks) const;
    void AdvanceProgress(int ticks) const;
    // The action text shown beside the progress bar.
    void ShowAction(const char* action, const char* description) const;

private:
    MSIHANDLE install_;
};

}  // namespace vexlo
