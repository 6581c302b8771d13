#include "sound/notebuffer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <climits>
#include <cmath>
#include <memory>
#include <new>
#include <optional>
#include <type_traits>
#if defined(__x86_64__)
#include <immintrin.h>
// Functions with this mark use the processor's four-lane (AVX2) instructions; they run only
// where HasWideVectors() says the processor has them. They never use fused multiply-adds.
#define ZEL_WIDE __attribute__((target("avx2")))
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

std::atomic<bool> WideVectorsAllowed{true};

// Whether the four-lane paths may run: the processor has them and the tests have not turned
// them off.
bool HasWideVectors() {
#if defined(__x86_64__)
    static const bool has = __builtin_cpu_supports("avx2");
    return has && WideVectorsAllowed.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

// An envelope's steps per frame, worked out once per note rather than at every frame.
struct TEnvelopeSteps {
    explicit TEnvelopeSteps(const TEnvelope& env)
        : AttackJumps(env.Attack == 1000), DecayJumps(env.Decay == 1000),
          ReleaseJumps(env.Release == 1000), Attack(env.Attack * 0.1 / SampleRate),
          Decay(env.Decay * 0.1 / SampleRate), Release(env.Release * 0.1 / SampleRate),
          Sustain(env.Sustain * 0.001) {}
    bool AttackJumps, DecayJumps, ReleaseJumps;
    double Attack, Decay, Release, Sustain;
};

inline void StepEnvelope(const TEnvelopeSteps& env, bool gate, float& level, int& state) {
    double l = level;
    if (!gate)
        state = EnvRelease;
    switch (state) {
    case EnvAttack:
        l = env.AttackJumps ? 1.0 : l + env.Attack;
        if (l >= 1.0) {
            l = 1.0;
            state = EnvDecay;
        }
        break;
    case EnvDecay:
        if (env.DecayJumps)
            state = EnvSustain;
        else
            l -= env.Decay;
        if (state == EnvDecay && env.Sustain >= l)
            state = EnvSustain;
        break;
    case EnvSustain:
        l = env.Sustain;
        break;
    default:
        if (env.ReleaseJumps)
            l = 0.0;
        l -= env.Release;
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

int64_t RingFrames(const TInstrument& instrument) {
    auto fade = [](const TEnvelope& envelope) -> int64_t {
        if (envelope.Release >= 1000)
            return 1;
        if (envelope.Release <= 0)
            return INT64_MAX / 4;
        return int64_t(SampleRate) * 10 / envelope.Release + 2;
    };
    return std::min(fade(instrument.AmpEnv), fade(instrument.FilterEnv));
}

int64_t NoteSamples(int64_t tempo, int64_t ticks) {
    if (tempo == 0)
        return 0;
    return ((ticks * SampleRate) / tempo) * 120 / 512;
}

void EnvelopeStep(const TEnvelope& env, bool gate, float& level, int& state) {
    StepEnvelope(TEnvelopeSteps(env), gate, level, state);
}

namespace {

// A note is rendered in blocks of frames: first the envelopes (serial, and they decide where
// the note ends), then the oscillator for every frame of the block (independent frames, so
// the divisions of the phase and the skew overlap), then the serial filter chain and the mix.
constexpr int Block = 128;

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
        // The product is below 2^47; as 2^31 leaves 1 modulo 2^31 - 1, its low 31 bits plus
        // the bits above leave the same remainder, and their sum (below 2^32) is at most one
        // subtraction away from it: a few cycles between one value and the next instead of a
        // 64-bit division.
        constexpr uint32_t Modulus = 2147483647u;
        const uint64_t product = uint64_t(Seed) * 48271u;
        const uint32_t sum = uint32_t(product & Modulus) + uint32_t(product >> 31);
        Seed = sum >= Modulus ? sum - Modulus : sum;
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

#if defined(__x86_64__)
// SineSeries for two angles side by side, with the same operations in the same order.
inline __m128d SineSeriesPair(__m128d a) {
    const __m128d pi = _mm_set1_pd(3.141592653589793);
    const __m128d halfPi = _mm_set1_pd(1.5707963267948966);
    auto choose = [](__m128d mask, __m128d yes, __m128d no) {
        return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
    };
    const __m128d beyondPi = _mm_cmpgt_pd(a, pi);
    const __m128d sign = choose(beyondPi, _mm_set1_pd(-1.0), _mm_set1_pd(1.0));
    a = choose(beyondPi, _mm_sub_pd(a, pi), a);
    a = choose(_mm_cmpgt_pd(a, halfPi), _mm_sub_pd(pi, a), a);
    const __m128d a2 = _mm_mul_pd(a, a);
    auto term = [&](__m128d p, double c) { return _mm_add_pd(_mm_mul_pd(p, a2), _mm_set1_pd(c)); };
    __m128d p = _mm_set1_pd(1.0 / 355687428096000.0);
    p = term(p, -1.0 / 1307674368000.0);
    p = term(p, 1.0 / 6227020800.0);
    p = term(p, -1.0 / 39916800.0);
    p = term(p, 1.0 / 362880.0);
    p = term(p, -1.0 / 5040.0);
    p = term(p, 1.0 / 120.0);
    p = term(p, -1.0 / 6.0);
    return _mm_mul_pd(sign, _mm_add_pd(a, _mm_mul_pd(_mm_mul_pd(a, a2), p)));
}
#endif

#if defined(__x86_64__)
// One step of the sine's series, p x a^2 + c, in four lanes.
ZEL_WIDE inline __m256d SeriesTerm(__m256d p, __m256d a2, double c) {
    return _mm256_add_pd(_mm256_mul_pd(p, a2), _mm256_set1_pd(c));
}

// SineSeries for four angles side by side, with the same operations in the same order.
ZEL_WIDE inline __m256d SineSeriesQuad(__m256d a) {
    const __m256d pi = _mm256_set1_pd(3.141592653589793);
    const __m256d halfPi = _mm256_set1_pd(1.5707963267948966);
    const __m256d beyondPi = _mm256_cmp_pd(a, pi, _CMP_GT_OQ);
    const __m256d sign = _mm256_blendv_pd(_mm256_set1_pd(1.0), _mm256_set1_pd(-1.0), beyondPi);
    a = _mm256_blendv_pd(a, _mm256_sub_pd(a, pi), beyondPi);
    a = _mm256_blendv_pd(a, _mm256_sub_pd(pi, a), _mm256_cmp_pd(a, halfPi, _CMP_GT_OQ));
    const __m256d a2 = _mm256_mul_pd(a, a);
    __m256d p = _mm256_set1_pd(1.0 / 355687428096000.0);
    p = SeriesTerm(p, a2, -1.0 / 1307674368000.0);
    p = SeriesTerm(p, a2, 1.0 / 6227020800.0);
    p = SeriesTerm(p, a2, -1.0 / 39916800.0);
    p = SeriesTerm(p, a2, 1.0 / 362880.0);
    p = SeriesTerm(p, a2, -1.0 / 5040.0);
    p = SeriesTerm(p, a2, 1.0 / 120.0);
    p = SeriesTerm(p, a2, -1.0 / 6.0);
    return _mm256_mul_pd(sign, _mm256_add_pd(a, _mm256_mul_pd(_mm256_mul_pd(a, a2), p)));
}

// The four-lane part of SineBlock: the frames it finished (a multiple of four).
ZEL_WIDE int SineBlockWide(const double* angle, double* x, int count) {
    const __m256d scale = _mm256_set1_pd(32000.0), zero = _mm256_setzero_pd(),
                  turn = _mm256_set1_pd(6.283185307179586), near = _mm256_set1_pd(1e-6),
                  lowest = _mm256_set1_pd(-1.0 + 1e-6), highest = _mm256_set1_pd(1.0 - 1e-6),
                  nearBelow = _mm256_set1_pd(-1e-6);
    int k = 0;
    for (; k + 4 <= count; k += 4) {
        const __m256d a = _mm256_loadu_pd(angle + k);
        const __m256d y = _mm256_mul_pd(SineSeriesQuad(a), scale);
        const __m256d whole = _mm256_cvtepi32_pd(_mm256_cvttpd_epi32(y));
        const __m256d frac = _mm256_sub_pd(y, whole);
        __m256d clear = _mm256_and_pd(_mm256_cmp_pd(frac, lowest, _CMP_GT_OQ),
                                      _mm256_cmp_pd(frac, highest, _CMP_LT_OQ));
        clear = _mm256_and_pd(clear, _mm256_or_pd(_mm256_cmp_pd(frac, near, _CMP_GT_OQ),
                                                  _mm256_cmp_pd(frac, nearBelow, _CMP_LT_OQ)));
        clear = _mm256_and_pd(clear, _mm256_and_pd(_mm256_cmp_pd(a, zero, _CMP_GE_OQ),
                                                   _mm256_cmp_pd(a, turn, _CMP_LE_OQ)));
        _mm256_storeu_pd(x + k, whole);
        const int lanes = _mm256_movemask_pd(clear);
        if (lanes != 15)
            for (int lane = 0; lane < 4; ++lane)
                if (!(lanes & (1 << lane)))
                    x[k + lane] = double(Trunc(std::sin(angle[k + lane]) * 32000.0));
    }
    return k;
}
#endif

// trunc(sin(a) x 32000) for a block of angles. The series gives the same integer as the
// library's sine unless the product lies within a millionth of an integer, or the angle is
// outside one turn; only those frames ask the library.
inline void SineBlock(const double* angle, double* x, int count) {
    constexpr double OneTurn = 6.283185307179586;
    int k = 0;
#if defined(__x86_64__)
    if (HasWideVectors())
        k = SineBlockWide(angle, x, count);
    // Two frames side by side; within one turn the product is at most 32000 in magnitude, so
    // its whole part is a truncation to int32.
    const __m128d scale = _mm_set1_pd(32000.0), zero = _mm_setzero_pd(),
                  turn = _mm_set1_pd(OneTurn), near = _mm_set1_pd(1e-6),
                  lowest = _mm_set1_pd(-1.0 + 1e-6), highest = _mm_set1_pd(1.0 - 1e-6),
                  nearBelow = _mm_set1_pd(-1e-6);
    for (; k + 2 <= count; k += 2) {
        const __m128d a = _mm_loadu_pd(angle + k);
        const __m128d y = _mm_mul_pd(SineSeriesPair(a), scale);
        const __m128d whole = _mm_cvtepi32_pd(_mm_cvttpd_epi32(y));
        const __m128d frac = _mm_sub_pd(y, whole);
        __m128d clear = _mm_and_pd(_mm_cmpgt_pd(frac, lowest), _mm_cmplt_pd(frac, highest));
        clear =
            _mm_and_pd(clear, _mm_or_pd(_mm_cmpgt_pd(frac, near), _mm_cmplt_pd(frac, nearBelow)));
        clear = _mm_and_pd(clear, _mm_and_pd(_mm_cmpge_pd(a, zero), _mm_cmple_pd(a, turn)));
        _mm_storeu_pd(x + k, whole);
        const int lanes = _mm_movemask_pd(clear);
        if (lanes != 3)
            for (int lane = 0; lane < 2; ++lane)
                if (!(lanes & (1 << lane)))
                    x[k + lane] = double(Trunc(std::sin(angle[k + lane]) * 32000.0));
    }
#endif
    for (; k < count; ++k) {
        const double y = SineSeries(angle[k]) * 32000.0;
        // Trunc, not a cast: an angle that is not a number (a voice whose pitch or skew makes
        // no sense) must reach the library's sine below, as in the paired frames.
        const double whole = double(Trunc(y));
        const double frac = y - whole;
        const bool clear = frac > -1.0 + 1e-6 && frac < 1.0 - 1e-6 && (frac > 1e-6 || frac < -1e-6);
        if (clear && angle[k] >= 0.0 && angle[k] <= OneTurn)
            x[k] = whole;
        else
            x[k] = double(Trunc(std::sin(angle[k]) * 32000.0));
    }
}

// One block of frames through the modulation, skew and waveform.
struct TBlock {
    const TVoice& V;
    int64_t Pos;
    int Live;
    float* Amp;
    float* Filter;
    double* X;
    double* Angle;
    int64_t& Q;
    float& PhaseShift;
    double Depth;
    int Skew;
    TNoise& Noise;
    const float* Shift; // the phase shift of every frame, when the modulation moves the pitch
};

#if defined(__x86_64__)
// The four-lane part of SkewedPhases, with the same operations: the frames it finished.
ZEL_WIDE int SkewedPhasesWide(double first, double period, double rise, double fall, int count,
                              double* phase) {
    const __m256d periods = _mm256_set1_pd(period), rises = _mm256_set1_pd(rise),
                  falls = _mm256_set1_pd(fall), hundred = _mm256_set1_pd(100.0),
                  one = _mm256_set1_pd(1.0), half = _mm256_set1_pd(0.5), four = _mm256_set1_pd(4.0);
    __m256d r = _mm256_set_pd(first + 3.0, first + 2.0, first + 1.0, first);
    int k = 0;
    for (; k + 4 <= count; k += 4) {
        const __m256d x = _mm256_div_pd(r, periods);
        const __m256d t = _mm256_sub_pd(x, _mm256_cvtepi32_pd(_mm256_cvttpd_epi32(x)));
        const __m256d up = _mm256_div_pd(_mm256_mul_pd(t, hundred), rises);
        const __m256d past = _mm256_cmp_pd(up, half, _CMP_GE_OQ);
        // Frames lie on the rise for half a period at a time: the fall is worked out only
        // for the groups that reach it.
        if (_mm256_movemask_pd(past) == 0) {
            _mm256_storeu_pd(phase + k, up);
        } else {
            const __m256d down = _mm256_sub_pd(
                one, _mm256_div_pd(_mm256_mul_pd(_mm256_sub_pd(one, t), hundred), falls));
            _mm256_storeu_pd(phase + k, _mm256_blendv_pd(up, down, past));
        }
        r = _mm256_add_pd(r, four);
    }
    return k;
}
#endif

// Skew(Frac(r / period)) for the frames r0, r0 + 1, ..., when every r / period lies in
// [0, 2^31): the whole part is then a truncation to int32, and with both sides of the skew
// worked out for every frame there are no branches, so two frames go side by side (their
// divisions are what an oscillator frame costs). False (nothing to use) otherwise.
bool SkewedPhases(int64_t r0, double period, int skew, int count, double* phase) {
    const double first = double(r0);
    if (!(first >= 0.0 && first < 9.0e15 && period > 0.0 &&
          (first + double(count)) / period < 2147483647.0))
        return false;
    const double rise = skew + 100, fall = 101 - skew;
    int k = 0;
#if defined(__x86_64__)
    if (HasWideVectors())
        k = SkewedPhasesWide(first, period, rise, fall, count, phase);
    const __m128d periods = _mm_set1_pd(period), rises = _mm_set1_pd(rise),
                  falls = _mm_set1_pd(fall), hundred = _mm_set1_pd(100.0), one = _mm_set1_pd(1.0),
                  half = _mm_set1_pd(0.5), two = _mm_set1_pd(2.0);
    __m128d r = _mm_set_pd(first + double(k) + 1.0, first + double(k));
    for (; k + 2 <= count; k += 2) {
        const __m128d x = _mm_div_pd(r, periods);
        const __m128d t = _mm_sub_pd(x, _mm_cvtepi32_pd(_mm_cvttpd_epi32(x)));
        const __m128d up = _mm_div_pd(_mm_mul_pd(t, hundred), rises);
        const __m128d down =
            _mm_sub_pd(one, _mm_div_pd(_mm_mul_pd(_mm_sub_pd(one, t), hundred), falls));
        const __m128d past = _mm_cmpge_pd(up, half);
        _mm_storeu_pd(phase + k, _mm_or_pd(_mm_and_pd(past, down), _mm_andnot_pd(past, up)));
        r = _mm_add_pd(r, two);
    }
#endif
    for (; k < count; ++k) {
        const double x = (first + double(k)) / period;
        const double t = x - double(static_cast<int32_t>(x));
        const double up = t * 100.0 / rise;
        const double down = 1.0 - (1.0 - t) * 100.0 / fall;
        phase[k] = up >= 0.5 ? down : up;
    }
    return true;
}

#if defined(__x86_64__)
// The four-lane part of ShiftedPhases, with the same operations: the frames it finished.
ZEL_WIDE int ShiftedPhasesWide(double first, double period, const float* shift, double rise,
                               double fall, int count, double* phase) {
    const __m256d periods = _mm256_set1_pd(period), rises = _mm256_set1_pd(rise),
                  falls = _mm256_set1_pd(fall), hundred = _mm256_set1_pd(100.0),
                  one = _mm256_set1_pd(1.0), half = _mm256_set1_pd(0.5), four = _mm256_set1_pd(4.0);
    __m256d r = _mm256_set_pd(first + 3.0, first + 2.0, first + 1.0, first);
    int k = 0;
    for (; k + 4 <= count; k += 4) {
        const __m256d x =
            _mm256_add_pd(_mm256_div_pd(r, periods), _mm256_cvtps_pd(_mm_loadu_ps(shift + k)));
        // x - floor(x): what Frac gives for any x.
        const __m256d t = _mm256_sub_pd(x, _mm256_floor_pd(x));
        const __m256d up = _mm256_div_pd(_mm256_mul_pd(t, hundred), rises);
        const __m256d past = _mm256_cmp_pd(up, half, _CMP_GE_OQ);
        if (_mm256_movemask_pd(past) == 0) {
            _mm256_storeu_pd(phase + k, up);
        } else {
            const __m256d down = _mm256_sub_pd(
                one, _mm256_div_pd(_mm256_mul_pd(_mm256_sub_pd(one, t), hundred), falls));
            _mm256_storeu_pd(phase + k, _mm256_blendv_pd(up, down, past));
        }
        r = _mm256_add_pd(r, four);
    }
    return k;
}
#endif

// Skewed(Frac(r / period + shift)) for the frames r0, r0 + 1, ...: the phases of a block whose
// pitch the modulation moves, once the shifts of its frames are known.
void ShiftedPhases(int64_t r0, double period, const float* shift, int skew, int count,
                   double* phase) {
    int k = 0;
#if defined(__x86_64__)
    // Frame numbers below 2^53 are exact as doubles, and so are their sums with 1, 2, 3.
    if (HasWideVectors() && r0 >= 0 && double(r0) + double(count) < 9.0e15)
        k = ShiftedPhasesWide(double(r0), period, shift, skew + 100, 101 - skew, count, phase);
#endif
    for (; k < count; ++k)
        phase[k] = Skewed(Frac(double(r0 + k) / period + double(shift[k])), skew);
}

// The samples of a waveform for a block of skewed phases, as Oscillator gives them. Phases
// from SkewedPhases lie in [0, 1] (a phase of 0.5 or more after the rise needs a skew of 100 or
// less, and the fall then stays within [0.5, 1]), so the triangle lies within +-32000 and its
// truncation fits 32 bits.
template <int Wave> void WaveBlock(const double* phase, double* angle, double* x, int count) {
    if constexpr (Wave == WaveSine) {
        for (int k = 0; k < count; ++k)
            angle[k] = TwoPi * phase[k];
        SineBlock(angle, x, count);
    } else if constexpr (Wave == WaveSquare) {
        for (int k = 0; k < count; ++k)
            x[k] = phase[k] < 0.5 ? -32000.0 : 32000.0;
    } else if constexpr (Wave == WaveTriangle) {
        for (int k = 0; k < count; ++k) {
            const double t = phase[k];
            const double y =
                t < 0.5 ? t * 64000.0 * 2.0 - 32000.0 : (1.0 - t) * 64000.0 * 2.0 - 32000.0;
            x[k] = double(static_cast<int32_t>(y));
        }
    }
}

// The waveform and the modulation target are fixed for a note, so each pair gets its own loop.
template <int Wave, int Target> void OscillatorBlock(TBlock& b) {
    // Unless the modulation moves the phase frame by frame, the phases of the block come first.
    constexpr bool Phased = Wave == WaveSine || Wave == WaveSquare || Wave == WaveTriangle;
    double phase[Block];
    bool phased = false;
    if constexpr (Phased && Target != ModPitch)
        phased =
            SkewedPhases((b.Pos - b.V.NoteStart) / 2, double(b.V.Period), b.Skew, b.Live, phase);
    if constexpr (Phased && Target == ModNone) {
        if (phased) {
            // Nothing left that goes frame by frame: every step runs over the whole block.
            for (int k = 0; k < b.Live; ++k)
                b.Filter[k] = b.Filter[k] * b.Filter[k];
            b.Q = (b.Q + b.Live) % b.V.ModPeriod;
            WaveBlock<Wave>(phase, b.Angle, b.X, b.Live);
            return;
        }
    }
    if constexpr (Phased && Target == ModPitch) {
        // The shifts are known (they go frame after frame, see ShiftFrame); the phases from
        // them go side by side.
        for (int k = 0; k < b.Live; ++k)
            b.Filter[k] = b.Filter[k] * b.Filter[k];
        ShiftedPhases((b.Pos - b.V.NoteStart) / 2, double(b.V.Period), b.Shift, b.Skew, b.Live,
                      phase);
        if constexpr (Wave == WaveSine) {
            for (int k = 0; k < b.Live; ++k)
                b.Angle[k] = TwoPi * phase[k];
            SineBlock(b.Angle, b.X, b.Live);
        } else {
            for (int k = 0; k < b.Live; ++k)
                b.X[k] = double(Oscillator(uint8_t(Wave), phase[k]));
        }
        return;
    }
    for (int k = 0; k < b.Live; ++k) {
        const int64_t r = (b.Pos + 2 * k - b.V.NoteStart) / 2;
        double u = 0.0; // the skewed phase
        if constexpr (Target == ModPitch || Target == ModFilter || Target == ModAmp) {
            const double w = ModulationWave(b.V, b.Q);
            if constexpr (Target == ModPitch) {
                b.PhaseShift =
                    static_cast<float>(b.PhaseShift + (w - 0.5) * b.Depth * 0.01 * 0.005);
                u = Skewed(Frac(double(r) / double(b.V.Period) + double(b.PhaseShift)), b.Skew);
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
        if constexpr (Phased && Target != ModPitch)
            u = phased ? phase[k] : Skewed(Frac(double(r) / double(b.V.Period)), b.Skew);
        if (++b.Q == b.V.ModPeriod)
            b.Q = 0;
        if constexpr (Wave == WaveSine) {
            b.Angle[k] = TwoPi * u; // the sine follows for the whole block
        } else if constexpr (Wave == WaveSquare || Wave == WaveTriangle) {
            b.X[k] = double(Oscillator(uint8_t(Wave), u));
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

// What the filter chain and the high-pass keep from frame to frame: the four low-pass stages
// and the high-pass's previous input and output, all whole numbers.
struct TChain {
    int64_t S[4] = {0, 0, 0, 0};
    int64_t PreviousIn = 0;
    int64_t PreviousOut = 0;
};

// The filter chain, amplitude and high-pass for a block of frames in 64-bit integers, frame
// after frame: the renderer's own arithmetic, right for any values.
void ChainExact(const double* x, const float* filter, const float* amp, int count, float highPass,
                TChain& chain, double* out) {
    for (int k = 0; k < count; ++k) {
        int64_t value = static_cast<int64_t>(x[k]);
        const float c = filter[k];
        if (c != 1.0f) {
            for (int64_t& memory : chain.S) {
                memory = Trunc(double(value) * c + (1.0 - double(c)) * double(memory));
                value = memory;
            }
        } else {
            for (int64_t& memory : chain.S)
                memory = value;
        }
        value = Trunc(double(value) * double(amp[k]));
        int64_t y =
            Trunc(HighPassSum(chain.PreviousOut, value, chain.PreviousIn) * double(highPass));
        chain.PreviousIn = value;
        chain.PreviousOut = y;
        out[k] = double(y); // a truncated double or a clamping limit: exact
    }
}

// Whole numbers below 2^51 in magnitude: as doubles, their sums of three (in any order) and
// their truncated products are exactly what the 64-bit arithmetic gives. The high-pass adds
// the previous output last, so that only one addition lies on its frame-to-frame path.
constexpr double ExactLimit = 2251799813685248.0;

inline bool ExactAsDouble(int64_t v) {
    return v > -int64_t(ExactLimit) && v < int64_t(ExactLimit);
}

// Truncation toward zero from double to double. With SSE4.1 it is a single rounding
// instruction (a few cycles, on the frame-to-frame path of every filter stage); without, the
// conversion to int64 and back, which gives INT64_MIN for what it cannot convert.
template <bool Round> inline double TruncTowardZero(double v) {
#if defined(__x86_64__)
    if constexpr (Round) {
        // roundsd with mode 11: toward zero, no inexact exception; in place, so the result
        // waits for nothing but `v`.
        asm("roundsd $11, %0, %0" : "+x"(v));
        return v;
    } else {
        return double(_mm_cvttsd_si64(_mm_set_sd(v)));
    }
#else
    return std::trunc(v);
#endif
}

// The largest magnitude among `count` whole numbers held in doubles.
inline double LargestMagnitude(const double* v, int count) {
    double largest = 0.0;
    int k = 0;
#if defined(__x86_64__)
    const __m128d signBit = _mm_set1_pd(-0.0);
    __m128d top = _mm_setzero_pd();
    for (; k + 2 <= count; k += 2)
        top = _mm_max_pd(top, _mm_andnot_pd(signBit, _mm_loadu_pd(v + k)));
    largest = std::max(_mm_cvtsd_f64(top), _mm_cvtsd_f64(_mm_unpackhi_pd(top, top)));
#endif
    for (; k < count; ++k)
        largest = std::max(largest, std::fabs(v[k]));
    return largest;
}

// Whether a block may go through the chain in doubles (below): its inputs, the stage memories
// and the high-pass's memories well inside the exact range, and every coefficient in [0, 1].
// `open` tells whether every coefficient is 1.
#if defined(__x86_64__)
ZEL_WIDE int LargestWide(const double* x, const float* filter, int count, double& largest,
                         uint32_t& lowest, uint32_t& highest);
#endif

bool ChainFits(const double* x, const float* filter, int count, const TChain& chain, bool& open) {
    constexpr int64_t StageLimit = int64_t(1) << 50;
    for (int64_t v : chain.S)
        if (v <= -StageLimit || v >= StageLimit)
            return false;
    if (!ExactAsDouble(chain.PreviousIn) || !ExactAsDouble(chain.PreviousOut))
        return false;
    // c in [+0, 1] is exactly the bit patterns up to that of 1 (negative values, NaN and
    // anything above 1 compare larger as unsigned numbers).
    constexpr uint32_t One = 0x3f800000u;
    uint32_t lowest = One, highest = 0;
    double largest = 0.0;
    int k = 0;
#if defined(__x86_64__)
    if (HasWideVectors())
        k = LargestWide(x, filter, count, largest, lowest, highest);
#endif
    if (!(std::max(largest, LargestMagnitude(x + k, count - k)) < double(StageLimit)))
        return false;
    for (; k < count; ++k) {
        const uint32_t bits = std::bit_cast<uint32_t>(filter[k]);
        lowest = std::min(lowest, bits);
        highest = std::max(highest, bits);
    }
    open = lowest == One;
    return highest <= One;
}

// The same chain in doubles that hold whole numbers, for blocks whose values stay well inside
// the range where that is exact:
//  - inputs and stage memories below 2^50 in magnitude, and every filter coefficient c in
//    [0, 1]: each stage then gives at most the larger magnitude of its input and its memory
//    (c x in + (1 - c) x memory, rounded, is below that plus a half), so no stage comes near
//    the limits where the 64-bit arithmetic clamps;
//  - amplitude and high-pass outputs below 2^51, checked as they come (their magnitudes are
//    summed): the high-pass's sum of three such numbers is exact in a double.
// The results are then exactly those of ChainExact. Otherwise (runaway filters of damaged
// instruments) it returns false without touching `chain`, and the block is done exactly.
template <bool Round>
bool ChainFast(const double* x, const float* filter, const float* amp, int count, float highPass,
               TChain& chain, double* out) {
    bool open = false;
    if (!ChainFits(x, filter, count, chain, open))
        return false;
    double* y = out;
    const double hp = highPass;
    double a = double(chain.PreviousIn), h = double(chain.PreviousOut);
    double totalA = 0.0, totalH = 0.0;
    double p0, p1, p2, p3;
    if (open) {
        // The filter is open for the whole block: every stage passes its input on.
        for (int k = 0; k < count; ++k) {
            const double before = a;
            a = TruncTowardZero<Round>(x[k] * double(amp[k]));
            h = TruncTowardZero<Round>((h + (a - before)) * hp);
            totalA += std::fabs(a);
            totalH += std::fabs(h);
            y[k] = h;
        }
        if (count == 0)
            return true;
        p0 = p1 = p2 = p3 = x[count - 1];
    } else {
        double c[Block], d[Block];
        for (int k = 0; k < count; ++k) {
            c[k] = filter[k];
            d[k] = 1.0 - c[k]; // with c = 1 the stages pass their input on, as when open
        }
        p0 = double(chain.S[0]), p1 = double(chain.S[1]), p2 = double(chain.S[2]),
        p3 = double(chain.S[3]);
        double before = 0.0;
        // Each stage's memory waits only for its own previous value, yet a frame passes six
        // steps in a row. So one round of the loop takes the first stage of frame t, the
        // second of frame t - 1, ..., the high-pass of frame t - 5: later steps first, each
        // from what the previous round left, and the six waits overlap.
        auto round = [&](int t, auto checked) {
            auto live = [&](int f) { return !decltype(checked)::value || (f >= 0 && f < count); };
            if (live(t - 5)) {
                h = TruncTowardZero<Round>((h + (a - before)) * hp);
                totalH += std::fabs(h);
                y[t - 5] = h;
            }
            if (live(t - 4)) {
                before = a;
                a = TruncTowardZero<Round>(p3 * double(amp[t - 4]));
                totalA += std::fabs(a);
            }
            if (live(t - 3))
                p3 = TruncTowardZero<Round>(p2 * c[t - 3] + d[t - 3] * p3);
            if (live(t - 2))
                p2 = TruncTowardZero<Round>(p1 * c[t - 2] + d[t - 2] * p2);
            if (live(t - 1))
                p1 = TruncTowardZero<Round>(p0 * c[t - 1] + d[t - 1] * p1);
            if (live(t))
                p0 = TruncTowardZero<Round>(x[t] * c[t] + d[t] * p0);
        };
        int t = 0;
        for (; t < std::min(5, count); ++t)
            round(t, std::true_type{});
        for (; t < count; ++t)
            round(t, std::false_type{});
        for (; t < count + 5; ++t)
            round(t, std::true_type{});
    }
    if (!(totalA + totalH < ExactLimit))
        return false;
    chain.S[0] = int64_t(p0), chain.S[1] = int64_t(p1), chain.S[2] = int64_t(p2),
    chain.S[3] = int64_t(p3);
    chain.PreviousIn = int64_t(a);
    chain.PreviousOut = int64_t(h);
    return true;
}

std::atomic<bool> RoundInstructionAllowed{true};

bool HasRoundInstruction() {
#if defined(__x86_64__)
    static const bool has = __builtin_cpu_supports("sse4.1");
    return has && RoundInstructionAllowed.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

void FilterChain(const double* x, const float* filter, const float* amp, int count, float highPass,
                 TChain& chain, double* out) {
    const bool done = HasRoundInstruction()
                          ? ChainFast<true>(x, filter, amp, count, highPass, chain, out)
                          : ChainFast<false>(x, filter, amp, count, highPass, chain, out);
    if (!done)
        ChainExact(x, filter, amp, count, highPass, chain, out);
}

// Four notes' blocks for the filter chain side by side, one note in each lane: frame after
// frame, four values, one per lane. A lane whose block is shorter is padded with silence (x 0,
// c 1, amplitude 0); its note ends with that block, so what the padding leaves in its memories
// is never used, and its totals leave the padded frames out.
struct TChainLanes {
    static constexpr int Lanes = 4;
    alignas(32) double X[Lanes * Block], C[Lanes * Block], Amp[Lanes * Block], Out[Lanes * Block];
    // Per lane: the frames of its block, the high-pass factor, the memories (four stages, the
    // high-pass's input and output) and the totals of the amplitude and high-pass magnitudes.
    alignas(32) double Count[Lanes], HighPass[Lanes], State[6][Lanes], Total[Lanes];
};

#if defined(__x86_64__)
ZEL_WIDE inline __m256d TruncQuad(__m256d v) {
    return _mm256_round_pd(v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
}

// One low-pass stage in four lanes: in x c + (1 - c) x memory, truncated, as ChainFast has it.
ZEL_WIDE inline __m256d StageQuad(__m256d in, const double* c, __m256d memory) {
    const __m256d cs = _mm256_load_pd(c);
    return TruncQuad(_mm256_add_pd(_mm256_mul_pd(in, cs),
                                   _mm256_mul_pd(_mm256_sub_pd(_mm256_set1_pd(1.0), cs), memory)));
}

// ChainFast's rounds in four lanes: the same operations in the same order, on four notes at
// once. A note's stages wait for each other, frame after frame, much longer than the processor
// takes to do them: four notes side by side take hardly longer than one.
ZEL_WIDE void ChainQuad(TChainLanes& q, int count) {
    const __m256d hp = _mm256_load_pd(q.HighPass), lengths = _mm256_load_pd(q.Count),
                  signBit = _mm256_set1_pd(-0.0);
    __m256d p0 = _mm256_load_pd(q.State[0]), p1 = _mm256_load_pd(q.State[1]),
            p2 = _mm256_load_pd(q.State[2]), p3 = _mm256_load_pd(q.State[3]),
            a = _mm256_load_pd(q.State[4]), h = _mm256_load_pd(q.State[5]);
    __m256d before = _mm256_setzero_pd(), totalA = before, totalH = before;
    // Only the lanes whose block has frame f count its magnitudes.
    auto counted = [&](int f, __m256d v) ZEL_WIDE {
        const __m256d live = _mm256_cmp_pd(_mm256_set1_pd(f), lengths, _CMP_LT_OQ);
        return _mm256_and_pd(live, _mm256_andnot_pd(signBit, v));
    };
    for (int t = 0; t < count + 5; ++t) {
        if (t >= 5) {
            const int f = t - 5;
            h = TruncQuad(_mm256_mul_pd(_mm256_add_pd(h, _mm256_sub_pd(a, before)), hp));
            totalH = _mm256_add_pd(totalH, counted(f, h));
            _mm256_store_pd(q.Out + 4 * f, h);
        }
        if (t >= 4 && t - 4 < count) {
            const int f = t - 4;
            before = a;
            a = TruncQuad(_mm256_mul_pd(p3, _mm256_load_pd(q.Amp + 4 * f)));
            totalA = _mm256_add_pd(totalA, counted(f, a));
        }
        if (t >= 3 && t - 3 < count)
            p3 = StageQuad(p2, q.C + 4 * (t - 3), p3);
        if (t >= 2 && t - 2 < count)
            p2 = StageQuad(p1, q.C + 4 * (t - 2), p2);
        if (t >= 1 && t - 1 < count)
            p1 = StageQuad(p0, q.C + 4 * (t - 1), p1);
        if (t < count)
            p0 = StageQuad(_mm256_load_pd(q.X + 4 * t), q.C + 4 * t, p0);
    }
    _mm256_store_pd(q.State[0], p0), _mm256_store_pd(q.State[1], p1);
    _mm256_store_pd(q.State[2], p2), _mm256_store_pd(q.State[3], p3);
    _mm256_store_pd(q.State[4], a), _mm256_store_pd(q.State[5], h);
    _mm256_store_pd(q.Total, _mm256_add_pd(totalA, totalH));
}

// Four rows of four doubles turned into four columns.
ZEL_WIDE inline void TransposeQuad(__m256d& r0, __m256d& r1, __m256d& r2, __m256d& r3) {
    const __m256d t0 = _mm256_unpacklo_pd(r0, r1), t1 = _mm256_unpackhi_pd(r0, r1),
                  t2 = _mm256_unpacklo_pd(r2, r3), t3 = _mm256_unpackhi_pd(r2, r3);
    r0 = _mm256_permute2f128_pd(t0, t2, 0x20);
    r1 = _mm256_permute2f128_pd(t1, t3, 0x20);
    r2 = _mm256_permute2f128_pd(t0, t2, 0x31);
    r3 = _mm256_permute2f128_pd(t1, t3, 0x31);
}

// Four lanes' values, `count` (a multiple of four) of each, interleaved frame by frame.
ZEL_WIDE void InterleaveQuad(const double* const* lane, int count, double* out) {
    for (int k = 0; k < count; k += 4) {
        __m256d r0 = _mm256_loadu_pd(lane[0] + k), r1 = _mm256_loadu_pd(lane[1] + k),
                r2 = _mm256_loadu_pd(lane[2] + k), r3 = _mm256_loadu_pd(lane[3] + k);
        TransposeQuad(r0, r1, r2, r3);
        _mm256_store_pd(out + 4 * k, r0), _mm256_store_pd(out + 4 * k + 4, r1);
        _mm256_store_pd(out + 4 * k + 8, r2), _mm256_store_pd(out + 4 * k + 12, r3);
    }
}

ZEL_WIDE void InterleaveQuad(const float* const* lane, int count, double* out) {
    for (int k = 0; k < count; k += 4) {
        __m256d r0 = _mm256_cvtps_pd(_mm_loadu_ps(lane[0] + k)),
                r1 = _mm256_cvtps_pd(_mm_loadu_ps(lane[1] + k)),
                r2 = _mm256_cvtps_pd(_mm_loadu_ps(lane[2] + k)),
                r3 = _mm256_cvtps_pd(_mm_loadu_ps(lane[3] + k));
        TransposeQuad(r0, r1, r2, r3);
        _mm256_store_pd(out + 4 * k, r0), _mm256_store_pd(out + 4 * k + 4, r1);
        _mm256_store_pd(out + 4 * k + 8, r2), _mm256_store_pd(out + 4 * k + 12, r3);
    }
}

// The other way: interleaved values back to four lanes.
ZEL_WIDE void DeinterleaveQuad(const double* in, int count, double* const* lane) {
    for (int k = 0; k < count; k += 4) {
        __m256d r0 = _mm256_load_pd(in + 4 * k), r1 = _mm256_load_pd(in + 4 * k + 4),
                r2 = _mm256_load_pd(in + 4 * k + 8), r3 = _mm256_load_pd(in + 4 * k + 12);
        TransposeQuad(r0, r1, r2, r3);
        _mm256_storeu_pd(lane[0] + k, r0), _mm256_storeu_pd(lane[1] + k, r1);
        _mm256_storeu_pd(lane[2] + k, r2), _mm256_storeu_pd(lane[3] + k, r3);
    }
}

// ChainFits' look at the inputs and coefficients, eight frames at a time: the largest input
// magnitude and the largest coefficient bit pattern (as unsigned numbers). Returns the frames
// it looked at (a multiple of eight).
ZEL_WIDE int LargestWide(const double* x, const float* filter, int count, double& largest,
                         uint32_t& lowest, uint32_t& highest) {
    const __m256d signBit = _mm256_set1_pd(-0.0);
    __m256d top = _mm256_setzero_pd();
    __m256i low = _mm256_set1_epi32(int(lowest)), high = _mm256_set1_epi32(int(highest));
    int k = 0;
    for (; k + 8 <= count; k += 8) {
        top = _mm256_max_pd(top, _mm256_andnot_pd(signBit, _mm256_loadu_pd(x + k)));
        top = _mm256_max_pd(top, _mm256_andnot_pd(signBit, _mm256_loadu_pd(x + k + 4)));
        const __m256i bits = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(filter + k));
        low = _mm256_min_epu32(low, bits);
        high = _mm256_max_epu32(high, bits);
    }
    alignas(32) double tops[4];
    alignas(32) uint32_t lows[8], highs[8];
    _mm256_store_pd(tops, top);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lows), low);
    _mm256_store_si256(reinterpret_cast<__m256i*>(highs), high);
    largest = std::max({largest, tops[0], tops[1], tops[2], tops[3]});
    for (int i = 0; i < 8; ++i)
        lowest = std::min(lowest, lows[i]), highest = std::max(highest, highs[i]);
    return k;
}
#endif

} // namespace

namespace {

// One note between its blocks of frames: its settings, envelopes, oscillator and filter chain,
// and the buffers of the block it is working on. NextBlock works out the envelopes and the
// oscillator of the next block; the filter chain then turns X into Out, for one note alone
// (FilterChain) or beside others (FilterChains).
class TNoteFrames {
public:
    TNoteFrames(int tempo, int pitch, int ticks, const TInstrument& in, int64_t start, int64_t end)
        : m_in(in), m_end(end), m_next(start), m_v(Voice(pitch, in, start)),
          m_gateEnd(start + 2 * NoteSamples(tempo, ticks)), m_ampSteps(in.AmpEnv),
          m_filterSteps(in.FilterEnv), m_noise{NoteNoiseSeed(start, pitch)},
          m_q((start / 2) % m_v.ModPeriod) {} // frames into the modulation period, for every
                                              // note alike

    // The value where the block starts, its frames and the live ones among them (the note
    // ends at the first frame where an envelope has closed).
    int64_t Pos = 0;
    int Frames = 0, Live = 0;
    float Amp[Block], Filter[Block];
    double X[Block], Out[Block];
    TChain Chain;
    float HighPass() const { return m_v.HighPass; }

    // Prepares the next block; false when the note has sounded to its end.
    bool NextBlock() {
        if (!BeginBlock())
            return false;
        while (StepFrame()) {
        }
        if (ShiftsPhase())
            for (int k = 0; k < Live; ++k)
                ShiftFrame(k);
        EndBlock();
        return true;
    }

    // Whether the modulation moves the phase of the waveform frame by frame: the shifts then
    // come from ShiftFrame for every live frame before EndBlock.
    bool ShiftsPhase() const {
        return m_in.ModTarget == ModPitch &&
               (m_in.Wave == WaveSine || m_in.Wave == WaveSquare || m_in.Wave == WaveTriangle);
    }

    void ShiftFrame(int k) {
        const double w = ModulationWave(m_v, m_q);
        m_phaseShift =
            static_cast<float>(m_phaseShift + (w - 0.5) * double(m_in.ModDepth) * 0.01 * 0.005);
        m_shift[k] = m_phaseShift;
        if (++m_q == m_v.ModPeriod)
            m_q = 0;
    }

    // NextBlock in three steps, so that several notes can step their envelopes together (each
    // note's steps wait for each other; the notes' steps do not). BeginBlock is false when the
    // note has sounded to its end; StepFrame steps the envelopes by one frame and is false
    // once the block has its live frames; EndBlock runs the oscillator over them.
    bool BeginBlock() {
        Pos = m_next;
        if (m_done || !(Pos + 1 < m_end))
            return false;
        Frames = int(std::min<int64_t>(Block, (m_end - Pos) / 2));
        m_next = Pos + 2 * Frames;
        m_closed = false;
        Live = SteadyFrames();
        return true;
    }

    bool StepFrame() {
        if (m_closed || Live >= Frames)
            return false;
        const bool gate = Pos + 2 * Live < m_gateEnd;
        StepEnvelope(m_ampSteps, gate, m_a, m_stateA);
        StepEnvelope(m_filterSteps, gate, m_e, m_stateE);
        if (m_a * m_e == 0.0f) {
            m_closed = true; // the note ends here
            return false;
        }
        Amp[Live] = m_a;
        Filter[Live] = m_e;
        ++Live;
        return true;
    }

    void EndBlock() {
        m_done = Live < Frames;
        TBlock block{m_v,       Pos,     Live,   Amp,          Filter,
                     X,         m_angle, m_q,    m_phaseShift, double(m_in.ModDepth),
                     m_in.Skew, m_noise, m_shift};
        OscillatorBlockFor(m_in.Wave, m_in.ModTarget, block);
    }

private:
    static TVoice Voice(int pitch, const TInstrument& in, int64_t start) {
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
        return {in,
                44100.0f / f,
                modPeriod,
                double(modPeriod) * 0.5,
                start,
                (in.Wave == WaveNoise && n >= 1 && n <= 11) ? float(1.0 - double(n) * 0.01)
                                                            : zel::HighPass};
    }

    // A step depends only on the level, the state and the key. When the next step of both
    // envelopes would leave them as they are (a held sustain, a release or decay with no
    // slope), they stay so for as long as the key does: those frames need no stepping. Fills
    // them and returns how many there are.
    int SteadyFrames() {
        const bool gate = Pos < m_gateEnd;
        float nextA = m_a, nextE = m_e;
        int nextStateA = m_stateA, nextStateE = m_stateE;
        StepEnvelope(m_ampSteps, gate, nextA, nextStateA);
        StepEnvelope(m_filterSteps, gate, nextE, nextStateE);
        if (!(nextA == m_a && nextE == m_e && nextStateA == m_stateA && nextStateE == m_stateE &&
              m_a * m_e != 0.0f))
            return 0;
        const int64_t same = gate ? (m_gateEnd - Pos + 1) / 2 : Frames;
        const int steady = int(std::min<int64_t>(Frames, same));
        for (int k = 0; k < steady; ++k) {
            Amp[k] = m_a;
            Filter[k] = m_e;
        }
        return steady;
    }

    const TInstrument& m_in;
    int64_t m_end, m_next;
    bool m_done = false, m_closed = false;
    TVoice m_v;
    int64_t m_gateEnd;
    TEnvelopeSteps m_ampSteps, m_filterSteps;
    float m_a = 0.0f, m_e = 0.0f;
    int m_stateA = EnvAttack, m_stateE = EnvAttack;
    float m_phaseShift = 0.0f;
    TNoise m_noise;
    int64_t m_q;
    double m_angle[Block];
    float m_shift[Block];
};

// The filter chains of several notes' current blocks: four at a time side by side where the
// processor can, each note alone otherwise (and where its values leave the exact range).
void FilterChains(TNoteFrames* const* notes, int count, TChainLanes& q) {
    TNoteFrames* group[TChainLanes::Lanes];
    int n = 0;
    for (int i = 0; i < count; ++i) {
        TNoteFrames& note = *notes[i];
        bool open = false;
        if (HasWideVectors() && HasRoundInstruction() && note.Live > 0 &&
            ChainFits(note.X, note.Filter, note.Live, note.Chain, open))
            group[n++] = &note;
        else
            FilterChain(note.X, note.Filter, note.Amp, note.Live, note.HighPass(), note.Chain,
                        note.Out);
    }
#if defined(__x86_64__)
    if (n < 2) {
#endif
        for (int i = 0; i < n; ++i)
            FilterChain(group[i]->X, group[i]->Filter, group[i]->Amp, group[i]->Live,
                        group[i]->HighPass(), group[i]->Chain, group[i]->Out);
        return;
#if defined(__x86_64__)
    }
    int longest = 0;
    for (int lane = 0; lane < n; ++lane)
        longest = std::max(longest, group[lane]->Live);
    // Whole groups of four frames; shorter blocks padded with silence, missing lanes silent.
    const int frames = (longest + 3) & ~3;
    alignas(32) static constexpr double SilentX[Block] = {};
    alignas(32) static constexpr float SilentAmp[Block] = {};
    alignas(32) static const auto OpenFilter = [] {
        std::array<float, Block> open;
        open.fill(1.0f);
        return open;
    }();
    const double* x[TChainLanes::Lanes];
    const float *c[TChainLanes::Lanes], *amp[TChainLanes::Lanes];
    double* out[TChainLanes::Lanes];
    double scratch[Block];
    for (int lane = 0; lane < TChainLanes::Lanes; ++lane) {
        TNoteFrames* note = lane < n ? group[lane] : nullptr;
        if (note) {
            for (int k = note->Live; k < frames; ++k)
                note->X[k] = 0.0, note->Filter[k] = 1.0f, note->Amp[k] = 0.0f;
            x[lane] = note->X, c[lane] = note->Filter, amp[lane] = note->Amp;
            out[lane] = note->Out;
        } else {
            x[lane] = SilentX, c[lane] = OpenFilter.data(), amp[lane] = SilentAmp;
            out[lane] = scratch;
        }
        q.Count[lane] = note ? note->Live : 0;
        q.HighPass[lane] = note ? double(note->HighPass()) : 0.0;
        const TChain chain = note ? note->Chain : TChain{};
        for (int s = 0; s < 4; ++s)
            q.State[s][lane] = double(chain.S[s]);
        q.State[4][lane] = double(chain.PreviousIn);
        q.State[5][lane] = double(chain.PreviousOut);
    }
    InterleaveQuad(x, frames, q.X);
    InterleaveQuad(c, frames, q.C);
    InterleaveQuad(amp, frames, q.Amp);
    ChainQuad(q, longest);
    // Lanes whose totals went out of range are done again below, from their chain's memories.
    DeinterleaveQuad(q.Out, frames, out);
    for (int lane = 0; lane < n; ++lane) {
        TNoteFrames& note = *group[lane];
        if (!(q.Total[lane] < ExactLimit)) {
            // Beyond the exact range after all: the block again, exactly, from where it began.
            ChainExact(note.X, note.Filter, note.Amp, note.Live, note.HighPass(), note.Chain,
                       note.Out);
            continue;
        }
        for (int s = 0; s < 4; ++s)
            note.Chain.S[s] = int64_t(q.State[s][lane]);
        note.Chain.PreviousIn = int64_t(q.State[4][lane]);
        note.Chain.PreviousOut = int64_t(q.State[5][lane]);
    }
#endif
}

// The frames of one note. `emit(at, samples, count)` receives a block of the note's samples
// (whole numbers) for the frames from value `at` on; it returns false to stop the note.
template <class TEmit>
void RenderFrames(int tempo, int pitch, int ticks, const TInstrument& in, int64_t start,
                  int64_t end, TEmit& emit) {
    TNoteFrames note(tempo, pitch, ticks, in, start, end);
    while (note.NextBlock()) {
        FilterChain(note.X, note.Filter, note.Amp, note.Live, note.HighPass(), note.Chain,
                    note.Out);
        if (!emit(note.Pos, note.Out, note.Live))
            return;
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

// What a block of samples adds to the left and right values, interleaved, when every sample is
// below 2^21 in magnitude and the mix and level below 256: the products then stay below 2^31,
// and mix% and level% are taken in doubles, left and right side by side. For every n below
// 2^31 in magnitude, n x 0.01 truncates to the integer quotient n / 100: the double nearest
// 0.01 is a little above it, so multiples of 100 never fall short of their quotient, and the
// other quotients have fractions at least 0.01 away from whole numbers while the product is
// within 1e-8 (checked for every such n). False for larger values; what it wrote is then to be
// written again.
#if defined(__x86_64__)
// The four-lane part of MixSmall: two frames at a time. Returns the frames it finished and
// raises `largest` to the largest sample magnitude among them.
ZEL_WIDE int MixSmallWide(const double* samples, int count, int mixLeft, int mixRight, int level,
                          int32_t* values, double& largest) {
    const __m256d mix = _mm256_set_pd(mixRight, mixLeft, mixRight, mixLeft);
    const __m256d master = _mm256_set1_pd(level);
    const __m256d signBit = _mm256_set1_pd(-0.0);
    const __m256d hundredth = _mm256_set1_pd(0.01);
    __m256d top = _mm256_setzero_pd();
    int k = 0;
    for (; k + 2 <= count; k += 2) {
        // left and right of both frames: s0 s0 s1 s1
        const __m256d pair = _mm256_castpd128_pd256(_mm_loadu_pd(samples + k));
        const __m256d sample = _mm256_permute4x64_pd(pair, 0x50);
        top = _mm256_max_pd(top, _mm256_andnot_pd(signBit, sample));
        const __m256d part = _mm256_cvtepi32_pd(
            _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_mul_pd(mix, sample), hundredth)));
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(values + 2 * k),
            _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_mul_pd(part, master), hundredth)));
    }
    const __m128d half = _mm_max_pd(_mm256_castpd256_pd128(top), _mm256_extractf128_pd(top, 1));
    largest = std::max({largest, _mm_cvtsd_f64(half), _mm_cvtsd_f64(_mm_unpackhi_pd(half, half))});
    return k;
}
#endif

bool MixSmall(const double* samples, int count, int mixLeft, int mixRight, int level,
              int32_t* values) {
#if defined(__x86_64__)
    if (mixLeft < 0 || mixLeft > 255 || mixRight < 0 || mixRight > 255 || level < 0 || level > 255)
        return false;
    double wideLargest = 0.0;
    const int done = HasWideVectors() ? MixSmallWide(samples, count, mixLeft, mixRight, level,
                                                     values, wideLargest)
                                      : 0;
    const __m128d mix = _mm_set_pd(mixRight, mixLeft);
    const __m128d master = _mm_set1_pd(level);
    const __m128d signBit = _mm_set1_pd(-0.0);
    const __m128d hundredth = _mm_set1_pd(0.01);
    auto percent = [&](__m128d n) { return _mm_cvttpd_epi32(_mm_mul_pd(n, hundredth)); };
    __m128d largest = _mm_set_sd(wideLargest);
    for (int k = done; k < count; ++k) {
        const __m128d sample = _mm_set1_pd(samples[k]);
        largest = _mm_max_sd(largest, _mm_andnot_pd(signBit, sample));
        const __m128d part = _mm_cvtepi32_pd(percent(_mm_mul_pd(mix, sample)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(values + 2 * k),
                         percent(_mm_mul_pd(part, master)));
    }
    return _mm_cvtsd_f64(largest) < 2097152.0;
#else
    (void)samples, (void)count, (void)mixLeft, (void)mixRight, (void)level, (void)values;
    return false;
#endif
}

#if defined(__x86_64__)
// The eight-lane part of AddSmall: the values it finished (a multiple of eight).
ZEL_WIDE size_t AddSmallWide(int16_t* slots, const int32_t* values, size_t count, int32_t& peak) {
    __m256i top = _mm256_set1_epi32(peak);
    const __m256i low16 = _mm256_set1_epi32(0xFFFF);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i sum = _mm256_add_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(values + i)),
            _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(slots + i))));
        top = _mm256_max_epi32(top, _mm256_abs_epi32(sum));
        // The low 16 bits of each sum, packed without saturation (they are 0..65535).
        const __m256i packed = _mm256_packus_epi32(_mm256_and_si256(sum, low16), low16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(slots + i),
                         _mm256_castsi256_si128(_mm256_permute4x64_epi64(packed, 0x08)));
    }
    alignas(32) int32_t tops[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(tops), top);
    peak = *std::max_element(tops, tops + 8);
    return i;
}
#endif

// Adds contributions below 2^30 in magnitude into the buffer, as AddValue does: the sums fit
// 32 bits, so the loop runs on several values at once.
inline void AddSmall(int16_t* slots, const int32_t* values, size_t count, int32_t& peak) {
    size_t i = 0;
#if defined(__x86_64__)
    if (HasWideVectors())
        i = AddSmallWide(slots, values, count, peak);
#endif
    int32_t top = peak;
    for (; i < count; ++i) {
        const int32_t sum = values[i] + slots[i];
        const int32_t magnitude = sum < 0 ? -sum : sum;
        top = std::max(top, magnitude);
        slots[i] = static_cast<int16_t>(sum);
    }
    peak = top;
}
} // namespace

void AllowRoundInstruction(bool allow) {
    RoundInstructionAllowed.store(allow, std::memory_order_relaxed);
}

void AllowWideVectors(bool allow) {
    WideVectorsAllowed.store(allow, std::memory_order_relaxed);
}

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
    const int mixLeft = instrument->MixLeft, mixRight = instrument->MixRight;
    int32_t mixed[2 * Block];
    auto emit = [&](int64_t at, const double* samples, int count) {
        if (MixSmall(samples, count, mixLeft, mixRight, level, mixed)) {
            AddSmall(values + at, mixed, 2 * size_t(count), peak);
            return true;
        }
        for (int k = 0; k < count; ++k) {
            const int64_t sample = static_cast<int64_t>(samples[k]);
            AddValue(values[at + 2 * k], MixPart(mixLeft, sample, level), peak);
            AddValue(values[at + 2 * k + 1], MixPart(mixRight, sample, level), peak);
        }
        return true;
    };
    RenderFrames(tempo, pitch, ticks, *instrument, start, end, emit);
    rs.PeakLevel = peak;
}

namespace {

// Keeps a note's contribution block by block, as RenderVoice describes.
struct TVoiceCollector {
    int Level, MixLeft, MixRight;
    size_t MaxValues;
    TVoiceSound* Sound;
    bool Complete = true;

    bool operator()(int64_t, const double* samples, int count) {
        auto& kept = Sound->Values;
        const size_t at = kept.size();
        if (size_t(count) * 2 > MaxValues - std::min(at, MaxValues)) {
            Complete = false;
            return false;
        }
        kept.resize(at + 2 * size_t(count));
        int32_t* values = kept.data() + at;
        if (MixSmall(samples, count, MixLeft, MixRight, Level, values))
            return true;
        Sound->Small = false;
        bool fits = true;
        for (int k = 0; k < count; ++k) {
            const int64_t sample = static_cast<int64_t>(samples[k]);
            const int64_t left = MixPart(MixLeft, sample, Level);
            const int64_t right = MixPart(MixRight, sample, Level);
            fits &= left == int32_t(left) && right == int32_t(right);
            values[2 * k] = int32_t(left);
            values[2 * k + 1] = int32_t(right);
        }
        Complete = fits;
        return fits;
    }
};

// Starts a note's contribution: false when there is nothing to render.
bool StartVoice(const TVoiceNote& note, TVoiceSound& sound) {
    sound.Start = note.Start;
    sound.Values.clear();
    sound.Small = true;
    // The values grow block by block: a sound kept from an earlier note usually has room.
    return note.Instrument && note.Start >= 0;
}

TVoiceCollector Collector(const TVoiceNote& note, size_t maxValues, TVoiceSound& sound) {
    return {note.Level, note.Instrument->MixLeft, note.Instrument->MixRight, maxValues, &sound};
}

} // namespace

bool RenderVoice(int level, int tempo, int pitch, int ticks, const TInstrument* instrument,
                 int64_t start, int64_t end, size_t maxValues, TVoiceSound& sound) {
    const TVoiceNote note{level, tempo, pitch, ticks, instrument, start, end};
    if (!StartVoice(note, sound))
        return true;
    TVoiceCollector emit = Collector(note, maxValues, sound);
    RenderFrames(tempo, pitch, ticks, *instrument, start, end, emit);
    if (!emit.Complete)
        sound.Values.clear();
    return emit.Complete;
}

void RenderVoices(TVoiceQueue& queue, size_t maxValues) {
    struct TLane {
        std::optional<TNoteFrames> Note;
        std::optional<TVoiceCollector> Emit;
        size_t Id = 0;
    };
    auto lanes = std::make_unique<TLane[]>(TChainLanes::Lanes);
    auto chains = std::make_unique<TChainLanes>();
    auto finish = [&](TLane& lane, bool complete) {
        if (!complete)
            decltype(lane.Emit->Sound->Values)().swap(lane.Emit->Sound->Values);
        lane.Note.reset();
        lane.Emit.reset();
        queue.Done(lane.Id, complete);
    };
    bool more = true;
    for (;;) {
        // Every lane with a note gets its next block; a lane whose note has ended takes the
        // next note of the queue.
        TNoteFrames* ready[TChainLanes::Lanes];
        int count = 0;
        bool later = false;
        for (int i = 0; i < TChainLanes::Lanes; ++i) {
            TLane& lane = lanes[size_t(i)];
            for (;;) {
                if (!lane.Note) {
                    TVoiceNote note;
                    TVoiceSound* sound = nullptr;
                    const auto take = more ? queue.Take(note, sound, lane.Id) : TVoiceQueue::End;
                    more = take != TVoiceQueue::End;
                    later = later || take == TVoiceQueue::Later;
                    if (take != TVoiceQueue::Note)
                        break;
                    if (!StartVoice(note, *sound)) {
                        queue.Done(lane.Id, true);
                        continue;
                    }
                    lane.Emit.emplace(Collector(note, maxValues, *sound));
                    lane.Note.emplace(note.Tempo, note.Pitch, note.Ticks, *note.Instrument,
                                      note.Start, note.End);
                }
                if (lane.Note->BeginBlock()) {
                    ready[count++] = &*lane.Note;
                    break;
                }
                finish(lane, lane.Emit->Complete);
            }
        }
        if (count == 0 && later) {
            queue.Wait();
            continue;
        }
        if (count == 0)
            return;
        // The envelopes of all lanes frame by frame together, then their oscillators.
        bool stepping[TChainLanes::Lanes] = {true, true, true, true};
        for (bool any = true; any;) {
            any = false;
            for (int i = 0; i < count; ++i)
                if (stepping[i])
                    any |= stepping[i] = ready[i]->StepFrame();
        }
        // Likewise the phase shifts of the lanes whose modulation moves the pitch.
        TNoteFrames* shifting[TChainLanes::Lanes];
        int shifts = 0, longest = 0;
        for (int i = 0; i < count; ++i)
            if (ready[i]->ShiftsPhase()) {
                shifting[shifts++] = ready[i];
                longest = std::max(longest, ready[i]->Live);
            }
        for (int k = 0; k < longest; ++k)
            for (int i = 0; i < shifts; ++i)
                if (k < shifting[i]->Live)
                    shifting[i]->ShiftFrame(k);
        for (int i = 0; i < count; ++i)
            ready[i]->EndBlock();
        FilterChains(ready, count, *chains);
        for (int i = 0; i < TChainLanes::Lanes; ++i) {
            TLane& lane = lanes[size_t(i)];
            if (!lane.Note)
                continue;
            bool going = false;
            try {
                going = (*lane.Emit)(lane.Note->Pos, lane.Note->Out, lane.Note->Live);
            } catch (const std::bad_alloc&) {
                lane.Emit->Complete = false;
            }
            if (!going)
                finish(lane, lane.Emit->Complete);
        }
    }
}

void MixVoice(const TVoiceSound& sound, std::span<int16_t> buffer, int32_t& peak) {
    size_t at = size_t(sound.Start);
    size_t count = std::min(sound.Values.size(), at < buffer.size() ? buffer.size() - at : 0);
    const int32_t* values = sound.Values.data();
    int32_t largest = 0;
    if (!sound.Small)
        for (size_t i = 0; i < count; ++i)
            largest = std::max(largest, values[i] < 0 ? -(values[i] + 1) : values[i]);
    if (largest < (1 << 30)) {
        AddSmall(buffer.data() + at, values, count, peak);
        return;
    }
    for (size_t i = 0; i < count; ++i)
        AddValue(buffer[at + i], values[i], peak);
}

} // namespace zel
