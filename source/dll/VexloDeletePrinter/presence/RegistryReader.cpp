#include "presence/RegistryReader.h"

#include <cstring>

namespace vexlo {

std::int32_t RegistryReader::ReadRegistryDword(RegistryText keyPath, RegistryText valueName) {
    std::int32_t result = -1;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key_.put()) == ERROR_SUCCESS) {
        // Bytes that a shorter value leaves unwritten read as zero.
        BYTE data[4] = {};
        DWORD type = 0;
        DWORD size = sizeof data;
        if (RegQueryValueExA(key_.get(), valueName.c_str(), nullptr, &type, data, &size) == ERROR_SUCCESS) {
            result = static_cast<std::int32_t>(static_cast<std::uint32_t>(data[0]) |
                                               static_cast<std::uint32_t>(data[1]) << 8 |
                                               static_cast<std::uint32_t>(data[2]) << 16 |
                                               static_cast<std::uint32_t>(data[3]) << 24);
        }
    }
    key_.reset();
    return result;
}

RegistryText ReadRegistryString(RegistryText keyPath, RegistryText valueName) {
    RegistryText result;
    unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return result;
    }
    char data[kRegistryStringCapacity];
    DWORD type = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size) ==
        ERROR_SUCCESS) {
        // The data need not hold a zero byte: the text ends at the last byte
        // the platform wrote, never beyond it.
        const DWORD written = size < sizeof data ? size : static_cast<DWORD>(sizeof data);
        result.Assign(std::string_view(data, strnlen(data, written)));
    }
    return result;
}

}  // namespace vexlo
