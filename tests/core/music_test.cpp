// Bars and positions in a riff's time signature, and pitch names.
#include <gtest/gtest.h>

#include "edit/music.h"

namespace zel {
namespace {

TRiff Meter(std::string barsA, uint16_t barsB) {
    TRiff riff;
    riff.BarsA = std::move(barsA);
    riff.BarsB = barsB;
    return riff;
}

TEST(BarSplit, SimpleCompoundAndCyclingMeters) {
    struct Case {
        const char* barsA;
        uint16_t barsB;
        int ticks, bars, rest;
    };
    for (Case c : {Case{"4", 4, 0, 0, 0}, Case{"4", 4, 1023, 0, 1023}, Case{"4", 4, 1024, 1, 0},
                   Case{"4", 4, 1280, 1, 256}, Case{"6", 8, 1536, 2, 0},
                   Case{"4 4 4 3", 4, 3072 + 768, 4, 0}, Case{"4 4 4 3", 4, 3072 + 767, 3, 767},
                   Case{"4 4 4 3", 4, 2 * 3840 + 1024, 9, 0}, Case{"3,2", 4, 1280, 2, 0},
                   Case{"0", 4, 512, 2, 0}, Case{"", 4, 512, 2, 0}, Case{"x", 4, 512, 2, 0},
                   Case{"4", 0, 1024, 1, 0}})
        EXPECT_EQ((std::pair{BarSplit(Meter(c.barsA, c.barsB), c.ticks).Bars,
                             BarSplit(Meter(c.barsA, c.barsB), c.ticks).Rest}),
                  (std::pair{c.bars, c.rest}))
            << c.barsA << "/" << c.barsB << " at " << c.ticks;
}

TEST(BarSplit, TinyBarsAndLongRiffsStayFast) {
    // A denominator so large that a bar is shorter than a tick must neither loop forever nor
    // walk bar by bar through a long riff.
    TBarSplit split = BarSplit(Meter("1", 65535), 2'000'000'000);
    EXPECT_EQ(split.Bars, 2'000'000'000);
    EXPECT_EQ(split.Rest, 0);
}

TEST(PositionText, BarsPlusAndReducedFractions) {
    TRiff fourFour = Meter("4", 4);
    EXPECT_EQ(PositionPlainText(fourFour, 0), "0");
    EXPECT_EQ(PositionPlainText(fourFour, 1024), "1");
    EXPECT_EQ(PositionPlainText(fourFour, 1280), "1+1/4");
    EXPECT_EQ(PositionPlainText(fourFour, 384), "3/8");
    EXPECT_EQ(PositionPlainText(fourFour, 1024 + 17), "1+17/1024");
    TPositionParts parts = PositionParts(fourFour, 384);
    EXPECT_FALSE(parts.ShowBars);
    EXPECT_FALSE(parts.Plus);
    EXPECT_EQ(parts.Numerator, 3);
    EXPECT_EQ(parts.Denominator, 8);
}

TEST(PitchNames, KnobTexts) {
    EXPECT_EQ(PitchOctaveText(-13), "B 2");
    EXPECT_EQ(PitchOctaveText(-8), "E 3");
    EXPECT_EQ(PitchOctaveText(-12), "C 3");
    EXPECT_EQ(PitchOctaveText(-1), "B 3");
    EXPECT_EQ(PitchOctaveText(0), "C 4");
    EXPECT_EQ(PitchOctaveText(16), "E 5");
    EXPECT_EQ(PitchClass(-1201), 11);
}

} // namespace
} // namespace zel
