#include "reference_voice.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zel::test {

namespace {

__extension__ typedef __int128 I128;

constexpr double TwoPi = 6.283185307179586476925286766559;
constexpr float HighPass = 0.9999f;

double Frac(double x) {
    return x - std::floor(x);
}

// Integer arithmetic of the renderer: conversion by truncation toward zero.
int64_t Trunc(double x) {
    if (!(x == x))
        return 0;
    return static_cast<int64_t>(std::clamp(x, -9.0e18, 9.0e18));
}

// The minimal standard generator, seeded for each note from its start position.
int RefNextNoise(uint32_t& seed) {
    seed = static_cast<uint32_t>((uint64_t(seed) * 48271u) % 2147483647u);
    return static_cast<int>(seed % 65535u);
}

void RefEnvelopeStep(const TEnvelope& env, bool gate, float& level, int& state) {
    double l = level;
    if (!gate)
        state = EnvRelease;
    switch (state) {
    case EnvAttack:
        l = env.Attack == 1000 ? 1.0 : l + env.Attack * 0.1 / SampleRate;
        if (l >= 1.0) {
            l = 1.0;
            state = EnvDecay;
        }
        break;
    case EnvDecay:
        if (env.Decay == 1000)
            state = EnvSustain;
        else
            l -= env.Decay * 0.1 / SampleRate;
        if (state == EnvDecay && env.Sustain * 0.001 >= l)
            state = EnvSustain;
        break;
    case EnvSustain:
        l = env.Sustain * 0.001;
        break;
    default:
        if (env.Release == 1000)
            l = 0.0;
        l -= env.Release * 0.1 / SampleRate;
        if (!(l > 0.0))
            l = 0.0;
        state = EnvRelease;
        break;
    }
    level = static_cast<float>(l);
}

} // namespace

void ReferenceRenderNote(TRenderState& rs, int level, int tempo, int pitch, int ticks,
                         const TInstrument* instrument, std::span<int16_t> buffer, int64_t start,
                         int64_t end) {
    if (!instrument || start < 0)
        return;
    const TInstrument& in = *instrument;
    end = std::min<int64_t>(end, int64_t(buffer.size()) & ~int64_t(1));

    // Pitch: the pitch class picks the table entry, octaves scale it.
    int64_t n = int64_t(pitch) + 12 * int64_t(in.Octave);
    float m = 1.0f;
    // Beyond about 40 octaves either way the factor is 0 or infinite in single precision:
    // the loop stops there instead of counting through billions of octaves.
    int64_t octaves = n >= 0 ? n / 12 : -((-n + 11) / 12);
    n -= 12 * octaves;
    for (int64_t k = 0; k < std::min<int64_t>(octaves, 200); ++k)
        m *= 2.0f;
    for (int64_t k = 0; k < std::min<int64_t>(-octaves, 200); ++k)
        m *= 0.5f;
    const float f = PitchTable()[size_t(n)] * m;
    const float period = 44100.0f / f;

    // A modulation frequency of 0 would give no period at all: it acts as 0.1 Hz.
    const int64_t modPeriod = Trunc(44100.0 / (std::max<int>(in.ModFreq, 1) * 0.1) + 0.5);
    const int64_t gateEnd = start + 2 * NoteSamples(tempo, ticks);

    float a = 0.0f, e = 0.0f;
    int stateA = EnvAttack, stateE = EnvAttack;
    int64_t s[4] = {0, 0, 0, 0};
    int64_t previousIn = 0, previousOut = 0;
    float phaseShift = 0.0f;
    uint32_t noiseSeed = NoteNoiseSeed(start, pitch);
    const int64_t noteStart = start;
    const float highPass =
        (in.Wave == WaveNoise && n >= 1 && n <= 11) ? float(1.0 - double(n) * 0.01) : HighPass;
    const double depth = in.ModDepth;
    const int skew = in.Skew;

    for (int64_t pos = start; pos + 1 < end; pos += 2) {
        bool gate = pos < gateEnd;
        RefEnvelopeStep(in.AmpEnv, gate, a, stateA);
        RefEnvelopeStep(in.FilterEnv, gate, e, stateE);
        if (a * e == 0.0f)
            return;

        const int64_t r = (pos - noteStart) / 2;
        double t = Frac(double(r) / double(period));
        const int64_t q = (pos / 2) % modPeriod;
        const double halfL = double(modPeriod) * 0.5;
        const double w = q < modPeriod / 2 ? double(q) / halfL : 1.0 - (double(q) - halfL) / halfL;

        float g = a;
        float c = e * e;
        switch (in.ModTarget) {
        case ModPitch:
            phaseShift = static_cast<float>(phaseShift + (w - 0.5) * depth * 0.01 * 0.005);
            t = Frac(double(r) / double(period) + double(phaseShift));
            break;
        case ModFilter:
            c = static_cast<float>((1.0 - depth * w * 0.01) * double(e) * double(e));
            break;
        case ModAmp:
            g = static_cast<float>((1.0 - depth * w * 0.01) * double(a));
            break;
        default:
            break;
        }

        double u = t * 100.0 / (skew + 100);
        if (u >= 0.5)
            u = 1.0 - (1.0 - t) * 100.0 / (101 - skew);
        t = u;

        int64_t x = 0;
        switch (in.Wave) {
        case WaveSine:
            x = Trunc(std::sin(TwoPi * t) * 32000.0);
            break;
        case WaveTriangle:
            x = t < 0.5 ? Trunc(t * 64000.0 * 2.0 - 32000.0)
                        : Trunc((1.0 - t) * 64000.0 * 2.0 - 32000.0);
            break;
        case WaveSquare:
            x = t < 0.5 ? -32000 : 32000;
            break;
        case WaveNoise:
            x = RefNextNoise(noiseSeed) - 32768;
            break;
        default:
            x = 0;
            break; // waveforms the editor cannot make are silent
        }

        for (int64_t& memory : s) {
            int64_t y = c == 1.0f ? x : Trunc(double(x) * c + (1.0 - double(c)) * double(memory));
            memory = y;
            x = y;
        }
        x = Trunc(double(x) * double(g));
        int64_t y = Trunc(double(I128(previousOut) + x - previousIn) * double(highPass));
        previousIn = x;
        previousOut = y;
        x = y;

        // Damaged instruments can drive the sample to the limits of 64 bits: the products are
        // taken in 128 bits and kept within half the 64-bit range.
        auto part = [&](int mix) {
            I128 v = I128(mix) * x / 100 * level / 100;
            const I128 limit = I128(1) << 62;
            return int64_t(v > limit ? limit : v < -limit ? -limit : v);
        };
        int64_t left = part(in.MixLeft) + buffer[size_t(pos)];
        int64_t right = part(in.MixRight) + buffer[size_t(pos + 1)];
        int64_t peak = std::max(std::llabs(left), std::llabs(right));
        if (peak > rs.PeakLevel)
            rs.PeakLevel = static_cast<int32_t>(std::min<int64_t>(peak, INT32_MAX));
        buffer[size_t(pos)] = static_cast<int16_t>(static_cast<uint16_t>(left & 0xFFFF));
        buffer[size_t(pos + 1)] = static_cast<int16_t>(static_cast<uint16_t>(right & 0xFFFF));
    }
}

} // namespace zel::test
