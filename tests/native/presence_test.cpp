#include "SimTest.h"
#include "VexloDeletePrinter.h"
#include "AnsiText.h"
#include "product/Product.h"
#include "RegistryReader.h"

#include <optional>
#include <string>
#include <vector>

namespace {

const std::string kEnum = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";

std::vector<BYTE> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<BYTE> Terminated(const std::string& text) {
    std::vector<BYTE> data = Bytes(text);
    data.push_back(0);
    return data;
}


// ---- integer reader -------------------------------------------------------

struct DwordCase {
    const char* what;
    DWORD type;
    std::vector<BYTE> data;
    std::int32_t expected;
};

class ReadRegistryDwordTest : public SimTest, public ::testing::WithParamInterface<DwordCase> {};

TEST_P(ReadRegistryDwordTest, ReadsValueOrFallsBack) {
    const DwordCase& c = GetParam();
    sim::machine().registry.SetBytes("Key", "Value", c.type, c.data);
    EXPECT_EQ(c.expected, vexlo::RegistryReader().ReadRegistryDword("Key", "Value")) << c.what;
    EXPECT_EQ(1, sim::CallCount("RegCloseKey")) << "the opened key is closed";
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadRegistryDwordTest,
    ::testing::Values(DwordCase{"zero", REG_DWORD, {0, 0, 0, 0}, 0},
                      DwordCase{"seven", REG_DWORD, {7, 0, 0, 0}, 7},
                      DwordCase{"little-endian", REG_DWORD, {0x78, 0x56, 0x34, 0x12}, 0x12345678},
                      DwordCase{"all bits set, same as missing", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, -1},
                      DwordCase{"binary of five bytes is too large", REG_BINARY, {1, 2, 3, 4, 5}, -1},
                      DwordCase{"string longer than four bytes", REG_SZ, Terminated("1234"), -1},
                      DwordCase{"type not examined", REG_SZ, Bytes("AB\0\0"), 0x4241},
                      DwordCase{"short value reads zero above its bytes", REG_BINARY, {0x34, 0x12}, 0x1234},
                      DwordCase{"empty value", REG_BINARY, {}, 0}));

TEST_F(SimTest, ReadRegistryDwordFallsBackWhenKeyOrValueCannotBeRead) {
    EXPECT_EQ(-1, vexlo::RegistryReader().ReadRegistryDword("Missing", "Value")) << "missing key";
    EXPECT_EQ(0, sim::CallCount("RegQueryValueExA")) << "nothing queried without a key";

    sim::machine().registry.SetDword("Key", "Other", 3);
    EXPECT_EQ(-1, vexlo::RegistryReader().ReadRegistryDword("Key", "Value")) << "missing value";

    sim::machine().registry.SetDword("Key", "Value", 3);
    sim::machine().registry.keys["Key"].accessDenied = true;
    EXPECT_EQ(-1, vexlo::RegistryReader().ReadRegistryDword("Key", "Value")) << "access denied";

    EXPECT_EQ(1, sim::CallCount("RegCloseKey")) << "only the key that was opened is closed";
}

// ---- string reader --------------------------------------------------------

struct StringCase {
    const char* what;
    DWORD type;
    std::vector<BYTE> data;
    std::string expected;
};

class ReadRegistryStringTest : public SimTest, public ::testing::WithParamInterface<StringCase> {};

TEST_P(ReadRegistryStringTest, ReadsTextOrFallsBack) {
    const StringCase& c = GetParam();
    sim::machine().registry.SetBytes("Key", "Value", c.type, c.data);
    EXPECT_EQ(c.expected, vexlo::ReadRegistryString("Key", "Value")) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadRegistryStringTest,
    ::testing::Values(
        StringCase{"plain", REG_SZ, Terminated("USB\\VID_1234"), "USB\\VID_1234"},
        StringCase{"259 bytes of text fit", REG_SZ, Terminated(std::string(259, 'x')), std::string(259, 'x')},
        StringCase{"260 bytes of text do not", REG_SZ, Terminated(std::string(260, 'x')), ""},
        StringCase{"260 bytes without a zero fit and end at the last byte", REG_BINARY, Bytes(std::string(260, 'y')),
                   std::string(260, 'y')},
        StringCase{"no zero byte", REG_BINARY, Bytes("abc"), "abc"},
        StringCase{"text ends at the first zero", REG_MULTI_SZ, Bytes(std::string("one\0two\0\0", 9)), "one"},
        StringCase{"other type taken as text", REG_DWORD, {'A', 'B', 0, 'C'}, "AB"},
        StringCase{"empty", REG_SZ, {}, ""}));

TEST_F(SimTest, ReadRegistryStringFallsBackAndPassesPathUnchanged) {
    EXPECT_EQ("", vexlo::ReadRegistryString("Missing\\", "0"));
    sim::machine().registry.SetString("Key", "0", "value");
    EXPECT_EQ("", vexlo::ReadRegistryString("Key", "1")) << "missing value";
    EXPECT_EQ("value", vexlo::ReadRegistryString("Key\\", "0")) << "trailing backslash opens the same key";
    EXPECT_EQ((std::vector<std::string>{"Missing\\", "Key", "Key\\"}), sim::CallDetails("RegOpenKeyExA"));
}

// ---- code-page text -------------------------------------------------------

vexlo::AnsiCodePage CodePage(UINT id) {
    sim::machine().codePages.ansiCodePage = id;
    return vexlo::QueryAnsiCodePage();
}

struct UpperCase {
    UINT codePage;
    std::string text;
    std::string expected;
};

class UpperCaseAnsiTest : public SimTest, public ::testing::WithParamInterface<UpperCase> {};

TEST_P(UpperCaseAnsiTest, KeepsCharactersWhole) {
    const UpperCase& c = GetParam();
    EXPECT_EQ(c.expected, vexlo::UpperCaseAnsi(vexlo::RegistryText(c.text), CodePage(c.codePage))) << "code page " << c.codePage;
}

INSTANTIATE_TEST_SUITE_P(
    Pages, UpperCaseAnsiTest,
    ::testing::Values(UpperCase{1252, "usb\\vid_f0e1&pid_0420\\x", "USB\\VID_F0E1&PID_0420\\X"},
                      UpperCase{1252, "\x82v\xe9", "\x82V\xe9"},                  // no lead bytes in 1252
                      UpperCase{932, "\x82\x81z", "\x82\x60Z"},                   // fullwidth a, then z
                      UpperCase{932, "\x82v", "\x82v"},                           // trail byte 'v' stays
                      UpperCase{932, "\x82\x20v", "\x82\x20V"},                   // invalid pair kept whole
                      UpperCase{932, "ab\x82", "AB\x82"},                         // lead byte at the end
                      UpperCase{936, "\xA3\xE1q", "\xA3\xC1Q"},
                      UpperCase{949, "\xA3\xFA", "\xA3\xDA"},
                      UpperCase{950, "\xA2\xE9\xA3\x43", "\xA2\xCF\xA2\xE8"},     // fullwidth a and z
                      UpperCase{950, std::string("a\x81\0b", 4), std::string("A\x81\0B", 4)}));

TEST_F(SimTest, UpperCaseAnsiMapsDoubleByteCharactersUnderTheLocaleOfTheCodePage) {
    struct Case {
        UINT page;
        const char* fullwidthA;
        const char* locale;
    } cases[] = {{932, "\x82\x81", "0411"}, {936, "\xA3\xE1", "0804"}, {949, "\xA3\xE1", "0412"}, {950, "\xA2\xE9", "0404"}};
    for (const auto& [page, fullwidthA, locale] : cases) {
        sim::machine().calls.clear();
        vexlo::UpperCaseAnsi(vexlo::RegistryText(fullwidthA), CodePage(page));
        EXPECT_EQ(std::vector<std::string>{locale}, sim::CallDetails("LCMapStringW")) << "code page " << page;
    }
}

TEST_F(SimTest, UpperCaseAnsiKeepsACharacterWhoseUpperCaseIsNotOneDoubleByteCharacter) {
    sim::machine().codePages.extraUpper[0xFF42] = u'X';     // fullwidth b -> a single byte
    sim::machine().codePages.extraUpper[0xFF43] = u'\x0100';  // fullwidth c -> nothing in 932
    EXPECT_EQ("\x82\x82" "A", vexlo::UpperCaseAnsi(vexlo::RegistryText("\x82\x82" "a"), CodePage(932)));
    EXPECT_EQ("\x82\x83" "A", vexlo::UpperCaseAnsi(vexlo::RegistryText("\x82\x83" "a"), CodePage(932)));
    sim::Fail("LCMapStringW", sim::CallCount("LCMapStringW") + 1, ERROR_INVALID_PARAMETER);
    EXPECT_EQ("\x82\x81" "A", vexlo::UpperCaseAnsi(vexlo::RegistryText("\x82\x81" "a"), CodePage(932))) << "a failed mapping";
}

TEST_F(SimTest, ContainsAtCharacterStartNeverStartsOnATrailByte) {
    struct Case {
        UINT codePage;
        std::string text;
        bool expected;
    } cases[] = {
        {1252, "XVID_F0E1&PID_0420", true},
        {932, "\x82VID_F0E1&PID_0420", false},  // V is the trail byte of 0x82
        {932, "\x82\x60VID_F0E1&PID_0420", true},
        {932, "\x82\x82\x82\x82VID_F0E1&PID_0420", true},  // two pairs, then V
        {932, "\x82\x82\x82VID_F0E1&PID_0420", false},      // a pair, then V as a trail byte
        {932, "VID_F0E1&PID_042", false},
        {1252, "\x82VID_F0E1&PID_0420", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, vexlo::ContainsAtCharacterStart(c.text, vexlo::kUsbHardwareId, CodePage(c.codePage)))
            << "code page " << c.codePage << ", text " << c.text;
    }
}

TEST_F(SimTest, QueryAnsiCodePageTreatsEveryByteAsACharacterWithoutLeadByteRanges) {
    sim::machine().codePages.ansiCodePage = 932;
    sim::Fail("GetCPInfo", 1, ERROR_INVALID_PARAMETER);
    const vexlo::AnsiCodePage page = vexlo::QueryAnsiCodePage();
    EXPECT_EQ(932u, page.codePage);
    EXPECT_FALSE(page.IsLeadByte('\x82'));
}

// ---- the presence check ---------------------------------------------------

struct PresenceCase {
    const char* what;
    std::optional<DWORD> count;
    std::vector<std::pair<std::string, std::string>> entries;
    bool expected;
    int entriesRead;
};

class IsConnectedTest : public SimTest, public ::testing::WithParamInterface<PresenceCase> {};

TEST_P(IsConnectedTest, AnswersFromTheDeviceList) {
    const PresenceCase& c = GetParam();
    sim::machine().registry.keys[kEnum];
    if (c.count) sim::machine().registry.SetDword(kEnum, "Count", *c.count);
    for (const auto& [name, value] : c.entries) sim::machine().registry.SetString(kEnum, name, value);

    EXPECT_EQ(c.expected ? 1 : 0, IsConnected()) << c.what;
    // One query for the count, then one per entry read.
    EXPECT_EQ(c.entriesRead, static_cast<int>(sim::CallDetails("RegOpenKeyExA").size()) - 1) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, IsConnectedTest,
    ::testing::Values(
        PresenceCase{"count absent", std::nullopt, {{"0", "USB\\VID_F0E1&PID_0420\\A"}}, false, 0},
        PresenceCase{"count zero", 0, {{"0", "USB\\VID_F0E1&PID_0420\\A"}}, false, 0},
        PresenceCase{"count with top bit set", 0x80000001, {{"0", "USB\\VID_F0E1&PID_0420\\A"}}, false, 0},
        PresenceCase{"count all bits set", 0xFFFFFFFF, {{"0", "USB\\VID_F0E1&PID_0420\\A"}}, false, 0},
        PresenceCase{"found at index 1", 2, {{"0", "USB\\VID_1234&PID_0001\\XYZ"}, {"1", "USB\\VID_F0E1&PID_0420\\ABC"}},
                     true, 2},
        PresenceCase{"missing entry skipped", 3, {{"0", "USB\\VID_1234&PID_0001\\1"}, {"2", "USB\\VID_F0E1&PID_0420\\2"}},
                     true, 3},
        PresenceCase{"other product of the vendor", 1, {{"0", "USB\\VID_F0E1&PID_0421\\X"}}, false, 1},
        PresenceCase{"lower case", 1, {{"0", "usb\\vid_f0e1&pid_0420\\x"}}, true, 1},
        PresenceCase{"count beyond the entries", 5, {{"1", "USB\\VID_1234&PID_0001\\1"}}, false, 5},
        PresenceCase{"stops at the first match", 3, {{"0", "USB\\VID_F0E1&PID_0420\\A"}, {"1", "x"}}, true, 1},
        PresenceCase{"entries at or past the count are not read", 1,
                     {{"0", "x"}, {"1", "USB\\VID_F0E1&PID_0420\\A"}}, false, 1}));

TEST_F(SimTest, IsConnectedSearchesDoubleByteEntriesByCharacter) {
    struct Case {
        UINT codePage;
        std::string entry;
        bool expected;
    } cases[] = {
        {932, "\x82vid_f0e1&pid_0420", false},         // the v is a trail byte, not a character
        {1252, "\x82vid_f0e1&pid_0420", true},
        {932, "\x82\x81usb\\vid_f0e1&pid_0420", true},  // a whole fullwidth letter before it
        {932, "\x82 usb\\vid_f0e1&pid_0420", true},     // an invalid pair is still one character
        {932, "\xEA\x9F\x82", false},
    };
    sim::machine().registry.SetDword(kEnum, "Count", 1);
    for (const Case& c : cases) {
        sim::machine().codePages.ansiCodePage = c.codePage;
        sim::machine().registry.SetString(kEnum, "0", c.entry);
        EXPECT_EQ(c.expected ? 1 : 0, IsConnected()) << "code page " << c.codePage << ", entry " << c.entry;
    }
}

TEST_F(SimTest, IsConnectedReadsEveryEntryOfALargeListOneKeyAtATime) {
    const DWORD count = 20000;
    sim::machine().registry.SetDword(kEnum, "Count", count);
    EXPECT_EQ(0, IsConnected());
    EXPECT_EQ(static_cast<int>(count) + 1, sim::CallCount("RegOpenKeyExA"));
    EXPECT_EQ(static_cast<int>(count) + 1, sim::CallCount("RegCloseKey"));
    const std::vector<std::string> names = sim::CallDetails("RegQueryValueExA");
    EXPECT_EQ("Count", names.front());
    EXPECT_EQ("0", names[1]);
    EXPECT_EQ("19999", names.back()) << "ascending decimal names";
}

}  // namespace
