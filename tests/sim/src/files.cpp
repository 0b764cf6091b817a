// Files: a directory search over the machine's files, matched as the
// platform matches (* and ?, without regard to letter case), and wsprintfA.
#include "Machine.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>

namespace sim {
namespace {

std::map<void*, std::deque<std::string>>& searches() {
    static std::map<void*, std::deque<std::string>> open;
    return open;
}

bool Matches(const char* mask, const char* name) {
    if (*mask == '\0') return *name == '\0';
    if (*mask == '*') return Matches(mask + 1, name) || (*name && Matches(mask, name + 1));
    if (*name == '\0') return false;
    const bool same = *mask == '?' || std::tolower(static_cast<unsigned char>(*mask)) ==
                                           std::tolower(static_cast<unsigned char>(*name));
    return same && Matches(mask + 1, name + 1);
}

void Fill(const std::string& name, LPWIN32_FIND_DATAA data) {
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = 0x80;  // FILE_ATTRIBUTE_NORMAL
    std::snprintf(data->cFileName, sizeof data->cFileName, "%s", name.c_str());
}

}  // namespace
}  // namespace sim

using namespace sim;

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    const std::string text = pattern ? pattern : "";
    if (FaultInjected(__func__, text)) return INVALID_HANDLE_VALUE;
    const std::size_t slash = text.rfind('\\');
    const std::string folder = slash == std::string::npos ? "" : text.substr(0, slash);
    const std::string mask = text.substr(slash == std::string::npos ? 0 : slash + 1);
    std::deque<std::string> found;
    bool folderExists = false;
    for (const auto& [path, contents] : machine().files.files) {
        const std::size_t cut = path.rfind('\\');
        if (cut == std::string::npos || !EqualNoCase(path.substr(0, cut), folder)) continue;
        folderExists = true;
        if (Matches(mask.c_str(), path.c_str() + cut + 1)) found.push_back(path.substr(cut + 1));
    }
    if (found.empty()) {
        SetLastError(folderExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    Fill(found.front(), data);
    found.pop_front();
    HANDLE search = OpenHandle(HandleKind::Search);
    searches()[search] = std::move(found);
    return search;
}

BOOL WINAPI FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA data) {
    if (FaultInjected(__func__)) return FALSE;
    if (!IsOpen(search, HandleKind::Search)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::deque<std::string>& rest = searches()[search];
    if (rest.empty()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    Fill(rest.front(), data);
    rest.pop_front();
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE search) {
    Enter(__func__);
    searches().erase(search);
    return CloseHandle(search, HandleKind::Search);
}

// Writes at most 1024 bytes, as the platform's wsprintfA does.
int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    char formatted[4096];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(formatted, sizeof formatted, format, args);
    va_end(args);
    Enter("wsprintfA", formatted);
    if (length >= 1024) machine().misuse.push_back("wsprintfA output cut at 1024 bytes");
    const int kept = length < 1023 ? length : 1023;
    std::memcpy(buffer, formatted, static_cast<std::size_t>(kept));
    buffer[kept] = '\0';
    return kept;
}
