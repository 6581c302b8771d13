// Windows-1252 bytes, their UTF-8 form and case-insensitive name comparison.
#include <gtest/gtest.h>

#include "model/ansi_text.h"

namespace zel {
namespace {

TEST(AnsiText, EveryByteSurvivesTheTripThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    std::string utf8 = AnsiToUtf8(all);
    std::string back;
    ASSERT_TRUE(Utf8ToAnsi(utf8, back));
    EXPECT_EQ(back, all);
    EXPECT_EQ(AnsiToUtf8("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9"); // euro sign, e acute
}

TEST(AnsiText, CharactersWithoutAByteAreRefused) {
    std::string out;
    EXPECT_FALSE(Utf8ToAnsi("\xE2\x98\x83", out)); // snowman
    EXPECT_FALSE(Utf8ToAnsi("\xC3", out));         // cut short
    EXPECT_FALSE(Utf8ToAnsi("\xFF", out));
    EXPECT_TRUE(Utf8ToAnsi("\xC5\x92", out)); // OE ligature: 0x8C
    EXPECT_EQ(out, "\x8C");
}

TEST(AnsiText, NamesCompareWithoutLetterCase) {
    for (auto [a, b] : {std::pair{"Intro", "iNTRO"}, {"CAF\xC9", "caf\xE9"}, {"\x8A", "\x9A"}})
        EXPECT_TRUE(SameTextAnsi(a, b)) << a;
    // The times and divide signs are no letters.
    for (auto [a, b] : {std::pair{"\xD7", "\xF7"}, {"Intro", "Intro2"}, {"a", "b"}})
        EXPECT_FALSE(SameTextAnsi(a, b)) << a;
}

} // namespace
} // namespace zel
