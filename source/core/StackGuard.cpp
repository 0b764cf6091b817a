// The stack protector's canary and its failure routine, in place of libssp:
// libssp seeds its canary from a constructor that opens a cryptographic
// provider while the host's loader runs our entry routine, and the DLL sets
// nothing up at load. The canary is a terminator canary instead: a zero, a
// line feed, a carriage return and 0xFF, which no overrun by a string copy
// or a formatted print can write back unchanged (read as a pointer's size).
#include <windows.h>

extern "C" {

DWORD_PTR __stack_chk_guard = 0xFF0D0A00;

// A smashed stack in someone else's process: end it at once, as the
// platform's own guard does, rather than run on or hand an exception to
// whatever handlers the host has installed.
__attribute__((noreturn, no_stack_protector)) void __stack_chk_fail(void) {
    const DWORD kStackBufferOverrun = 0xC0000409;
    TerminateProcess(GetCurrentProcess(), kStackBufferOverrun);
    __builtin_unreachable();
}

}
