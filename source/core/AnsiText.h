// Text operations over the process's ANSI code page that treat a double-byte
// character (a lead byte and its trail byte) as one character.
#pragma once

#include "NarrowString.h"

#include <windows.h>

#include <array>
#include <string_view>

namespace vexlo {

struct AnsiCodePage {
    UINT codePage = 0;
    LCID locale = LOCALE_USER_DEFAULT;
    std::array<bool, 256> leadByte{};

    bool IsLeadByte(char c) const { return leadByte[static_cast<unsigned char>(c)]; }
    // Bytes in the character that starts at text[at]: 2 for a lead byte
    // followed by a non-zero byte, otherwise 1.
    std::size_t CharacterLength(std::string_view text, std::size_t at) const {
        return IsLeadByte(text[at]) && at + 1 < text.size() && text[at + 1] != '\0' ? 2 : 1;
    }
};

// The process's ANSI code page as the platform reports it. Should its
// lead-byte ranges be unavailable, every byte counts as one character.
AnsiCodePage QueryAnsiCodePage();

// Upper case character by character: ASCII letters directly, a double-byte
// character through the code page's locale. A character whose upper-case
// form cannot be had as one double-byte character stays as it is, so the
// bytes of a character never come apart.
void UpperCaseAnsiInPlace(char* text, std::size_t length, const AnsiCodePage& codePage);

template <std::size_t Capacity>
NarrowString<Capacity> UpperCaseAnsi(NarrowString<Capacity> text, const AnsiCodePage& codePage) {
    UpperCaseAnsiInPlace(text.data(), text.size(), codePage);
    return text;
}

// True when `needle` occurs in `text` starting where a character starts,
// never on a trail byte.
bool ContainsAtCharacterStart(std::string_view text, std::string_view needle, const AnsiCodePage& codePage);

}  // namespace vexlo
