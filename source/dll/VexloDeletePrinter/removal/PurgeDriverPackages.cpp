#include "removal/PurgeDriverPackages.h"

#include "UniqueHandle.h"

#include <cstring>

namespace vexlo {
namespace {

// wsprintfA writes at most 1024 bytes; a path that would not fit is never
// formatted, so that no cut path is ever opened.
constexpr std::size_t kPathCapacity = 1024;
constexpr DWORD kFieldCapacity = 260;
constexpr char kPatternTail[] = "\\oem*.inf";
constexpr char kInfSubfolder[] = "\\inf";

bool ReadField(const SetupApi& setupApi, INFCONTEXT& line, DWORD index, char (&field)[kFieldCapacity]) {
    return setupApi.SetupGetStringFieldA(&line, index, field, kFieldCapacity, nullptr) != FALSE;
}

void VisitIfBrandPackage(const SetupApi& setupApi, const char* path, const char* fileName, PackageVisit visit,
                         void* context) {
    unique_hinf inf(setupApi.SetupOpenInfFileA(path, nullptr, INF_STYLE_WIN4, nullptr), setupApi.SetupCloseInfFile);
    if (!inf) return;
    INFCONTEXT line;
    char field[kFieldCapacity];
    for (BOOL found = setupApi.SetupFindFirstLineA(inf.get(), "Version", nullptr, &line); found;
         found = setupApi.SetupFindNextLine(&line, &line)) {
        if (!ReadField(setupApi, line, 0, field) || std::strcmp(field, "Provider") != 0) continue;
        if (!ReadField(setupApi, line, 1, field) || !IsBrandProvider(field)) continue;
        if (!visit(context, setupApi, fileName, inf.get())) return;
    }
}

}  // namespace

bool BuildInfFolder(char (&folder)[MAX_PATH]) {
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length + sizeof kInfSubfolder > MAX_PATH) return false;
    std::memcpy(folder + length, kInfSubfolder, sizeof kInfSubfolder);
    return true;
}

bool IsBrandProvider(const char* provider) { return std::strcmp(provider, kBrand) == 0; }

void PurgeDriverPackages(const SetupApi& setupApi, FolderPath folder) {
    // Every Provider line naming the brand asks for the uninstall again; the
    // platform's answer to a repeat is of no interest.
    const PackageVisit uninstall = [](void*, const SetupApi& setup, const char* fileName, HINF) {
        setup.SetupUninstallOEMInfA(fileName, SUOI_FORCEDELETE, nullptr);
        return true;
    };
    WalkBrandPackages(setupApi, folder, uninstall, nullptr);
}

void WalkBrandPackages(const SetupApi& setupApi, FolderPath folder, PackageVisit visit, void* context) {
    if (!setupApi || folder.size() + sizeof kPatternTail > kPathCapacity) return;
    char pattern[kPathCapacity];
    wsprintfA(pattern, "%s%s", folder.c_str(), kPatternTail);

    WIN32_FIND_DATAA match;
    unique_find search(FindFirstFileA(pattern, &match));
    if (!search) return;
    do {
        const std::size_t nameLength = strnlen(match.cFileName, sizeof match.cFileName);
        if (nameLength == sizeof match.cFileName || folder.size() + 1 + nameLength + 1 > kPathCapacity) continue;
        char path[kPathCapacity];
        wsprintfA(path, "%s\\%s", folder.c_str(), match.cFileName);
        VisitIfBrandPackage(setupApi, path, match.cFileName, visit, context);
    } while (FindNextFileA(search.get(), &match));
}

}  // namespace vexlo
