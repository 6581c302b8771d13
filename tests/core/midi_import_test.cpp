// MIDI file import: gaps become lengths, note-ons become chords, channels are chosen, and
// malformed files are read safely.
#include <gtest/gtest.h>

#include <filesystem>

#include "arrange/midi_export.h"
#include "arrange/midi_import.h"
#include "model/datafile.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

// Builds MIDI bytes: a header chunk and track chunks of raw event bytes, damaged where a case
// needs it (the file writer only writes whole files).
std::string VarLen(uint32_t value) {
    std::string bytes;
    AppendVarLen(bytes, value);
    return bytes;
}
std::string Be32(uint32_t v) {
    return {char(v >> 24), char(v >> 16 & 0xFF), char(v >> 8 & 0xFF), char(v & 0xFF)};
}
std::string Chunk(const std::string& id, const std::string& body) {
    return id + Be32(uint32_t(body.size())) + body;
}
std::string Header() {
    return Chunk("MThd", std::string("\0\0\0\1\1\xE0", 6));
}
std::string Ev(uint32_t delta, std::initializer_list<int> bytes) {
    std::string e = VarLen(delta);
    for (int b : bytes)
        e += char(b);
    return e;
}
std::string Midi(const std::string& track) {
    return Header() + Chunk("MTrk", track);
}

class MidiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProject(project, editor);
        hooks.SelectChannels = [this](uint16_t& mask) {
            shownMask = mask;
            if (chosen)
                mask = *chosen;
        };
        hooks.DebugAdd = [this](const std::string& line, uint32_t colour) {
            debug.push_back(line);
            EXPECT_EQ(colour, 16512u);
        };
    }
    TMidiImportResult Import(const std::string& bytes) {
        return ImportMidi(bytes, project, editor, hooks);
    }
    TRiff& Riff() { return CurrentRiffOf(project, editor); }
    // Notes as "duration:pitch,pitch" strings for compact checks.
    std::vector<std::string> Notes() { return test::NoteTexts(Riff()); }

    TProject project;
    TEditorState editor;
    TMidiImportHooks hooks;
    std::optional<uint16_t> chosen;
    uint16_t shownMask = 0;
    std::vector<std::string> debug;
};

TEST_F(MidiTest, GapsBecomeLengthsAndSimultaneousNotesChords) {
    std::string track = Ev(0, {0x90, 64, 100}) + Ev(480, {0x80, 64, 0}) + // sixteenth
                        Ev(0, {0x90, 60, 90}) + Ev(0, {0x90, 64, 90}) +   // chord...
                        Ev(0, {0x90, 67, 90}) + Ev(1400, {0x80, 60, 0}) + // ...quarter
                        Ev(1000, {0x90, 55, 80}) +                        // eighth rest
                        Ev(3000, {0xFF, 0x2F, 0});                        // half
    TMidiImportResult result = Import(Midi(track));
    EXPECT_FALSE(result.Invalid);
    EXPECT_EQ(result.ChannelsFound, 1);
    EXPECT_EQ(Notes(), (TTexts{"5:16,", "3:16,12,19,", "4:", "2:7,"}));
    EXPECT_EQ(Riff().Cursor, 4) << "on the note being collected when the data ended";
    EXPECT_TRUE(project.IsChanged());
    ASSERT_GE(debug.size(), 2u);
    EXPECT_EQ(debug[0], "Midi: 90 0");
    EXPECT_EQ(debug[1], "\t16\t100");
    debug.clear();
    Import(Midi(Ev(5, {0x40})));
    EXPECT_EQ(debug, TTexts{"Midi: 40 5"}) << "a stray data byte is logged too";
}

TEST_F(MidiTest, ChannelsAndVelocityZero) {
    std::string track = Ev(0, {0x91, 60, 0}) + Ev(0, {0x93, 62, 70}) + Ev(0, {0x90, 64, 70}) +
                        Ev(700, {0x80, 64, 0});
    chosen = uint16_t(1 << 1 | 1 << 3);
    TMidiImportResult result = Import(Midi(track));
    EXPECT_EQ(result.ChannelsFound, 0b1011) << "a note-on of velocity 0 still counts";
    EXPECT_EQ(shownMask, 0b1011);
    EXPECT_EQ(Notes(), (TTexts{"4:14,"})) << "channel 0 not chosen";
}

TEST_F(MidiTest, RunningStatusMetaEventsAndSystemExclusive) {
    std::string text(300, 'x'); // a length that needs two bytes
    text[5] = char(0x90);       // bytes inside the meta data must not be read as events
    const std::pair<std::string, TTexts> cases[] = {
        // Note-on, then two more note-ons and note-offs written without their status bytes.
        {Ev(0, {0x90, 60, 100}) + Ev(0, {62, 100}) + Ev(0, {64, 100}) + Ev(1400, {0x80, 60, 0}) +
             Ev(0, {62, 0}) + Ev(0, {64, 0}) + Ev(0, {0x90, 67, 100}) + Ev(700, {67, 0}),
         {"3:16,12,14,", "4:19,"}},
        // Long meta events and system exclusive messages are skipped whole.
        {Ev(0, {0xFF, 0x01}) + VarLen(uint32_t(text.size())) + text + Ev(0, {0xF0}) + VarLen(4) +
             std::string("\x7E\x7F\x09\xF7", 4) + Ev(0, {0x90, 60, 100}) + Ev(700, {0xF7}) +
             VarLen(2) + "\x01\x02" + Ev(0, {0x90, 62, 100}) + Ev(700, {0x80, 62, 0}),
         {"4:12,", "4:14,"}},
        // Running status goes on after system exclusive.
        {Ev(0, {0x90, 60, 100}) + Ev(0, {0xF0}) + VarLen(3) + "\x43\x10\xF7" + Ev(700, {60, 0}) +
             Ev(0, {62, 100}) + Ev(0, {0xF7}) + VarLen(1) + "\x01" + Ev(700, {62, 0}) +
             Ev(0, {64, 100}) + Ev(1400, {64, 0}),
         {"4:12,", "4:14,", "3:16,"}}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        ResetProject(project, editor);
        Import(Midi(cases[i].first));
        EXPECT_EQ(Notes(), cases[i].second) << "case " << i;
    }
}

TEST_F(MidiTest, FilesWithoutAHeaderChunkAreRefusedOnceAndChangeNothing) {
    std::string notes = Ev(0, {0x90, 60, 100}) + Ev(900, {0x80, 60, 0});
    struct Case {
        const char* what;
        std::string bytes;
    };
    for (const Case& c : {Case{"empty file", ""}, Case{"six bytes", std::string("MThd\0\0", 6)},
                          Case{"header cut short", Header().substr(0, 13)},
                          Case{"header chunk too small",
                               Chunk("MThd", std::string("\0\0", 2)) + Chunk("MTrk", notes)},
                          Case{"track without a header", Chunk("MTrk", notes)},
                          Case{"unknown chunk first", Chunk("RIFF", "data") + Midi(notes)}}) {
        ResetProject(project, editor);
        project.SetChanged(false);
        TCapturedMessages messages;
        bool dialogShown = false;
        hooks.SelectChannels = [&](uint16_t&) { dialogShown = true; };
        TMidiImportResult result = Import(c.bytes);
        EXPECT_TRUE(result.Invalid) << c.what;
        ASSERT_EQ(messages->size(), 1u) << c.what;
        EXPECT_EQ((*messages)[0].Text, "\\1\\bInvalid MIDI File");
        EXPECT_FALSE(dialogShown) << c.what;
        EXPECT_EQ(NoteCount(Riff()), 0) << c.what;
        EXPECT_FALSE(project.IsChanged()) << c.what;
    }
}

TEST_F(MidiTest, ChunksOfUnknownTypeAfterTheHeaderAreSkippedByTheirLength) {
    TCapturedMessages messages;
    // The skipped chunk holds bytes that would read as a note-on.
    std::string junk = Ev(0, {0x90, 40, 100}) + Ev(900, {0x80, 40, 0});
    std::string bytes = Header() + Chunk("XFIH", junk) +
                        Chunk("MTrk", Ev(0, {0x90, 60, 100}) + Ev(900, {0x80, 60, 0})) +
                        Chunk("XFKM", "") + Chunk("MTrk", Ev(0, {0x90, 62, 100}) + Ev(900, {}));
    TMidiImportResult result = Import(bytes);
    EXPECT_FALSE(result.Invalid);
    EXPECT_TRUE(messages->empty());
    EXPECT_EQ(Notes(), (TTexts{"4:12,", "4:14,"}));
}

TEST_F(MidiTest, TheChordCollectedWhenTheDataEndsIsKeptAsAQuarter) {
    struct Case {
        const char* what;
        std::string track;
        std::vector<std::string> notes;
    };
    for (const Case& c :
         {Case{"chord at the end", Ev(0, {0x90, 60, 100}) + Ev(0, {0x90, 64, 100}), {"3:16,12,"}},
          Case{"after an end of track at delta 0",
               Ev(0, {0x90, 55, 100}) + Ev(700, {0x90, 60, 100}) + Ev(0, {0xFF, 0x2F, 0}),
               {"4:7,", "3:12,"}},
          Case{"closed by a gap: nothing added", Ev(0, {0x90, 60, 100}) + Ev(700, {}), {"4:12,"}},
          Case{"a note-off alone is not a chord", Ev(0, {0x80, 60, 0}), {}}}) {
        ResetProject(project, editor);
        Import(Midi(c.track));
        EXPECT_EQ(Notes(), c.notes) << c.what;
        EXPECT_EQ(Riff().Cursor, int(c.notes.size())) << c.what;
    }
}

TEST_F(MidiTest, ASelectionStaysWhenNothingWasImported) {
    TCapturedMessages messages;
    EnsureNotes(Riff(), 4);
    for (int i = 0; i < 3; ++i)
        Riff().Notes[size_t(i)].Duration = 3;
    Riff().Cursor = 1;
    Riff().Anchor = 2;
    Import(Chunk("RIFF", "data") + Midi(Ev(0, {0x90, 60, 100}) + Ev(900, {0x80, 60, 0})));
    EXPECT_EQ(test::CursorAndAnchor(Riff()), (std::pair{1, 2}));
    Riff().Anchor = 0;
    Import(Midi(Ev(0, {0x90, 60, 100}) + Ev(900, {0x80, 60, 0})));
    EXPECT_EQ(Riff().Cursor, 2);
    EXPECT_EQ(Riff().Anchor, 2) << "after an import that gave notes, no selection";
}

TEST_F(MidiTest, WritesOverTheRiffFromItsCursor) {
    EnsureNotes(Riff(), 4);
    for (int i = 0; i < 3; ++i) {
        Riff().Notes[size_t(i)].Duration = 1;
        Riff().Notes[size_t(i)].Fret[0] = uint8_t(i);
    }
    Riff().Cursor = 1;
    Import(Midi(Ev(0, {0x90, 52, 100}) + Ev(700, {0x80, 52, 0})));
    EXPECT_EQ(Notes(), (TTexts{"1:-8,", "4:4,-7,", "1:-6,"})) << "frets already there are kept";
}

TEST_F(MidiTest, TruncatedAndCorruptFilesAreReadSafely) {
    std::string good =
        Midi(Ev(0, {0x90, 60, 100}) + Ev(0, {0xFF, 0x01, 20}) + "twenty bytes of text" +
             Ev(200000, {0x90, 62, 100}) + Ev(0, {0xF0, 0x85}));
    // Every prefix of the file, and lengths that overstate the data.
    // The riff stays well formed: the cursor within the notes, an end record after them (or,
    // when the file was refused, untouched).
    auto wellFormed = [](TProject& p, TEditorState& e) {
        const TRiff& riff = CurrentRiffOf(p, e);
        return riff.Cursor >= 0 && riff.Cursor <= riff.Capacity() &&
               (NoteCount(riff) < riff.Capacity() || (riff.Capacity() == 0 && riff.Cursor == 0));
    };
    for (size_t cut = 0; cut <= good.size(); ++cut) {
        TProject p;
        TEditorState e;
        ResetProject(p, e);
        ImportMidi(std::string_view(good).substr(0, cut), p, e, {});
        EXPECT_TRUE(wellFormed(p, e)) << "cut at " << cut;
        EXPECT_LE(NoteCount(CurrentRiffOf(p, e)), 2) << "cut at " << cut;
    }
    std::string huge = Header() + "MTrk" + Be32(0xFFFFFFF0) + Ev(0, {0x90, 60, 100});
    Import(huge);
    EXPECT_EQ(Notes(), TTexts{"3:12,"}) << "the last chord is kept";
    ResetProject(project, editor);
    std::string endless(64, char(0xFF));
    Import(Midi(endless));
    EXPECT_TRUE(wellFormed(project, editor));
    EXPECT_EQ(NoteCount(Riff()), 0);
    // Other system events carry a one-byte length: their bytes are not notes.
    ResetProject(project, editor);
    Import(Midi(Ev(0, {0xF2, 3, 2, 0x90, 60}) + Ev(0, {0x90, 62, 100}) + Ev(700, {0x80, 62, 0})));
    EXPECT_EQ(Notes(), (TTexts{"4:14,"}));
    EXPECT_TRUE(DeltaToDuration(-1) == std::nullopt);
}

TEST_F(MidiTest, DataEndingInsideAChunkOrEventIsReportedAsTruncated) {
    std::string track = Ev(0, {0x90, 60, 100}) + Ev(700, {0x80, 60, 0});
    std::string whole = Midi(track);
    struct Case {
        const char* what;
        std::string bytes;
        bool truncated;
        int notes;
    };
    for (const Case& c :
         {Case{"whole file", whole, false, 1},
          Case{"padding after the last chunk", whole + std::string(3, '\0'), false, 1},
          Case{"cut inside the note-off", whole.substr(0, whole.size() - 1), true, 1},
          Case{"cut after the first note-on", whole.substr(0, whole.size() - 5), true, 1},
          Case{"track length beyond the data",
               Header() + "MTrk" + Be32(uint32_t(track.size() + 50)) + track, true, 1},
          Case{"event running past its chunk",
               Header() + Chunk("MTrk", track.substr(0, track.size() - 1)) + Chunk("MTrk", ""),
               true, 1}}) {
        ResetProject(project, editor);
        TMidiImportResult result = Import(c.bytes);
        EXPECT_EQ(result.Truncated, c.truncated) << c.what;
        EXPECT_FALSE(result.Invalid) << c.what;
        EXPECT_EQ(NoteCount(Riff()), c.notes) << c.what;
    }
}

TEST_F(MidiTest, TheTwoPassesAloneGiveWhatTheWholeImportGives) {
    std::string bytes = ReadBytes(std::string(ZELVANE_TEST_DATA) + "/two_voices.mid");
    TMidiImportResult scan = ScanMidiChannels(bytes, hooks);
    EXPECT_EQ(scan.ChannelsFound, 0b101);
    EXPECT_EQ(NoteCount(Riff()), 0) << "the first pass leaves the riff alone";
    EXPECT_TRUE(ImportMidiNotes(bytes, 1 << 0, project, editor));
    std::vector<std::string> first = Notes();
    ResetProject(project, editor);
    chosen = uint16_t(1 << 0);
    Import(bytes);
    EXPECT_EQ(Notes(), first);
    EXPECT_FALSE(ImportMidiNotes(Chunk("JUNK", "") + bytes, 1, project, editor));
}

TEST(MidiFile, UnreadableAndOversizedFilesAreRefusedWithAMessage) {
    test::TTempDir dir;
    test::TCapturedMessages messages;
    std::string bytes = "left alone";
    EXPECT_FALSE(ReadMidiFile(dir.File("missing.mid"), bytes));
    ASSERT_EQ(messages->size(), 1u);
    EXPECT_EQ((*messages)[0].Text, "Failed to Open File");

    // A sparse file one byte over the limit: refused before its bytes are kept.
    std::string huge = dir.File("huge.mid");
    test::WriteBytes(huge, "MThd");
    std::filesystem::resize_file(huge, MaxMidiFileBytes + 1);
    EXPECT_FALSE(ReadMidiFile(huge, bytes));
    ASSERT_EQ(messages->size(), 2u);
    EXPECT_NE((*messages)[1].Text.find("MIDI File Too Large"), std::string::npos);
    EXPECT_TRUE(bytes.empty());
    std::filesystem::resize_file(huge, MaxMidiFileBytes);
    EXPECT_TRUE(ReadMidiFile(huge, bytes)) << "the limit itself is taken";
    EXPECT_EQ(bytes.size(), MaxMidiFileBytes);
    EXPECT_EQ(messages->size(), 2u);
}

TEST(MidiFile, ReadingStopsAtTheLimit) {
    test::TTempDir dir;
    // Sizes around the limit and across the read buffer.
    for (size_t size : {size_t(0), size_t(9), size_t(10), size_t(11), size_t(3000)}) {
        for (size_t limit : {size_t(10), size_t(2999), size_t(3000)}) {
            std::string path = dir.File("f" + std::to_string(size));
            test::WriteBytes(path, std::string(size, 'x'));
            auto file = TDataFile::OpenForReading(path);
            ASSERT_TRUE(file);
            bool tooLarge = true;
            std::string bytes = file->ReadAllBytes(limit, tooLarge);
            EXPECT_EQ(tooLarge, size > limit) << size << " " << limit;
            EXPECT_LE(bytes.size(), limit);
            if (size <= limit) {
                EXPECT_EQ(bytes.size(), size);
            }
        }
    }
}

TEST(MidiReaders, NumbersAndBounds) {
    size_t pos = 0;
    EXPECT_EQ(ReadVarLen(std::string("\x81\x80\x00", 3), pos), 16384);
    EXPECT_EQ(pos, 3u);
    pos = 0;
    EXPECT_EQ(ReadVarLen("\x81\x80", pos), -1);
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(ReadBigEndian("\x01\x02", pos, 4), -1);
    EXPECT_EQ(ReadBigEndian("\x01\x02", pos, 2), 258);
    struct Case {
        int64_t delta;
        int duration; // -1: none
    };
    for (Case c : {Case{60, -1}, Case{61, 7}, Case{140, 7}, Case{141, 6}, Case{280, 6},
                   Case{281, 5}, Case{600, 5}, Case{601, 4}, Case{1300, 4}, Case{1301, 3},
                   Case{2800, 3}, Case{2801, 2}, Case{int64_t(1) << 40, 2}})
        EXPECT_EQ(DeltaToDuration(c.delta).value_or(255), c.duration < 0 ? 255 : c.duration)
            << c.delta;
}

TEST_F(MidiTest, FilesWrittenByAnotherProgram) {
    // Made with abc2midi from scale.abc and two_voices.abc beside them.
    Import(ReadBytes(std::string(ZELVANE_TEST_DATA) + "/scale.mid"));
    EXPECT_EQ(Notes(), (TTexts{"5:12,", "5:14,", "5:16,", "5:17,", "4:16,12,19,", "4:"}));
    ResetProject(project, editor);
    chosen = uint16_t(1 << 2);
    TMidiImportResult result =
        Import(ReadBytes(std::string(ZELVANE_TEST_DATA) + "/two_voices.mid"));
    EXPECT_EQ(result.ChannelsFound, 0b101);
    EXPECT_EQ(Notes(), (TTexts{"2:", "3:", "3:", "3:7,", "3:2,"}));
}

} // namespace
} // namespace zel
