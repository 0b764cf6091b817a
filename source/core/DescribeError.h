// A platform error as the installer's log shows it: its number, and its
// name where it is one the removal meets, so that a reader need not look
// the number up.
#pragma once

#include <windows.h>

namespace vexlo {

using ErrorText = char[64];

// "error 5 ERROR_ACCESS_DENIED", "error 1234", or "no error given" for 0
// (a refusal that set none).
const char* DescribeError(DWORD error, ErrorText& text);

}  // namespace vexlo
