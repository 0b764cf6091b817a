// Code pages: 1252 and the double-byte pages 932, 936, 949 and 950, with
// their lead-byte ranges and the fullwidth Latin letters mapped both ways.
// Any other valid double-byte pair maps to the wide code (lead << 8 | trail),
// which round-trips and has no case.
#include "Machine.h"

#include <cstdio>
#include <cstring>

namespace sim {
namespace {

struct Range {
    BYTE first, last;
};

struct DoubleBytePage {
    UINT id;
    std::vector<Range> lead;
    std::vector<Range> trail;
    // Fullwidth A-Z and a-z: where each run of letters sits in the page.
    struct Run {
        WCHAR wide;
        int count;
        BYTE lead, trail;
    };
    std::vector<Run> fullwidth;
};

const std::vector<DoubleBytePage>& pages() {
    static const std::vector<DoubleBytePage> all = {
        {932, {{0x81, 0x9F}, {0xE0, 0xFC}}, {{0x40, 0x7E}, {0x80, 0xFC}},
         {{0xFF21, 26, 0x82, 0x60}, {0xFF41, 26, 0x82, 0x81}}},
        {936, {{0x81, 0xFE}}, {{0x40, 0x7E}, {0x80, 0xFE}}, {{0xFF21, 26, 0xA3, 0xC1}, {0xFF41, 26, 0xA3, 0xE1}}},
        {949, {{0x81, 0xFE}}, {{0x41, 0x5A}, {0x61, 0x7A}, {0x81, 0xFE}},
         {{0xFF21, 26, 0xA3, 0xC1}, {0xFF41, 26, 0xA3, 0xE1}}},
        {950, {{0x81, 0xFE}}, {{0x40, 0x7E}, {0xA1, 0xFE}},
         {{0xFF21, 26, 0xA2, 0xCF}, {0xFF41, 22, 0xA2, 0xE9}, {0xFF57, 4, 0xA3, 0x40}}},
    };
    return all;
}

const DoubleBytePage* Page(UINT codePage) {
    if (codePage == CP_ACP) codePage = machine().codePages.ansiCodePage;
    for (const DoubleBytePage& p : pages()) {
        if (p.id == codePage) return &p;
    }
    return nullptr;
}

bool In(const std::vector<Range>& ranges, BYTE b) {
    for (const Range& r : ranges) {
        if (b >= r.first && b <= r.last) return true;
    }
    return false;
}

bool Known(UINT codePage) { return codePage == 1252 || Page(codePage) != nullptr; }

// One character of `source` at `at` as a wide character; false when invalid.
bool Decode(const DoubleBytePage* page, const BYTE* source, int length, int& at, WCHAR& wide) {
    const BYTE b = source[at];
    if (!page || !In(page->lead, b)) {
        wide = b;
        ++at;
        return true;
    }
    if (at + 1 >= length || !In(page->trail, source[at + 1])) {
        ++at;
        return false;
    }
    const BYTE t = source[at + 1];
    at += 2;
    for (const auto& run : page->fullwidth) {
        if (b == run.lead && t >= run.trail && t < run.trail + run.count) {
            wide = static_cast<WCHAR>(run.wide + (t - run.trail));
            return true;
        }
    }
    wide = static_cast<WCHAR>(b << 8 | t);
    return true;
}

// The bytes of one wide character; empty when the page has none for it.
std::string Encode(const DoubleBytePage* page, WCHAR wide) {
    if (!page) return wide < 0x100 ? std::string(1, static_cast<char>(wide)) : std::string();
    if (wide < 0x80) return std::string(1, static_cast<char>(wide));
    for (const auto& run : page->fullwidth) {
        if (wide >= run.wide && wide < run.wide + run.count) {
            return {static_cast<char>(run.lead), static_cast<char>(run.trail + (wide - run.wide))};
        }
    }
    const BYTE lead = static_cast<BYTE>(wide >> 8), trail = static_cast<BYTE>(wide);
    if (In(page->lead, lead) && In(page->trail, trail)) {
        return {static_cast<char>(lead), static_cast<char>(trail)};
    }
    return {};
}

}  // namespace
}  // namespace sim

using namespace sim;

UINT WINAPI GetACP(void) {
    Enter(__func__);
    return machine().codePages.ansiCodePage;
}

BOOL WINAPI GetCPInfo(UINT codePage, LPCPINFO info) {
    if (FaultInjected(__func__, std::to_string(codePage))) return FALSE;
    if (!Known(codePage) || !info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memset(info, 0, sizeof *info);
    info->DefaultChar[0] = '?';
    info->MaxCharSize = 1;
    if (const DoubleBytePage* page = Page(codePage)) {
        info->MaxCharSize = 2;
        int i = 0;
        for (const Range& r : page->lead) {
            info->LeadByte[i++] = r.first;
            info->LeadByte[i++] = r.last;
        }
    }
    return TRUE;
}

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR target,
                               int targetLength) {
    if (FaultInjected(__func__)) return 0;
    if (!Known(codePage == CP_ACP ? machine().codePages.ansiCodePage : codePage) || !source) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (sourceLength < 0) sourceLength = static_cast<int>(std::strlen(source)) + 1;
    const DoubleBytePage* page = Page(codePage);
    std::u16string out;
    for (int at = 0; at < sourceLength;) {
        WCHAR wide = 0;
        if (!Decode(page, reinterpret_cast<const BYTE*>(source), sourceLength, at, wide)) {
            if (flags & MB_ERR_INVALID_CHARS) {
                SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                return 0;
            }
            wide = u'\x30FB';
        }
        out.push_back(wide);
    }
    if (targetLength == 0) return static_cast<int>(out.size());
    if (static_cast<int>(out.size()) > targetLength) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(target, out.data(), out.size() * sizeof(WCHAR));
    return static_cast<int>(out.size());
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceLength, LPSTR target,
                               int targetLength, LPCSTR, LPBOOL usedDefaultChar) {
    if (FaultInjected(__func__)) return 0;
    if (!Known(codePage == CP_ACP ? machine().codePages.ansiCodePage : codePage) || !source || sourceLength < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const DoubleBytePage* page = Page(codePage);
    std::string out;
    bool usedDefault = false;
    for (int i = 0; i < sourceLength; ++i) {
        std::string bytes = Encode(page, source[i]);
        if (bytes.empty()) {
            bytes = "?";
            usedDefault = true;
        }
        out += bytes;
    }
    if (usedDefaultChar) *usedDefaultChar = usedDefault;
    if (targetLength == 0) return static_cast<int>(out.size());
    if (static_cast<int>(out.size()) > targetLength) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(target, out.data(), out.size());
    return static_cast<int>(out.size());
}

int WINAPI LCMapStringW(LCID locale, DWORD flags, LPCWSTR source, int sourceLength, LPWSTR target,
                        int targetLength) {
    char detail[16];
    std::snprintf(detail, sizeof detail, "%04X", static_cast<unsigned>(locale));
    if (FaultInjected(__func__, detail)) return 0;
    if (flags != LCMAP_UPPERCASE || !source || sourceLength < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (targetLength == 0) return sourceLength;
    if (sourceLength > targetLength) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (int i = 0; i < sourceLength; ++i) {
        WCHAR c = source[i];
        auto extra = machine().codePages.extraUpper.find(c);
        if (extra != machine().codePages.extraUpper.end()) {
            c = extra->second;
        } else if ((c >= u'a' && c <= u'z') || (c >= 0xFF41 && c <= 0xFF5A)) {
            c = static_cast<WCHAR>(c - 0x20);
        }
        target[i] = c;
    }
    return sourceLength;
}
