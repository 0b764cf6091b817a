// One owner per handle: a move-only holder that knows how to close it and its
// invalid value, and one alias per handle kind the library acquires.
#pragma once

#include <windows.h>
#include <winspool.h>
#include <setupapi.h>

#include <cstdint>
#include <type_traits>
#include <utility>

namespace vexlo {

template <typename T, typename Closer, std::intptr_t Invalid = 0>
class unique_handle {
public:
    unique_handle() = default;
    explicit unique_handle(Closer closer) : closer_(closer) {}
    explicit unique_handle(T handle, Closer closer = {}) : handle_(handle), closer_(closer) {}
    unique_handle(const unique_handle&) = delete;
    unique_handle& operator=(const unique_handle&) = delete;
    unique_handle(unique_handle&& other) noexcept : handle_(other.release()), closer_(other.closer_) {}
    unique_handle& operator=(unique_handle&& other) noexcept {
        reset(other.release());
        closer_ = other.closer_;
        return *this;
    }
    ~unique_handle() { reset(); }

    void reset(T handle = invalid()) {
        T old = std::exchange(handle_, handle);
        if (old != invalid()) closer_(old);
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
    // Handles are pointers, or numbers (an installer's MSIHANDLE).
    static T invalid() {
        if constexpr (std::is_pointer_v<T>) {
            return reinterpret_cast<T>(Invalid);
        } else {
            return static_cast<T>(Invalid);
        }
    }
    T handle_ = invalid();
    [[no_unique_address]] Closer closer_{};
};

// Closes through a function the DLL imports.
template <auto Close>
struct ImportedClose {
    template <typename T>
    void operator()(T handle) const { Close(handle); }
};

// Closes through a function resolved from a library loaded for the call.
template <typename Fn>
struct ResolvedClose {
    ResolvedClose() = default;
    ResolvedClose(Fn function) : close(function) {}
    template <typename T>
    void operator()(T handle) const { close(handle); }
    Fn close = nullptr;
};

template <typename T, auto Close, std::intptr_t Invalid = 0>
using unique_any = unique_handle<T, ImportedClose<Close>, Invalid>;

using unique_hkey = unique_any<HKEY, RegCloseKey>;
using unique_schandle = unique_any<SC_HANDLE, CloseServiceHandle>;
using unique_hlocal = unique_any<HLOCAL, LocalFree>;
using unique_find = unique_any<HANDLE, FindClose, -1>;
using unique_hmodule = unique_any<HMODULE, FreeLibrary>;

// A block of the process heap.
struct ProcessHeapFree {
    void operator()(void* block) const { HeapFree(GetProcessHeap(), 0, block); }
};
using unique_heap_block = unique_handle<void*, ProcessHeapFree>;
using unique_printer = unique_handle<HANDLE, ResolvedClose<decltype(&::ClosePrinter)>>;
using unique_hinf = unique_handle<HINF, ResolvedClose<decltype(&::SetupCloseInfFile)>, -1>;

}  // namespace vexlo
