#include "NarrowString.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

namespace {

using Text = vexlo::NarrowString<8>;  // seven bytes of text and the zero

TEST(NarrowString, HoldsWhatFitsAndRefusesWhatDoesNot) {
    struct Case {
        std::string text;
        bool fits;
    } cases[] = {{"", true}, {"seven!!", true}, {"eight!!!", false}, {std::string("a\0b", 3), true}};
    for (const Case& c : cases) {
        Text t("old");
        EXPECT_EQ(c.fits, t.Assign(c.text)) << c.text;
        EXPECT_EQ(c.fits ? c.text : std::string(), std::string(std::string_view(t))) << c.text;
        EXPECT_EQ('\0', t.c_str()[t.size()]) << "terminated: " << c.text;
    }
}

TEST(NarrowString, CopiesAreIndependent) {
    Text a = "abc";
    Text b = a;
    b[0] = 'X';
    EXPECT_EQ("abc", a);
    EXPECT_EQ("Xbc", b);
    static_assert(Text::capacity() == 8);
    static_assert(std::is_convertible_v<const char (&)[8], Text>);
    static_assert(!std::is_convertible_v<const char (&)[9], Text>, "a literal too long does not compile");
}

}  // namespace
