// Readers of single HKEY_LOCAL_MACHINE values that turn every failure into a
// fixed fallback, so that their callers never handle an error code.
#pragma once

#include "UniqueHandle.h"

#include <cstdint>
#include <string>

namespace vexlo {

inline constexpr DWORD kRegistryStringCapacity = 260;

class RegistryReader {
public:
    // The value's first four bytes as a little-endian integer, or -1 when the
    // key or value cannot be read or the value is larger than four bytes.
    std::int32_t ReadRegistryDword(std::string keyPath, std::string valueName);

private:
    unique_hkey key_;
};

// The value's text up to its first zero byte, or "" when the key or value
// cannot be read or the value is larger than 260 bytes.
std::string ReadRegistryString(std::string keyPath, std::string valueName);

}  // namespace vexlo
