// A deliberately plain reference for what the code-page text operations must
// keep: the lead bytes of each code page written out here, characters as a
// lead byte and its (non-zero) trail byte, ASCII letters upper-cased, and a
// match only where a character starts.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace reference {

inline const UINT kCodePages[] = {1252, 932, 936, 949, 950};

inline bool IsLead(UINT codePage, unsigned char b) {
    switch (codePage) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950: return b >= 0x81 && b <= 0xFE;
    default: return false;
    }
}

inline std::vector<std::size_t> CharacterStarts(UINT codePage, const std::string& text) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size();) {
        starts.push_back(i);
        const bool pair = IsLead(codePage, static_cast<unsigned char>(text[i])) && i + 1 < text.size() && text[i + 1] != 0;
        i += pair ? 2 : 1;
    }
    return starts;
}

inline bool IsSingle(UINT codePage, const std::string& text, std::size_t start) {
    return !(IsLead(codePage, static_cast<unsigned char>(text[start])) && start + 1 < text.size() && text[start + 1] != 0);
}

// ASCII letters of single-byte characters upper-cased, pairs left alone:
// enough to decide a match of an ASCII needle.
inline std::string UpperSingles(UINT codePage, const std::string& text) {
    std::string out = text;
    for (std::size_t s : CharacterStarts(codePage, text)) {
        if (IsSingle(codePage, text, s) && out[s] >= 'a' && out[s] <= 'z') out[s] = static_cast<char>(out[s] - 32);
    }
    return out;
}

inline bool MatchesAtStart(UINT codePage, const std::string& text, const std::string& needle) {
    for (std::size_t s : CharacterStarts(codePage, text)) {
        if (text.compare(s, needle.size(), needle) == 0) return true;
    }
    return false;
}

inline void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "reference check failed: %s\n", what);
        std::abort();
    }
}

}  // namespace reference
