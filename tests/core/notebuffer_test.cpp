// The voice renderer: timing, pitch, envelopes, waveforms, mixing and wraparound.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sound/notebuffer.h"

namespace zel {
namespace {

// Frames between upward zero crossings of the left channel, averaged: the period of a tone.
double MeasuredPeriod(const std::vector<int16_t>& buffer, size_t fromFrame, size_t toFrame) {
    std::vector<double> crossings;
    for (size_t f = fromFrame + 1; f < toFrame; ++f)
        if (buffer[2 * (f - 1)] < 0 && buffer[2 * f] >= 0)
            crossings.push_back(double(f));
    if (crossings.size() < 2)
        return 0;
    return (crossings.back() - crossings.front()) / double(crossings.size() - 1);
}

std::vector<int16_t> Render(const TInstrument& in, int pitch, int ticks, size_t frames,
                            int level = 100, int tempo = 120) {
    std::vector<int16_t> buffer(2 * frames, 0);
    TRenderState state;
    RenderNote(state, level, tempo, pitch, ticks, &in, buffer, 0, int64_t(buffer.size()));
    return buffer;
}

size_t LastSoundingFrame(const std::vector<int16_t>& buffer) {
    size_t last = 0;
    for (size_t i = 0; i < buffer.size(); ++i)
        if (buffer[i] != 0)
            last = i / 2;
    return last;
}

TEST(PitchTable, MiddleCUpInSemitones) {
    const TPitchTable& table = PitchTable();
    EXPECT_EQ(table[0], 261.62558f);
    EXPECT_NEAR(table[9], 440.0001, 0.0005);
    EXPECT_NEAR(table[12], 523.2511, 0.001);
    EXPECT_EQ(BuildPitchTable(), table) << "the same every time";
}

TEST(NoteSamples, QuarterAtTempoAndLongNotes) {
    EXPECT_EQ(NoteSamples(120, 256), 22050);
    EXPECT_EQ(NoteSamples(60, 256), 44100);
    EXPECT_EQ(NoteSamples(0, 256), 0);
    EXPECT_EQ(NoteSamples(1, 100000), 1033593750) << "no 32-bit overflow";
    EXPECT_EQ(NoteSamples(7, 3), (3 * 44100 / 7) * 120 / 512) << "truncation at each step";
}

TEST(Envelope, RatesSustainAndRelease) {
    TEnvelope env{100, 200, 500, 1000};
    float level = 0;
    int state = EnvAttack;
    int frames = 0;
    while (state == EnvAttack) {
        EnvelopeStep(env, true, level, state);
        ++frames;
    }
    EXPECT_NEAR(frames, 4410, 2) << "attack 100 takes 0.1 s";
    EXPECT_EQ(level, 1.0f);
    while (state == EnvDecay)
        EnvelopeStep(env, true, level, state);
    EnvelopeStep(env, true, level, state);
    EXPECT_FLOAT_EQ(level, 0.5f);
    EnvelopeStep(env, false, level, state);
    EXPECT_EQ(state, EnvRelease);
    EXPECT_EQ(level, 0.0f) << "release 1000 is an immediate drop";
    TEnvelope hold{0, 0, 0, 0};
    level = 0;
    state = EnvAttack;
    for (int i = 0; i < 1000; ++i)
        EnvelopeStep(hold, true, level, state);
    EXPECT_EQ(level, 0.0f) << "attack 0 never opens";
}

TEST(RenderNote, DefaultInstrumentSoundsForExactlyItsLength) {
    TInstrument in;
    auto buffer = Render(in, 0, 256, 30000);
    EXPECT_EQ(LastSoundingFrame(buffer), 22049u);
    for (size_t f = 0; f < 30000; ++f)
        ASSERT_EQ(buffer[2 * f], buffer[2 * f + 1]) << "identical left and right at frame " << f;
    int peak = 0;
    for (int16_t v : buffer)
        peak = std::max(peak, std::abs(int(v)));
    EXPECT_LE(peak, 3230) << "10 % of 32000, and the high-pass overshoot";
    EXPECT_GT(peak, 3150);
    EXPECT_NEAR(MeasuredPeriod(buffer, 0, 22050), 168.56, 0.05);
}

TEST(RenderNote, PitchOctaveAndPitchClassesBelowZero) {
    TInstrument in;
    EXPECT_NEAR(MeasuredPeriod(Render(in, 12, 1024, 40000), 0, 40000), 168.56 / 2, 0.05);
    in.Octave = 1;
    EXPECT_NEAR(MeasuredPeriod(Render(in, 0, 1024, 40000), 0, 40000), 168.56 / 2, 0.05);
    in.Octave = 0;
    EXPECT_NEAR(MeasuredPeriod(Render(in, -1, 1024, 40000), 0, 40000), 44100 / 246.94, 0.05);
    EXPECT_NEAR(MeasuredPeriod(Render(in, 9, 1024, 40000), 0, 40000), 44100 / 440.0, 0.02);
}

TEST(RenderNote, EnvelopesThatNeverOpenOrNeverClose) {
    TInstrument silent;
    silent.AmpEnv.Attack = 0;
    EXPECT_EQ(LastSoundingFrame(Render(silent, 0, 256, 30000)), 0u);
    silent = TInstrument{};
    silent.FilterEnv.Attack = 0;
    EXPECT_EQ(LastSoundingFrame(Render(silent, 0, 256, 30000)), 0u);

    TInstrument ringing;
    ringing.AmpEnv.Release = 0;
    ringing.FilterEnv.Release = 0;
    EXPECT_GE(LastSoundingFrame(Render(ringing, 0, 256, 30000)), 29990u) << "up to the end limit";

    TInstrument closing;
    closing.FilterEnv = {1000, 100, 0, 1000}; // the filter decays to 0 in 0.1 s
    size_t last = LastSoundingFrame(Render(closing, 0, 1024, 60000));
    EXPECT_LE(last, 4411u) << "ends with the filter, the amplitude still open";
    EXPECT_GT(last, 3000u);

    EXPECT_EQ(LastSoundingFrame(Render(TInstrument{}, 0, 256, 30000, 100, 0)), 0u) << "tempo 0";
}

TEST(RenderNote, NotesAddAndTheStoredSumWraps) {
    TInstrument loud;
    loud.Wave = WaveSquare;
    loud.MixLeft = loud.MixRight = 100;
    auto alone = Render(loud, 0, 256, 2000);
    std::vector<int16_t> buffer(4000, 30000);
    TRenderState state;
    RenderNote(state, 100, 120, 0, 256, &loud, buffer, 0, 4000);
    int32_t peak = 0;
    for (size_t i = 0; i < buffer.size(); ++i) {
        int32_t sum = 30000 + alone[i];
        peak = std::max(peak, std::abs(sum));
        ASSERT_EQ(buffer[i], int16_t(uint16_t(sum & 0xFFFF))) << "value " << i;
    }
    EXPECT_EQ(state.PeakLevel, peak);
    EXPECT_GT(state.PeakLevel, 32767) << "the meter shows more than full scale";
}

TEST(RenderNote, SkewAndWaveforms) {
    TInstrument square;
    square.Wave = WaveSquare;
    square.Skew = 100; // the first half of the wave fills the whole period
    for (int16_t v : Render(square, 0, 256, 5000))
        ASSERT_LE(v, 0);
    TInstrument triangle;
    triangle.Wave = WaveTriangle;
    auto tri = Render(triangle, 0, 256, 5000);
    EXPECT_EQ(tri[0], -3199) << "starts at the bottom (after the high-pass)";
    TInstrument unknown;
    unknown.Wave = 9;
    EXPECT_EQ(LastSoundingFrame(Render(unknown, 0, 256, 5000)), 0u) << "unknown waves are silent";
}

TEST(RenderNote, NoiseIsReproducibleAndModulationIsSafe) {
    TInstrument noise;
    noise.Wave = WaveNoise;
    auto first = Render(noise, 0, 256, 3000);
    auto second = Render(noise, 0, 256, 3000);
    EXPECT_EQ(first, second) << "each render starts from the same seed";
    EXPECT_NE(first[100], first[102]);

    TInstrument odd;
    odd.ModFreq = 0;
    odd.ModTarget = ModPitch;
    odd.ModDepth = 255;
    odd.Octave = 32767;
    // Extreme values must render without undefined arithmetic (the sanitizer build checks),
    // and still the same way every time.
    EXPECT_EQ(Render(odd, INT32_MAX / 2, 256, 2000), Render(odd, INT32_MAX / 2, 256, 2000));
    odd.Octave = -32768;
    EXPECT_EQ(Render(odd, INT32_MIN / 2, 256, 2000), Render(odd, INT32_MIN / 2, 256, 2000));
    // The strings of a noise chord do not sound the same noise.
    EXPECT_NE(Render(noise, 0, 256, 500), Render(noise, 7, 256, 500));
}

TEST(RenderNote, NeverWritesOutsideTheBufferOrItsLimit) {
    std::vector<int16_t> buffer(1000, 0);
    TRenderState state;
    TInstrument in;
    in.AmpEnv.Release = 0;
    RenderNote(state, 100, 120, 0, 256, &in, std::span(buffer).first(500), 100, 100000);
    for (size_t i = 0; i < 100; ++i)
        EXPECT_EQ(buffer[i], 0);
    for (size_t i = 500; i < 1000; ++i)
        ASSERT_EQ(buffer[i], 0) << i;
    RenderNote(state, 100, 120, 0, 256, &in, buffer, 999, 1000); // an odd start
    RenderNote(state, 100, 120, 0, 256, nullptr, buffer, 0, 1000);
}

} // namespace
} // namespace zel
