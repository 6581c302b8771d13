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
                   Case{"4", 0, 1024, 1, 0}, Case{"4x", 4, 1792, 4, 0}, Case{"3/4", 4, 1536, 4, 0},
                   Case{"3/4", 4, 700, 0, 700}, Case{"2 x 3", 4, 512 + 256 * 5 + 100, 6, 100}})
        EXPECT_EQ((std::pair{int(BarSplit(Meter(c.barsA, c.barsB), c.ticks).Bars),
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

TEST(BarSplit, RiffsLongerThanTheRangeOfIntCountOn) {
    // A million dotted double-whole notes: 3.6 billion ticks, 3.5 million bars of 4/4.
    TRiff riff = Meter("4", 4);
    riff.Notes.assign(1'000'000, TNote{});
    for (TNote& note : riff.Notes) {
        note.Fret[0] = 0;
        note.Duration = 0;
        note.Flags = NoteDot;
    }
    EnsureNotes(riff, 1'000'002);
    int64_t ticks = RiffTicks(riff, -1);
    EXPECT_EQ(ticks, 1'000'000LL * 3072);
    EXPECT_EQ(PositionPlainText(riff, ticks), "3000000");
    EXPECT_EQ(PositionPlainText(riff, ticks - 256), "2999999+3/4");
}

TEST(PositionText, BarsPlusAndReducedFractions) {
    TRiff fourFour = Meter("4", 4);
    for (auto [ticks, text] :
         {std::pair{0, "0"}, {1024, "1"}, {1280, "1+1/4"}, {384, "3/8"}, {1024 + 17, "1+17/1024"}})
        EXPECT_EQ(PositionPlainText(fourFour, ticks), text) << ticks;
    TPositionParts parts = PositionParts(fourFour, 384);
    EXPECT_FALSE(parts.ShowBars);
    EXPECT_FALSE(parts.Plus);
    EXPECT_EQ(parts.Numerator, 3);
    EXPECT_EQ(parts.Denominator, 8);
}

// The knob texts of pitches (B 2 to E 5, sharps included) are read off the tuning sliders in
// tests/gui/riff_properties_test.cpp; here the pitch class far below them.
TEST(PitchNames, PitchClassFarBelowMiddleC) {
    EXPECT_EQ(PitchClass(-1201), 11);
    EXPECT_EQ(PitchOctaveText(-12), "C 3"); // the C an octave down starts its octave
    EXPECT_EQ(PitchOctaveText(-13), "B 2");
}

TEST(StaffPitch, PositionsInKeys) {
    struct Case {
        int position, key, pitch;
    };
    for (Case c :
         {Case{10, 0, 17}, Case{10, 1, 18}, Case{6, -1, 10}, Case{-8, 0, -13}, Case{2, 0, 4},
          Case{0, 0, 0}, Case{-1, 0, -1}, Case{7, -6, 11}, Case{3, 6, 6}, Case{10, 99, 18}})
        EXPECT_EQ(StaffToPitch(c.position, c.key), c.pitch)
            << "position " << c.position << " key " << c.key;
}

TEST(StaffPitch, PitchToStaffPicksKeyNotesNaturalsAndSharps) {
    auto place = [](int key, int pitch) {
        TRiff riff;
        riff.Key = key;
        return PitchToStaff(riff, pitch);
    };
    EXPECT_EQ(place(0, 1), (TStaffPlace{0, AccidentalSharp})) << "C sharp";
    EXPECT_EQ(place(-1, 11), (TStaffPlace{6, AccidentalNatural})) << "B natural in F";
    EXPECT_EQ(place(-1, 10), (TStaffPlace{6, AccidentalNone})) << "B flat in F";
    EXPECT_EQ(place(-6, 11), (TStaffPlace{7, AccidentalNone})) << "C flat in G flat";
    EXPECT_EQ(place(-3, 1), (TStaffPlace{0, AccidentalSharp})) << "black keys outside: sharps";
    EXPECT_EQ(place(1, 18), (TStaffPlace{10, AccidentalNone})) << "F sharp in G";
    EXPECT_EQ(place(1, 17), (TStaffPlace{10, AccidentalNatural}));
    EXPECT_EQ(place(0, -13), (TStaffPlace{-8, AccidentalNone}));
    for (int key = -6; key <= 6; ++key)
        for (int pitch = -30; pitch <= 30; ++pitch) {
            TStaffPlace p = place(key, pitch);
            int written = StaffToPitch(p.Position, p.Accidental == AccidentalNone ? key : 0) +
                          (p.Accidental == AccidentalSharp ? 1 : 0);
            EXPECT_EQ(written, pitch) << "key " << key << " pitch " << pitch;
        }
}

TEST(KeySignature, StepsInDrawingOrder) {
    EXPECT_EQ(KeySigSteps(0), std::vector<int>{});
    EXPECT_EQ(KeySigSteps(2), (std::vector<int>{10, 7}));
    EXPECT_EQ(KeySigSteps(-3), (std::vector<int>{6, 9, 5}));
    EXPECT_EQ(KeySigSteps(-6).size(), 6u);
}

uint16_t Pattern(std::initializer_list<int> classes) {
    uint16_t p = 0;
    for (int c : classes)
        p |= uint16_t(1u << c);
    return p;
}

TEST(ChordNames, RootFollowsTheHarmonyAndRepeatsAreNamedOnce) {
    TChordNamer namer;
    EXPECT_EQ(namer.Name(Pattern({0, 4, 7})), "C");
    EXPECT_EQ(namer.Name(Pattern({0, 4, 7})), "") << "same chord as before";
    EXPECT_EQ(namer.Name(Pattern({0, 4, 7, 9})), "C+6") << "after a C chord";
    EXPECT_EQ(namer.Name(Pattern({4, 8, 11})), "E") << "found at root 4 after C";
    EXPECT_EQ(namer.LastChordRoot, 4);
    EXPECT_EQ(namer.Name(Pattern({9, 1, 4})), "A");
    EXPECT_EQ(namer.Name(Pattern({0, 4, 7, 9})), "Am7") << "after an A chord";
    EXPECT_EQ(namer.Name(Pattern({7})), "") << "a single pitch class";
    EXPECT_EQ(namer.Name(0), "") << "a rest";
    EXPECT_EQ(namer.Name(Pattern({0, 1, 2})), "??");
    EXPECT_EQ(namer.LastChordRoot, 9) << "no name, root kept";
    namer.StartBand();
    EXPECT_EQ(namer.Name(Pattern({0, 1, 2})), "??") << "a new band names again";
}

TEST(NoteLengths, LengthenAndShortenWrap) {
    EXPECT_EQ((std::vector<int>{LengthenDuration(3), LengthenDuration(0), ShortenDuration(7),
                                ShortenDuration(3)}),
              (std::vector<int>{2, 7, 0, 4}));
}

TEST(NotePattern, PitchClassesOfSoundingStrings) {
    TRiff riff;
    TNote g;
    g.Fret = {3, 2, 0, 0, 0, 3, 9, NoFret}; // slot 6 has no string in the default tuning
    g.Duration = 3;
    EXPECT_EQ(NotePattern(riff, g), Pattern({7, 11, 2}));
}

} // namespace
} // namespace zel
