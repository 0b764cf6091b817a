#pragma once

#include "NarrowString.h"

namespace vexlo {

// The spooler environment of the machine's own processor when this 32-bit
// process runs under WOW64 ("Windows x64", "Windows ARM64", "Windows IA64"),
// or empty when it does not, or when that cannot be told. The spooler
// resolves "no environment" to the caller's, "Windows NT x86", while a 64-bit
// machine installs a printer's drivers for its own.
using EnvironmentName = NarrowString<16>;
EnvironmentName FindNativeEnvironment();

}  // namespace vexlo
