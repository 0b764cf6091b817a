// One owner per handle: a move-only holder that knows its close function and
// its invalid value, and one alias per handle kind the library acquires.
#pragma once

#include <windows.h>
#include <winspool.h>
#include <setupapi.h>

#include <cstdint>
#include <utility>

namespace vexlo {

template <typename T, auto Close, std::intptr_t Invalid = 0>
class unique_any {
public:
    unique_any() = default;
    explicit unique_any(T handle) : handle_(handle) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : handle_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~unique_any() { reset(); }

    void reset(T handle = invalid()) {
        T old = std::exchange(handle_, handle);
        if (old != invalid()) Close(old);
    }
    T release() { return std::exchange(handle_, invalid()); }
    T get() const { return handle_; }
    // For the out-parameter of an open call: drops what is held first.
    T* put() {
        reset();
        return &handle_;
    }
    explicit operator bool() const { return handle_ != invalid(); }

private:
    static T invalid() { return reinterpret_cast<T>(Invalid); }
    T handle_ = invalid();
};

using unique_hkey = unique_any<HKEY, RegCloseKey>;
using unique_schandle = unique_any<SC_HANDLE, CloseServiceHandle>;
using unique_printer = unique_any<HANDLE, ClosePrinter>;
using unique_hlocal = unique_any<HLOCAL, LocalFree>;
using unique_find = unique_any<HANDLE, FindClose, -1>;
using unique_hinf = unique_any<HINF, SetupCloseInfFile, -1>;

}  // namespace vexlo
