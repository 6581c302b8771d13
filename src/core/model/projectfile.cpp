#include "model/projectfile.h"

#include <algorithm>

#include "base/message_service.h"
#include "model/datafile.h"
#include "model/rtf.h"
#include "model/structure.h"
#include "model/text_fields.h"

namespace zel {

namespace {

constexpr int RiffHeaderFields = 12;
constexpr int MaxKey = 6;
constexpr int MinTuning = -128;

// Splits the notes document at its line breaks (CR LF or CR); a document ending in a line break
// gives a last empty line, so joining the lines with CR LF gives it back. A lone LF is line
// content to the reader, so it stays inside its line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::string WithoutLineBreaks(std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '\r', ' ');
    return out;
}

} // namespace

std::string ValueText(int value) {
    return value == 255 ? "-" : std::to_string(value);
}

int ParseValue(std::string_view text, int defaultValue) {
    if (text.empty())
        return defaultValue;
    if (text == "-")
        return 255;
    return std::min(ReadLeadingInt(text), 255);
}

std::string NoteText(const TNote& note) {
    std::string text;
    for (uint8_t fret : note.Fret)
        text += ValueText(fret) + '\t';
    text += ValueText(note.Duration) + '\t';
    text += std::to_string(note.Flags);
    return text;
}

void ParseNote(std::string_view text, TNote& note) {
    // Field by field along the line: a project holds hundreds of thousands of note lines, and
    // a list of the fields for each would cost more than reading them.
    size_t start = 0;
    auto next = [&] {
        if (start > text.size())
            return std::string_view{}; // fields missing at the end read as empty
        size_t tab = text.find('\t', start);
        size_t end = tab == std::string_view::npos ? text.size() : tab;
        std::string_view field = text.substr(start, end - start);
        start = end + 1;
        return field;
    };
    for (size_t slot = 0; slot < StringSlots; ++slot)
        note.Fret[slot] = static_cast<uint8_t>(ParseValue(next(), 255));
    note.Duration = static_cast<uint8_t>(ParseValue(next(), 255));
    // Only the dot, double-dot and tie bits mean anything; stray bits would confuse code that
    // compares flags.
    note.Flags = static_cast<uint8_t>(ParseValue(next(), 0)) & (NoteDot | NoteDotDot | NoteTie);
}

std::string RiffHeaderText(const TRiff& riff) {
    std::string text;
    for (int32_t tuning : riff.Tuning)
        text += ValueText(tuning) + '\t';
    text += std::to_string(riff.Tempo) + '\t';
    text += WithoutFieldBreaks(riff.BarsA) + '\t';
    text += std::to_string(riff.BarsB) + '\t';
    text += std::to_string(riff.Key);
    return text;
}

void ParseRiffHeader(std::string_view line, int& fieldIndex, TRiff& riff) {
    auto field = [&](int k) { return TabField(line, fieldIndex + k); };
    // Open strings far below any instrument only make pitch sums overflow: they are kept
    // within a byte's range below zero.
    for (int slot = 0; slot < StringSlots; ++slot)
        riff.Tuning[size_t(slot)] =
            std::max(ParseValue(field(slot), DefaultTuning[size_t(slot)]), MinTuning);
    int tempo = ReadLeadingInt(field(8));
    riff.Tempo = static_cast<uint16_t>(tempo <= 0 ? 120 : std::min(tempo, 65535));
    std::string_view barsA = field(9);
    riff.BarsA = barsA.empty() ? "4" : std::string(barsA);
    int barsB = ReadLeadingInt(field(10));
    riff.BarsB = static_cast<uint16_t>(barsB <= 0 ? 4 : std::min(barsB, 65535));
    // Keys outside six flats .. six sharps have no key signature to show.
    riff.Key = std::clamp(ReadLeadingInt(field(11)), -MaxKey, MaxKey);
    fieldIndex += RiffHeaderFields;
}

void WriteProject(const TProject& project, TDataFile& file) {
    for (int i = 0; i < project.RiffNames.Count(); ++i) {
        const std::string& name = project.RiffNames[i];
        if (name.empty())
            continue;
        const TRiff& riff = project.Riffs[size_t(i)];
        WriteTextLine(file, "T\t" + WithoutFieldBreaks(name) + '\t' + RiffHeaderText(riff));
        int count = NoteCount(riff);
        for (int j = 0; j < count; ++j)
            WriteTextLine(file, "N\t" + NoteText(riff.Notes[size_t(j)]));
    }
    // Every instrument tab but the blank one: structure columns are positions in this list, so
    // no instrument may be left out, not even with 100 instruments and no blank tab.
    for (int k = 0; k < project.InstrumentNames.RecordCount(); ++k)
        WriteTextLine(file, "I\t" + WithoutFieldBreaks(project.InstrumentNames[k]) + '\t' +
                                InstrumentToText(project.Instruments[size_t(k)]));
    for (const auto& row : project.Structure)
        WriteTextLine(file, "s\t" + WithoutLineBreaks(row));
    for (auto line : SplitLines(project.NotesRtf))
        WriteTextLine(file, "x\t" + std::string(line));
}

bool SaveProject(const TProject& project, const std::string& path) {
    auto file = OpenDataFile(path, true);
    if (!file)
        return false;
    WriteProject(project, *file);
    return CloseDataFile(std::move(file));
}

void ReadProject(TProject& project, TDataFile& file) {
    int r = 0;       // riffs seen (T lines)
    int k = 0;       // instruments seen (I lines)
    int n = 0;       // notes of the current riff
    int clashes = 0; // instrument clashes in old S lines
    std::vector<std::string> xLines;
    std::string line; // one buffer for every line: note lines are longer than a short string
    for (;;) {
        file.ReadLine(line);
        if (line.empty())
            break;
        std::string_view rest = line.size() > 2 ? std::string_view(line).substr(2) : "";
        switch (line[0]) {
        case 'T': {
            ++r;
            n = 0;
            if (r > MaxRiffs)
                break; // no record for it: the riff and its notes are ignored
            project.RiffNames.GrowTo(r);
            std::string_view name = TabField(line, 1);
            // A nameless riff would be taken for the blank tab and dropped on the next save.
            project.RiffNames.SetCaption(
                r - 1, name.empty() ? UnusedCaption(project.RiffNames, "Riff", r) : name);
            int field = 2;
            ParseRiffHeader(line, field, project.Riffs[size_t(r - 1)]);
            break;
        }
        case 'N': {
            if (r < 1 || r > MaxRiffs)
                break; // notes before the first riff, or of an ignored riff
            TRiff& riff = project.Riffs[size_t(r - 1)];
            EnsureNotes(riff, n + 2);
            TNote& note = riff.Notes[size_t(n)];
            ParseNote(rest, note);
            // A missing or out-of-table duration would end the note list here and hide every
            // later note of the riff; such a note is kept as a quarter instead.
            if (note.Duration > MaxDurationIndex)
                note.Duration = QuarterDuration;
            ++n;
            break;
        }
        case 'I': {
            ++k;
            if (k > MaxInstruments)
                break;
            project.InstrumentNames.GrowTo(k);
            std::string_view name = TabField(line, 1);
            project.InstrumentNames.SetCaption(
                k - 1, name.empty() ? UnusedCaption(project.InstrumentNames, "Inst", k) : name);
            TextToInstrument(line, 2, project.Instruments[size_t(k - 1)]);
            break;
        }
        case 's':
            project.Structure.emplace_back(rest);
            break;
        case 'x':
            xLines.emplace_back(rest);
            break;
        case 'X':
            AppendPlainParagraph(project.NotesRtf, rest);
            break;
        case 'S':
            AppendPlainParagraph(project.NotesRtf, rest);
            AppendItemNotationRow(project, rest, clashes);
            break;
        default:
            break;
        }
    }
    // Strings with a gap between them (only damage makes those) move down to the low slots.
    for (int i = 0; i < std::min(r, MaxRiffs); ++i)
        CompactStringSlots(project.Riffs[size_t(i)]);
    if (clashes > ShownClashes)
        DisplayError("\\b" + std::to_string(clashes - ShownClashes) + " more instrument clashes");
    project.RiffNames.EnsureBlankTab();
    project.InstrumentNames.EnsureBlankTab();
    if (!xLines.empty()) {
        std::string rtf;
        for (size_t i = 0; i < xLines.size(); ++i) {
            if (i > 0)
                rtf += "\r\n";
            rtf += xLines[i];
        }
        project.NotesRtf = std::move(rtf);
    }
}

std::string ProjectFileProblem(std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos)
        return "The file holds binary data, not a project.";
    // Lines end at CR (the byte after it is dropped); reading stops at the first empty line.
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\r', pos);
        std::string_view line =
            bytes.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        if (line.empty())
            break;
        if (std::string_view("TNIsxSX").find(line[0]) != std::string_view::npos &&
            (line.size() == 1 || line[1] == '\t'))
            return {};
        if (end == std::string_view::npos)
            break;
        pos = end + 2;
    }
    return "The file holds no project lines.";
}

bool LoadProject(TProject& project, const std::string& path) {
    auto file = TDataFile::OpenForReading(path);
    if (!file) {
        DisplayError("Failed to Open File\n" + LastFileError());
        return false;
    }
    std::string bytes = file->ReadAllBytes();
    if (file->ReadFailed()) {
        // A read error mid-file would leave a truncated project that a save then makes final.
        DisplayError("Failed to Open File\n" + LastFileError());
        return false;
    }
    std::string problem = ProjectFileProblem(bytes);
    if (!problem.empty()) {
        // Opening some other file as an empty project would let Save write over it.
        DisplayError("Failed to Open File\n" + problem);
        return false;
    }
    ReadProject(project, *TDataFile::FromBytes(std::move(bytes)));
    return true;
}

namespace {

bool IsItemSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',';
}

void SkipSeparators(std::string_view text, size_t& pos) {
    while (pos < text.size() && IsItemSeparator(text[pos]))
        ++pos;
}

std::string ReadItem(std::string_view text, size_t& pos) {
    SkipSeparators(text, pos);
    std::string item;
    if (pos < text.size() && text[pos] == '"') {
        ++pos;
        while (pos < text.size() && text[pos] != '"')
            item += text[pos++];
        if (pos < text.size())
            ++pos; // closing quote
        return item;
    }
    while (pos < text.size() && !IsItemSeparator(text[pos])) {
        item += text[pos] == '_' ? ' ' : text[pos];
        ++pos;
    }
    return item;
}

// Riff number i+1 for riff tab i, -(k+1) for instrument tab k, 0 for neither.
int LookUpItem(const TProject& project, std::string_view item) {
    int riff = project.RiffNames.Find(item);
    if (riff >= 0)
        return riff + 1;
    int instrument = project.InstrumentNames.Find(item);
    if (instrument >= 0)
        return -(instrument + 1);
    return 0;
}

} // namespace

void AppendItemNotationRow(TProject& project, std::string_view items, int& clashes) {
    std::string row;
    size_t pos = 0;
    for (;;) {
        SkipSeparators(items, pos);
        if (pos >= items.size())
            break;
        int repeat = 1;
        if (items[pos] >= '0' && items[pos] <= '9') {
            size_t start = pos;
            while (pos < items.size() && items[pos] >= '0' && items[pos] <= '9')
                ++pos;
            repeat = ReadLeadingInt(items.substr(start, pos - start));
        }
        int first = LookUpItem(project, ReadItem(items, pos));
        int second = LookUpItem(project, ReadItem(items, pos));
        if (first < 1 || second >= 0)
            continue;
        int column = -second - 1;
        const std::string& riffName = project.RiffNames[first - 1];
        if (!StructureField(row, RiffFieldIndex(column)).empty() && ++clashes <= ShownClashes)
            DisplayError("\\bInstrument clash: " + riffName);
        SetStructureField(row, RepeatFieldIndex(column), std::to_string(repeat));
        SetStructureField(row, RiffFieldIndex(column), riffName);
    }
    if (!row.empty())
        project.Structure.push_back(std::move(row));
}

} // namespace zel
