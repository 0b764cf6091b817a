#include "product/ProductWalks.h"

#include "UniqueHandle.h"
#include "product/Product.h"

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
                         void* context, ListRead* read) {
    unique_hinf inf(setupApi.SetupOpenInfFileA(path, nullptr, INF_STYLE_WIN4, nullptr), setupApi.SetupCloseInfFile);
    if (!inf) return NoteLastError(read, "SetupOpenInfFileA", fileName);
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

void WalkBrandPackages(const SetupApi& setupApi, FolderPath folder, PackageVisit visit, void* context,
                       ListRead* read) {
    if (!setupApi) return NoteFailure(read, "LoadLibraryExA", SetupApi::kFileName, setupApi.error());
    if (folder.size() + sizeof kPatternTail > kPathCapacity) {
        return NoteFailure(read, "FindFirstFileA", folder, ERROR_FILENAME_EXCED_RANGE);
    }
    char pattern[kPathCapacity];
    wsprintfA(pattern, "%s%s", folder.c_str(), kPatternTail);

    WIN32_FIND_DATAA match;
    unique_find search(FindFirstFileA(pattern, &match));
    if (!search) {
        // A folder that holds no OEM package was read whole.
        if (read && GetLastError() != ERROR_FILE_NOT_FOUND) NoteLastError(read, "FindFirstFileA", pattern);
        return;
    }
    do {
        const std::size_t nameLength = strnlen(match.cFileName, sizeof match.cFileName);
        if (nameLength == sizeof match.cFileName || folder.size() + 1 + nameLength + 1 > kPathCapacity) {
            // Its INF cannot be opened, so it cannot be told the brand's.
            NoteFailure(read, "SetupOpenInfFileA", std::string_view(match.cFileName, nameLength),
                        ERROR_FILENAME_EXCED_RANGE);
            continue;
        }
        char path[kPathCapacity];
        wsprintfA(path, "%s\\%s", folder.c_str(), match.cFileName);
        VisitIfBrandPackage(setupApi, path, match.cFileName, visit, context, read);
    } while (FindNextFileA(search.get(), &match));
    if (read && GetLastError() != ERROR_NO_MORE_FILES) NoteLastError(read, "FindNextFileA", pattern);
}

}  // namespace vexlo
