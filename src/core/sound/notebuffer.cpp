#include "sound/notebuffer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace zel {

namespace {

constexpr double TwoPi = 6.283185307179586476925286766559;
constexpr float HighPass = 0.9999f;

// x - floor(x). The floor is taken through an integer conversion, which gives exactly the
// same value as std::floor wherever an int64 holds it, without a library call.
inline double Frac(double x) {
    if (x > -9.0e15 && x < 9.0e15) {
        double whole = double(static_cast<int64_t>(x));
        if (whole > x)
            whole -= 1.0;
        return x - whole;
    }
    return x - std::floor(x);
}

// Integer arithmetic of the renderer: conversion by truncation toward zero. Values outside
// the int64 range (possible only with damaged instruments) are clamped, NaN gives 0.
inline int64_t TruncSlow(double x) {
    if (x > -9.0e18 && x < 9.0e18)
        return static_cast<int64_t>(x);
    if (!(x == x))
        return 0;
    return x < 0 ? int64_t(-9.0e18) : int64_t(9.0e18);
}

inline int64_t Trunc(double x) {
#if defined(__x86_64__)
    // The processor's conversion gives INT64_MIN for anything it cannot convert, so values it
    // gives inside the clamping range are the answer; the rest takes the careful path.
    constexpr int64_t Limit = 9'000'000'000'000'000'000;
    int64_t value = _mm_cvttsd_si64(_mm_set_sd(x));
    return value > -Limit && value < Limit ? value : TruncSlow(x);
#else
    return TruncSlow(x);
#endif
}

inline void StepEnvelope(const TEnvelope& env, bool gate, float& level, int& state) {
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

TPitchTable BuildPitchTable() {
    TPitchTable table{};
    table[0] = 261.62558f;
    const double step = std::pow(2.0, 1.0 / 12.0);
    for (size_t k = 1; k < table.size(); ++k)
        table[k] = static_cast<float>(double(table[k - 1]) * step);
    return table;
}

const TPitchTable& PitchTable() {
    static const TPitchTable table = BuildPitchTable();
    return table;
}

int64_t NoteSamples(int64_t tempo, int64_t ticks) {
    if (tempo == 0)
        return 0;
    return ((ticks * SampleRate) / tempo) * 120 / 512;
}

void EnvelopeStep(const TEnvelope& env, bool gate, float& level, int& state) {
    StepEnvelope(env, gate, level, state);
}

namespace {

// A note is rendered in blocks of frames: first the envelopes (serial, and they decide where
// the note ends), then the oscillator for every frame of the block (independent frames, so
// the divisions of the phase and the skew overlap), then the serial filter chain and the mix.
constexpr int Block = 256;

struct TVoice {
    const TInstrument& In;
    float Period;
    int64_t ModPeriod;
    double HalfModPeriod;
    int64_t NoteStart;
    float HighPass;
};

// The modulation triangle for the frame at `q` frames into the modulation period.
inline double ModulationWave(const TVoice& v, int64_t q) {
    return q < v.ModPeriod / 2 ? double(q) / v.HalfModPeriod
                               : 1.0 - (double(q) - v.HalfModPeriod) / v.HalfModPeriod;
}

// The noise generator of one note: the minimal standard generator (31-bit state), reduced to
// 0..65534. Each note starts from a seed taken from its start position, so notes render
// independently of each other and the same song always renders the same bytes.
struct TNoise {
    uint32_t Seed;
    int Next() {
        Seed = static_cast<uint32_t>((uint64_t(Seed) * 48271u) % 2147483647u);
        return static_cast<int>(Seed % 65535u);
    }
};

// Sums and products of the output stage in 128 bits: with instruments from damaged text the
// filters can run away to the limits of 64 bits. Ordinary values compute exactly as in 64.
__extension__ typedef __int128 Wide;

// mix% of a sample at the master level, kept within half the 64-bit range so that adding it
// to a buffer value cannot overflow.
inline int64_t MixPart(int mix, int64_t sample, int level) {
    constexpr int64_t Ordinary = int64_t(1) << 40;
    if (sample > -Ordinary && sample < Ordinary && mix >= 0 && mix < 256 && level >= 0 &&
        level < 256)
        return (mix * sample / 100) * level / 100;
    constexpr Wide Limit = Wide(1) << 62;
    Wide v = Wide(mix) * sample / 100 * level / 100;
    return int64_t(v > Limit ? Limit : v < -Limit ? -Limit : v);
}

// previousOut + x - previousIn of the high-pass, as a double.
inline double HighPassSum(int64_t previousOut, int64_t x, int64_t previousIn) {
    constexpr int64_t Ordinary = int64_t(1) << 60;
    if (previousOut > -Ordinary && previousOut < Ordinary && x > -Ordinary && x < Ordinary &&
        previousIn > -Ordinary && previousIn < Ordinary)
        return double(previousOut + x - previousIn);
    return double(Wide(previousOut) + x - previousIn);
}

inline double Skewed(double t, int skew) {
    double u = t * 100.0 / (skew + 100);
    if (u >= 0.5)
        u = 1.0 - (1.0 - t) * 100.0 / (101 - skew);
    return u;
}

inline int64_t Oscillator(uint8_t wave, double t) {
    switch (wave) {
    case WaveSine:
        return Trunc(std::sin(TwoPi * t) * 32000.0);
    case WaveTriangle:
        return t < 0.5 ? Trunc(t * 64000.0 * 2.0 - 32000.0)
                       : Trunc((1.0 - t) * 64000.0 * 2.0 - 32000.0);
    case WaveSquare:
        return t < 0.5 ? -32000 : 32000;
    default:
        return 0;
    }
}

// sin(a) for a in [0, 2 pi] to within about 1e-13: folded into [0, pi/2] and summed as its
// series up to the 17th power. No branches, so a block of angles is computed side by side.
inline double SineSeries(double a) {
    constexpr double Pi = 3.141592653589793;
    constexpr double HalfPi = 1.5707963267948966;
    const double sign = a > Pi ? -1.0 : 1.0;
    a = a > Pi ? a - Pi : a;
    a = a > HalfPi ? Pi - a : a;
    const double a2 = a * a;
    double p = 1.0 / 355687428096000.0; // 1/17!
    p = p * a2 - 1.0 / 1307674368000.0; // 1/15!
    p = p * a2 + 1.0 / 6227020800.0;    // 1/13!
    p = p * a2 - 1.0 / 39916800.0;      // 1/11!
    p = p * a2 + 1.0 / 362880.0;        // 1/9!
    p = p * a2 - 1.0 / 5040.0;          // 1/7!
    p = p * a2 + 1.0 / 120.0;           // 1/5!
    p = p * a2 - 1.0 / 6.0;             // 1/3!
    return sign * (a + a * a2 * p);
}

// trunc(sin(a) x 32000) for a block of angles. The series gives the same integer as the
// library's sine unless the product lies within a millionth of an integer, or the angle is
// outside one turn; only those frames ask the library.
inline void SineBlock(const double* angle, int64_t* x, int count) {
    constexpr double OneTurn = 6.283185307179586;
    double y[256];
    for (int k = 0; k < count; ++k)
        y[k] = SineSeries(angle[k]) * 32000.0;
    for (int k = 0; k < count; ++k) {
        const double whole = double(static_cast<int64_t>(y[k]));
        const double frac = y[k] - whole;
        const bool clear = frac > -1.0 + 1e-6 && frac < 1.0 - 1e-6 && (frac > 1e-6 || frac < -1e-6);
        if (clear && angle[k] >= 0.0 && angle[k] <= OneTurn)
            x[k] = static_cast<int64_t>(whole);
        else
            x[k] = Trunc(std::sin(angle[k]) * 32000.0);
    }
}

// One block of frames through the modulation, skew and waveform.
struct TBlock {
    const TVoice& V;
    int64_t Pos;
    int Live;
    float* Amp;
    float* Filter;
    int64_t* X;
    double* Angle;
    int64_t& Q;
    float& PhaseShift;
    double Depth;
    int Skew;
    TNoise& Noise;
};

// The waveform and the modulation target are fixed for a note, so each pair gets its own loop.
template <int Wave, int Target> void OscillatorBlock(TBlock& b) {
    for (int k = 0; k < b.Live; ++k) {
        const int64_t r = (b.Pos + 2 * k - b.V.NoteStart) / 2;
        double t = Frac(double(r) / double(b.V.Period));
        if constexpr (Target == ModPitch || Target == ModFilter || Target == ModAmp) {
            const double w = ModulationWave(b.V, b.Q);
            if constexpr (Target == ModPitch) {
                b.PhaseShift =
                    static_cast<float>(b.PhaseShift + (w - 0.5) * b.Depth * 0.01 * 0.005);
                t = Frac(double(r) / double(b.V.Period) + double(b.PhaseShift));
                b.Filter[k] = b.Filter[k] * b.Filter[k];
            } else if constexpr (Target == ModFilter) {
                b.Filter[k] = static_cast<float>((1.0 - b.Depth * w * 0.01) * double(b.Filter[k]) *
                                                 double(b.Filter[k]));
            } else {
                b.Amp[k] = static_cast<float>((1.0 - b.Depth * w * 0.01) * double(b.Amp[k]));
                b.Filter[k] = b.Filter[k] * b.Filter[k];
            }
        } else {
            b.Filter[k] = b.Filter[k] * b.Filter[k];
        }
        if (++b.Q == b.V.ModPeriod)
            b.Q = 0;
        if constexpr (Wave == WaveSine) {
            b.Angle[k] = TwoPi * Skewed(t, b.Skew); // the sine follows for the whole block
        } else if constexpr (Wave == WaveSquare || Wave == WaveTriangle) {
            b.X[k] = Oscillator(uint8_t(Wave), Skewed(t, b.Skew));
        } else if constexpr (Wave == WaveNoise) {
            b.X[k] = b.Noise.Next() - 32768; // the phase is not used
        } else {
            b.X[k] = 0;
        }
    }
    if constexpr (Wave == WaveSine)
        SineBlock(b.Angle, b.X, b.Live);
}

template <int Wave> void OscillatorBlockWave(uint8_t target, TBlock& b) {
    switch (target) {
    case ModPitch:
        OscillatorBlock<Wave, ModPitch>(b);
        break;
    case ModFilter:
        OscillatorBlock<Wave, ModFilter>(b);
        break;
    case ModAmp:
        OscillatorBlock<Wave, ModAmp>(b);
        break;
    default:
        OscillatorBlock<Wave, ModNone>(b);
        break;
    }
}

void OscillatorBlockFor(uint8_t wave, uint8_t target, TBlock& b) {
    switch (wave) {
    case WaveSine:
        OscillatorBlockWave<WaveSine>(target, b);
        break;
    case WaveTriangle:
        OscillatorBlockWave<WaveTriangle>(target, b);
        break;
    case WaveSquare:
        OscillatorBlockWave<WaveSquare>(target, b);
        break;
    case WaveNoise:
        OscillatorBlockWave<WaveNoise>(target, b);
        break;
    default:
        OscillatorBlockWave<-1>(target, b);
        break;
    }
}

} // namespace

namespace {

// The frames of one note. `emit(at, left, right)` receives what the note adds to the values at
// `at` and `at + 1`; it returns false to stop the note.
template <class TEmit>
void RenderFrames(int level, int tempo, int pitch, int ticks, const TInstrument& in, int64_t start,
                  int64_t end, TEmit& emit) {

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

    // A modulation frequency of 0 would give no period at all: it acts as 0.1 Hz.
    const int64_t modPeriod = Trunc(44100.0 / (std::max<int>(in.ModFreq, 1) * 0.1) + 0.5);
    const TVoice v{
        in,
        44100.0f / f,
        modPeriod,
        double(modPeriod) * 0.5,
        start,
        (in.Wave == WaveNoise && n >= 1 && n <= 11) ? float(1.0 - double(n) * 0.01) : HighPass};
    const int64_t gateEnd = start + 2 * NoteSamples(tempo, ticks);
    const double depth = in.ModDepth;
    const int skew = in.Skew;
    const uint8_t target = in.ModTarget;

    float a = 0.0f, e = 0.0f;
    int stateA = EnvAttack, stateE = EnvAttack;
    int64_t s[4] = {0, 0, 0, 0};
    int64_t previousIn = 0, previousOut = 0;
    float phaseShift = 0.0f;
    TNoise noise{NoteNoiseSeed(start, pitch)};

    float amp[Block], filter[Block];
    int64_t x[Block];
    double angle[Block];
    int64_t q = (start / 2) % modPeriod; // frames into the modulation period, for every note alike

    for (int64_t pos = start; pos + 1 < end;) {
        const int frames = int(std::min<int64_t>(Block, (end - pos) / 2));
        // 1. Envelopes; the note ends at the first frame where either is closed.
        int live = 0;
        // Both envelopes holding their sustain levels under an open key stay as they are:
        // the frames up to the key's release need no stepping.
        if (stateA == EnvSustain && stateE == EnvSustain && a * e != 0.0f &&
            a == float(in.AmpEnv.Sustain * 0.001) && e == float(in.FilterEnv.Sustain * 0.001)) {
            int64_t held = pos < gateEnd ? (gateEnd - pos + 1) / 2 : 0;
            int steady = int(std::min<int64_t>(frames, held));
            for (; live < steady; ++live) {
                amp[live] = a;
                filter[live] = e;
            }
        }
        for (; live < frames; ++live) {
            bool gate = pos + 2 * live < gateEnd;
            StepEnvelope(in.AmpEnv, gate, a, stateA);
            StepEnvelope(in.FilterEnv, gate, e, stateE);
            if (a * e == 0.0f)
                break;
            amp[live] = a;
            filter[live] = e;
        }
        // 2. Oscillator, with the modulation's effect on phase, filter or amplitude.
        TBlock block{v, pos, live, amp, filter, x, angle, q, phaseShift, depth, skew, noise};
        OscillatorBlockFor(in.Wave, target, block);
        // 3. Filter chain, amplitude and high-pass, frame after frame.
        for (int k = 0; k < live; ++k) {
            int64_t value = x[k];
            const float c = filter[k];
            if (c != 1.0f) {
                for (int64_t& memory : s) {
                    memory = Trunc(double(value) * c + (1.0 - double(c)) * double(memory));
                    value = memory;
                }
            } else {
                for (int64_t& memory : s)
                    memory = value;
            }
            value = Trunc(double(value) * double(amp[k]));
            int64_t y = Trunc(HighPassSum(previousOut, value, previousIn) * double(v.HighPass));
            previousIn = value;
            previousOut = y;
            x[k] = y;
        }
        // 4. The mix into the two channels at the master level.
        for (int k = 0; k < live; ++k) {
            if (!emit(pos + 2 * k, MixPart(in.MixLeft, x[k], level),
                      MixPart(in.MixRight, x[k], level)))
                return;
        }
        if (live < frames)
            return;
        pos += 2 * frames;
    }
}

// Adds one value into the buffer: the peak meter sees the unwrapped sum, the buffer keeps its
// low 16 bits.
inline void AddValue(int16_t& slot, int64_t contribution, int32_t& peak) {
    int64_t sum = contribution + slot;
    int64_t magnitude = std::llabs(sum);
    if (magnitude > peak)
        peak = static_cast<int32_t>(std::min<int64_t>(magnitude, INT32_MAX));
    slot = static_cast<int16_t>(static_cast<uint16_t>(sum & 0xFFFF));
}

} // namespace

uint32_t NoteNoiseSeed(int64_t start, int pitch) {
    uint64_t key = uint64_t(std::max<int64_t>(start, 0) / 2) * 1000003u + uint64_t(uint32_t(pitch));
    return static_cast<uint32_t>(1 + key % 2147483646u);
}

void RenderNote(TRenderState& rs, int level, int tempo, int pitch, int ticks,
                const TInstrument* instrument, std::span<int16_t> buffer, int64_t start,
                int64_t end) {
    if (!instrument || start < 0)
        return;
    end = std::min<int64_t>(end, int64_t(buffer.size()) & ~int64_t(1));
    int32_t peak = rs.PeakLevel;
    int16_t* values = buffer.data();
    auto emit = [&](int64_t at, int64_t left, int64_t right) {
        AddValue(values[at], left, peak);
        AddValue(values[at + 1], right, peak);
        return true;
    };
    RenderFrames(level, tempo, pitch, ticks, *instrument, start, end, emit);
    rs.PeakLevel = peak;
}

bool RenderVoice(int level, int tempo, int pitch, int ticks, const TInstrument* instrument,
                 int64_t start, int64_t end, size_t maxValues, TVoiceSound& sound) {
    sound.Start = start;
    sound.Values.clear();
    if (!instrument || start < 0)
        return true;
    sound.Values.reserve(size_t(std::clamp<int64_t>(end - start, 0, int64_t(maxValues))));
    bool complete = true;
    auto emit = [&](int64_t, int64_t left, int64_t right) {
        if (sound.Values.size() + 2 > maxValues || left != int32_t(left) ||
            right != int32_t(right)) {
            complete = false;
            return false;
        }
        sound.Values.push_back(int32_t(left));
        sound.Values.push_back(int32_t(right));
        return true;
    };
    RenderFrames(level, tempo, pitch, ticks, *instrument, start, end, emit);
    if (!complete)
        sound.Values.clear();
    return complete;
}

void MixVoice(const TVoiceSound& sound, std::span<int16_t> buffer, int32_t& peak) {
    size_t at = size_t(sound.Start);
    size_t count = std::min(sound.Values.size(), at < buffer.size() ? buffer.size() - at : 0);
    for (size_t i = 0; i < count; ++i)
        AddValue(buffer[at + i], sound.Values[i], peak);
}

} // namespace zel
