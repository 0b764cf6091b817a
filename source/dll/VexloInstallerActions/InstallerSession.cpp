#include "InstallerSession.h"

namespace vexlo {
namespace {

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
    void Send(MSIHANDLE install, INSTALLMESSAGE type) const {
        if (whole_) MsiProcessMessage(install, type, record_.get());
    }

private:
    unique_msihandle record_;
    bool whole_;
};

}  // namespace

void InstallerSession::Log(const char* line) const {
    Record(1).Set(0, "[1]").Set(1, line).Send(install_, INSTALLMESSAGE_INFO);
}

void InstallerSession::SetFlag(const char* property, bool on) const {
    MsiSetPropertyA(install_, property, on ? "1" : "");
}

void InstallerSession::ResetProgress(int totalTicks) const {
    // Reset, to this many ticks, moving forward, while the action runs.
    Record(4).Set(1, 0).Set(2, totalTicks).Set(3, 0).Set(4, 0).Send(install_, INSTALLMESSAGE_PROGRESS);
}

void InstallerSession::AdvanceProgress(int ticks) const {
    Record(3).Set(1, 2).Set(2, ticks).Set(3, 0).Send(install_, INSTALLMESSAGE_PROGRESS);  // increment
}

void InstallerSession::ShowAction(const char* action, const char* description) const {
    Record(3).Set(1, action).Set(2, description).Set(3, "").Send(install_, INSTALLMESSAGE_ACTIONSTART);
}

}  // namespace vexlo
