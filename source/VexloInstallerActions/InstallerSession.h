// The running installation a custom action is given: its run mode, its
// properties, its log, its progress bar and action text. Every message is
// best effort, but its answer is kept: once the installer has answered one
// with IDCANCEL (the person pressed Cancel), Cancelled() tells so.
#pragma once

#include "UniqueHandle.h"

#include <msi.h>
#include <msiquery.h>

namespace vexlo {

using unique_msihandle = unique_any<MSIHANDLE, MsiCloseHandle>;

class InstallerSession {
public:
    explicit InstallerSession(MSIHANDLE install) : install_(install) {}

    // Whether the action runs in the mode it was made for: from the
    // installation script (deferred, not as a rollback or commit action),
    // or while the script is made (immediate). When not, `howToSchedule`
    // goes to the log, and the action is to do nothing.
    bool RunsAs(bool deferred, const char* howToSchedule) const;
    // One line in the installer's log, taken literally (no [property]
    // formatting of its text).
    void Log(const char* line) const;
    // Sets the property to "1", or removes it.
    void SetFlag(const char* property, bool on) const;
    // The progress bar, as the installer expects custom actions to move
    // it: ticks added to the whole installation's total while the script is
    // made (immediate), then moved forward by as many while it runs
    // (deferred). The bar never moves back.
    void AddProgressTicks(int ticks) const;
    void AdvanceProgress(int ticks) const;
    // The action text shown beside the progress bar.
    void ShowAction(const char* action, const char* description) const;
    bool Cancelled() const { return cancelled_; }

private:
    friend class Record;
    void Answered(int answer) const {
        if (answer == IDCANCEL) cancelled_ = true;
    }

    MSIHANDLE install_;
    mutable bool cancelled_ = false;
};

}  // namespace vexlo
