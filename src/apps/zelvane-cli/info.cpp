#include "info.h"

#include <array>
#include <sstream>

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

std::string RowText(const TProject& project, const std::string& row) {
    std::string text;
    int columns = (TabFieldCount(row) + 1) / 2;
    for (int k = 0; k < columns; ++k) {
        std::string_view riff = StructureField(row, RiffFieldIndex(k));
        if (riff.empty())
            continue;
        std::string_view repeat = StructureField(row, RepeatFieldIndex(k));
        std::string instrument = k < project.InstrumentNames.RecordCount()
                                     ? project.InstrumentNames[k]
                                     : "column " + std::to_string(k + 1);
        if (!text.empty())
            text += "  |  ";
        text += std::string(repeat.empty() ? "1" : repeat) + " x " + AnsiToUtf8(riff) + " (" +
                AnsiToUtf8(instrument) + ")";
    }
    return text.empty() ? "(empty)" : text;
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

} // namespace

std::string ProjectSummary(const TProject& project) {
    std::ostringstream out;
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
    out << "Structure (" << project.Structure.size() << " rows):\n";
    for (size_t r = 0; r < project.Structure.size(); ++r)
        out << "  " << r + 1 << ". " << RowText(project, project.Structure[r]) << "\n";
    std::string notes = RtfToPlainText(project.NotesRtf);
    while (!notes.empty() && (notes.back() == '\n' || notes.back() == ' '))
        notes.pop_back();
    out << "Notes:" << (notes.empty() ? " (empty)\n" : "\n");
    std::istringstream lines(AnsiToUtf8(notes));
    for (std::string line; !notes.empty() && std::getline(lines, line);)
        out << "  " << line << "\n";
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

} // namespace zel
