#include "SystemLibrary.h"

#include <cstring>

namespace vexlo {

unique_hmodule LoadSystemLibrary(const char* fileName) {
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    const std::size_t nameLength = std::strlen(fileName);
    // A directory that did not fit reports the size it needs, which is no
    // path either.
    if (length == 0 || length + 1 + nameLength + 1 > MAX_PATH) return {};
    path[length] = '\\';
    std::memcpy(path + length + 1, fileName, nameLength + 1);
    // The altered search path resolves the library's own imports from its
    // folder, the system directory, rather than from the host's.
    return unique_hmodule(LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

bool WinspoolFunctions::Find(HMODULE module) {
    return FindFunction(module, "EnumPrintersA", EnumPrintersA) && FindFunction(module, "OpenPrinterA", OpenPrinterA) &&
           FindFunction(module, "GetPrinterDriverA", GetPrinterDriverA) &&
           FindFunction(module, "DeletePrinter", DeletePrinter) && FindFunction(module, "ClosePrinter", ClosePrinter) &&
           FindFunction(module, "DeleteMonitorA", DeleteMonitorA) &&
           FindFunction(module, "DeletePrinterDriverA", DeletePrinterDriverA);
}

bool SetupApiFunctions::Find(HMODULE module) {
    return FindFunction(module, "SetupOpenInfFileA", SetupOpenInfFileA) &&
           FindFunction(module, "SetupFindFirstLineA", SetupFindFirstLineA) &&
           FindFunction(module, "SetupFindNextLine", SetupFindNextLine) &&
           FindFunction(module, "SetupGetStringFieldA", SetupGetStringFieldA) &&
           FindFunction(module, "SetupUninstallOEMInfA", SetupUninstallOEMInfA) &&
           FindFunction(module, "SetupCloseInfFile", SetupCloseInfFile);
}

}  // namespace vexlo
