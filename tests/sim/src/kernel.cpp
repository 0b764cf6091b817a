// Kernel services: last error, simulated time, the local and the process
// heap and the Windows directory.
#include "Machine.h"

#include <cstdlib>
#include <cstring>
#include <set>

namespace sim {
namespace {
std::set<void*>& localBuffers() {
    static std::set<void*> live;
    return live;
}
std::set<void*>& heapBlocks() {
    static std::set<void*> live;
    return live;
}
HANDLE const kProcessHeap = reinterpret_cast<HANDLE>(0x00150000);
}  // namespace



int LiveLocalBuffers() { return static_cast<int>(localBuffers().size()); }
int LiveHeapBlocks() { return static_cast<int>(heapBlocks().size()); }
void ResetBuffers() {
    localBuffers().clear();
    heapBlocks().clear();
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
    if (FaultInjected(__func__, std::to_string(bytes))) return nullptr;
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

// The process heap: the library's own buffers, zero-filled on request.
HANDLE WINAPI GetProcessHeap(void) {
    Enter(__func__);
    return kProcessHeap;
}

LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    if (Enter(__func__, std::to_string(bytes))) return nullptr;  // fails without a last error, as the platform does
    if (heap != kProcessHeap) machine().misuse.push_back("HeapAlloc: expected the process heap");
    void* memory = flags & HEAP_ZERO_MEMORY ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
    heapBlocks().insert(memory);
    return memory;
}

BOOL WINAPI HeapFree(HANDLE heap, DWORD, LPVOID memory) {
    Enter(__func__);
    if (!memory) return TRUE;
    if (heap != kProcessHeap || !heapBlocks().erase(memory)) {
        machine().misuse.push_back("HeapFree of a block HeapAlloc did not return");
        return FALSE;
    }
    std::free(memory);
    return TRUE;
}

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    return AnswerDirectory(__func__, machine().files.windowsDirectory, buffer, size);
}

namespace sim {

UINT AnswerDirectory(const char* function, const std::optional<std::string>& directory, LPSTR buffer, UINT size) {
    if (FaultInjected(function)) return 0;
    if (!directory) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    const UINT length = static_cast<UINT>(directory->size());
    if (size <= length) return length + 1;
    std::memcpy(buffer, directory->c_str(), length + 1);
    return length;
}

}  // namespace sim
