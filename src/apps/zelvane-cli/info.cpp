#include "info.h"

#include <array>
#include <ostream>
#include <sstream>
#include <vector>

#include "edit/music.h"
#include "model/ansi_text.h"
#include "model/rtf.h"
#include "model/structure.h"
#include "model/text_fields.h"

namespace zel {

namespace {

constexpr std::array<const char*, 13> KeyNames = {
    "G flat", "D flat", "A flat", "E flat", "B flat", "F", "C", "G", "D", "A", "E", "B", "F#"};
constexpr std::array<const char*, 4> WaveNames = {"sine", "triangle", "square", "noise"};
constexpr std::array<const char*, 4> ModTargetNames = {"none", "pitch", "filter", "amplitude"};

std::string KeyName(int key) {
    if (key < -6 || key > 6)
        return std::to_string(key);
    return KeyNames[size_t(key + 6)];
}

std::string TuningText(const TRiff& riff) {
    std::string text;
    for (int slot = 0; slot < StringSlots; ++slot) {
        if (!HasString(riff, slot))
            continue;
        std::string name = PitchOctaveText(riff.Tuning[size_t(slot)]);
        name.erase(name.find(' '), 1);
        text += (text.empty() ? "" : " ") + name;
    }
    return text.empty() ? "no strings" : text;
}

std::string EnvelopeText(const TEnvelope& e) {
    return std::to_string(e.Attack) + "/" + std::to_string(e.Decay) + "/" +
           std::to_string(e.Sustain) + "/" + std::to_string(e.Release);
}

std::string InstrumentText(const TInstrument& in) {
    std::ostringstream out;
    out << (in.Wave < WaveNames.size() ? WaveNames[in.Wave] : "silent") << ", skew " << int(in.Skew)
        << "%, octave " << in.Octave << ", mix " << int(in.MixLeft) << "/" << int(in.MixRight)
        << ", amplitude " << EnvelopeText(in.AmpEnv) << ", filter " << EnvelopeText(in.FilterEnv)
        << ", modulation "
        << (in.ModTarget < ModTargetNames.size() ? ModTargetNames[in.ModTarget] : "none");
    if (in.ModTarget != ModNone)
        out << " " << in.ModFreq / 10 << "." << in.ModFreq % 10 << " Hz " << int(in.ModDepth)
            << "%";
    return out.str();
}

// "2 x Verse (Lead)  |  1 x Bass Line (Bass)", or "(empty)". A row may hold a million cells: it
// is read once, each instrument name converted to UTF-8 once, and each cell written as it is
// read.
void WriteRowText(std::ostream& out, const std::vector<std::string>& instruments,
                  std::string_view row) {
    bool empty = true;
    std::string lastRiff;
    std::string lastRiffUtf8;
    TStructureCells cells(row);
    std::string_view repeat, riff;
    while (cells.Next(repeat, riff)) {
        if (riff.empty())
            continue;
        if (riff != lastRiff || lastRiffUtf8.empty()) {
            lastRiff = riff;
            lastRiffUtf8 = AnsiToUtf8(riff);
        }
        if (!empty)
            out << "  |  ";
        empty = false;
        out << (repeat.empty() ? "1" : repeat) << " x " << lastRiffUtf8 << " (";
        size_t k = size_t(cells.Column());
        if (k < instruments.size())
            out << instruments[k];
        else
            out << "column " << k + 1;
        out << ')';
    }
    if (empty)
        out << "(empty)";
}

// "4/4", or "(4 4 4 3)/4" for a cycle of bar lengths.
std::string TimeSignatureText(const TRiff& riff) {
    std::string numerator = AnsiToUtf8(riff.BarsA);
    if (numerator.find_first_of(" ,") != std::string::npos)
        numerator = "(" + numerator + ")";
    return numerator + "/" + std::to_string(riff.BarsB);
}

nlohmann::json ValueOrNull(int value) {
    return value == 255 ? nlohmann::json(nullptr) : nlohmann::json(value);
}

// Writes JSON as it goes, laid out as nlohmann::json::dump(2) lays out the same value, so the
// output never needs the whole document in memory. Keys are given in sorted order by the
// caller, as the library's objects keep them.
class TJsonWriter {
public:
    explicit TJsonWriter(std::ostream& out) : m_out(out) {}
    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    void Key(std::string_view key) {
        Separate();
        m_out << nlohmann::json(key).dump() << ": ";
        m_afterKey = true;
    }
    void Number(int64_t value) {
        Separate();
        m_out << value;
    }
    void ValueOrNull(int value) {
        Separate();
        if (value == 255)
            m_out << "null";
        else
            m_out << value;
    }
    // Bytes in Windows-1252, written as a UTF-8 string.
    void AnsiString(std::string_view bytes) {
        Separate();
        m_out << nlohmann::json(AnsiToUtf8(bytes)).dump();
    }

private:
    void Separate() {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (m_itemCounts.empty())
            return;
        m_out << (m_itemCounts.back()++ ? ",\n" : "\n");
        Indent();
    }
    void Indent() { m_out << std::string(2 * m_itemCounts.size(), ' '); }
    void Open(char bracket) {
        Separate();
        m_out << bracket;
        m_itemCounts.push_back(0);
    }
    void Close(char bracket) {
        bool empty = m_itemCounts.back() == 0;
        m_itemCounts.pop_back();
        if (!empty) {
            m_out << '\n';
            Indent();
        }
        m_out << bracket;
    }

    std::ostream& m_out;
    std::vector<size_t> m_itemCounts; // items so far in each open object or array
    bool m_afterKey = false;
};

} // namespace

void WriteProjectSummary(const TProject& project, std::ostream& out) {
    out << "Riffs (" << project.RiffNames.RecordCount() << "):\n";
    for (int i = 0; i < project.RiffNames.RecordCount(); ++i) {
        const TRiff& riff = project.Riffs[size_t(i)];
        int notes = NoteCount(riff);
        out << "  " << i + 1 << ". " << AnsiToUtf8(project.RiffNames[i]) << ": "
            << StringCount(riff) << " strings (" << TuningText(riff) << "), " << riff.Tempo
            << " bpm, " << TimeSignatureText(riff) << ", key " << KeyName(riff.Key) << ", " << notes
            << (notes == 1 ? " note" : " notes") << ", length "
            << PositionPlainText(riff, RiffTicks(riff, -1)) << "\n";
    }
    out << "Instruments (" << project.InstrumentNames.RecordCount() << "):\n";
    for (int k = 0; k < project.InstrumentNames.RecordCount(); ++k)
        out << "  " << k + 1 << ". " << AnsiToUtf8(project.InstrumentNames[k]) << ": "
            << InstrumentText(project.Instruments[size_t(k)]) << "\n";
    std::vector<std::string> instruments;
    for (int k = 0; k < project.InstrumentNames.RecordCount(); ++k)
        instruments.push_back(AnsiToUtf8(project.InstrumentNames[k]));
    out << "Structure (" << project.Structure.size() << " rows):\n";
    for (size_t r = 0; r < project.Structure.size(); ++r) {
        out << "  " << r + 1 << ". ";
        WriteRowText(out, instruments, project.Structure[r]);
        out << "\n";
    }
    std::string notes = RtfToPlainUtf8(project.NotesRtf);
    while (!notes.empty() && (notes.back() == '\n' || notes.back() == ' '))
        notes.pop_back();
    out << "Notes:" << (notes.empty() ? " (empty)\n" : "\n");
    std::istringstream lines(notes);
    for (std::string line; !notes.empty() && std::getline(lines, line);)
        out << "  " << line << "\n";
}

std::string ProjectSummary(const TProject& project) {
    std::ostringstream out;
    WriteProjectSummary(project, out);
    return out.str();
}

nlohmann::json ProjectJson(const TProject& project) {
    nlohmann::json riffs = nlohmann::json::array();
    for (int i = 0; i < project.RiffNames.Count(); ++i) {
        if (project.RiffNames[i].empty())
            continue;
        const TRiff& riff = project.Riffs[size_t(i)];
        nlohmann::json tuning = nlohmann::json::array();
        for (int32_t t : riff.Tuning)
            tuning.push_back(ValueOrNull(t));
        nlohmann::json notes = nlohmann::json::array();
        int count = NoteCount(riff);
        for (int j = 0; j < count; ++j) {
            const TNote& note = riff.Notes[size_t(j)];
            nlohmann::json frets = nlohmann::json::array();
            for (uint8_t f : note.Fret)
                frets.push_back(ValueOrNull(f));
            notes.push_back({{"frets", frets}, {"duration", note.Duration}, {"flags", note.Flags}});
        }
        riffs.push_back({{"name", AnsiToUtf8(project.RiffNames[i])},
                         {"tuning", tuning},
                         {"tempo", riff.Tempo},
                         {"barsA", AnsiToUtf8(riff.BarsA)},
                         {"barsB", riff.BarsB},
                         {"key", riff.Key},
                         {"notes", notes}});
    }
    nlohmann::json instruments = nlohmann::json::array();
    for (int k = 0; k < project.InstrumentNames.RecordCount(); ++k) {
        auto values = InstrumentValues(project.Instruments[size_t(k)]);
        instruments.push_back(
            {{"name", AnsiToUtf8(project.InstrumentNames[k])}, {"values", nlohmann::json(values)}});
    }
    nlohmann::json structure = nlohmann::json::array();
    for (const auto& row : project.Structure)
        structure.push_back(AnsiToUtf8(row));
    return {{"riffs", riffs},
            {"instruments", instruments},
            {"structure", structure},
            {"notes", AnsiToUtf8(project.NotesRtf)}};
}

void WriteProjectJson(const TProject& project, std::ostream& out) {
    TJsonWriter json(out);
    json.BeginObject();
    json.Key("instruments");
    json.BeginArray();
    for (int k = 0; k < project.InstrumentNames.RecordCount(); ++k) {
        json.BeginObject();
        json.Key("name");
        json.AnsiString(project.InstrumentNames[k]);
        json.Key("values");
        json.BeginArray();
        for (int64_t value : InstrumentValues(project.Instruments[size_t(k)]))
            json.Number(value);
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    json.Key("notes");
    json.AnsiString(project.NotesRtf);
    json.Key("riffs");
    json.BeginArray();
    for (int i = 0; i < project.RiffNames.Count(); ++i) {
        if (project.RiffNames[i].empty())
            continue;
        const TRiff& riff = project.Riffs[size_t(i)];
        json.BeginObject();
        json.Key("barsA");
        json.AnsiString(riff.BarsA);
        json.Key("barsB");
        json.Number(riff.BarsB);
        json.Key("key");
        json.Number(riff.Key);
        json.Key("name");
        json.AnsiString(project.RiffNames[i]);
        json.Key("notes");
        json.BeginArray();
        int count = NoteCount(riff);
        for (int j = 0; j < count; ++j) {
            const TNote& note = riff.Notes[size_t(j)];
            json.BeginObject();
            json.Key("duration");
            json.Number(note.Duration);
            json.Key("flags");
            json.Number(note.Flags);
            json.Key("frets");
            json.BeginArray();
            for (uint8_t fret : note.Fret)
                json.ValueOrNull(fret);
            json.EndArray();
            json.EndObject();
        }
        json.EndArray();
        json.Key("tempo");
        json.Number(riff.Tempo);
        json.Key("tuning");
        json.BeginArray();
        for (int32_t tuning : riff.Tuning)
            json.ValueOrNull(tuning);
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    json.Key("structure");
    json.BeginArray();
    for (const auto& row : project.Structure)
        json.AnsiString(row);
    json.EndArray();
    json.EndObject();
    out << '\n';
}

} // namespace zel
