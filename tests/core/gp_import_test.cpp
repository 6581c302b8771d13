// Guitar Pro reading and import, against the sample files (what they hold was read from the
// format notes and hex dumps) and against songs built here.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "exchange/gp_import.h"
#include "exchange/gp_reader.h"
#include "model/structure.h"

using namespace zel;
using namespace zel::gp;

namespace {

const std::string Samples = ZELVANE_SHARED_DATA "/guitar-pro/";

std::string Bytes(const std::string& name) {
    std::ifstream in(Samples + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

#define NEED_SAMPLES()                                                                             \
    if (!std::filesystem::is_directory(Samples)) {                                                 \
        GTEST_SKIP() << "no sample files at " << Samples;                                          \
    }

TGpSong Read(const std::string& name) {
    TGpReadResult r = ReadGuitarPro(Bytes(name));
    EXPECT_TRUE(r.Ok) << name << ": " << r.Error;
    return r.Song;
}

} // namespace

TEST(GuitarProReader, SampleFilesHoldWhatTheirHeadersSay) {
    NEED_SAMPLES();
    struct Case {
        const char* File;
        int Major, Measures;
    };
    const Case cases[] = {
        {"Chords.gp3", 3, 8},         {"Chords.gp4", 4, 8},    {"Chords.gp5", 5, 8},
        {"Duration.gp3", 3, 6},       {"Effects.gp4", 4, 14},  {"Directions.gp5", 5, 19},
        {"Measure-Header.gp3", 3, 3}, {"Repeat.gp4", 4, 8},    {"Repeat.gp5", 5, 8},
        {"Voices.gp5", 5, 3},         {"Harmonics.gp4", 4, 1}, {"Tie.gp5", 5, 4}};
    for (const Case& c : cases) {
        TGpSong s = Read(c.File);
        EXPECT_EQ(s.Major, c.Major) << c.File;
        ASSERT_EQ(int(s.Headers.size()), c.Measures) << c.File;
        ASSERT_EQ(s.Tracks.size(), 1u) << c.File;
        EXPECT_EQ(s.Tracks[0].Tuning, (std::vector<int>{64, 59, 55, 50, 45, 40})) << c.File;
        EXPECT_LE(s.UnreadBytes, 4u) << c.File; // read to the end (some end with 4 zero bytes)
    }
    // Every sample reads.
    for (const auto& entry : std::filesystem::directory_iterator(Samples)) {
        if (entry.path().extension().string().starts_with(".gp")) {
            EXPECT_TRUE(ReadGuitarPro(Bytes(entry.path().filename().string())).Ok) << entry.path();
        }
    }
}

TEST(GuitarProReader, MeasureHeadersRepeatsAndBeats) {
    NEED_SAMPLES();
    for (const char* file : {"Measure-Header.gp4", "Measure-Header.gp5"}) {
        TGpSong s = Read(file);
        EXPECT_EQ(s.Headers[1].Numerator, 3) << file; // 3/4 in the second bar
        EXPECT_EQ(s.Headers[1].Marker, "Marker") << file;
        EXPECT_EQ(s.Headers[0].RepeatClose, 2) << file;
        EXPECT_EQ(s.Key, 5) << file;
    }
    TGpSong repeat = Read("Repeat.gp5");
    EXPECT_TRUE(repeat.Headers[0].RepeatOpen);
    EXPECT_TRUE(repeat.Headers[7].RepeatOpen);
    EXPECT_EQ(repeat.Headers[7].RepeatClose, 4);
    EXPECT_EQ(repeat.Tempo, 400);
    EXPECT_EQ(Read("Effects.gp5").Headers[13].Denominator, 8); // the last bar is 7/8
    // The first beat of Chords is a C major chord (x32010) as half notes.
    for (const char* file : {"Chords.gp3", "Chords.gp4", "Chords.gp5"}) {
        const TGpSong song = Read(file);
        const TGpBeat& b = song.Tracks[0].Measures[0].Voices[0].Beats[0];
        EXPECT_EQ(b.Value, 2) << file;
        std::vector<std::pair<int, int>> frets;
        for (const TGpNote& n : b.Notes)
            frets.emplace_back(n.String, n.Fret);
        EXPECT_EQ(frets, (std::vector<std::pair<int, int>>{{1, 0}, {2, 1}, {3, 0}, {4, 2}, {5, 3}}))
            << file;
    }
    // Voices: a second voice of dotted quarters under the first.
    const TGpSong voices = Read("Voices.gp5");
    const TGpMeasure& m = voices.Tracks[0].Measures[0];
    ASSERT_EQ(m.Voices[1].Beats.size(), 3u);
    EXPECT_EQ(m.Voices[1].Beats[0].Dots, 1);
    // Tie: the third beat continues the second on the top string.
    const TGpSong tie = Read("Tie.gp5");
    const TGpBeat& tied = tie.Tracks[0].Measures[0].Voices[0].Beats[2];
    ASSERT_EQ(tied.Notes.size(), 1u);
    EXPECT_TRUE(tied.Notes[0].Tie);
    EXPECT_EQ(tied.Notes[0].Fret, 2);
}

TEST(GuitarProReader, DamagedFilesGiveTheirFaultAndByte) {
    NEED_SAMPLES();
    // Every cut of every file is refused with a message, never read past its end.
    for (const char* file : {"Chords.gp3", "Effects.gp4", "Effects.gp5", "Voices.gp5"}) {
        std::string bytes = Bytes(file);
        for (size_t n = 0; n + 8 < bytes.size(); n += 3) {
            TGpReadResult r = ReadGuitarPro(bytes.substr(0, n));
            ASSERT_FALSE(r.Ok) << file << " cut at " << n;
            ASSERT_TRUE(r.Error.starts_with("Invalid Guitar Pro file: ")) << r.Error;
            ASSERT_NE(r.Error.find(" at byte "), std::string::npos) << r.Error;
        }
    }
    std::string bytes = Bytes("Chords.gp5");
    bytes.replace(20, 4, "v6.0");
    EXPECT_EQ(ReadGuitarPro(bytes).Error,
              "Unsupported Guitar Pro version: FICHIER GUITAR PRO v6.00");
    EXPECT_EQ(ReadGuitarPro("").Error, "Invalid Guitar Pro file: version at byte 0");
    // An absurd measure count right after the header fields.
    std::string gp3 = Bytes("Duration.gp3");
    size_t countAt = gp3.size() - 4; // found below: the first 32-bit field equal to 6 after 700
    for (size_t i = 700; i + 8 < gp3.size(); ++i)
        if (gp3.compare(i, 8, std::string("\x06\0\0\0\x01\0\0\0", 8)) == 0) {
            countAt = i;
            break;
        }
    gp3.replace(countAt, 4, std::string("\xff\xff\xff\x7f", 4));
    EXPECT_EQ(ReadGuitarPro(gp3).Error,
              "Invalid Guitar Pro file: measure count at byte " + std::to_string(countAt));
}

namespace {

TGpSong TestSong(int sections, bool denominatorChanges) {
    TGpSong s;
    TGpTrack t;
    t.Name = "Lead";
    t.Tuning = {64, 59, 55, 50, 45, 40};
    for (int m = 0; m < sections; ++m) {
        TGpHeader h;
        h.HasMarker = true;
        h.Marker = "Part " + std::to_string(m);
        h.Denominator = denominatorChanges && m % 2 ? 8 : 4;
        h.Numerator = 4;
        s.Headers.push_back(h);
        TGpMeasure measure;
        TGpBeat b;
        b.Value = 1;
        b.Notes.push_back({.String = 1, .Fret = m % 25});
        b.Notes.push_back({.String = 2, .Fret = m / 25});
        measure.Voices[0].Beats.push_back(b);
        t.Measures.push_back(measure);
    }
    s.Tracks.push_back(t);
    return s;
}

} // namespace

TEST(GuitarProImport, SectionsRowsAndRepeats) {
    NEED_SAMPLES();
    TProject p;
    TGpImportSummary sum;
    std::string error;
    // Measure-Header: 4/4 repeated twice, then a 3/4 bar with a marker, then 4/4.
    ASSERT_TRUE(ImportGuitarProSong(Read("Measure-Header.gp5"), {}, p, sum, error)) << error;
    ASSERT_GE(p.Structure.size(), 2u);
    EXPECT_EQ(StructureField(p.Structure[0], 0), "2");
    EXPECT_EQ(p.Riffs[0].BarsA, "4");
    int marker = p.RiffNames.Find("Marker");
    ASSERT_GE(marker, 0);
    EXPECT_EQ(p.Riffs[size_t(marker)].BarsA, "3");
    EXPECT_EQ(p.Riffs[size_t(marker)].Key, 4);
    // Repeat: the last bar is a section of its own repeated 4 times.
    ASSERT_TRUE(ImportGuitarProSong(Read("Repeat.gp5"), {}, p, sum, error));
    EXPECT_EQ(StructureField(p.Structure.back(), 0), "4");
    EXPECT_EQ(p.Riffs[0].Tempo, 400);
    // Voices: the two voices become one line; the dotted quarter of voice 2 starts a note at
    // 384 ticks (a sixteenth-note gap after the quarter at 256).
    ASSERT_TRUE(ImportGuitarProSong(Read("Voices.gp5"), {}, p, sum, error));
    const TRiff& v = p.Riffs[0];
    std::vector<int> starts;
    for (int i = 0, t = 0; i < NoteCount(v); t += NoteTicks(v.Notes[size_t(i)]), ++i)
        if (v.Notes[size_t(i)].Fret[0] != NoFret)
            starts.push_back(t);
    ASSERT_GE(starts.size(), 5u);
    EXPECT_EQ(std::vector<int>(starts.begin(), starts.begin() + 5),
              (std::vector<int>{0, 256, 384, 512, 768}));
    // Ties: Tie.gp5's third beat ties the second.
    ASSERT_TRUE(ImportGuitarProSong(Read("Tie.gp5"), {}, p, sum, error));
    EXPECT_TRUE(p.Riffs[0].Notes[1].Flags & NoteTie);
}

TEST(GuitarProImport, EveryNoteOfEverySampleKeepsItsPlace) {
    NEED_SAMPLES();
    for (const auto& entry : std::filesystem::directory_iterator(Samples)) {
        if (!entry.path().extension().string().starts_with(".gp"))
            continue;
        TGpSong s = Read(entry.path().filename().string());
        int notes = 0;
        for (const auto& m : s.Tracks[0].Measures)
            for (const auto& v : m.Voices)
                for (const auto& b : v.Beats)
                    for (const auto& n : b.Notes)
                        notes += !n.Dead;
        TProject p;
        TGpImportSummary sum;
        std::string error;
        ASSERT_TRUE(ImportGuitarProSong(s, {}, p, sum, error)) << entry.path() << error;
        EXPECT_GE(sum.Notes * 100, notes * 95) << entry.path();
        // Bar lines stay exact: each riff fills whole bars.
        for (int r = 0; r < p.RiffNames.RecordCount(); ++r) {
            const TRiff& riff = p.Riffs[size_t(r)];
            if (riff.BarsA.find(' ') == std::string::npos) {
                EXPECT_EQ(RiffTicks(riff, -1) % (std::stoi(riff.BarsA) * 1024 / riff.BarsB), 0)
                    << entry.path() << " riff " << r;
            }
        }
    }
}

TEST(GuitarProImport, LimitsMergeSectionsOrRefuse) {
    TProject p;
    TGpImportSummary sum;
    std::string error;
    ASSERT_TRUE(ImportGuitarProSong(TestSong(150, false), {}, p, sum, error)) << error;
    EXPECT_EQ(sum.MergeLevel, 0);
    EXPECT_EQ(sum.Riffs, 150);
    EXPECT_EQ(p.RiffNames[0], "Part 0");
    // 250 marked sections: merged into one riff at the last level.
    ASSERT_TRUE(ImportGuitarProSong(TestSong(250, false), {}, p, sum, error));
    EXPECT_EQ(sum.MergeLevel, 2);
    EXPECT_EQ(sum.Riffs, 1);
    EXPECT_EQ(NoteCount(p.Riffs[0]), 250);
    // 250 sections whose bars keep changing cannot be merged: nothing changes.
    p.Structure = {"keep"};
    EXPECT_FALSE(ImportGuitarProSong(TestSong(250, true), {}, p, sum, error));
    EXPECT_NE(error.find("200 riffs"), std::string::npos);
    EXPECT_EQ(p.Structure, std::vector<std::string>{"keep"});
    // Percussion and tracks with too few strings are left out and listed.
    TGpSong song = TestSong(2, false);
    song.Tracks.push_back(song.Tracks[0]);
    song.Tracks[1].Percussion = true;
    song.Tracks[1].Name = "Drums";
    ASSERT_TRUE(ImportGuitarProSong(song, {}, p, sum, error));
    EXPECT_EQ(sum.LeftOutTracks, std::vector<std::string>{"2 Drums (percussion)"});
    EXPECT_FALSE(ImportGuitarProSong(song, {.Tracks = {2}}, p, sum, error));
}
