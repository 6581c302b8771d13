// The program's voice renderer against the plain reference: the same samples and the same
// peak level for instruments that exercise every waveform, modulation and filter path.
#include <gtest/gtest.h>

#include <ostream>
#include <random>

#include "reference_voice.h"

namespace zel {
namespace {

TInstrument RandomInstrument(std::mt19937& rng) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    TInstrument in;
    in.Wave = uint8_t(pick(0, 4));
    in.Skew = uint8_t(pick(0, 3) == 0 ? 0 : pick(0, 100));
    in.Octave = int16_t(pick(-2, 2));
    in.MixLeft = uint8_t(pick(0, 100));
    in.MixRight = uint8_t(pick(0, 100));
    // Slopes of 1000 jump, slopes of 0 hold the level: both let whole runs of frames go
    // without stepping, so they come up often.
    auto slope = [&] {
        const int kind = pick(0, 7);
        return kind == 0 ? 1000 : kind == 1 ? 0 : pick(1, 999);
    };
    auto env = [&] {
        const int attack = slope(), decay = slope();
        return TEnvelope{attack, decay, pick(0, 1000), slope()};
    };
    in.AmpEnv = env();
    in.FilterEnv = pick(0, 2) == 0 ? TEnvelope{} : env();
    in.ModFreq = uint16_t(pick(1, 500));
    in.ModDepth = uint8_t(pick(0, 100));
    in.ModTarget = uint8_t(pick(0, 3));
    return in;
}

enum class TTruncation { RoundInstruction, Conversion };

enum class TLanes { Four, Two };

struct TVoiceCase {
    bool Damaged;
    TTruncation Truncation;
    TLanes Lanes;
};

void PrintTo(const TVoiceCase& c, std::ostream* os) {
    *os << (c.Damaged ? "damaged" : "editable") << " instruments, "
        << (c.Truncation == TTruncation::RoundInstruction ? "rounding instruction" : "conversion")
        << ", " << (c.Lanes == TLanes::Four ? "four lanes" : "two lanes");
}

class VoiceReference : public ::testing::TestWithParam<TVoiceCase> {
protected:
    void SetUp() override {
        AllowRoundInstruction(GetParam().Truncation == TTruncation::RoundInstruction);
        AllowWideVectors(GetParam().Lanes == TLanes::Four);
    }
    void TearDown() override {
        AllowRoundInstruction(true);
        AllowWideVectors(true);
    }
};

// Notes rendered side by side as the song's threads render them: each must come out as
// RenderVoice gives it alone.
struct TSideBySide final : TVoiceQueue {
    std::vector<TInstrument> Instruments;
    std::vector<TVoiceNote> Notes;
    std::vector<TVoiceSound> Sounds;
    size_t Next = 0;
    int Compared = 0;
    TTake Take(TVoiceNote& note, TVoiceSound*& sound, size_t& id) override {
        if (Next == Notes.size())
            return End;
        id = Next++;
        note = Notes[id];
        sound = &Sounds[id];
        return Note;
    }
    void Done(size_t id, bool complete) override {
        const TVoiceNote& n = Notes[id];
        TVoiceSound alone;
        EXPECT_EQ(complete, RenderVoice(n.Level, n.Tempo, n.Pitch, n.Ticks, n.Instrument, n.Start,
                                        n.End, size_t(1) << 24, alone));
        EXPECT_TRUE(Sounds[id].Values == alone.Values) << "note " << id;
        ++Compared;
    }
    void Wait() override {}
};

TEST_P(VoiceReference, SameSamplesAndPeakAsThePlainRenderer) {
    const bool damaged = GetParam().Damaged;
    std::mt19937 rng(damaged ? 11 : 7);
    int contributions = 0;
    TSideBySide sideBySide;
    sideBySide.Instruments.reserve(160);
    for (int round = 0; round < 160; ++round) {
        TInstrument in = RandomInstrument(rng);
        if (damaged) {
            // Values only a decoded text can hold: filters and amplitudes that run away.
            in.ModDepth = uint8_t(std::uniform_int_distribution<int>(150, 255)(rng));
            in.ModTarget = uint8_t(std::uniform_int_distribution<int>(2, 3)(rng));
            in.Skew = uint8_t(std::uniform_int_distribution<int>(0, 255)(rng));
            in.MixLeft = 255;
        }
        int pitch = std::uniform_int_distribution<int>(-24, 30)(rng);
        int ticks = std::uniform_int_distribution<int>(16, 1500)(rng);
        int level = std::uniform_int_distribution<int>(0, 100)(rng);
        int tempo = std::uniform_int_distribution<int>(20, 400)(rng);
        // A busy buffer, so the sums and their wraparound are compared too.
        std::vector<int16_t> base(2 * 30000);
        for (size_t i = 0; i < base.size(); ++i)
            base[i] = int16_t((i * 7919) % 60000 - 30000);
        std::vector<int16_t> program = base, reference = base;
        TRenderState a, b;
        int64_t start = 2 * std::uniform_int_distribution<int>(0, 2000)(rng);
        // Every third note is cut off after a few frames to some hundreds: the renderer works
        // in blocks of frames, and the last one can be of any length.
        int64_t end = int64_t(program.size());
        if (round % 3 == 0)
            end = start + 2 * std::uniform_int_distribution<int>(1, 700)(rng);
        sideBySide.Instruments.push_back(in);
        sideBySide.Notes.push_back(
            {level, tempo, pitch, ticks, &sideBySide.Instruments.back(), start, end});
        RenderNote(a, level, tempo, pitch, ticks, &in, program, start, end);
        test::ReferenceRenderNote(b, level, tempo, pitch, ticks, &in, reference, start, end);
        ASSERT_EQ(program, reference) << "round " << round << ": " << InstrumentToText(in);
        ASSERT_EQ(a.PeakLevel, b.PeakLevel) << "round " << round;

        // The same note rendered apart and added afterwards, as the render threads do.
        TVoiceSound sound;
        if (!RenderVoice(level, tempo, pitch, ticks, &in, start, end, size_t(1) << 24, sound))
            continue; // values beyond 32 bits: such notes go through RenderNote
        ++contributions;
        std::vector<int16_t> mixed = base;
        int32_t peak = 0;
        MixVoice(sound, mixed, peak);
        ASSERT_EQ(mixed, reference) << "round " << round << ": " << InstrumentToText(in);
        ASSERT_EQ(peak, b.PeakLevel) << "round " << round;
    }
    EXPECT_GT(contributions, damaged ? 20 : 150) << "notes compared through RenderVoice";
    sideBySide.Sounds.resize(sideBySide.Notes.size());
    RenderVoices(sideBySide, size_t(1) << 24);
    EXPECT_EQ(sideBySide.Compared, 160);
}

INSTANTIATE_TEST_SUITE_P(
    Instruments, VoiceReference,
    ::testing::Values(TVoiceCase{false, TTruncation::RoundInstruction, TLanes::Four},
                      TVoiceCase{true, TTruncation::RoundInstruction, TLanes::Four},
                      TVoiceCase{false, TTruncation::Conversion, TLanes::Four},
                      TVoiceCase{true, TTruncation::Conversion, TLanes::Four},
                      TVoiceCase{false, TTruncation::RoundInstruction, TLanes::Two},
                      TVoiceCase{true, TTruncation::Conversion, TLanes::Two}),
    [](const auto& param) {
        return std::string(param.param.Damaged ? "Damaged" : "Editable") +
               (param.param.Truncation == TTruncation::RoundInstruction ? "RoundInstruction"
                                                                        : "Conversion") +
               (param.param.Lanes == TLanes::Four ? "FourLanes" : "TwoLanes");
    });

} // namespace
} // namespace zel
