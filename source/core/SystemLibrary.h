// The spooler and setup functions, reached through winspool.drv and
// setupapi.dll loaded by their full path in the system directory. Neither is
// a KnownDLL on every Windows, so importing either would let the loader take
// a copy planted in the host program's folder, with the host's rights. Each
// library is loaded for one call of DeleteALL and freed before it returns.
#pragma once

#include "UniqueHandle.h"

namespace vexlo {

// Loads `fileName` from the system directory, its own imports resolved from
// there too; empty when the directory cannot be had, the path would not fit
// or the load fails.
unique_hmodule LoadSystemLibrary(const char* fileName);

// Finds `name` in `module` as a function of the type of `function`.
template <typename Fn>
bool FindFunction(HMODULE module, const char* name, Fn& function) {
    function = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

// Asks a SystemLibrary to keep the error of a load or lookup that failed.
struct KeepLoadError {};

// A system library and the functions `Functions` names, all found or none:
// a library that cannot be loaded, or lacks one of them, converts to false,
// and the deletions that need it are skipped like refused ones.
template <typename Functions>
class SystemLibrary : public Functions {
public:
    SystemLibrary() : SystemLibrary(false) {}
    explicit SystemLibrary(KeepLoadError) : SystemLibrary(true) {}
    explicit operator bool() const { return static_cast<bool>(module_); }
    // Why it could not be had, when asked to keep it: the error of the load
    // or of the lookup.
    DWORD error() const { return error_; }

private:
    // The load error is read only when asked for, so that a caller that has
    // no use for it makes no call for it.
    explicit SystemLibrary(bool keepError) : module_(LoadSystemLibrary(Functions::kFileName)) {
        if (module_ && Functions::Find(module_.get())) return;
        if (keepError) error_ = GetLastError();
        static_cast<Functions&>(*this) = Functions{};
        module_.reset();
    }
    unique_hmodule module_;
    DWORD error_ = ERROR_SUCCESS;
};

// The spooler's functions the removal calls, under their own names.
struct WinspoolFunctions {
    static constexpr const char* kFileName = "winspool.drv";
    bool Find(HMODULE module);
    decltype(&::EnumPrintersA) EnumPrintersA = nullptr;
    decltype(&::OpenPrinterA) OpenPrinterA = nullptr;
    decltype(&::GetPrinterDriverA) GetPrinterDriverA = nullptr;
    decltype(&::DeletePrinter) DeletePrinter = nullptr;
    decltype(&::ClosePrinter) ClosePrinter = nullptr;
    decltype(&::DeleteMonitorA) DeleteMonitorA = nullptr;
    decltype(&::DeletePrinterDriverA) DeletePrinterDriverA = nullptr;
};

// The setup functions the package purge calls, under their own names.
struct SetupApiFunctions {
    static constexpr const char* kFileName = "setupapi.dll";
    bool Find(HMODULE module);
    decltype(&::SetupOpenInfFileA) SetupOpenInfFileA = nullptr;
    decltype(&::SetupFindFirstLineA) SetupFindFirstLineA = nullptr;
    decltype(&::SetupFindNextLine) SetupFindNextLine = nullptr;
    decltype(&::SetupGetStringFieldA) SetupGetStringFieldA = nullptr;
    decltype(&::SetupUninstallOEMInfA) SetupUninstallOEMInfA = nullptr;
    decltype(&::SetupCloseInfFile) SetupCloseInfFile = nullptr;
};

using Winspool = SystemLibrary<WinspoolFunctions>;
using SetupApi = SystemLibrary<SetupApiFunctions>;

}  // namespace vexlo
