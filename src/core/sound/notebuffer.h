// The voice renderer: one note of one instrument synthesised sample by sample and added into a
// stereo 16-bit buffer (left, right interleaved, 44100 frames per second).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "model/instrument.h"

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

// What rendering keeps between notes: the peak of the unwrapped sums.
struct TRenderState {
    int32_t PeakLevel = 0;

    void Restart() { PeakLevel = 0; }
};

// The noise of a note starts from a seed taken from its start position (in values) and its
// pitch, so notes render independently, the strings of a chord do not sound the same noise,
// and the same project always renders the same bytes.
uint32_t NoteNoiseSeed(int64_t start, int pitch);

// Adds one note into `buffer` from value `start` (even) up to, not including, `end`. `level`
// is the master volume 0..100, `pitch` the pitch before the instrument's octave shift, `ticks`
// how long the key is held. Nothing is written outside the buffer.
void RenderNote(TRenderState& state, int level, int tempo, int pitch, int ticks,
                const TInstrument* instrument, std::span<int16_t> buffer, int64_t start,
                int64_t end);

// Whether the filter chain may truncate with the processor's rounding instruction (SSE4.1),
// where there is one; otherwise it converts to integers and back. Both give the same samples;
// the tests turn the instruction off to compare the other way too.
void AllowRoundInstruction(bool allow);

// Whether the oscillator and the mix may use the processor's four-lane instructions (AVX2),
// where there are some; otherwise they go two lanes at a time. Both give the same samples; the
// tests turn them off to compare the other way too.
void AllowWideVectors(bool allow);

// What one note adds to a buffer, value by value from `Start` on, apart from the buffer: notes
// can be rendered side by side on several threads and added in their order afterwards, which
// gives exactly the samples and the peak of rendering them one after another.
struct TVoiceSound {
    int64_t Start = 0;
    std::vector<int32_t> Values;
};
// Renders a note's contribution up to `end`. False (and nothing kept) when it would need more
// than `maxValues` values or a value outside 32 bits; such a note is rendered with RenderNote.
bool RenderVoice(int level, int tempo, int pitch, int ticks, const TInstrument* instrument,
                 int64_t start, int64_t end, size_t maxValues, TVoiceSound& sound);
// Adds a contribution into the buffer with wraparound, raising `peak` with every unwrapped sum.
void MixVoice(const TVoiceSound& sound, std::span<int16_t> buffer, int32_t& peak);

} // namespace zel
