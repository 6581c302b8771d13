#include "exchange/gp_import.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "arrange/note_lengths.h"
#include "model/ansi_text.h"
#include "model/rich_text.h"
#include "model/structure.h"

namespace zel::gp {

namespace {

// Beat lengths in fine units: a whole note is 1024 * Fine, which every tuplet and dot divides.
constexpr int64_t Fine = 360360;
constexpr int64_t MaxPlayedMeasures = 1 << 20;

int64_t BeatFine(const TGpBeat& b) {
    if (b.Empty)
        return 0;
    int64_t t = TicksPerWhole * Fine / b.Value;
    if (b.Dots == 1)
        t = t * 3 / 2;
    else if (b.Dots == 2)
        t = t * 7 / 4;
    return t * b.TupletTimes / b.TupletEnter;
}

int MeasureTicks(const TGpHeader& h) {
    return h.Numerator * TicksPerWhole / h.Denominator;
}

// Which section boundaries are kept at a merge level.
bool StartsSection(const TGpSong& song, size_t m, int level) {
    if (m == 0)
        return true;
    const TGpHeader &h = song.Headers[m], &p = song.Headers[m - 1];
    if (h.RepeatOpen || p.RepeatClose > 0 || h.Alternatives != p.Alternatives ||
        h.Denominator != p.Denominator)
        return true;
    if (level >= 2)
        return false;
    if (h.HasMarker || h.Numerator != p.Numerator)
        return true;
    return level == 0 && (h.Key != p.Key || h.Tempo > 0);
}

// The measures in the order they are played: repeats and alternate endings followed.
std::vector<size_t> PlayOrder(const TGpSong& song) {
    std::vector<size_t> order;
    size_t start = 0;
    int pass = 1;
    for (size_t m = 0; m < song.Headers.size() && order.size() < MaxPlayedMeasures;) {
        const TGpHeader& h = song.Headers[m];
        if (h.RepeatOpen && m != start) {
            start = m;
            pass = 1;
        }
        if (h.Alternatives && pass <= 32 && !(h.Alternatives >> (pass - 1) & 1)) {
            ++m;
            continue;
        }
        order.push_back(m);
        if (h.RepeatClose > 0 && pass < h.RepeatClose) {
            ++pass;
            m = start;
            continue;
        }
        ++m; // the pass count stays: the endings after a repeat follow it
    }
    return order;
}

struct TEvent {
    int64_t Onset = 0, End = 0;             // ticks within the measure
    std::vector<std::pair<int, int>> Frets; // slot, fret
    bool AllTied = true;
    bool AnyTied = false;
};

class TBuilder {
public:
    TBuilder(const TGpSong& song, TGpImportSummary& summary) : m_song(song), m_sum(summary) {
        int tempo = song.Tempo;
        for (const TGpHeader& h : song.Headers) {
            if (h.Tempo > 0)
                tempo = h.Tempo;
            m_tempo.push_back(tempo);
        }
    }

    // The riff of one track over measures [a, b).
    TRiff Riff(const TGpTrack& track, size_t a, size_t b, bool count) {
        TRiff riff;
        ResetRiff(riff);
        const int n = int(track.Tuning.size());
        for (int slot = 0; slot < StringSlots; ++slot)
            riff.Tuning[size_t(slot)] =
                slot < n ? track.Tuning[size_t(n - 1 - slot)] - 48 : NoString;
        const TGpHeader& first = m_song.Headers[a];
        riff.Tempo = uint16_t(std::clamp(m_tempo[a], 20, 1000));
        riff.Key = std::clamp(first.Key, -6, 6);
        riff.BarsB = uint16_t(std::min(first.Denominator, 16));
        std::string bars;
        bool same = true;
        for (size_t m = a; m < b; ++m) {
            const TGpHeader& h = m_song.Headers[m];
            int num =
                h.Denominator > 16 ? std::max(1, h.Numerator * 16 / h.Denominator) : h.Numerator;
            same = same && h.Numerator == first.Numerator;
            bars += (bars.empty() ? "" : " ") + std::to_string(num);
        }
        riff.BarsA = same ? bars.substr(0, bars.find(' ')) : bars;
        m_at = 0;
        m_lastWasNote = false;
        for (size_t m = a; m < b; ++m)
            Measure(riff, track, m, count);
        EnsureNotes(riff, m_at + 1);
        return riff;
    }

private:
    const TGpSong& m_song;
    TGpImportSummary& m_sum;
    std::vector<int> m_tempo;
    int m_at = 0;
    bool m_lastWasNote = false;
    std::vector<TNoteLength> m_pieces;

    void Measure(TRiff& riff, const TGpTrack& track, size_t m, bool count) {
        const int length = MeasureTicks(m_song.Headers[m]);
        const int n = int(track.Tuning.size());
        std::map<int64_t, TEvent> events;
        for (const TGpVoice& voice : track.Measures[m].Voices) {
            int64_t onset = 0;
            for (const TGpBeat& beat : voice.Beats) {
                const int64_t fine = BeatFine(beat);
                const int64_t start = (onset + 8 * Fine) / (16 * Fine) * 16;
                const int64_t end =
                    std::max(start + 16, (onset + fine + 8 * Fine) / (16 * Fine) * 16);
                if (count && beat.Effects)
                    Count(beat.Effects);
                for (const TGpNote& note : beat.Notes) {
                    if (count) {
                        Count(note.Effects);
                        m_sum.DeadNotes += note.Dead;
                        m_sum.GraceNotes += note.Grace;
                    }
                    if (note.Dead)
                        continue;
                    if (start >= length) {
                        m_sum.CutNotes += count;
                        continue;
                    }
                    if (count) {
                        m_sum.TupletNotes += beat.TupletEnter != 1;
                        m_sum.MovedNotes += start * Fine != onset;
                        ++m_sum.Notes;
                    }
                    TEvent& e = events[start];
                    e.Onset = start;
                    e.End = std::max(e.End, std::min<int64_t>(end, length));
                    int fret = std::min(note.Fret + track.Capo, 254);
                    e.Frets.emplace_back(n - note.String, fret);
                    e.AllTied = e.AllTied && note.Tie;
                    e.AnyTied = e.AnyTied || note.Tie;
                }
                onset += fine;
            }
        }
        int64_t pos = 0;
        for (auto it = events.begin(); it != events.end(); ++it) {
            TEvent& e = it->second;
            auto next = std::next(it);
            int64_t end = next == events.end() ? e.End : std::min(e.End, next->second.Onset);
            Write(riff, e.Onset - pos, nullptr);
            if (e.AllTied && m_lastWasNote && m_at > 0)
                riff.Notes[size_t(m_at - 1)].Flags |= NoteTie;
            else if (e.AnyTied && count)
                ++m_sum.PartialTies;
            Write(riff, end - e.Onset, &e);
            pos = end;
        }
        Write(riff, length - pos, nullptr);
    }

    void Write(TRiff& riff, int64_t length, const TEvent* e) {
        if (length <= 0 && !e)
            return;
        m_pieces.clear();
        SplitLength(length, e != nullptr, m_pieces);
        for (const TNoteLength& piece : m_pieces) {
            EnsureNotes(riff, m_at + 2);
            TNote& note = riff.Notes[size_t(m_at++)];
            note.Duration = piece.Duration;
            note.Flags = piece.Flags;
            if (e)
                for (auto [slot, fret] : e->Frets)
                    note.Fret[size_t(slot)] = uint8_t(fret);
        }
        if (!m_pieces.empty())
            m_lastWasNote = e != nullptr;
    }

    void Count(uint32_t effects) {
        for (int k = 0; k < EffectKinds; ++k)
            m_sum.Effects[size_t(k)] += effects >> k & 1;
    }
};

std::string LowerName(std::string name) {
    for (char& c : name)
        c = char(AnsiLower(uint8_t(c)));
    return name;
}

std::string RiffKey(const TRiff& riff) {
    std::string key = riff.BarsA + '|' + std::to_string(riff.BarsB) + '|' +
                      std::to_string(riff.Tempo) + '|' + std::to_string(riff.Key) + '|';
    for (int32_t t : riff.Tuning)
        key += std::to_string(t) + ',';
    for (int i = 0; i < NoteCount(riff); ++i) {
        const TNote& n = riff.Notes[size_t(i)];
        key.append(reinterpret_cast<const char*>(n.Fret.data()), n.Fret.size());
        key += char(n.Duration);
        key += char(n.Flags);
    }
    return key;
}

// Names without characters that would split a file line; empty names get a fallback.
std::string CleanName(std::string name, const std::string& fallback) {
    for (char& c : name)
        if (uint8_t(c) < 32)
            c = ' ';
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    while (!name.empty() && name.front() == ' ')
        name.erase(name.begin());
    return name.empty() ? fallback : name;
}

std::string NotesDocument(const TGpSong& song) {
    TRichDocument doc;
    doc.Paragraphs.clear();
    auto add = [&](const std::string& text, bool bold) {
        TRichParagraph p;
        if (!text.empty())
            p.Runs.push_back({.Text = AnsiToUtf8(text), .Bold = bold});
        doc.Paragraphs.push_back(std::move(p));
    };
    add(song.Title.empty() ? "Untitled" : song.Title, true);
    const std::pair<const char*, const std::string*> fields[] = {
        {"Subtitle: ", &song.Subtitle}, {"Artist: ", &song.Artist},
        {"Album: ", &song.Album},       {"Words: ", &song.Words},
        {"Music: ", &song.Music},       {"Copyright: ", &song.Copyright},
        {"Tab: ", &song.Tab},           {"Instructions: ", &song.Instructions},
    };
    for (auto [label, text] : fields)
        if (!text->empty())
            add(label + *text, false);
    for (const std::string& line : song.Notice)
        add(line, false);
    if (!song.Lyrics.empty()) {
        add("", false);
        add("Lyrics", true);
        for (const TGpLyricLine& l : song.Lyrics) {
            std::string text = l.Text;
            for (char& c : text)
                if (c == '\r')
                    c = ' ';
            size_t start = 0;
            add("(from bar " + std::to_string(l.Measure) + ")", false);
            while (start <= text.size()) {
                size_t end = text.find('\n', start);
                add(text.substr(start, end == std::string::npos ? end : end - start), false);
                if (end == std::string::npos)
                    break;
                start = end + 1;
            }
        }
    }
    return WriteRtf(doc);
}

} // namespace

TInstrument InstrumentForProgram(int program) {
    TInstrument in;
    in.MixLeft = in.MixRight = 60;
    if (program >= 24 && program <= 28) { // clean guitars: plucked, soft top
        in.Wave = WaveTriangle;
        in.Skew = 20;
        in.AmpEnv = {1000, 30, 300, 200};
        in.FilterEnv = {1000, 40, 400, 200};
    } else if (program == 29 || program == 30) { // overdriven and distorted guitars
        in.Wave = WaveSquare;
        in.Skew = program == 29 ? 30 : 60;
        in.AmpEnv = {1000, 10, 800, 300};
        in.FilterEnv = {1000, 20, program == 29 ? 600 : 800, 300};
    } else if (program >= 32 && program <= 39) { // basses
        in.Wave = WaveTriangle;
        in.Octave = 0;
        in.AmpEnv = {1000, 20, 500, 300};
        in.FilterEnv = {1000, 30, 300, 300};
    } else if (program < 24) { // pianos, keys, organs
        in.Wave = program >= 16 ? WaveSquare : WaveSine;
        in.AmpEnv = {1000, program >= 16 ? 5 : 40, program >= 16 ? 900 : 200, 200};
        in.FilterEnv = {1000, 50, 500, 200};
    } else if (program >= 40 && program <= 55) { // strings and ensembles
        in.Wave = WaveTriangle;
        in.AmpEnv = {40, 10, 900, 100};
        in.ModTarget = ModPitch;
        in.ModFreq = 55;
        in.ModDepth = 5;
    }
    return in;
}

std::string TGpImportSummary::Approximations() const {
    std::vector<std::string> parts;
    auto add = [&](int n, const char* one, const char* many) {
        if (n > 0)
            parts.push_back(std::to_string(n) + " " + (n == 1 ? one : many));
    };
    static constexpr std::pair<const char*, const char*> Names[EffectKinds] = {
        {"bend", "bends"},
        {"hammer-on/pull-off", "hammer-ons/pull-offs"},
        {"slide", "slides"},
        {"let ring", "let rings"},
        {"harmonic", "harmonics"},
        {"vibrato", "vibratos"},
        {"palm mute", "palm mutes"},
        {"tremolo picking", "tremolo pickings"},
        {"trill", "trills"},
        {"stroke", "strokes"},
        {"tremolo bar", "tremolo bars"},
        {"staccato", "staccatos"},
        {"accent", "accents"},
        {"ghost note", "ghost notes"},
        {"chord diagram", "chord diagrams"},
        {"beat text", "beat texts"},
        {"tap, slap or pop", "taps, slaps and pops"},
        {"fade", "fades"},
    };
    for (int k = 0; k < EffectKinds; ++k)
        add(Effects[size_t(k)], Names[k].first, Names[k].second);
    add(GraceNotes, "grace note", "grace notes");
    add(DeadNotes, "dead note", "dead notes");
    add(TupletNotes, "tuplet note", "tuplet notes");
    add(MovedNotes, "note off the 1/64 grid", "notes off the 1/64 grid");
    add(CutNotes, "note past the bar line", "notes past the bar line");
    add(PartialTies, "partly tied chord", "partly tied chords");
    if (parts.empty())
        return {};
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return text + (parts.size() == 1 && parts[0].starts_with("1 ") ? " was" : " were") +
           " approximated";
}

std::vector<std::string> TGpImportSummary::Lines() const {
    std::vector<std::string> lines;
    lines.push_back("Imported \"" + Title + "\": " + std::to_string(Instruments) +
                    " instrument(s), " + std::to_string(Riffs) + " riff(s), " +
                    std::to_string(Rows) + " structure row(s), " + std::to_string(Notes) +
                    " note(s)");
    for (const std::string& t : LeftOutTracks)
        lines.push_back("Left out track " + t);
    if (MergeLevel > 0)
        lines.push_back(MergeLevel == 1
                            ? "Tempo and key changes were merged into their sections to stay "
                              "within 200 riffs"
                            : "Sections were merged to stay within 200 riffs");
    std::string approx = Approximations();
    if (!approx.empty())
        lines.push_back(approx);
    return lines;
}

bool ImportGuitarProSong(const TGpSong& song, const TGpImportOptions& options, TProject& project,
                         TGpImportSummary& summary, std::string& error) {
    summary = {};
    summary.Title = song.Title.empty() ? "Untitled" : song.Title;
    std::vector<size_t> tracks;
    for (size_t t = 0; t < song.Tracks.size(); ++t) {
        const TGpTrack& track = song.Tracks[t];
        bool wanted = options.Tracks.empty() ||
                      std::find(options.Tracks.begin(), options.Tracks.end(), int(t + 1)) !=
                          options.Tracks.end();
        if (!wanted)
            continue;
        std::string label = std::to_string(t + 1) + " " + CleanName(track.Name, "Track");
        if (track.Percussion)
            summary.LeftOutTracks.push_back(label + " (percussion)");
        else if (track.Tuning.size() < 4)
            summary.LeftOutTracks.push_back(label + " (" + std::to_string(track.Tuning.size()) +
                                            " strings)");
        else if (tracks.size() >= size_t(MaxInstruments))
            summary.LeftOutTracks.push_back(label + " (more than 100 instruments)");
        else
            tracks.push_back(t);
    }
    if (tracks.empty()) {
        error = "The file has no track of 4 to 7 strings to import";
        return false;
    }
    const std::vector<size_t> order = PlayOrder(song);
    for (int level = 0; level <= 2; ++level) {
        auto result = std::make_unique<TProject>();
        TProject& p = *result;
        ResetProjectTables(p);
        TGpImportSummary sum = summary;
        sum.MergeLevel = level;
        TBuilder builder(song, sum);
        std::vector<size_t> starts;
        for (size_t m = 0; m < song.Headers.size(); ++m)
            if (StartsSection(song, m, level))
                starts.push_back(m);
        starts.push_back(song.Headers.size());
        // riffName[section][column]
        std::vector<std::vector<std::string>> names(starts.size() - 1);
        std::map<std::string, int> shared;
        std::set<std::string> used;
        int riffs = 0;
        bool tooMany = false;
        for (size_t c = 0; c < tracks.size() && !tooMany; ++c) {
            const TGpTrack& track = song.Tracks[tracks[c]];
            const std::string trackName = CleanName(track.Name, "Track " + std::to_string(c + 1));
            int number = 0;
            for (size_t s = 0; s + 1 < starts.size(); ++s) {
                TRiff riff = builder.Riff(track, starts[s], starts[s + 1], true);
                std::string key = RiffKey(riff);
                auto found = shared.find(key);
                if (found != shared.end()) {
                    names[s].push_back(p.RiffNames[found->second]);
                    continue;
                }
                if (riffs >= MaxRiffs) {
                    tooMany = true;
                    break;
                }
                const TGpHeader& h = song.Headers[starts[s]];
                std::string base = h.HasMarker ? CleanName(h.Marker, trackName) : trackName;
                if (h.HasMarker && tracks.size() > 1)
                    base += " " + trackName;
                std::string name = h.HasMarker ? base : base + " " + std::to_string(++number);
                for (int k = 2; used.count(LowerName(name)); ++k)
                    name = base + " " + std::to_string(k);
                used.insert(LowerName(name));
                p.RiffNames.GrowTo(riffs + 1);
                p.RiffNames.SetCaption(riffs, name);
                p.Riffs[size_t(riffs)] = std::move(riff);
                shared.emplace(std::move(key), riffs);
                names[s].push_back(p.RiffNames[riffs]);
                ++riffs;
            }
        }
        if (tooMany)
            continue;
        // Instruments.
        for (size_t c = 0; c < tracks.size(); ++c) {
            const TGpTrack& track = song.Tracks[tracks[c]];
            p.InstrumentNames.GrowTo(int(c) + 1);
            p.InstrumentNames.SetCaption(int(c),
                                         CleanName(track.Name, "Track " + std::to_string(c + 1)));
            p.Instruments[c] = InstrumentForProgram(track.Program);
        }
        p.InstrumentNames.EnsureBlankTab();
        p.RiffNames.EnsureBlankTab();
        // Rows: one per section visit, a section played again at once becomes a repeat count.
        std::vector<size_t> sectionOf(song.Headers.size());
        for (size_t s = 0; s + 1 < starts.size(); ++s)
            for (size_t m = starts[s]; m < starts[s + 1]; ++m)
                sectionOf[m] = s;
        std::vector<std::pair<size_t, int>> rows;
        for (size_t i = 0; i < order.size();) {
            size_t s = sectionOf[order[i]];
            size_t j = i + 1;
            while (j < order.size() && order[j] == order[j - 1] + 1 && sectionOf[order[j]] == s)
                ++j;
            bool whole = order[i] == starts[s] && order[j - 1] + 1 == starts[s + 1];
            if (whole && !rows.empty() && rows.back().first == s && rows.back().second < 99)
                ++rows.back().second;
            else
                rows.emplace_back(whole ? s : (s | size_t(1) << 62), 1);
            i = j;
        }
        for (auto [s, times] : rows) {
            size_t section = s & ~(size_t(1) << 62);
            std::string row;
            for (size_t c = 0; c < tracks.size(); ++c) {
                SetStructureField(row, int(2 * c), std::to_string(times));
                SetStructureField(row, int(2 * c + 1), names[section][c]);
            }
            p.Structure.push_back(std::move(row));
        }
        p.NotesRtf = NotesDocument(song);
        sum.Instruments = int(tracks.size());
        sum.Riffs = riffs;
        sum.Rows = int(rows.size());
        summary = sum;
        SwapProjectContents(project, p);
        return true;
    }
    error = "The song needs more than 200 riffs even with its sections merged; nothing was "
            "imported";
    return false;
}

} // namespace zel::gp
