// The instrument record (one synthesizer voice), its defaults and its sixteen-number text form,
// shared by the project file, the instrument file and the clipboard.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zel {

// A number no record of this run had before: riffs and instruments keep theirs through moves,
// inserts and deletes, so a window can hold on to the record it shows.
uint32_t NewRecordId();

enum : uint8_t { WaveSine = 0, WaveTriangle = 1, WaveSquare = 2, WaveNoise = 3 };
enum : uint8_t { ModNone = 0, ModPitch = 1, ModFilter = 2, ModAmp = 3 };

struct TEnvelope {
    int32_t Attack = 1000;
    int32_t Decay = 1000;
    int32_t Sustain = 1000;
    int32_t Release = 1000;

    bool operator==(const TEnvelope&) const = default;
};

struct TInstrument {
    uint8_t Wave = WaveSine;
    uint8_t Skew = 0;
    int16_t Octave = 0;
    uint8_t MixLeft = 10;
    uint8_t MixRight = 10;
    TEnvelope AmpEnv;
    TEnvelope FilterEnv;
    uint16_t ModFreq = 1;
    uint8_t ModDepth = 0;
    uint8_t ModTarget = ModNone;
    // Which record this is inside the open document: kept by copies and moves, new for every
    // default-made instrument, never written to a file and not part of the sound.
    uint32_t Id = NewRecordId();

    // Same sound; the record identity is not compared.
    bool operator==(const TInstrument& other) const;
};

inline constexpr int InstrumentFieldCount = 16;

void DefaultInstrument(TInstrument& instrument);
void ResetInstruments(std::array<TInstrument, 100>& instruments);

// The sixteen fields in text order (Wave, Skew, the amplitude and filter envelopes, ModFreq,
// ModDepth, ModTarget, Octave, MixLeft, MixRight) as the numbers they are written as.
std::array<int64_t, InstrumentFieldCount> InstrumentValues(const TInstrument& instrument);

// Sixteen decimal numbers joined by TAB, no line end.
std::string InstrumentToText(const TInstrument& instrument);

// Reads sixteen TAB-separated fields starting at field `firstField` of `text`. Missing or
// malformed numbers read as 0; every number is cut to its field's width.
void TextToInstrument(std::string_view text, int firstField, TInstrument& instrument);

// True when a clipboard text has the shape of an instrument: exactly sixteen fields.
bool IsInstrumentText(std::string_view text);

} // namespace zel
