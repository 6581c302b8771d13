// Whole projects through save and load: random realistic models must come back exactly, and a
// canonical file must survive a load and save byte for byte.
#include <gtest/gtest.h>

#include <random>

#include "info.h"
#include "model/projectfile.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

class TRandomProject {
public:
    explicit TRandomProject(unsigned seed) : m_rng(seed) {}

    void Fill(TProject& project) {
        int riffs = Int(1, 12);
        for (int i = 0; i < riffs; ++i) {
            project.RiffNames.GrowTo(i + 1);
            project.RiffNames.SetCaption(i, Name());
            FillRiff(project.Riffs[size_t(i)]);
        }
        project.RiffNames.EnsureBlankTab();
        int instruments = Int(1, 6);
        for (int k = 0; k < instruments; ++k) {
            project.InstrumentNames.GrowTo(k + 1);
            project.InstrumentNames.SetCaption(k, Name());
            FillInstrument(project.Instruments[size_t(k)]);
        }
        project.InstrumentNames.EnsureBlankTab();
        int rows = Int(0, 8);
        for (int r = 0; r < rows; ++r)
            project.Structure.push_back(Text(0, 40, /*tabs=*/true));
        std::string notes;
        int lines = Int(0, 5);
        for (int l = 0; l < lines; ++l)
            notes += (l ? "\r\n" : "") + Text(0, 60, true);
        if (Int(0, 1))
            project.NotesRtf = notes;
    }

private:
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

    // Bytes of a name or field: anything but CR and LF (and TAB unless allowed); high bytes
    // are common in real names.
    std::string Text(int minLength, int maxLength, bool tabs) {
        std::string text;
        int length = Int(minLength, maxLength);
        while (int(text.size()) < length) {
            char c = char(Int(1, 255));
            if (c == '\r' || c == '\n' || (c == '\t' && !tabs))
                continue;
            text += c;
        }
        return text;
    }
    std::string Name() { return Text(1, 16, false); }

    void FillRiff(TRiff& riff) {
        int strings = Int(4, 7);
        for (int s = 0; s < StringSlots; ++s)
            riff.Tuning[size_t(s)] = s < strings ? Int(-13, 16) : NoString;
        riff.Tempo = uint16_t(Int(20, 1000));
        riff.Key = Int(-6, 6);
        riff.BarsA = Int(0, 1) ? std::to_string(Int(1, 12)) : "4 4 4 3";
        riff.BarsB = uint16_t(1 << Int(0, 4));
        int notes = Int(0, 60);
        EnsureNotes(riff, notes + 1);
        for (int j = 0; j < notes; ++j) {
            TNote& note = riff.Notes[size_t(j)];
            for (auto& fret : note.Fret)
                fret = Int(0, 2) ? NoFret : uint8_t(Int(0, 254));
            note.Duration = uint8_t(Int(0, 7));
            static constexpr uint8_t Flags[] = {0, NoteDot, NoteDotDot, NoteTie, NoteTie | NoteDot};
            note.Flags = Flags[Int(0, 4)];
        }
    }

    void FillInstrument(TInstrument& in) {
        std::string text;
        for (int f = 0; f < InstrumentFieldCount; ++f)
            text += (f ? "\t" : "") + std::to_string(Int(-40000, 40000));
        TextToInstrument(text, 0, in);
    }

    std::mt19937 m_rng;
};

TEST(ProjectRoundTrip, RandomProjectsComeBackExactly) {
    TTempDir dir;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        TProject original = NewProject();
        TRandomProject(seed).Fill(original);
        std::string first = dir.File("first.zvp");
        ASSERT_TRUE(SaveProject(original, first));

        TProject loaded = NewProject();
        ASSERT_TRUE(LoadProject(loaded, first));
        EXPECT_EQ(ProjectJson(loaded), ProjectJson(original)) << "seed " << seed;
        EXPECT_EQ(loaded.RiffNames.All(), original.RiffNames.All()) << "seed " << seed;
        EXPECT_EQ(loaded.InstrumentNames.All(), original.InstrumentNames.All());

        std::string second = dir.File("second.zvp");
        ASSERT_TRUE(SaveProject(loaded, second));
        EXPECT_EQ(ReadBytes(second), ReadBytes(first)) << "seed " << seed;
    }
}

TEST(ProjectRoundTrip, DemoProjectIsCanonical) {
    TTempDir dir;
    TProject project = NewProject();
    ASSERT_TRUE(LoadProject(project, ZELVANE_DEMO_PROJECT));
    EXPECT_EQ(project.RiffNames.RecordCount(), 3);
    EXPECT_EQ(project.InstrumentNames.RecordCount(), 2);
    EXPECT_GE(project.Structure.size(), 3u);
    ASSERT_TRUE(SaveProject(project, dir.File("demo.zvp")));
    EXPECT_EQ(ReadBytes(dir.File("demo.zvp")), ReadBytes(ZELVANE_DEMO_PROJECT));
}

} // namespace
} // namespace zel
