// Riffs and the song laid out in time, playback slots and WAV files.
#include <gtest/gtest.h>

#include <algorithm>

#include "model/projectfile.h"
#include "model/structure.h"
#include "model/text_fields.h"
#include "sound/playbuffer.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

constexpr int64_t Quarter = 2 * 22050; // values of a quarter note at tempo 120

class SongRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProject(project, editor);
        test::NameTables(project, {"A", "B"}, {"Lead", "Bass"});
        SetNotes(project.Riffs[0], {Note(3, {{5, 0}})});              // one quarter
        SetNotes(project.Riffs[1], {Note(2, {{0, 0}}), Note(2, {})}); // two halves
    }
    TSongRender Song(TSongMode mode, int firstRow = 1) {
        return RenderSong(renderer, project, mode, firstRow, nullptr,
                          [this](const TSharedBuffer& b) { startedWith.push_back(b); });
    }
    TProject project;
    TEditorState editor;
    TRenderer renderer;
    std::vector<TSharedBuffer> startedWith;
};

// The song as RenderNote renders it one note after another, without batches or threads.
std::vector<int16_t> PlainSong(const TProject& project, int master, int32_t& peak) {
    TRenderer measure;
    int64_t total = RenderSong(measure, project, TSongMode::Export, 1, nullptr, {}).Total;
    std::vector<int16_t> buffer(size_t(total), 0);
    TRenderState state;
    int64_t pos = 0;
    for (const std::string& row : project.Structure) {
        int64_t rowEnd = pos;
        for (int column = 0; column < 8; ++column) {
            int riffIndex = project.RiffNames.Find(StructureField(row, 2 * column + 1));
            if (riffIndex < 0)
                continue;
            const TRiff& riff = project.Riffs[size_t(riffIndex)];
            int repeat = std::max(1, ReadLeadingInt(StructureField(row, 2 * column)));
            int64_t p = pos;
            for (int k = 0; k < repeat; ++k) {
                int ticks = 0;
                for (int i = 0; i < NoteCount(riff); ++i) {
                    const TNote& note = riff.Notes[size_t(i)];
                    ticks += NoteTicks(note);
                    if (note.Flags & NoteTie)
                        continue;
                    for (int slot = 0; slot < StringSlots; ++slot)
                        if (auto pitch = SlotPitch(riff, note, slot))
                            RenderNote(state, master, riff.Tempo, *pitch, ticks,
                                       &project.Instruments[size_t(column)], buffer, p, total);
                    p += 2 * NoteSamples(riff.Tempo, ticks);
                    ticks = 0;
                }
            }
            rowEnd = std::max(rowEnd, p);
        }
        pos = rowEnd;
    }
    peak = state.PeakLevel;
    return buffer;
}

TEST(SongThreads, BatchesOnSeveralThreadsGiveTheSameBytesAndPeak) {
    TProject project = NewProject();
    ASSERT_TRUE(LoadProject(project, ZELVANE_DEMO_PROJECT));
    // Make the song busy and loud: noise, modulation, a pad ringing for ever past 6 s (so
    // that it is rendered straight into the buffer), mixes that wrap around.
    project.Instruments[0].Wave = WaveNoise;
    project.Instruments[0].MixLeft = 90;
    project.Instruments[1].AmpEnv.Release = 0;
    project.Instruments[1].FilterEnv.Release = 0;
    project.Instruments[1].ModTarget = ModFilter;
    project.Instruments[1].ModDepth = 80;
    project.Instruments[1].MixRight = 100;
    project.Structure.resize(2); // about 13 s: long enough for notes ringing past 6 s
    int32_t plainPeak = 0;
    std::vector<int16_t> plain = PlainSong(project, 100, plainPeak);
    for (int threads : {1, 3}) {
        TRenderer renderer;
        renderer.MasterVolume = 100;
        renderer.Threads = threads;
        TSongRender song = RenderSong(renderer, project, TSongMode::Export, 1, nullptr, {});
        ASSERT_TRUE(song.Buffer);
        EXPECT_TRUE(song.Buffer->Samples() == plain) << threads << " threads";
        EXPECT_EQ(renderer.State.PeakLevel, plainPeak) << threads << " threads";
    }
    EXPECT_GT(plainPeak, 32767) << "the test song does wrap around";
}

TEST_F(SongRenderTest, AnUndefinedRiffOrAnExportPlaysNothing) {
    project.Structure = {"1\tA", "1\ta\t1\tNowhere", "1\tGone"};
    TSongRender song = Song(TSongMode::All);
    EXPECT_EQ(song.Error, "\\b\\1\\|Error!\\n\\[Undefined Riff - Gone") << "the last one named";
    EXPECT_FALSE(song.Buffer);
    EXPECT_TRUE(startedWith.empty());
    project.Structure = {"1\tA"};
    EXPECT_TRUE(Song(TSongMode::Export).Buffer);
    EXPECT_TRUE(startedWith.empty()) << "an export does not play";
}

TEST_F(SongRenderTest, MeasuringGivesTheLengthAndErrorOfTheRender) {
    struct Case {
        std::vector<std::string> rows;
        TSongMode mode;
        int64_t total;
        std::string error;
    };
    const Case cases[] = {
        {{"3\tA\t1\tB"}, TSongMode::All, 4 * Quarter, ""},
        {{"3\tA\t1\tB"}, TSongMode::OnceEach, 4 * Quarter, ""},
        {{"5\tA", "2\tB"}, TSongMode::Export, 13 * Quarter, ""},
        {{"5\tA", "2\tB"}, TSongMode::FromRow, 8 * Quarter, ""}, // from row 2
        {{"7\tA", "1\tNowhere"}, TSongMode::All, 7 * Quarter, "Undefined Riff - Nowhere"},
        {{"1\ta\t1\tb"}, TSongMode::All, 4 * Quarter, ""},       // names in any case
        {{"2\rA", "1\n\tA\n"}, TSongMode::All, 3 * Quarter, ""}, // CR ends a field, LF is dropped
        // Exactly as long as a render may be, and one repeat more.
        {{std::to_string(MaxRenderValues / Quarter) + "\tA"},
         TSongMode::All,
         MaxRenderValues / Quarter * Quarter,
         ""},
        {{std::to_string(MaxRenderValues / Quarter + 1) + "\tA"}, TSongMode::All, -1, TooLongError},
        {{"2147483647\tA\t2147483647\tB"}, TSongMode::All, -1, TooLongError},
    };
    for (const Case& c : cases) {
        project.Structure = c.rows;
        TSongRender measured = MeasureSong(project, c.mode, 2);
        EXPECT_FALSE(measured.Buffer);
        EXPECT_NE(measured.Error.find(c.error), std::string::npos) << c.rows[0];
        EXPECT_EQ(measured.Error.empty(), c.error.empty()) << c.rows[0];
        if (c.total >= 0)
            EXPECT_EQ(measured.Total, c.total) << c.rows[0];
        else
            EXPECT_GT(measured.Total, MaxRenderValues) << c.rows[0];
    }
    // A render of the song gives the length that measuring gave.
    project.Structure = {"3\tA\t1\tB", "2\tB"};
    TSongRender song = Song(TSongMode::Export);
    ASSERT_TRUE(song.Buffer);
    EXPECT_EQ(int64_t(song.Buffer->Size()), MeasureSong(project, TSongMode::Export, 1).Total);
    EXPECT_EQ(song.Total, 12 * Quarter);
}

class TCancelAfter : public TProgress {
public:
    explicit TCancelAfter(int rows) : m_rows(rows) {}
    void Start(const std::string& caption, int range) override {
        Caption = caption;
        Range = range;
    }
    void Position(int value) override { Last = value; }
    bool Cancelled() const override { return Last >= m_rows; }
    void Stop() override { Stopped = true; }
    std::string Caption;
    int Range = -1, Last = 0;
    bool Stopped = false;

private:
    int m_rows;
};

TEST_F(SongRenderTest, CancellingLeavesTheRestSilent) {
    project.Structure = {"1\tA", "1\tA", "1\tA"};
    TCancelAfter progress(1);
    TSongRender song = RenderSong(renderer, project, TSongMode::All, 1, &progress, {});
    EXPECT_TRUE(song.Cancelled);
    EXPECT_EQ(progress.Caption, "Rendering ...");
    EXPECT_EQ(progress.Range, 2);
    EXPECT_TRUE(progress.Stopped);
    ASSERT_EQ(song.Total, 3 * Quarter);
    EXPECT_EQ(progress.Last, 1) << "positions run 0 .. range";
    EXPECT_NE(song.Buffer->Samples()[size_t(Quarter + 500)], 0) << "the second row was rendered";
    for (int64_t i = 2 * Quarter; i < 3 * Quarter; ++i)
        ASSERT_EQ(song.Buffer->Samples()[size_t(i)], 0) << i;
    EXPECT_TRUE(song.Buffer->Complete()) << "a cancelled render is over: the rest stays silent";
}

TEST(RenderStatus, Text) {
    EXPECT_EQ(RenderStatusText(1234, 65 * 44100, 28508),
              "Render Time 1.234 Sec.   Play Time 00:01:05.   Level 87%.");
    EXPECT_EQ(RenderStatusText(5, 3725 * 44100 + 100, 40000),
              "Render Time 0.005 Sec.   Play Time 01:02:05.   Level 122%.");
}

TEST(Preview, OneNoteWithRoomForItsRelease) {
    TRenderer renderer;
    TSharedBuffer b = RenderPreview(renderer, 120, 3, 0, TInstrument{});
    EXPECT_EQ(b->Size(), size_t(4 * Quarter));
    EXPECT_TRUE(b->Complete());
    EXPECT_NE(b->Samples()[1000], 0);
    EXPECT_EQ(b->Samples()[size_t(Quarter + 1000)], 0) << "the default voice stops with its key";
    EXPECT_TRUE(RenderPreview(renderer, 1, 0, 0, TInstrument{})->Size() < size_t(MaxRenderValues))
        << "a tempo no editor sets does not allocate gigabytes";
}

// What a fake stream did; kept by the output, so it outlives the stream.
struct TFakeStreamState {
    bool Paused = false;
    bool Stopped = false;
    bool Done = false;
};

class TFakeStream : public TAudioStream {
public:
    explicit TFakeStream(TFakeStreamState& state) : m_state(state) {}
    bool Finished() override { return m_state.Done; }
    void Pause() override { m_state.Paused = true; }
    void Resume() override { m_state.Paused = false; }
    void Stop() override { m_state.Stopped = true; }

private:
    TFakeStreamState& m_state;
};

class TFakeOutput : public TAudioOutput {
public:
    std::unique_ptr<TAudioStream> Open(std::shared_ptr<const TSampleBuffer> buffer) override {
        if (Broken)
            return nullptr;
        States.push_back(std::make_unique<TFakeStreamState>());
        States.back()->Done = buffer->Size() == 0;
        return std::make_unique<TFakeStream>(*States.back());
    }
    bool Broken = false;
    std::vector<std::unique_ptr<TFakeStreamState>> States;
};

TSharedBuffer Buffer(size_t values, bool complete = true) {
    auto b = std::make_shared<TSampleBuffer>(values);
    std::fill_n(b->Writable().begin(), values, int16_t(1));
    if (complete)
        b->MarkComplete();
    return b;
}

TEST(Playback, SixteenSlotsReapPauseAndStop) {
    TFakeOutput output;
    TPlayback playback(output);
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(playback.PlaybackStart(Buffer(100)));
    TSharedBuffer seventeenth = Buffer(100);
    std::weak_ptr<TSampleBuffer> watch = seventeenth;
    EXPECT_FALSE(playback.PlaybackStart(std::move(seventeenth)));
    EXPECT_TRUE(watch.expired()) << "the seventeenth buffer is released";
    EXPECT_EQ(playback.BusySlots(), 16);

    output.States[3]->Done = true;
    playback.PlaybackReap();
    EXPECT_EQ(playback.BusySlots(), 15);

    playback.PlaybackPause();
    EXPECT_TRUE(output.States[0]->Paused);
    EXPECT_TRUE(playback.PlaybackStart(Buffer(10)));
    EXPECT_FALSE(output.States.back()->Paused)
        << "a new preview plays while the others stay paused";
    playback.PlaybackResume();
    EXPECT_FALSE(output.States[0]->Paused);
    playback.PlaybackStop();
    EXPECT_EQ(playback.BusySlots(), 0);
    EXPECT_TRUE(output.States[0]->Stopped) << "the device gives up the buffer at once";
    EXPECT_FALSE(output.States[3]->Stopped) << "a finished stream was closed, not stopped";
}

TEST(Playback, ABufferStillRenderingIsKeptAndBrokenDevicesFailCleanly) {
    TFakeOutput output;
    TPlayback playback(output);
    TSharedBuffer song = Buffer(100, false);
    song->MarkRendered(60);
    ASSERT_TRUE(playback.PlaybackStart(song));
    output.States[0]->Done = true;
    playback.PlaybackReap();
    EXPECT_EQ(playback.BusySlots(), 1) << "held until rendering ends";
    song->MarkComplete();
    playback.PlaybackReap();
    EXPECT_EQ(playback.BusySlots(), 0);

    EXPECT_TRUE(playback.PlaybackStart(Buffer(0)));
    playback.PlaybackReap();
    EXPECT_EQ(playback.BusySlots(), 0) << "an empty buffer is released by the next poll";

    output.Broken = true;
    TSharedBuffer lost = Buffer(10);
    std::weak_ptr<TSampleBuffer> watch = lost;
    EXPECT_FALSE(playback.PlaybackStart(std::move(lost)));
    EXPECT_TRUE(watch.expired());
}

TEST(WavFile, CanonicalHeaderAndNoLeftovers) {
    TTempDir dir;
    std::vector<int16_t> second(2 * 44100, 0);
    second[0] = -2;
    second[1] = 0x1234;
    std::string path = dir.File("out.wav");
    WriteBytes(path, std::string(300000, 'x'));
    ASSERT_TRUE(WriteWavFile(path, second));
    std::string bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 176444u) << "no trailing bytes of the old file";
    auto u32 = [&](size_t at) {
        return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
               uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
    };
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(u32(4), 176436u);
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(u32(16), 16u);
    EXPECT_EQ(bytes.substr(20, 4), std::string("\x01\x00\x02\x00", 4));
    EXPECT_EQ(u32(24), 44100u);
    EXPECT_EQ(u32(28), 176400u);
    EXPECT_EQ(bytes.substr(32, 4), std::string("\x04\x00\x10\x00", 4));
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(u32(40), 176400u);
    EXPECT_EQ(bytes.substr(44, 4), std::string("\xFE\xFF\x34\x12", 4));
    EXPECT_EQ(bytes, WavFileBytes(second));
    EXPECT_FALSE(WriteWavFile(dir.File("no/such/folder.wav"), second));
}

} // namespace
} // namespace zel
