#include "sound/instrument_controls.h"

#include <cstdlib>

namespace zel {

namespace {

constexpr std::array<uint8_t, 4> ModTargetOfButton = {ModPitch, ModFilter, ModAmp, ModNone};

int FirstDown(const std::array<bool, 4>& down) {
    for (size_t i = 0; i < down.size(); ++i)
        if (down[i])
            return int(i);
    return -1;
}

TEnvelope EnvelopeFrom(const std::array<int, 4>& values) {
    return {int32_t(values[0]), int32_t(values[1]), int32_t(values[2]), int32_t(values[3])};
}

std::array<int, 4> EnvelopeValues(const TEnvelope& envelope) {
    return {envelope.Attack, envelope.Decay, envelope.Sustain, envelope.Release};
}

} // namespace

std::string TenthsText(int value) {
    const long long magnitude = std::llabs(static_cast<long long>(value));
    std::string text = value < 0 ? "-" : "";
    text += std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
    return text;
}

int WaveButton(uint8_t wave) {
    return wave <= WaveSquare ? int(wave) : int(WaveNoise);
}

int ModTargetButton(uint8_t target) {
    for (size_t i = 0; i < ModTargetOfButton.size(); ++i)
        if (ModTargetOfButton[i] == target)
            return int(i);
    return 3;
}

TInstrument InstrumentFromControls(const TInstrumentControls& controls) {
    TInstrument instrument;
    const int wave = FirstDown(controls.WaveDown);
    instrument.Wave = wave < 0 ? uint8_t(WaveNoise) : uint8_t(wave);
    const int mod = FirstDown(controls.ModDown);
    instrument.ModTarget = mod < 0 ? uint8_t(ModNone) : ModTargetOfButton[size_t(mod)];
    // The casts keep the low bits: the field widths of the record.
    instrument.Skew = uint8_t(controls.Skew);
    instrument.Octave = int16_t(controls.Octave);
    instrument.ModFreq = uint16_t(controls.ModFreq);
    instrument.ModDepth = uint8_t(controls.ModDepth);
    instrument.AmpEnv = EnvelopeFrom(controls.AmpEnv);
    instrument.FilterEnv = EnvelopeFrom(controls.FilterEnv);
    instrument.MixLeft = uint8_t(controls.MixLeft);
    instrument.MixRight = uint8_t(controls.MixRight);
    return instrument;
}

TInstrumentControls ControlsFromInstrument(const TInstrument& instrument) {
    TInstrumentControls controls;
    controls.WaveDown[size_t(WaveButton(instrument.Wave))] = true;
    controls.ModDown[size_t(ModTargetButton(instrument.ModTarget))] = true;
    controls.Skew = instrument.Skew;
    controls.Octave = instrument.Octave;
    controls.ModFreq = instrument.ModFreq;
    controls.ModDepth = instrument.ModDepth;
    controls.AmpEnv = EnvelopeValues(instrument.AmpEnv);
    controls.FilterEnv = EnvelopeValues(instrument.FilterEnv);
    controls.MixLeft = instrument.MixLeft;
    controls.MixRight = instrument.MixRight;
    return controls;
}

} // namespace zel
