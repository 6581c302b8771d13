// Riff settings where the riff properties window cannot reach them (the window's own tests,
// tests/gui/riff_properties_test.cpp, cover the presets, shifting, fill, store and paste as a
// user drives them): refused presets and shifts, denominators that are no power of two, the
// count of riffs a tempo reaches, and a paste whose strings leave a gap.
#include <gtest/gtest.h>

#include "edit/music.h"
#include "model/projectfile.h"
#include "model/riff_settings.h"
#include "test_support.h"

namespace zel {
namespace {

TEST(RiffSettings, RefusedPresetsAndShiftsChangeNothing) {
    TRiff riff;
    EXPECT_FALSE(ApplyStringPreset(riff, 8));
    EXPECT_EQ(riff.Tuning, DefaultTuning);
    riff.Tuning = {-13, NoString, NoString, NoString, NoString, NoString, NoString, NoString};
    EXPECT_FALSE(ShiftAllStrings(riff, -1)) << "the bottom of the range";
    EXPECT_EQ(riff.Tuning[0], -13);
}

TEST(RiffSettings, DenominatorExponentAndTempoOfAllRiffs) {
    EXPECT_EQ(BarsBExponent(0), 0);
    EXPECT_EQ(BarsBExponent(3), 1);
    EXPECT_EQ(BarsBExponent(16), 4);
    TProject project = test::NewProject();
    project.Riffs[2].Tempo = 140;
    EXPECT_EQ(SetTempoOfAllRiffs(project, 140), MaxRiffs - 1) << "riffs already there not counted";
}

TEST(RiffSettings, PastedStringsThatLeaveAGapGoOnTheLowSlots) {
    // Settings whose strings leave a gap put them on the low slots, frets following.
    TRiff gapped;
    gapped.Tuning = {-20, NoString, -10, -5, NoString, NoString, NoString, NoString};
    TRiff target;
    target.Notes = {TNote{{0, NoFret, 2, 3, 7, NoFret, NoFret, NoFret}, 3, 0}, TNote{}};
    EXPECT_TRUE(PasteRiffSettings(target, RiffHeaderText(gapped)));
    EXPECT_EQ(StringCount(target), 3);
    EXPECT_EQ(target.Tuning[1], -10);
    EXPECT_EQ(SlotPitch(target, target.Notes[0], 1), -10 + 2);
}

} // namespace
} // namespace zel
