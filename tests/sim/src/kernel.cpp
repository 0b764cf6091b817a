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

int LiveLocalBuffers() { return static_cast<int>(localBuffers().size()); }
int LiveNewBuffers() { return static_cast<int>(newBuffers().size()); }
void ResetBuffers() {
    localBuffers().clear();
    newBuffers().clear();
}

}  // namespace sim

using namespace sim;

DWORD WINAPI GetLastError(void) {
    Enter(__func__);
    return machine().lastError;
}

void WINAPI SetLastError(DWORD error) { machine().lastError = error; }

void WINAPI Sleep(DWORD milliseconds) {
    Enter(__func__, std::to_string(milliseconds));
    if (milliseconds == 0xFFFFFFFF) machine().misuse.push_back("Sleep(INFINITE) would never return");
    machine().tickCount += milliseconds;
}

DWORD WINAPI GetTickCount(void) {
    Enter(__func__);
    return machine().tickCount;
}

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
    if (auto error = Enter(__func__, std::to_string(bytes))) {
        SetLastError(*error);
        return nullptr;
    }
    if (flags != LPTR) machine().misuse.push_back("LocalAlloc without LMEM_ZEROINIT");
    void* memory = std::calloc(bytes ? bytes : 1, 1);
    localBuffers().insert(memory);
    return memory;
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
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
    if (auto error = Enter(__func__)) {
        SetLastError(*error);
        return 0;
    }
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
    if (Enter("operator new[]", std::to_string(bytes))) return nullptr;
    void* memory = std::malloc(bytes ? bytes : 1);
    if (memory) newBuffers().insert(memory);
    return memory;
}

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
