// Live MIDI input: received bytes are checked for shape, carried between threads without loss
// or reordering, and keys build chords at the riff cursor.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "base/markup.h"
#include "document/document.h"
#include "document/midi_note_in.h"
#include "midi/midi_message.h"
#include "test_support.h"

namespace zel {
namespace {

using test::NoteTexts;

TEST(MidiMessageTest, OnlyWholeShortMessagesPass) {
    const std::vector<std::vector<uint8_t>> passing = {
        {0x90, 60, 100}, {0x80, 60, 0}, {0xC3, 5}, {0xF8}, {0xFE}, {0xF2, 1, 2}};
    const std::vector<std::vector<uint8_t>> failing = {
        {},        {0x90, 60},      {0x90, 60, 100, 1},
        {60, 100}, {0x90, 0x80, 1}, {0xF0, 1, 2, 0xF7},
        {0xF7},    {0xF4},          {0xC3}};
    for (bool passes : {true, false})
        for (const auto& bytes : passes ? passing : failing) {
            auto message = DecodeMidiMessage(2, bytes.data(), bytes.size(), 77);
            EXPECT_EQ(message.has_value(), passes) << testing::PrintToString(bytes);
            if (!message)
                continue;
            EXPECT_EQ(message->Device, 2);
            EXPECT_EQ(message->Status, bytes[0]);
            EXPECT_EQ(message->Data1, bytes.size() > 1 ? bytes[1] : 0);
            EXPECT_EQ(message->ArrivalNs, 77);
        }
}

TEST(MidiMessageTest, QueueKeepsOrderAndDropsWhenFull) {
    TMidiMessageQueue queue;
    TMidiMessage message;
    for (size_t i = 0; i < TMidiMessageQueue::Capacity + 10; ++i) {
        message.ArrivalNs = int64_t(i);
        queue.TryPush(message);
    }
    EXPECT_EQ(queue.Dropped(), 10u);
    for (size_t i = 0; i < TMidiMessageQueue::Capacity; ++i) {
        ASSERT_TRUE(queue.TryPop(message));
        EXPECT_EQ(message.ArrivalNs, int64_t(i));
    }
    EXPECT_FALSE(queue.TryPop(message));
    // Room again after the reader caught up.
    EXPECT_TRUE(queue.TryPush(message));
}

// Several device threads push while the user-interface thread pops: every message arrives
// once, and each device's messages in the order it sent them.
TEST(MidiQueueThreads, ProducersAndOneConsumer) {
    TMidiMessageQueue queue;
    constexpr int Producers = 3;
    constexpr int PerProducer = 50000;
    std::vector<std::thread> threads;
    for (int p = 0; p < Producers; ++p) {
        threads.emplace_back([&queue, p] {
            TMidiMessage message;
            message.Device = p;
            for (int i = 0; i < PerProducer; ++i) {
                message.ArrivalNs = i;
                while (!queue.TryPush(message))
                    std::this_thread::yield();
            }
        });
    }
    std::vector<int64_t> next(Producers, 0);
    int received = 0;
    TMidiMessage message;
    while (received < Producers * PerProducer) {
        if (!queue.TryPop(message)) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(message.ArrivalNs, next[size_t(message.Device)]);
        ++next[size_t(message.Device)];
        ++received;
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_FALSE(queue.TryPop(message));
}

// The hand-off as the device layer uses it: device threads receive, and the user-interface
// thread drains only when woken. A lost wake-up would leave messages in the queue for good.
TEST(MidiQueueThreads, EveryMessageIsDrainedWithoutAnExtraWakeUp) {
    TMidiHandOff handOff;
    std::mutex lock;
    std::condition_variable woken;
    int wakes = 0;
    constexpr int Producers = 3;
    constexpr int PerProducer = 20000;
    std::atomic<int> producing{Producers};
    std::vector<std::thread> threads;
    for (int p = 0; p < Producers; ++p) {
        threads.emplace_back([&, p] {
            const uint8_t clock[] = {MidiClock};
            for (int i = 0; i < PerProducer; ++i) {
                if (handOff.Receive(p, clock, 1, i)) {
                    std::lock_guard guard(lock);
                    ++wakes;
                    woken.notify_one();
                }
                if (i % 64 == 0)
                    std::this_thread::yield();
            }
            // The drain may have taken every message before the last producer ends: it is
            // told, or it would wait for a wake-up that never comes.
            std::lock_guard guard(lock);
            producing.fetch_sub(1);
            woken.notify_one();
        });
    }
    // Drains only when woken, and stops now and then half-way, as a drain out of time does.
    int received = 0;
    bool stranded = false;
    {
        std::unique_lock guard(lock);
        auto done = [&] {
            return producing.load() == 0 &&
                   received + int(handOff.Dropped()) >= Producers * PerProducer;
        };
        while (!done()) {
            if (!woken.wait_for(guard, std::chrono::seconds(10),
                                [&] { return wakes > 0 || done(); })) {
                stranded = true; // messages wait, and nobody asked for a drain
                break;
            }
            if (wakes == 0)
                break; // everything arrived
            --wakes;
            guard.unlock();
            int budget = 1 + received % 700;
            bool more = handOff.Drain([&](const TMidiMessage&) {
                ++received;
                return --budget > 0;
            });
            guard.lock();
            if (more)
                ++wakes;
        }
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_FALSE(stranded);
    EXPECT_EQ(received + int(handOff.Dropped()), Producers * PerProducer);
}

TEST(MidiMessageTest, TextFromElsewhereCannotStartMarkupCodes) {
    EXPECT_EQ(MarkupToPlainText(MarkupLiteral("Port \\b1\\n")), "Port /b1/n");
}

class MidiNoteInTest : public testing::Test {
protected:
    MidiNoteInTest() {
        document.New();
        entry.InsertDown = true;
    }
    TMidiNoteInResult Send(uint8_t status, uint8_t data1 = 0, uint8_t data2 = 0) {
        return MidiNoteIn(document, entry, status, data1, data2);
    }
    const TRiff& Riff() { return document.Project().Riffs[0]; }

    TDocument document;
    TMidiEntry entry;
};

TEST_F(MidiNoteInTest, KeysHeldTogetherMakeOneChordAndTheFirstReleaseMovesOn) {
    document.Editor().CurrentDuration = QuarterDuration;
    Send(0x90, 60, 90);
    Send(0x90, 64, 90);
    Send(0x90, 67, 90);
    EXPECT_EQ(NoteTexts(Riff())[0], "3:19,16,12,");
    EXPECT_EQ(Riff().Cursor, 0);
    EXPECT_TRUE(Send(0x80, 60, 0).Moved);
    EXPECT_EQ(test::CursorAndAnchor(Riff()), (std::pair{1, 1}));
    EXPECT_FALSE(Send(0x80, 64, 0).Moved);
    EXPECT_FALSE(Send(0x80, 67, 0).Moved);
    EXPECT_EQ(Riff().Cursor, 1);
    // The chord and the move are one step: undo takes both back.
    EXPECT_EQ(document.UndoCount(), 1);
    document.Undo();
    EXPECT_EQ(Riff().Cursor, 0);
    EXPECT_TRUE(NoteTexts(Riff()).empty());
}

TEST_F(MidiNoteInTest, WhichMessagesEndAChord) {
    struct TCase {
        const char* Name;
        uint8_t Status, Data1, Data2;
        bool Moves;
    };
    const TCase cases[] = {
        {"active sensing", 0xFE, 0, 0, false},      {"clock", 0xF8, 0, 0, true},
        {"note on, velocity 0", 0x93, 60, 0, true}, {"note off", 0x80, 60, 64, true},
        {"controller", 0xB0, 64, 127, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        document.New();
        entry.MidiChordOpen = false;
        Send(0x90, 60, 90);
        EXPECT_EQ(Send(c.Status, c.Data1, c.Data2).Moved, c.Moves);
        EXPECT_EQ(Riff().Cursor, c.Moves ? 1 : 0);
        EXPECT_EQ(entry.MidiChordOpen, !c.Moves);
    }
}

TEST_F(MidiNoteInTest, ChordTakesTheCurrentDurationAndJoinsFretsAlreadyThere) {
    document.Editor().CurrentDuration = 5;
    Send(0x90, 52, 90); // pitch 4
    Send(0x80, 52, 0);
    document.Editor().CurrentDuration = 2;
    Send(0x91, 57, 90); // channel 2: pitch 9
    Send(0x91, 0, 90);  // pitch -48 is below every string: nothing, and the chord stays open
    EXPECT_TRUE(entry.MidiChordOpen);
    Send(0x81, 57, 0);
    EXPECT_EQ(NoteTexts(Riff()), (test::TTexts{"5:4,", "2:9,"}));
    EXPECT_EQ(Riff().Cursor, 2);
    EXPECT_EQ(document.UndoCount(), 2);
}

TEST_F(MidiNoteInTest, KeysJoinFretsAlreadyOnTheNote) {
    TRiff& riff = document.Project().Riffs[0];
    riff.Notes.assign(1, test::Note(6, {{0, 0}})); // a fret already on the lowest string
    Send(0x90, 64, 90);
    EXPECT_EQ(NoteTexts(Riff())[0], "3:16,-8,");
}

TEST_F(MidiNoteInTest, PreviewsAreAskedForEveryKeyButTheRiffChangesOnlyWithTheToggleDown) {
    entry.InsertDown = false;
    auto result = Send(0x90, 60, 90);
    EXPECT_EQ(result.PreviewPitch, 12);
    EXPECT_EQ(Send(0x90, 47, 90).PreviewPitch, -1); // B below middle C has a preview too
    EXPECT_FALSE(result.Changed);
    EXPECT_FALSE(Send(0x80, 60, 0).Moved);
    EXPECT_FALSE(document.CanUndo());
    EXPECT_FALSE(document.IsChanged());

    entry.InsertDown = true;
    result = Send(0x90, 0, 90); // pitch -48 fits no string, yet sounds
    EXPECT_EQ(result.PreviewPitch, -48);
    EXPECT_FALSE(result.Changed);
    EXPECT_FALSE(entry.MidiChordOpen);
    EXPECT_FALSE(Send(0xFE).PreviewPitch);
}

} // namespace
} // namespace zel
