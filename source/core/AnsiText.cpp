#include "AnsiText.h"

namespace vexlo {
namespace {

LCID LocaleOfCodePage(UINT codePage) {
    switch (codePage) {
    case 932: return MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT);
    case 936: return MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT);
    case 949: return MAKELCID(MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN), SORT_DEFAULT);
    case 950: return MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL), SORT_DEFAULT);
    default: return LOCALE_USER_DEFAULT;
    }
}

char UpperCaseAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Writes the upper-case form of the double-byte character at `pair` over it
// when that form is again exactly one double-byte character.
void UpperCaseDoubleByte(char* pair, const AnsiCodePage& codePage) {
    WCHAR wide[2];
    const int wideLength = MultiByteToWideChar(codePage.codePage, MB_ERR_INVALID_CHARS, pair, 2, wide, 2);
    if (wideLength <= 0) return;
    WCHAR upper[2];
    const int upperLength = LCMapStringW(codePage.locale, LCMAP_UPPERCASE, wide, wideLength, upper, 2);
    if (upperLength <= 0) return;
    char back[4];
    BOOL usedDefault = FALSE;
    const int backLength =
        WideCharToMultiByte(codePage.codePage, 0, upper, upperLength, back, sizeof back, nullptr, &usedDefault);
    if (backLength != 2 || usedDefault || !codePage.IsLeadByte(back[0]) || back[1] == '\0') return;
    pair[0] = back[0];
    pair[1] = back[1];
}

}  // namespace

AnsiCodePage QueryAnsiCodePage() {
    AnsiCodePage result;
    result.codePage = GetACP();
    result.locale = LocaleOfCodePage(result.codePage);
    CPINFO info{};
    if (!GetCPInfo(result.codePage, &info)) return result;
    // Ranges come as inclusive pairs, ended by a pair of zeros.
    for (std::size_t i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
        for (unsigned b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) result.leadByte[b] = true;
    }
    return result;
}

void UpperCaseAnsiInPlace(char* text, std::size_t length, const AnsiCodePage& codePage) {
    const std::string_view view(text, length);
    for (std::size_t at = 0; at < length;) {
        const std::size_t characterLength = codePage.CharacterLength(view, at);
        if (characterLength == 2) {
            UpperCaseDoubleByte(text + at, codePage);
        } else {
            text[at] = UpperCaseAscii(text[at]);
        }
        at += characterLength;
    }
}

bool ContainsAtCharacterStart(std::string_view text, std::string_view needle, const AnsiCodePage& codePage) {
    for (std::size_t at = 0; at < text.size(); at += codePage.CharacterLength(text, at)) {
        if (text.substr(at, needle.size()) == needle) return true;
    }
    return false;
}

}  // namespace vexlo
