#include "InstallerSession.h"

namespace vexlo {
namespace {

unique_msihandle Record(UINT fields) { return unique_msihandle(MsiCreateRecord(fields)); }

}  // namespace

void InstallerSession::Log(const char* line) const {
    const unique_msihandle record = Record(1);
    if (!record) return;
    MsiRecordSetStringA(record.get(), 0, "[1]");
    MsiRecordSetStringA(record.get(), 1, line);
    MsiProcessMessage(install_, INSTALLMESSAGE_INFO, record.get());
}

void InstallerSession::SetFlag(const char* property, bool on) const {
    MsiSetPropertyA(install_, property, on ? "1" : "");
}

void InstallerSession::ResetProgress(int totalTicks) const {
    const unique_msihandle record = Record(4);
    if (!record) return;
    MsiRecordSetInteger(record.get(), 1, 0);           // reset
    MsiRecordSetInteger(record.get(), 2, totalTicks);  // to this many ticks
    MsiRecordSetInteger(record.get(), 3, 0);           // moving forward
    MsiRecordSetInteger(record.get(), 4, 0);           // while the action runs
    MsiProcessMessage(install_, INSTALLMESSAGE_PROGRESS, record.get());
}

void InstallerSession::AdvanceProgress(int ticks) const {
    const unique_msihandle record = Record(3);
    if (!record) return;
    MsiRecordSetInteger(record.get(), 1, 2);  // increment
    MsiRecordSetInteger(record.get(), 2, ticks);
    MsiRecordSetInteger(record.get(), 3, 0);
    MsiProcessMessage(install_, INSTALLMESSAGE_PROGRESS, record.get());
}

void InstallerSession::ShowAction(const char* action, const char* description) const {
    const unique_msihandle record = Record(3);
    if (!record) return;
    MsiRecordSetStringA(record.get(), 1, action);
    MsiRecordSetStringA(record.get(), 2, description);
    MsiRecordSetStringA(record.get(), 3, "");
    MsiProcessMessage(install_, INSTALLMESSAGE_ACTIONSTART, record.get());
}

}  // namespace vexlo
