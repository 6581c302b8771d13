#include "edit/music.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
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

// The bars of a time signature: the lengths of one cycle of the numerator list, or, when the
// list holds something that is not a number, the bars before it followed by bars of one beat
// for ever (reading never gets past that text).
struct TBarPlan {
    std::vector<int> Bars;
    bool Stalls = false;
    int StallBar = 1;
};

TBarPlan PlanBars(const TRiff& riff) {
    TBarPlan plan;
    const std::string& text = riff.BarsA;
    const int denominator = riff.BarsB == 0 ? 4 : riff.BarsB;
    auto barTicks = [&](long long beats) {
        return int(std::max<long long>(1, beats * TicksPerWhole / denominator));
    };
    plan.StallBar = barTicks(1);
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
            plan.Stalls = true;
            break;
        }
        plan.Bars.push_back(barTicks(number == 0 ? 1 : number));
    }
    if (plan.Bars.empty() && !plan.Stalls)
        plan.Bars.push_back(plan.StallBar); // an empty list: one-beat bars
    return plan;
}

} // namespace

TBarSplit BarSplit(const TRiff& riff, int64_t ticks) {
    TBarSplit split;
    if (ticks <= 0)
        return split;
    TBarPlan plan = PlanBars(riff);
    long long rest = ticks;
    long long bars = 0;
    if (!plan.Stalls) {
        long long cycleTicks = 0;
        for (int bar : plan.Bars)
            cycleTicks += bar;
        long long whole = rest / cycleTicks;
        rest -= whole * cycleTicks;
        bars = whole * static_cast<long long>(plan.Bars.size());
    }
    bool throughList = true;
    for (int bar : plan.Bars) {
        if (rest < bar) {
            throughList = false;
            break;
        }
        rest -= bar;
        ++bars;
    }
    if (plan.Stalls && throughList) {
        bars += rest / plan.StallBar;
        rest %= plan.StallBar;
    }
    split.Bars = bars;
    split.Rest = int(rest);
    return split;
}

TPositionParts PositionParts(const TRiff& riff, int64_t ticks) {
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

std::string PositionPlainText(const TRiff& riff, int64_t ticks) {
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

int StaffToPitch(int position, int key) {
    key = std::clamp(key, -MaxKeyAccidentals, MaxKeyAccidentals);
    int octave = position >= 0 ? position / 7 : -((-position + 6) / 7);
    int step = position - 7 * octave;
    int p = NaturalSemis[size_t(step)];
    if (key > 0 && (SharpMasks[size_t(key)] >> step & 1))
        ++p;
    if (key < 0 && (FlatMasks[size_t(-key)] >> step & 1))
        --p;
    return 12 * octave + p;
}

TStaffPlace PitchToStaff(const TRiff& riff, int pitch) {
    int key = std::clamp(riff.Key, -MaxKeyAccidentals, MaxKeyAccidentals);
    int octave = pitch >= 0 ? pitch / 12 : -((-pitch + 11) / 12);
    int semis = pitch - 12 * octave;
    uint8_t sharps = key > 0 ? SharpMasks[size_t(key)] : 0;
    uint8_t flats = key < 0 ? FlatMasks[size_t(-key)] : 0;
    auto find = [&](uint8_t up, uint8_t down) {
        for (int s = 0; s <= 7; ++s) {
            int inKey = NaturalSemis[size_t(s)] + (up >> (s % 7) & 1) - (down >> (s % 7) & 1);
            if (inKey == semis)
                return s;
        }
        return -1;
    };
    int step = find(sharps, flats);
    if (step >= 0)
        return {7 * octave + step, AccidentalNone};
    step = find(0, 0);
    if (step >= 0)
        return {7 * octave + step, AccidentalNatural};
    step = find(0x7F, 0);
    return {7 * octave + std::max(step, 0), AccidentalSharp};
}

std::vector<int> KeySigSteps(int key) {
    key = std::clamp(key, -MaxKeyAccidentals, MaxKeyAccidentals);
    const auto& steps = key >= 0 ? SharpKeySigSteps : FlatKeySigSteps;
    return {steps.begin(), steps.begin() + std::abs(key)};
}

uint16_t NotePattern(const TRiff& riff, const TNote& note) {
    uint16_t pattern = 0;
    for (int slot = 0; slot < StringSlots; ++slot)
        if (auto pitch = SlotPitch(riff, note, slot))
            pattern |= uint16_t(1u << PitchClass(*pitch));
    return pattern;
}

namespace {

struct TChordEntry {
    uint16_t Pattern;
    const char* Suffix; // nullptr: matches, but gives no name
};

constexpr uint16_t Bits(std::initializer_list<int> semitones) {
    uint16_t pattern = 0;
    for (int s : semitones)
        pattern |= uint16_t(1u << s);
    return pattern;
}

constexpr std::array<TChordEntry, 27> ChordTable = {{
    {0, nullptr},
    {Bits({0}), nullptr},
    {Bits({0, 4, 7}), ""},
    {Bits({0, 3, 7}), "m"},
    {Bits({0, 5, 7}), "sus4"},
    {Bits({0, 7}), "5"},
    {Bits({0, 4}), "-5"},
    {Bits({0, 3}), "m3"},
    {Bits({0, 2, 7}), "sus2"},
    {Bits({0, 4, 7, 11}), "maj7"},
    {Bits({0, 3, 7, 10}), "m7"},
    {Bits({0, 2}), "2-5"},
    {Bits({0, 2, 4, 7}), "+2"},
    {Bits({0, 4, 7, 9}), "+6"},
    {Bits({0, 4, 7, 10}), "7"},
    {Bits({0, 7, 10}), "7-3"},
    {Bits({0, 7, 11}), "maj7-3"},
    {Bits({0, 4, 10}), "7-5"},
    {Bits({0, 3, 10}), "m7-5"},
    {Bits({0, 4, 8}), "5+"},
    {Bits({0, 3, 8}), "m5+"},
    {Bits({0, 8}), "5+"},
    {Bits({0, 4, 6}), "5-"},
    {Bits({0, 3, 6}), "m5-"},
    {Bits({0, 6}), "5-"},
    {Bits({0, 2, 6}), "sus2 5-"},
    {Bits({0, 7, 9}), "+6-3"},
}};

uint16_t RotateUp(uint16_t pattern, int semitones) {
    for (int i = 0; i < semitones; ++i) {
        pattern = uint16_t(pattern << 1);
        if (pattern & 0x1000)
            pattern = uint16_t((pattern & 0x0FFF) | 1);
    }
    return pattern;
}

// For every 12-bit pitch-class set and root: the first chord-table entry that matches the set
// when rotated up to that root, or -1. Built once; naming a chord is then twelve lookups.
using TChordLookup = std::array<std::array<int8_t, 12>, 4096>;

const TChordLookup& ChordLookup() {
    static const TChordLookup lookup = [] {
        TChordLookup table;
        for (auto& roots : table)
            roots.fill(-1);
        for (int root = 0; root < 12; ++root)
            for (int e = int(ChordTable.size()) - 1; e >= 0; --e)
                table[RotateUp(ChordTable[size_t(e)].Pattern, root)][size_t(root)] = int8_t(e);
        return table;
    }();
    return lookup;
}

} // namespace

std::string TChordNamer::Name(uint16_t pattern) {
    if (pattern == LastChordMask)
        return {};
    LastChordMask = pattern;
    const int start = ((LastChordRoot % 12) + 12) % 12;
    int root = start;
    const TChordLookup& lookup = ChordLookup();
    do {
        int e = pattern < lookup.size() ? lookup[pattern][size_t(root)] : -1;
        if (e >= 0) {
            const auto& entry = ChordTable[size_t(e)];
            if (!entry.Suffix)
                return {};
            LastChordRoot = root;
            return std::string(NoteNames[size_t(root)]) + entry.Suffix;
        }
        root = (root + 1) % 12;
    } while (root != start);
    return "??";
}

uint8_t LengthenDuration(uint8_t index) {
    return uint8_t((index - 1) & 7);
}
uint8_t ShortenDuration(uint8_t index) {
    return uint8_t((index + 1) & 7);
}

} // namespace zel
