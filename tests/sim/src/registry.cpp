// Registry: keys below HKEY_LOCAL_MACHINE holding typed values of raw bytes.
#include "Machine.h"

#include <cstring>

namespace sim {

namespace {
std::map<void*, std::string>& openKeys() {
    static std::map<void*, std::string> keys;
    return keys;
}
}  // namespace

void Registry::SetDword(const std::string& key, const std::string& name, DWORD value) {
    std::vector<BYTE> data(4);
    std::memcpy(data.data(), &value, 4);
    SetBytes(key, name, REG_DWORD, data);
}

void Registry::SetString(const std::string& key, const std::string& name, const std::string& text) {
    std::vector<BYTE> data(text.begin(), text.end());
    data.push_back(0);
    SetBytes(key, name, REG_SZ, data);
}

void Registry::SetBytes(const std::string& key, const std::string& name, DWORD type, std::vector<BYTE> data) {
    keys[key].values[name] = RegistryValue{type, std::move(data)};
}

}  // namespace sim

using namespace sim;

LONG WINAPI RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result) {
    std::string path = subKey ? subKey : "";
    if (auto error = Enter(__func__, path)) return static_cast<LONG>(*error);
    if (root != HKEY_LOCAL_MACHINE || options != 0 || desired != KEY_READ) {
        machine().misuse.push_back("RegOpenKeyExA called with other than HKLM, options 0, KEY_READ");
    }
    if (!path.empty() && path.front() == '\\') return 161;  // ERROR_BAD_PATHNAME
    while (!path.empty() && path.back() == '\\') path.pop_back();
    auto it = machine().registry.keys.find(path);
    if (it == machine().registry.keys.end()) return ERROR_FILE_NOT_FOUND;
    if (it->second.accessDenied) return ERROR_ACCESS_DENIED;
    HKEY key = static_cast<HKEY>(OpenHandle(HandleKind::Key));
    openKeys()[key] = path;
    *result = key;
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize) {
    const std::string name = valueName ? valueName : "";
    if (auto error = Enter(__func__, name)) return static_cast<LONG>(*error);
    if (!IsOpen(key, HandleKind::Key) || reserved) return ERROR_INVALID_HANDLE;
    auto keyIt = machine().registry.keys.find(openKeys()[key]);
    if (keyIt == machine().registry.keys.end()) return ERROR_FILE_NOT_FOUND;  // deleted while open
    auto valueIt = keyIt->second.values.find(name);
    if (valueIt == keyIt->second.values.end()) return ERROR_FILE_NOT_FOUND;
    const RegistryValue& value = valueIt->second;
    if (type) *type = value.type;
    const DWORD needed = static_cast<DWORD>(value.data.size());
    if (!dataSize) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    if (data && *dataSize < needed) {
        *dataSize = needed;
        return ERROR_MORE_DATA;
    }
    if (data && needed) std::memcpy(data, value.data.data(), needed);
    *dataSize = needed;
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY key) {
    Enter(__func__);
    if (!CloseHandle(key, HandleKind::Key)) return ERROR_INVALID_HANDLE;
    openKeys().erase(key);
    return ERROR_SUCCESS;
}
