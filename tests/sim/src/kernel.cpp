// Kernel services: last error, simulated time, local heap, Windows directory,
// and the nothrow allocator the library uses for its own buffers.
#include "Machine.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <set>

namespace sim {
namespace {
std::set<void*>& localBuffers() {
    static std::set<void*> live;
    return live;
}
std::set<void*>& newBuffers() {
    static auto* live = new std::set<void*>;  // outlives every static that may delete[]
    return *live;
}
}  // namespace

int allocationCountdown = 0;
int allocations = 0;
int platformDepth = 0;

PlatformScope::PlatformScope() { ++platformDepth; }
PlatformScope::~PlatformScope() { --platformDepth; }

void FailAllocation(int nth) { allocationCountdown = nth; }
int Allocations() { return allocations; }

int LiveLocalBuffers() { return static_cast<int>(localBuffers().size()); }
int LiveNewBuffers() { return static_cast<int>(newBuffers().size()); }
void ResetBuffers() {
    allocationCountdown = 0;
    localBuffers().clear();
    newBuffers().clear();
}

}  // namespace sim

using namespace sim;

DWORD WINAPI GetLastError(void) {
    const PlatformScope platform;
    Enter(__func__);
    return machine().lastError;
}

void WINAPI SetLastError(DWORD error) { machine().lastError = error; }

void WINAPI Sleep(DWORD milliseconds) {
    const PlatformScope platform;
    Enter(__func__, std::to_string(milliseconds));
    if (milliseconds == 0xFFFFFFFF) machine().misuse.push_back("Sleep(INFINITE) would never return");
    machine().tickCount += milliseconds;
}

DWORD WINAPI GetTickCount(void) {
    const PlatformScope platform;
    Enter(__func__);
    return machine().tickCount;
}

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
    const PlatformScope platform;
    if (FaultInjected(__func__, std::to_string(bytes))) return nullptr;
    if (flags != LPTR) machine().misuse.push_back("LocalAlloc without LMEM_ZEROINIT");
    void* memory = std::calloc(bytes ? bytes : 1, 1);
    localBuffers().insert(memory);
    return memory;
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
    const PlatformScope platform;
    Enter(__func__);
    if (!memory) return nullptr;
    if (!localBuffers().erase(memory)) {
        machine().misuse.push_back("LocalFree of a block LocalAlloc did not return");
        return memory;
    }
    std::free(memory);
    return nullptr;
}

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    const PlatformScope platform;
    if (FaultInjected(__func__)) return 0;
    const std::optional<std::string>& directory = machine().files.windowsDirectory;
    if (!directory) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    const UINT length = static_cast<UINT>(directory->size());
    if (size <= length) return length + 1;
    std::memcpy(buffer, directory->c_str(), length + 1);
    return length;
}

// The library allocates its own buffers with nothrow new[]: served here so
// that a test can make an allocation fail and count what stays live.
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    const PlatformScope platform;
    if (Enter("operator new[]", std::to_string(bytes))) return nullptr;
    void* memory = std::malloc(bytes ? bytes : 1);
    if (memory) newBuffers().insert(memory);
    return memory;
}

// Every allocation of the process is counted, and the nth after
// FailAllocation(n) throws, as an exhausted heap does. (No bookkeeping that
// allocates may happen here.)
void* operator new(std::size_t bytes) {
    if (platformDepth == 0) {
        ++allocations;
        if (allocationCountdown > 0 && --allocationCountdown == 0) throw std::bad_alloc();
    }
    if (void* memory = std::malloc(bytes ? bytes : 1)) return memory;
    throw std::bad_alloc();
}

void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return std::malloc(bytes ? bytes : 1); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

// Kept in step with delete[] below, which hands everything else to delete.
void* operator new[](std::size_t bytes) { return ::operator new(bytes); }

void operator delete[](void* memory) noexcept {
    if (newBuffers().erase(memory)) {
        std::free(memory);
        return;
    }
    ::operator delete(memory);
}

void operator delete[](void* memory, std::size_t) noexcept { operator delete[](memory); }
