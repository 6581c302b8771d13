// Riff settings: string presets, shifting all strings, the denominator exponent, paste.
#include <gtest/gtest.h>

#include "edit/music.h"
#include "model/projectfile.h"
#include "model/riff_settings.h"

namespace zel {
namespace {

TEST(RiffSettings, StringPresets) {
    TRiff riff;
    ASSERT_TRUE(ApplyStringPreset(riff, 4));
    EXPECT_EQ(riff.Tuning,
              (std::array<int32_t, 8>{-8, -3, 2, 7, NoString, NoString, NoString, NoString}));
    ApplyStringPreset(riff, 5);
    EXPECT_EQ(riff.Tuning[0], -13);
    EXPECT_EQ(StringCount(riff), 5);
    ApplyStringPreset(riff, 7);
    EXPECT_EQ(riff.Tuning[6], 16);
    ApplyStringPreset(riff, 6);
    EXPECT_EQ(riff.Tuning, DefaultTuning);
    EXPECT_FALSE(ApplyStringPreset(riff, 8));
    EXPECT_EQ(riff.Tuning, DefaultTuning);
    std::string knobs;
    for (int slot = 0; slot < 6; ++slot)
        knobs += PitchOctaveText(riff.Tuning[size_t(slot)]) + ",";
    EXPECT_EQ(knobs, "E 3,A 3,D 4,G 4,B 4,E 5,");
}

TEST(RiffSettings, SharpenAndFlattenAllKeepTheRange) {
    TRiff riff;
    EXPECT_TRUE(ShiftAllStrings(riff, 1));
    EXPECT_EQ(riff.Tuning[5], 16) << "the top string would leave the range";
    EXPECT_EQ(riff.Tuning[0], -7);
    EXPECT_TRUE(ShiftAllStrings(riff, -1));
    EXPECT_EQ(riff.Tuning[5], 15);
    EXPECT_EQ(riff.Tuning[6], NoString);
    riff.Tuning = {-13, NoString, NoString, NoString, NoString, NoString, NoString, NoString};
    EXPECT_FALSE(ShiftAllStrings(riff, -1));
}

TEST(RiffSettings, PropertiesFillAndStore) {
    TProject project;
    TEditorState editor;
    ResetProject(project, editor);
    project.RiffNames.GrowTo(3);
    project.RiffNames.SetCaption(2, "Solo");
    project.Riffs[2].BarsB = 8;
    project.Riffs[2].Key = -2;
    TRiffProperties p = FillRiffProperties(project, 2);
    EXPECT_EQ(p.Name, "Solo");
    EXPECT_EQ(p.BarsBExp, 3);
    EXPECT_EQ(p.KeyIndex, 4);
    EXPECT_STREQ(KeyEntries[size_t(p.KeyIndex)], "B flat");
    p.Name = "";
    p.Tempo = 140;
    StoreRiffProperties(project, 2, p);
    EXPECT_EQ(project.RiffNames[2], "Riff3");
    EXPECT_EQ(project.Riffs[2].BarsB, 8);
    EXPECT_EQ(project.Riffs[2].Key, -2);
    EXPECT_EQ(project.Riffs[2].Tempo, 140);

    EXPECT_EQ(BarsBExponent(0), 0);
    EXPECT_EQ(BarsBExponent(1), 0);
    EXPECT_EQ(BarsBExponent(16), 4);
    EXPECT_EQ(BarsBExponent(3), 1);
    EXPECT_EQ(SetTempoOfAllRiffs(project, 140), MaxRiffs - 1);
}

TEST(RiffSettings, PasteNeedsTwelveFieldsAndTheNumeratorTakesDigitsAndBlanks) {
    TRiff source;
    source.Tempo = 90;
    source.BarsA = "3";
    TRiff riff;
    EXPECT_TRUE(PasteRiffSettings(riff, RiffHeaderText(source) + "\r\n"));
    EXPECT_EQ(riff.Tempo, 90);
    EXPECT_EQ(riff.BarsA, "3");
    TRiff untouched;
    std::string eleven = RiffHeaderText(source);
    eleven.erase(eleven.rfind('\t'));
    EXPECT_FALSE(PasteRiffSettings(untouched, eleven));
    EXPECT_FALSE(PasteRiffSettings(untouched, RiffHeaderText(source) + "\t0"));
    EXPECT_EQ(untouched.Tempo, 120);
    // Settings whose strings leave a gap put them on the low slots, frets following.
    TRiff gapped;
    gapped.Tuning = {-20, NoString, -10, -5, NoString, NoString, NoString, NoString};
    TRiff target;
    target.Notes = {TNote{{0, NoFret, 2, 3, 7, NoFret, NoFret, NoFret}, 3, 0}, TNote{}};
    EXPECT_TRUE(PasteRiffSettings(target, RiffHeaderText(gapped)));
    EXPECT_EQ(StringCount(target), 3);
    EXPECT_EQ(target.Tuning[1], -10);
    EXPECT_EQ(SlotPitch(target, target.Notes[0], 1), -10 + 2);
    EXPECT_TRUE(IsNumeratorChar('7'));
    EXPECT_TRUE(IsNumeratorChar(' '));
    EXPECT_TRUE(IsNumeratorChar('\b'));
    EXPECT_FALSE(IsNumeratorChar('a'));
    EXPECT_FALSE(IsNumeratorChar(','));
}

} // namespace
} // namespace zel
