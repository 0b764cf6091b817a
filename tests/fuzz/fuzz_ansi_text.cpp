// Upper-casing and search over arbitrary bytes under each code page, checked
// against the plain reference: characters kept whole, ASCII letters
// upper-cased, matches only where a character starts.
#include "Machine.h"
#include "AnsiText.h"
#include "product/Product.h"
#include "RegistryReader.h"
#include "reference.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    sim::machine().calls.clear();
    const UINT codePage = reference::kCodePages[data[0] % 5];
    sim::machine().codePages.ansiCodePage = codePage;
    // As much as the readers hand over: 260 bytes.
    const std::string text(reinterpret_cast<const char*>(data + 1), std::min<std::size_t>(size - 1, 260));

    const vexlo::AnsiCodePage page = vexlo::QueryAnsiCodePage();
    const std::string upper(std::string_view(vexlo::UpperCaseAnsi(vexlo::RegistryText(text), page)));

    reference::Check(upper.size() == text.size(), "length kept");
    const std::vector<std::size_t> starts = reference::CharacterStarts(codePage, text);
    reference::Check(reference::CharacterStarts(codePage, upper) == starts, "characters kept whole");
    for (std::size_t s : starts) {
        if (!reference::IsSingle(codePage, text, s)) continue;
        const char c = text[s];
        reference::Check(upper[s] == (c >= 'a' && c <= 'z' ? c - 32 : c), "single bytes: ASCII letters upper-cased");
    }
    const std::string needle(vexlo::kUsbHardwareId);
    reference::Check(vexlo::ContainsAtCharacterStart(upper, needle, page) ==
                         reference::MatchesAtStart(codePage, upper, needle),
                     "matches exactly at character starts");
    reference::Check(vexlo::ContainsAtCharacterStart(upper, needle, page) ==
                         reference::MatchesAtStart(codePage, reference::UpperSingles(codePage, text), needle),
                     "the match does not depend on how pairs upper-case");
    reference::Check(sim::Leaks().empty(), "nothing left open");
    return 0;
}
