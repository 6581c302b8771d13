// The rendered mark of a sample buffer: what a sound device may read while the rest of a song
// renders, a device reading on its own thread while a render writes, and the marks a song
// render sets row by row. The threaded cases also run under ThreadSanitizer (scripts/test-tsan).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "arrange/structure_grid.h"
#include "sound/playbuffer.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

// Samples 1, 2, 3, ... so that every byte read can be checked against its place.
std::shared_ptr<TSampleBuffer> Counting(size_t values) {
    auto buffer = std::make_shared<TSampleBuffer>(values);
    for (size_t i = 0; i < values; ++i)
        buffer->Writable()[i] = int16_t(i + 1);
    return buffer;
}

TEST(SampleBuffer, ReadsWholeFramesUpToTheMarkOnly) {
    auto buffer = Counting(8); // four frames, 16 bytes
    buffer->MarkRendered(6);   // three frames rendered, 12 bytes
    struct Case {
        const char* what;
        uint64_t offset;
        size_t maxBytes;
        size_t expected;
    };
    const Case cases[] = {{"everything rendered", 0, 100, 12},
                          {"as much as asked, in whole frames", 0, 6, 4},
                          {"from a later frame", 4, 100, 8},
                          {"at the mark: nothing until more is rendered", 12, 100, 0},
                          {"past the mark", 16, 4, 0},
                          {"less than a frame asked", 0, 3, 0},
                          {"nothing asked", 0, 0, 0}};
    for (const Case& c : cases) {
        char out[32];
        std::memset(out, 0x55, sizeof out);
        size_t got = buffer->ReadBytes(c.offset, out, c.maxBytes);
        EXPECT_EQ(got, c.expected) << c.what;
        EXPECT_EQ(std::memcmp(out,
                              reinterpret_cast<const char*>(buffer->Samples().data()) +
                                  std::min<uint64_t>(c.offset, 16),
                              got),
                  0)
            << c.what;
        EXPECT_EQ(out[got], char(0x55)) << c.what << ": nothing written past what was read";
    }
}

TEST(SampleBuffer, TheMarkMovesForwardOnlyAndEndsTheBuffer) {
    auto buffer = Counting(10);
    EXPECT_EQ(buffer->Rendered(), 0u);
    EXPECT_FALSE(buffer->Complete());
    EXPECT_FALSE(buffer->PlayedOut(20)) << "not over while it renders";
    buffer->MarkRendered(6);
    buffer->MarkRendered(2);
    EXPECT_EQ(buffer->Rendered(), 6u) << "a mark never moves back";
    char out[64];
    EXPECT_EQ(buffer->ReadBytes(12, out, sizeof out), 0u);
    buffer->MarkRendered(1000);
    EXPECT_EQ(buffer->Rendered(), 10u) << "the mark stops at the end";
    EXPECT_TRUE(buffer->Complete());
    EXPECT_EQ(buffer->ReadBytes(12, out, sizeof out), 8u) << "what waited at the mark comes";
    EXPECT_FALSE(buffer->PlayedOut(16));
    EXPECT_TRUE(buffer->PlayedOut(20));

    TSampleBuffer empty;
    EXPECT_TRUE(empty.Complete());
    EXPECT_TRUE(empty.PlayedOut(0));
    // A value short of a whole frame at the end cannot be played and does not hold the end up.
    TSampleBuffer odd(5);
    odd.MarkComplete();
    EXPECT_EQ(odd.ReadBytes(8, out, sizeof out), 0u);
    EXPECT_FALSE(odd.PlayedOut(4));
    EXPECT_TRUE(odd.PlayedOut(8));
}

// A sound device on a thread of its own: reads the buffer from the start, in pieces as a sink
// pulls them, until it is played out or stopped, and keeps what it read.
class TReadingDevice {
public:
    TReadingDevice(std::shared_ptr<const TSampleBuffer> buffer, size_t pieceBytes)
        : m_buffer(std::move(buffer)), m_piece(pieceBytes), m_thread([this] { Run(); }) {}
    ~TReadingDevice() { Stop(); }

    void Stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    bool Finished() const { return m_finished.load(std::memory_order_acquire); }
    // Where the device last found nothing to read, in values (-1: not yet).
    int64_t WaitingAt() const { return m_waitingAt.load(std::memory_order_acquire); }

    // After Stop or Finished.
    std::vector<int16_t> Heard;
    int64_t Waits = 0;

private:
    void Run() {
        std::vector<char> piece(m_piece);
        uint64_t offset = 0;
        while (!m_stop && !m_buffer->PlayedOut(offset)) {
            size_t got = m_buffer->ReadBytes(offset, piece.data(), piece.size());
            if (got == 0) {
                ++Waits;
                m_waitingAt.store(int64_t(offset / 2), std::memory_order_release);
                std::this_thread::yield();
                continue;
            }
            size_t at = Heard.size();
            Heard.resize(at + got / 2);
            std::memcpy(Heard.data() + at, piece.data(), got);
            offset += got;
        }
        m_finished.store(true, std::memory_order_release);
    }

    std::shared_ptr<const TSampleBuffer> m_buffer;
    size_t m_piece;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::atomic<int64_t> m_waitingAt{-1};
    std::thread m_thread;
};

TEST(RenderWhilePlaying, TheDeviceNeverReadsPastTheMark) {
    constexpr size_t Values = 2 * 44100;
    constexpr size_t Chunk = 2 * 441;
    constexpr int16_t Unrendered = INT16_MIN;
    auto value = [](size_t i) { return int16_t(i % 30011 + 1); };
    auto buffer = std::make_shared<TSampleBuffer>(Values);
    // Everything past the mark is the renderer's: fill it with a value no rendered sample has.
    std::fill(buffer->Writable().begin(), buffer->Writable().end(), Unrendered);

    TReadingDevice device(buffer, 4 * 100); // pieces of 100 frames: ends between chunks
    std::thread renderer([&] {
        for (size_t start = 0; start < Values; start += Chunk) {
            // Every tenth chunk waits until the device has run into the mark, so the device
            // surely finds nothing to read there more than once. (A device that read past the
            // mark would be waiting further on: the render goes on, and the check below fails.)
            if (start / Chunk % 10 == 5)
                while (device.WaitingAt() < int64_t(start) && !device.Finished())
                    std::this_thread::yield();
            size_t end = std::min(start + Chunk, Values);
            for (size_t i = start; i < end; ++i)
                buffer->Writable()[i] = value(i);
            buffer->MarkRendered(end);
        }
    });
    renderer.join();
    while (!device.Finished())
        std::this_thread::yield();
    device.Stop();

    ASSERT_EQ(device.Heard.size(), Values);
    for (size_t i = 0; i < Values; ++i)
        ASSERT_EQ(device.Heard[i], value(i)) << "value " << i << " was read before it was rendered";
    EXPECT_GE(device.Waits, 9) << "the device waited at the mark";
}

// A sound output whose streams read on their own threads.
class TThreadedOutput : public TAudioOutput {
public:
    std::unique_ptr<TAudioStream> Open(std::shared_ptr<const TSampleBuffer> buffer) override {
        auto stream = std::make_unique<TStream>(std::move(buffer));
        Devices.push_back(&stream->Device);
        return stream;
    }
    std::vector<TReadingDevice*> Devices; // valid while their streams are

private:
    class TStream : public TAudioStream {
    public:
        explicit TStream(std::shared_ptr<const TSampleBuffer> buffer)
            : Device(std::move(buffer), 4 * 256) {}
        bool Finished() override { return Device.Finished(); }
        void Pause() override {}
        void Resume() override {}
        void Stop() override { Device.Stop(); }
        TReadingDevice Device;
    };
};

// Two riffs: A a bar of quarters, B a bar of eighths and a chord.
TProject TwoRiffProject(std::vector<std::string> structure) {
    TProject project = NewProject();
    test::NameTables(project, {"A", "B"}, {"Lead", "Bass"});
    SetNotes(project.Riffs[0],
             {Note(3, {{5, 0}}), Note(3, {{5, 3}}), Note(3, {{4, 2}}), Note(3, {{5, 0}})});
    SetNotes(project.Riffs[1], {Note(4, {{0, 0}}), Note(4, {{0, 2}}), Note(4, {{1, 0}}),
                                Note(4, {{1, 2}}), Note(2, {{0, 0}, {1, 2}, {2, 2}})});
    project.Instruments[1].AmpEnv.Release = 5; // rings on into the next rows
    project.Structure = std::move(structure);
    return project;
}

TEST(RenderWhilePlaying, PlaybackHearsTheFinishedSongWhileTheRestRenders) {
    TProject project = TwoRiffProject(std::vector<std::string>(6, "1\tA\t2\tB"));
    TThreadedOutput output;
    TPlayback playback(output);
    TRenderer renderer;
    renderer.Threads = 3;
    TSharedBuffer playing;
    TSongRender song =
        RenderSong(renderer, project, TSongMode::All, 1, nullptr, [&](const TSharedBuffer& b) {
            playing = b;
            ASSERT_TRUE(playback.PlaybackStart(b));
        });
    ASSERT_TRUE(song.Buffer);
    ASSERT_EQ(playing, song.Buffer);
    ASSERT_EQ(output.Devices.size(), 1u);
    TReadingDevice& device = *output.Devices[0];
    while (!device.Finished())
        std::this_thread::yield();
    // The device began after the first row and read while the render went on: every value it
    // read is the song's final value.
    EXPECT_TRUE(device.Heard == song.Buffer->Samples());
    playback.PlaybackReap();
    EXPECT_EQ(playback.BusySlots(), 0) << "played out and complete: the slot is free";

    TRenderer alone;
    TSongRender plain = RenderSong(alone, project, TSongMode::All, 1, nullptr, {});
    EXPECT_TRUE(plain.Buffer->Samples() == song.Buffer->Samples())
        << "playing while rendering changes nothing in the render";
}

// Records the buffer's mark whenever the render reports a row.
class TMarkRecorder : public TProgress {
public:
    void Start(const std::string&, int) override {}
    void Position(int) override { Marks.push_back(Buffer ? Buffer->Rendered() : size_t(0)); }
    bool Cancelled() const override { return false; }
    void Stop() override {}
    TSharedBuffer Buffer;
    std::vector<size_t> Marks;
};

TEST(RenderWhilePlaying, TheMarkFollowsTheFinishedRows) {
    constexpr size_t Bar = 4 * 2 * 22050; // a bar of 4/4 at tempo 120, in values
    struct Case {
        const char* what;
        std::vector<std::string> structure;
        TSongMode mode;
        int firstRow;
        std::vector<size_t> marks;
        std::vector<int> rows; // the grid rows that take time, as they start
    };
    const Case cases[] = {{"rows one after another",
                           {"1\tA", "2\tA", "1\tB"},
                           TSongMode::All,
                           1,
                           {Bar, 3 * Bar, 4 * Bar},
                           {1, 2, 3}},
                          {"a row ends with its longest column, empty rows are skipped",
                           {"2\tA\t1\tB", "", "1\tB"},
                           TSongMode::All,
                           1,
                           {2 * Bar, 3 * Bar},
                           {1, 3}},
                          {"from a later row the buffer starts there",
                           {"1\tA", "3\tB", "1\tA"},
                           TSongMode::FromRow,
                           2,
                           {3 * Bar, 4 * Bar},
                           {2, 3}}};
    for (const Case& c : cases) {
        TProject project = TwoRiffProject(c.structure);
        TRenderer renderer;
        TMarkRecorder progress;
        std::vector<TRowStart> starts;
        TSongRender song = RenderSong(
            renderer, project, c.mode, c.firstRow, &progress,
            [&](const TSharedBuffer& b) {
                progress.Buffer = b;
                EXPECT_EQ(b->Rendered(), c.marks.front()) << c.what;
            },
            [&](int row, int64_t frame) {
                EXPECT_FALSE(progress.Buffer) << "before playing";
                starts.push_back({frame, row});
            });
        ASSERT_TRUE(song.Buffer) << c.what;
        EXPECT_EQ(progress.Marks, c.marks) << c.what;
        // Each row starts where the one before it ended.
        ASSERT_EQ(starts.size(), c.rows.size()) << c.what;
        for (size_t i = 0; i < starts.size(); ++i) {
            EXPECT_EQ(starts[i].GridRow, c.rows[i]) << c.what;
            EXPECT_EQ(size_t(starts[i].Frame) * 2, i == 0 ? 0 : c.marks[i - 1]) << c.what;
        }
        EXPECT_TRUE(song.Buffer->Complete()) << c.what;
    }
}

} // namespace
} // namespace zel
