// The voice renderer: one note of one instrument synthesised sample by sample and added into a
// stereo 16-bit buffer (left, right interleaved, 44100 frames per second).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <utility>
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
// Frames a note of the instrument may still sound after its key is released from full level,
// until the faster of its two envelopes has closed: 1 for an instant release, for ever
// (INT64_MAX / 4) for release 0.
int64_t RingFrames(const TInstrument& instrument);

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
// Storage whose new elements are left as they are: every value is written when it is rendered.
template <class T> struct TUninitialized : std::allocator<T> {
    template <class U> struct rebind { using other = TUninitialized<U>; };
    template <class U, class... A> void construct(U* at, A&&... args) {
        if constexpr (sizeof...(A) > 0)
            ::new (static_cast<void*>(at)) U(std::forward<A>(args)...);
        else
            ::new (static_cast<void*>(at)) U;
    }
};
struct TVoiceSound {
    int64_t Start = 0;
    std::vector<int32_t, TUninitialized<int32_t>> Values;
    bool Small = false; // every value is known to lie below 2^30 in magnitude
};
// Renders a note's contribution up to `end`. False (and nothing kept) when it would need more
// than `maxValues` values or a value outside 32 bits; such a note is rendered with RenderNote.
bool RenderVoice(int level, int tempo, int pitch, int ticks, const TInstrument* instrument,
                 int64_t start, int64_t end, size_t maxValues, TVoiceSound& sound);
// A note to render apart: RenderVoice's arguments.
struct TVoiceNote {
    int Level = 0, Tempo = 0, Pitch = 0, Ticks = 0;
    const TInstrument* Instrument = nullptr;
    int64_t Start = 0, End = 0;
};
// Where RenderVoices takes its notes from and hands them back.
class TVoiceQueue {
public:
    virtual ~TVoiceQueue() = default;
    enum TTake { Note, Later, End };
    // The next note, the sound that is to keep its contribution, and an id for Done. Later when
    // the queue holds notes back for now (Wait then waits for them), End when it has no more.
    virtual TTake Take(TVoiceNote& note, TVoiceSound*& sound, size_t& id) = 0;
    // The note's contribution is in its sound; `complete` as RenderVoice returns it.
    virtual void Done(size_t id, bool complete) = 0;
    // Called with no note in hand after Take said Later: returns when it is worth asking again.
    virtual void Wait() = 0;
};
// Renders the queue's notes as RenderVoice does, several at a time side by side (their filter
// chains share the processor's vector lanes), until the queue has no more.
void RenderVoices(TVoiceQueue& queue, size_t maxValues);
// Adds a contribution into the buffer with wraparound, raising `peak` with every unwrapped sum.
void MixVoice(const TVoiceSound& sound, std::span<int16_t> buffer, int32_t& peak);

} // namespace zel
