#include "edit/music.h"

#include <algorithm>
#include <vector>

namespace zel {

int PitchClass(int pitch) {
    return ((pitch % 12) + 12) % 12;
}

std::string PitchOctaveText(int pitch) {
    int octave = 4 + (pitch >= 0 ? pitch / 12 : -((-pitch + 11) / 12));
    return std::string(NoteNames[size_t(PitchClass(pitch))]) + " " + std::to_string(octave);
}

namespace {

bool IsBarSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n';
}

// Bar lengths in ticks of one cycle of the numerator list.
std::vector<int> BarCycle(const TRiff& riff) {
    std::vector<int> cycle;
    const std::string& text = riff.BarsA;
    int denominator = riff.BarsB == 0 ? 4 : riff.BarsB;
    size_t p = 0;
    for (;;) {
        while (p < text.size() && IsBarSeparator(text[p]))
            ++p;
        if (p >= text.size())
            break;
        long long number = 0;
        bool digits = false;
        while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
            digits = true;
            if (number < 1'000'000)
                number = number * 10 + (text[p] - '0');
            ++p;
        }
        if (!digits) {
            // Not a number: counts as 1; step past it so the cycle cannot stall.
            while (p < text.size() && !IsBarSeparator(text[p]))
                ++p;
        }
        if (number == 0)
            number = 1;
        cycle.push_back(int(std::max<long long>(1, number * TicksPerWhole / denominator)));
    }
    if (cycle.empty())
        cycle.push_back(std::max(1, TicksPerWhole / denominator));
    return cycle;
}

} // namespace

TBarSplit BarSplit(const TRiff& riff, int ticks) {
    TBarSplit split;
    if (ticks <= 0) {
        split.Rest = ticks < 0 ? 0 : ticks;
        return split;
    }
    std::vector<int> cycle = BarCycle(riff);
    long long cycleTicks = 0;
    for (int bar : cycle)
        cycleTicks += bar;
    long long whole = ticks / cycleTicks;
    long long rest = ticks - whole * cycleTicks;
    long long bars = whole * static_cast<long long>(cycle.size());
    for (int bar : cycle) {
        if (rest < bar)
            break;
        rest -= bar;
        ++bars;
    }
    split.Bars = int(bars);
    split.Rest = int(rest);
    return split;
}

TPositionParts PositionParts(const TRiff& riff, int ticks) {
    TBarSplit split = BarSplit(riff, ticks);
    TPositionParts parts;
    parts.Bars = split.Bars;
    parts.ShowBars = split.Bars > 0 || ticks == 0;
    int rest = split.Rest;
    int denominator = TicksPerWhole;
    while (rest > 0 && rest % 2 == 0) {
        rest /= 2;
        denominator /= 2;
    }
    parts.Numerator = rest;
    parts.Denominator = rest > 0 ? denominator : TicksPerWhole;
    parts.Plus = parts.ShowBars && rest > 0;
    return parts;
}

std::string PositionPlainText(const TRiff& riff, int ticks) {
    TPositionParts parts = PositionParts(riff, ticks);
    std::string text;
    if (parts.ShowBars)
        text += std::to_string(parts.Bars);
    if (parts.Plus)
        text += "+";
    if (parts.Numerator > 0)
        text += std::to_string(parts.Numerator) + "/" + std::to_string(parts.Denominator);
    return text;
}

} // namespace zel
