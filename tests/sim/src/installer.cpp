// Windows Installer, as a custom action sees it: records of numbered fields,
// messages to the running installation (its log, its action text, its
// progress bar) and its properties, where "" removes a property.
#include "Machine.h"

#include <msiquery.h>

#include <map>

namespace sim {
namespace {

// Field 0 is a record's template, where "[n]" stands for field n.
std::map<void*, std::map<UINT, std::string>>& records() {
    static std::map<void*, std::map<UINT, std::string>> open;
    return open;
}

void* AsHandle(MSIHANDLE handle) { return reinterpret_cast<void*>(handle); }

std::map<UINT, std::string>* RecordOf(MSIHANDLE handle) {
    if (!IsOpen(AsHandle(handle), HandleKind::Record)) return nullptr;
    return &records()[AsHandle(handle)];
}

std::string Format(const std::map<UINT, std::string>& fields) {
    auto field = [&](UINT n) { auto it = fields.find(n); return it == fields.end() ? std::string() : it->second; };
    std::string text = field(0), out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t close = text.find(']', i);
        if (text[i] == '[' && close != std::string::npos && close > i + 1 &&
            text.find_first_not_of("0123456789", i + 1) == close) {
            out += field(static_cast<UINT>(std::stoul(text.substr(i + 1, close - i - 1))));
            i = close;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace
}  // namespace sim

using namespace sim;

MSIHANDLE WINAPI MsiCreateRecord(UINT fields) {
    if (FaultInjected(__func__, std::to_string(fields))) return 0;
    void* handle = OpenHandle(HandleKind::Record);
    records()[handle] = {};
    return reinterpret_cast<MSIHANDLE>(handle);
}

UINT WINAPI MsiCloseHandle(MSIHANDLE handle) {
    Enter(__func__);
    if (!CloseHandle(AsHandle(handle), HandleKind::Record)) return ERROR_INVALID_HANDLE;
    records().erase(AsHandle(handle));
    return ERROR_SUCCESS;
}

UINT WINAPI MsiRecordSetInteger(MSIHANDLE record, UINT field, int value) {
    if (auto error = Enter(__func__, std::to_string(field))) return *error;
    auto* fields = RecordOf(record);
    if (!fields) return ERROR_INVALID_HANDLE;
    (*fields)[field] = std::to_string(value);
    return ERROR_SUCCESS;
}

UINT WINAPI MsiRecordSetStringA(MSIHANDLE record, UINT field, LPCSTR value) {
    if (auto error = Enter(__func__, std::to_string(field))) return *error;
    auto* fields = RecordOf(record);
    if (!fields) return ERROR_INVALID_HANDLE;
    (*fields)[field] = value ? value : "";
    return ERROR_SUCCESS;
}

int WINAPI MsiProcessMessage(MSIHANDLE install, INSTALLMESSAGE type, MSIHANDLE record) {
    if (Enter(__func__)) return -1;
    auto* fields = RecordOf(record);
    if (install != kInstallHandle || !fields) {
        machine().misuse.push_back("MsiProcessMessage: expected the installation's handle and an open record");
        return -1;
    }
    Installation& installation = machine().installation;
    auto field = [&](UINT n) { return (*fields)[n]; };
    switch (type) {
    case INSTALLMESSAGE_INFO: installation.log.push_back(Format(*fields)); break;
    case INSTALLMESSAGE_ACTIONSTART: installation.actions.push_back(field(2)); break;
    case INSTALLMESSAGE_PROGRESS:
        if (field(1) == "0") installation.progress.push_back("reset " + field(2));
        else if (field(1) == "2") installation.progress.push_back("advance " + field(2));
        else if (field(1) == "3") installation.progress.push_back("add " + field(2));
        else machine().misuse.push_back("MsiProcessMessage: a progress record of kind " + field(1));
        break;
    }
    ++installation.messages;
    const bool cancelled = installation.cancelAtMessage != 0 && installation.messages >= installation.cancelAtMessage;
    return cancelled ? IDCANCEL : IDOK;
}

BOOL WINAPI MsiGetMode(MSIHANDLE install, MSIRUNMODE mode) {
    if (Enter(__func__, std::to_string(mode))) return FALSE;
    if (install != kInstallHandle) machine().misuse.push_back("MsiGetMode: expected the installation's handle");
    return machine().installation.modes.count(mode) != 0;
}

UINT WINAPI MsiSetPropertyA(MSIHANDLE install, LPCSTR name, LPCSTR value) {
    if (auto error = Enter(__func__, name ? name : "")) return *error;
    if (install != kInstallHandle || !name) return ERROR_INVALID_HANDLE;
    if (!value || !*value) {
        machine().installation.properties.erase(name);
    } else {
        machine().installation.properties[name] = value;
    }
    return ERROR_SUCCESS;
}
