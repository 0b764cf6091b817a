#include "InstallerSession.h"

namespace vexlo {

// A record is sent whole or not at all: a progress record whose kind could
// not be set would read as a reset of the bar.
class Record {
public:
    explicit Record(UINT fields) : record_(MsiCreateRecord(fields)), whole_(static_cast<bool>(record_)) {}
    Record& Set(UINT field, int value) {
        whole_ = whole_ && MsiRecordSetInteger(record_.get(), field, value) == ERROR_SUCCESS;
        return *this;
    }
    Record& Set(UINT field, const char* value) {
        whole_ = whole_ && MsiRecordSetStringA(record_.get(), field, value) == ERROR_SUCCESS;
        return *this;
    }
    void Send(const InstallerSession& session, INSTALLMESSAGE type) const {
        if (whole_) session.Answered(MsiProcessMessage(session.install_, type, record_.get()));
    }

private:
    unique_msihandle record_;
    bool whole_;
};

bool InstallerSession::RunsAs(bool deferred, const char* howToSchedule) const {
    const bool scheduled = MsiGetMode(install_, MSIRUNMODE_SCHEDULED) && !MsiGetMode(install_, MSIRUNMODE_ROLLBACK) &&
                           !MsiGetMode(install_, MSIRUNMODE_COMMIT);
    if (scheduled == deferred) return true;
    Log(howToSchedule);
    return false;
}

void InstallerSession::Log(const char* line) const {
    Record(1).Set(0, "[1]").Set(1, line).Send(*this, INSTALLMESSAGE_INFO);
}

void InstallerSession::SetFlag(const char* property, bool on) const {
    MsiSetPropertyA(install_, property, on ? "1" : "");
}

void InstallerSession::AddProgressTicks(int ticks) const {
    Record(2).Set(1, 3).Set(2, ticks).Send(*this, INSTALLMESSAGE_PROGRESS);  // add to the expected total
}

void InstallerSession::AdvanceProgress(int ticks) const {
    Record(3).Set(1, 2).Set(2, ticks).Set(3, 0).Send(*this, INSTALLMESSAGE_PROGRESS);  // increment
}

void InstallerSession::ShowAction(const char* action, const char* description) const {
    Record(3).Set(1, action).Set(2, description).Set(3, "").Send(*this, INSTALLMESSAGE_ACTIONSTART);
}

}  // namespace vexlo
