// The spooler's enumerations answer a buffer too small with the size they
// need; the list may grow between that answer and the next call.
#pragma once

#include "UniqueHandle.h"

namespace vexlo {

// Calls of one enumeration at most. A list that grows between the size query
// and the fetch needs one more call, rarely two; a platform that keeps
// failing or keeps asking for more never ends the loop on its own, so past
// this bound the list counts as not read.
inline constexpr int kMaxEnumerationCalls = 8;

// The records of one enumeration, in a buffer this owns; none, and not read,
// with the last error the platform gave, when they cannot be had.
template <typename Record>
struct Enumeration {
    unique_hlocal buffer;
    DWORD count = 0;
    bool read = false;
    DWORD error = ERROR_SUCCESS;
    const Record* records() const { return static_cast<const Record*>(buffer.get()); }
};

// `enumerate(buffer, size, &needed, &returned)` is one call of the platform's
// enumeration; it is asked first with no buffer, then with one of the size it
// last asked for, and retried after any other failure, within the bound.
template <typename Record, typename Enumerate>
Enumeration<Record> EnumerateUntilItFits(Enumerate enumerate) {
    Enumeration<Record> list;
    DWORD bufferSize = 0, needed = 0, returned = 0;
    BOOL ok = enumerate(nullptr, 0, &needed, &returned);
    for (int calls = 1; !ok; ++calls) {
        list.error = GetLastError();
        if (calls == kMaxEnumerationCalls) {
            list.buffer.reset();
            return list;
        }
        if (list.error == ERROR_INSUFFICIENT_BUFFER) {
            list.buffer.reset();  // the old buffer goes before the new one comes
            list.buffer.reset(LocalAlloc(LPTR, needed));
            if (!list.buffer) {
                list.error = ERROR_NOT_ENOUGH_MEMORY;
                return list;
            }
            bufferSize = needed;
        }
        // The size passed is the buffer's own: a size the platform reported
        // with another error must not let it write past the buffer.
        ok = enumerate(static_cast<LPBYTE>(list.buffer.get()), bufferSize, &needed, &returned);
    }
    list.read = true;
    list.error = ERROR_SUCCESS;
    if (!list.buffer) return list;  // an empty list
    const DWORD fits = bufferSize / sizeof(Record);
    list.count = returned < fits ? returned : fits;
    return list;
}

}  // namespace vexlo
