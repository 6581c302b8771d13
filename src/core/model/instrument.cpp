#include "model/instrument.h"

#include <atomic>

#include "model/text_fields.h"

namespace zel {

uint32_t NewRecordId() {
    static std::atomic<uint32_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

bool TInstrument::operator==(const TInstrument& o) const {
    return Wave == o.Wave && Skew == o.Skew && Octave == o.Octave && MixLeft == o.MixLeft &&
           MixRight == o.MixRight && AmpEnv == o.AmpEnv && FilterEnv == o.FilterEnv &&
           ModFreq == o.ModFreq && ModDepth == o.ModDepth && ModTarget == o.ModTarget;
}

void DefaultInstrument(TInstrument& instrument) {
    instrument = TInstrument{};
}

void ResetInstruments(std::array<TInstrument, 100>& instruments) {
    for (auto& instrument : instruments)
        DefaultInstrument(instrument);
}

std::array<int64_t, InstrumentFieldCount> InstrumentValues(const TInstrument& in) {
    // Wave and Octave are written signed, the other narrow fields unsigned.
    return {static_cast<int8_t>(in.Wave),
            in.Skew,
            in.AmpEnv.Attack,
            in.AmpEnv.Decay,
            in.AmpEnv.Sustain,
            in.AmpEnv.Release,
            in.FilterEnv.Attack,
            in.FilterEnv.Decay,
            in.FilterEnv.Sustain,
            in.FilterEnv.Release,
            in.ModFreq,
            in.ModDepth,
            in.ModTarget,
            in.Octave,
            in.MixLeft,
            in.MixRight};
}

std::string InstrumentToText(const TInstrument& instrument) {
    std::string text;
    for (int64_t value : InstrumentValues(instrument)) {
        if (!text.empty())
            text += '\t';
        text += std::to_string(value);
    }
    return text;
}

void TextToInstrument(std::string_view text, int firstField, TInstrument& in) {
    auto field = [&](int k) { return ReadLeadingIntWrapped(TabField(text, firstField + k)); };
    auto u8 = [&](int k) { return static_cast<uint8_t>(field(k)); };
    auto i32 = [&](int k) { return static_cast<int32_t>(static_cast<uint32_t>(field(k))); };
    in.Wave = u8(0);
    in.Skew = u8(1);
    in.AmpEnv = {i32(2), i32(3), i32(4), i32(5)};
    in.FilterEnv = {i32(6), i32(7), i32(8), i32(9)};
    in.ModFreq = static_cast<uint16_t>(field(10));
    in.ModDepth = u8(11);
    in.ModTarget = u8(12);
    in.Octave = static_cast<int16_t>(static_cast<uint16_t>(field(13)));
    in.MixLeft = u8(14);
    in.MixRight = u8(15);
}

bool IsInstrumentText(std::string_view text) {
    return TabFieldCount(text) == InstrumentFieldCount;
}

} // namespace zel
