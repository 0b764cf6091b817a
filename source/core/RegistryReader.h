// Readers of single HKEY_LOCAL_MACHINE values that turn every failure into a
// fixed fallback, so that their callers never handle an error code; a caller
// that reports what it could not read asks for the failure too.
#pragma once

#include "NarrowString.h"
#include "UniqueHandle.h"

#include <cstdint>

namespace vexlo {

inline constexpr DWORD kRegistryStringCapacity = 260;
// Key paths, value names and values read: room for 260 bytes of data that
// hold no zero byte, and the zero that ends them.
using RegistryText = NarrowString<kRegistryStringCapacity + 1>;

// The call that failed and the error it returned; no call after a read.
struct RegistryStatus {
    const char* call = nullptr;
    LONG error = ERROR_SUCCESS;
};

class RegistryReader {
public:
    // The value's first four bytes as a little-endian integer, or -1 when the
    // key or value cannot be read or the value is larger than four bytes.
    std::int32_t ReadRegistryDword(RegistryText keyPath, RegistryText valueName, RegistryStatus* status = nullptr);

private:
    unique_hkey key_;
};

// The value's text up to its first zero byte, or "" when the key or value
// cannot be read or the value is larger than 260 bytes.
RegistryText ReadRegistryString(RegistryText keyPath, RegistryText valueName, RegistryStatus* status = nullptr);

}  // namespace vexlo
