#include "RegistryReader.h"

#include <cstring>

namespace vexlo {
namespace {

// Records the call's failure where one is asked for; true when it succeeded.
bool Succeeded(LONG result, const char* call, RegistryStatus* status) {
    if (result == ERROR_SUCCESS) return true;
    if (status) *status = {call, result};
    return false;
}

}  // namespace

std::int32_t RegistryReader::ReadRegistryDword(RegistryText keyPath, RegistryText valueName,
                                               RegistryStatus* status) {
    std::int32_t result = -1;
    if (Succeeded(RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key_.put()), "RegOpenKeyExA",
                  status)) {
        // Bytes that a shorter value leaves unwritten read as zero.
        BYTE data[4] = {};
        DWORD type = 0;
        DWORD size = sizeof data;
        if (Succeeded(RegQueryValueExA(key_.get(), valueName.c_str(), nullptr, &type, data, &size),
                      "RegQueryValueExA", status)) {
            result = static_cast<std::int32_t>(static_cast<std::uint32_t>(data[0]) |
                                               static_cast<std::uint32_t>(data[1]) << 8 |
                                               static_cast<std::uint32_t>(data[2]) << 16 |
                                               static_cast<std::uint32_t>(data[3]) << 24);
        }
    }
    key_.reset();
    return result;
}

RegistryText ReadRegistryString(RegistryText keyPath, RegistryText valueName, RegistryStatus* status) {
    RegistryText result;
    unique_hkey key;
    if (!Succeeded(RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key.put()), "RegOpenKeyExA",
                   status)) {
        return result;
    }
    char data[kRegistryStringCapacity];
    DWORD type = 0;
    DWORD size = sizeof data;
    if (Succeeded(RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
                  "RegQueryValueExA", status)) {
        // The data need not hold a zero byte: the text ends at the last byte
        // the platform wrote, never beyond it.
        const DWORD written = size < sizeof data ? size : static_cast<DWORD>(sizeof data);
        result.Assign(std::string_view(data, strnlen(data, written)));
    }
    return result;
}

}  // namespace vexlo
