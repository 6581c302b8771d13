#include "arrange/text_tab.h"

#include <algorithm>
#include <cctype>

#include "edit/music.h"

namespace zel {

namespace {

// The string slots from the highest string down.
std::vector<int> SlotsFromTop(const TRiff& riff) {
    std::vector<int> slots;
    for (int slot = 0; slot < StringSlots; ++slot)
        if (HasString(riff, slot))
            slots.push_back(slot);
    std::stable_sort(slots.begin(), slots.end(),
                     [&](int a, int b) { return riff.Tuning[size_t(a)] > riff.Tuning[size_t(b)]; });
    return slots;
}

// One record's stretch of the line.
struct TCell {
    std::vector<std::string> Frets; // by line, empty for no fret
    std::string Chord;
    int Width = 1;
    bool BarAfter = false;
};

void TrimRight(std::string& line) {
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
}

} // namespace

std::vector<std::string> TextTabStringNames(const TRiff& riff) {
    std::vector<std::string> names;
    for (int slot : SlotsFromTop(riff))
        names.emplace_back(NoteNames[size_t(PitchClass(riff.Tuning[size_t(slot)]))]);
    if (names.size() > 1 && std::find(names.begin() + 1, names.end(), names.front()) != names.end())
        for (char& c : names.front())
            c = char(std::tolower(uint8_t(c)));
    return names;
}

std::string TextTab(const TRiff& riff, int first, int last, int width) {
    const std::vector<int> slots = SlotsFromTop(riff);
    std::vector<std::string> names = TextTabStringNames(riff);
    size_t nameWidth = 0;
    for (const auto& name : names)
        nameWidth = std::max(nameWidth, name.size());
    for (auto& name : names)
        name.resize(nameWidth, ' ');
    width = std::clamp(width, MinTextTabWidth, MaxTextTabWidth);

    const int count = NoteCount(riff);
    first = std::clamp(first, 0, count);
    last = last < 0 ? count - 1 : std::min(last, count - 1);

    std::vector<TCell> cells;
    TChordNamer namer;
    bool anyChord = false;
    int64_t ticks = RiffTicks(riff, first);
    int64_t bars = BarSplit(riff, ticks).Bars;
    for (int i = first; i <= last; ++i) {
        const TNote& note = riff.Notes[size_t(i)];
        TCell cell;
        cell.Frets.resize(slots.size());
        bool held = i > first && (riff.Notes[size_t(i - 1)].Flags & NoteTie);
        if (!held) {
            // A tie chain sounds the frets of its last record for the whole chain.
            int sounding = i;
            while (sounding + 1 < count && (riff.Notes[size_t(sounding)].Flags & NoteTie))
                ++sounding;
            const TNote& shown = riff.Notes[size_t(sounding)];
            for (size_t line = 0; line < slots.size(); ++line) {
                uint8_t fret = shown.Fret[size_t(slots[line])];
                if (fret != NoFret)
                    cell.Frets[line] = std::to_string(fret);
            }
            cell.Chord = namer.Name(NotePattern(riff, shown));
            anyChord = anyChord || !cell.Chord.empty();
        } else {
            namer.StartBand(); // a chord after a held one is named again
        }
        size_t widest = 0;
        for (const auto& fret : cell.Frets)
            widest = std::max(widest, fret.size());
        cell.Width = std::max(int(widest) + 1, NoteTicks(note) / TicksPerTextColumn);
        ticks += NoteTicks(note);
        int64_t now = BarSplit(riff, ticks).Bars;
        cell.BarAfter = now != bars;
        bars = now;
        cells.push_back(std::move(cell));
    }

    // Systems: whole bars while they fit, a bar wider than a system split between records.
    const int lineRoom = width - int(nameWidth) - 1;
    std::vector<std::pair<size_t, size_t>> systems; // cell ranges [begin, end)
    size_t begin = 0, used = 0;
    for (size_t at = 0; at < cells.size();) {
        size_t barEnd = at;
        int barWidth = 0;
        while (barEnd < cells.size()) {
            barWidth += cells[barEnd].Width + (cells[barEnd].BarAfter ? 1 : 0);
            if (cells[barEnd++].BarAfter)
                break;
        }
        if (used > 0 && int(used) + barWidth > lineRoom) {
            systems.push_back({begin, at});
            begin = at;
            used = 0;
        }
        if (barWidth <= lineRoom) {
            used += size_t(barWidth);
            at = barEnd;
            continue;
        }
        // Too wide for any system: as many records as fit on each.
        for (; at < barEnd; ++at) {
            int w = cells[at].Width + (cells[at].BarAfter ? 1 : 0);
            if (used > 0 && int(used) + w > lineRoom) {
                systems.push_back({begin, at});
                begin = at;
                used = 0;
            }
            used += size_t(w);
        }
    }
    if (begin < cells.size() || systems.empty())
        systems.push_back({begin, cells.size()});

    std::string text;
    for (size_t s = 0; s < systems.size(); ++s) {
        auto [from, to] = systems[s];
        if (s > 0)
            text += '\n';
        if (anyChord) {
            std::string line(nameWidth + 1, ' ');
            size_t column = line.size();
            for (size_t c = from; c < to; ++c) {
                if (!cells[c].Chord.empty()) {
                    // Above its record, or after the name before when that one is long.
                    size_t at = column;
                    if (line.size() > nameWidth + 1)
                        at = std::max(at, line.size() + 1);
                    line.resize(at, ' ');
                    line += cells[c].Chord;
                }
                column += size_t(cells[c].Width + (cells[c].BarAfter ? 1 : 0));
            }
            TrimRight(line);
            text += line + '\n';
        }
        for (size_t line = 0; line < slots.size(); ++line) {
            std::string row = names[line] + "|";
            for (size_t c = from; c < to; ++c) {
                std::string fret = cells[c].Frets[line];
                row += fret + std::string(size_t(cells[c].Width) - fret.size(), '-');
                if (cells[c].BarAfter)
                    row += '|';
            }
            text += row + '\n';
        }
    }
    return text;
}

} // namespace zel
