#include "model/riff_settings.h"

#include <algorithm>

#include "model/projectfile.h"
#include "model/text_fields.h"

namespace zel {

namespace {
constexpr int RiffSettingsFields = 12;
constexpr int MaxBarsBExponent = 4;
} // namespace

bool ApplyStringPreset(TRiff& riff, int strings) {
    if (strings < MinStrings || strings > MaxStrings)
        return false;
    riff.Tuning.fill(NoString);
    // Four and six strings start at the low E; five and seven add the low B below it.
    int first = (strings == 5 || strings == 7) ? 0 : 1;
    for (int slot = 0; slot < strings; ++slot)
        riff.Tuning[size_t(slot)] = StringPresets[size_t(first + slot)];
    return true;
}

bool ShiftAllStrings(TRiff& riff, int semitones) {
    bool moved = false;
    for (int32_t& tuning : riff.Tuning) {
        if (tuning == NoString)
            continue;
        int shifted = tuning + semitones;
        if (shifted >= TuningSliderMin && shifted <= TuningSliderMax) {
            tuning = shifted;
            moved = true;
        }
    }
    return moved;
}

int SetTempoOfAllRiffs(TProject& project, uint16_t tempo) {
    int changed = 0;
    for (auto& riff : project.Riffs) {
        if (riff.Tempo != tempo) {
            riff.Tempo = tempo;
            ++changed;
            project.SetChanged(true);
        }
    }
    return changed;
}

int BarsBExponent(uint16_t barsB) {
    int exponent = -1;
    for (unsigned v = barsB; v > 0; v >>= 1)
        ++exponent;
    return std::clamp(exponent, 0, MaxBarsBExponent);
}

uint16_t BarsBFromExponent(int exponent) {
    return uint16_t(1u << std::clamp(exponent, 0, MaxBarsBExponent));
}

bool IsNumeratorChar(char c) {
    return (c >= '0' && c <= '9') || static_cast<unsigned char>(c) <= ' ';
}

int KeyEntryIndex(int key) {
    return std::clamp(key, -6, 6) + 6;
}

TRiffProperties FillRiffProperties(const TProject& project, int index) {
    TRiffProperties properties;
    if (index < 0 || index >= MaxRiffs)
        return properties;
    const TRiff& riff = project.Riffs[size_t(index)];
    properties.Name = index < project.RiffNames.Count() ? project.RiffNames[index] : "";
    properties.Tempo = riff.Tempo;
    properties.BarsA = riff.BarsA;
    properties.BarsBExp = BarsBExponent(riff.BarsB);
    properties.KeyIndex = KeyEntryIndex(riff.Key);
    return properties;
}

void StoreRiffProperties(TProject& project, int index, const TRiffProperties& properties) {
    if (index < 0 || index >= MaxRiffs)
        return;
    TRiff& riff = project.Riffs[size_t(index)];
    project.RiffNames.SetCaption(index, properties.Name.empty() ? "Riff" + std::to_string(index + 1)
                                                                : properties.Name);
    riff.Tempo = properties.Tempo;
    riff.BarsA = WithoutFieldBreaks(properties.BarsA);
    riff.BarsB = BarsBFromExponent(properties.BarsBExp);
    riff.Key = std::clamp(properties.KeyIndex, 0, 12) - 6;
}

bool PasteRiffSettings(TRiff& riff, std::string_view text) {
    if (TabFieldCount(text) != RiffSettingsFields)
        return false;
    int field = 0;
    ParseRiffHeader(text, field, riff);
    CompactStringSlots(riff);
    return true;
}

} // namespace zel
