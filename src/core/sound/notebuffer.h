// The voice renderer: one note of one instrument synthesised sample by sample and added into a
// stereo 16-bit buffer (left, right interleaved, 44100 frames per second).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "sound/instrument.h"

namespace zel {

inline constexpr int SampleRate = 44100;

// Frequencies of the twelve pitch classes from middle C (and the C above), single precision.
using TPitchTable = std::array<float, 13>;
TPitchTable BuildPitchTable();
const TPitchTable& PitchTable();

// Frames a note of `ticks` lasts at `tempo` quarter notes per minute; 0 when tempo is 0.
int64_t NoteSamples(int64_t tempo, int64_t ticks);

enum TEnvState : int { EnvAttack = 0, EnvDecay = 1, EnvSustain = 2, EnvRelease = 3 };

// Advances one envelope by one frame.
void EnvelopeStep(const TEnvelope& envelope, bool gate, float& level, int& state);

// What rendering keeps between notes: the peak of the unwrapped sums, and the noise
// generator. A render starts from a fixed seed, so the same project renders the same bytes.
struct TRenderState {
    int32_t PeakLevel = 0;
    uint32_t NoiseSeed = 1;

    void Restart() {
        PeakLevel = 0;
        NoiseSeed = 1;
    }
    // The next noise value, uniform over 0..65534.
    int NextNoise();
};

// Adds one note into `buffer` from value `start` (even) up to, not including, `end`. `level`
// is the master volume 0..100, `pitch` the pitch before the instrument's octave shift, `ticks`
// how long the key is held. Nothing is written outside the buffer.
void RenderNote(TRenderState& state, int level, int tempo, int pitch, int ticks,
                const TInstrument* instrument, std::span<int16_t> buffer, int64_t start,
                int64_t end);

} // namespace zel
