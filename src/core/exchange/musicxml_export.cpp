#include "exchange/musicxml_export.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <zlib.h>

#include "arrange/note_lengths.h"
#include "arrange/timeline.h"
#include "model/ansi_text.h"

namespace zel {

namespace {

constexpr int Divisions = TicksPerWhole / 4; // ticks are divisions of a quarter note

std::string Escape(std::string_view ansi) {
    std::string out;
    for (char c : AnsiToUtf8(ansi)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (uint8_t(c) >= 32 || c == '\t')
                out += c;
        }
    }
    return out;
}

const char* TypeName(int duration) {
    static constexpr const char* Names[] = {"breve",  "whole", "half",  "quarter",
                                            "eighth", "16th",  "32nd",  "64th",
                                            "128th",  "256th", "512th", "1024th"};
    return Names[std::clamp(duration, 0, 11)];
}

// Appends a number without a temporary string: the writer runs once per note of songs of a
// million notes.
void AppendInt(std::string& x, int64_t value) {
    char digits[24];
    auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    (void)error;
    x.append(digits, end);
}

void Pitch(std::string& x, int midi, bool flats) {
    static constexpr const char* Sharp[] = {"C", "C", "D", "D", "E", "F",
                                            "F", "G", "G", "A", "A", "B"};
    static constexpr const char* Flat[] = {"C", "D", "D", "E", "E", "F",
                                           "G", "G", "A", "A", "B", "B"};
    static constexpr int SharpAlter[] = {0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0};
    static constexpr int FlatAlter[] = {0, -1, 0, -1, 0, 0, -1, 0, -1, 0, -1, 0};
    int pc = ((midi % 12) + 12) % 12;
    x += "<pitch><step>";
    x += flats ? Flat[pc] : Sharp[pc];
    x += "</step>";
    int alter = flats ? FlatAlter[pc] : SharpAlter[pc];
    if (alter) {
        x += "<alter>";
        AppendInt(x, alter);
        x += "</alter>";
    }
    x += "<octave>";
    AppendInt(x, midi / 12 - 1);
    x += "</octave></pitch>";
}

// One part: notes laid out in measures, bar lines from the riff that sets the measure.
class TPartWriter {
public:
    explicit TPartWriter(std::string& xml) : x(xml) {}

    int Notes = 0, Measures = 0;

    // Starts a stretch played with the settings of `riff`: a new measure with attributes.
    void Start(const TRiff& riff, bool withTempo) {
        CloseMeasure();
        m_riff = &riff;
        m_bar = 0;
        OpenMeasure(true, withTempo);
    }
    // A record of the current riff (or a rest of `ticks` when `note` is null).
    void Record(const TNote* note, int64_t ticks, bool tieFromPrevious, bool tieToNext) {
        while (ticks > 0) {
            int64_t room = m_barTicks - m_inBar;
            if (room <= 0) {
                NextMeasure();
                continue;
            }
            int64_t part = std::min(ticks, room);
            bool more = part < ticks;
            m_pieces.clear();
            if (note && !more && part == NoteTicks(*note))
                m_pieces.push_back({NoteTicks(*note), note->Duration,
                                    uint8_t(note->Flags & (NoteDot | NoteDotDot))});
            else
                SplitLength(part, true, m_pieces);
            for (size_t i = 0; i < m_pieces.size(); ++i) {
                bool last = i + 1 == m_pieces.size() && !more;
                Emit(note, m_pieces[i], tieFromPrevious, last ? tieToNext : note != nullptr);
                tieFromPrevious = note != nullptr;
            }
            ticks -= part;
        }
    }
    // Rests up to the end of the current measure, if the measure has begun.
    void FillMeasure() {
        if (m_inBar > 0 && m_inBar < m_barTicks)
            Record(nullptr, m_barTicks - m_inBar, false, false);
    }
    void Finish() { CloseMeasure(); }

private:
    std::string& x;
    const TRiff* m_riff = nullptr;
    bool m_open = false;
    int m_bar = 0;
    int64_t m_barTicks = 0, m_inBar = 0;
    int m_number = 0;
    std::vector<TNoteLength> m_pieces;

    std::vector<int> Beats() const {
        std::vector<int> beats;
        int n = 0;
        bool digits = false;
        for (char c : m_riff->BarsA + " ") {
            if (c >= '0' && c <= '9') {
                n = std::min(n * 10 + (c - '0'), 64);
                digits = true;
            } else if (digits) {
                beats.push_back(std::max(n, 1));
                n = 0;
                digits = false;
            }
        }
        if (beats.empty())
            beats.push_back(4);
        return beats;
    }
    int BarsB() const {
        int b = m_riff->BarsB;
        return (b == 1 || b == 2 || b == 4 || b == 8 || b == 16) ? b : 4;
    }

    void OpenMeasure(bool attributes, bool tempo) {
        std::vector<int> beats = Beats();
        int num = beats[size_t(m_bar) % beats.size()];
        bool changes = attributes || (beats.size() > 1);
        m_barTicks = int64_t(num) * TicksPerWhole / BarsB();
        m_inBar = 0;
        x += "<measure number=\"" + std::to_string(++m_number) + "\">";
        m_open = true;
        ++Measures;
        if (changes) {
            x += "<attributes>";
            if (m_number == 1)
                x += "<divisions>" + std::to_string(Divisions) + "</divisions>";
            if (attributes)
                x += "<key><fifths>" + std::to_string(std::clamp(m_riff->Key, -7, 7)) +
                     "</fifths></key>";
            x += "<time><beats>" + std::to_string(num) + "</beats><beat-type>" +
                 std::to_string(BarsB()) + "</beat-type></time>";
            if (attributes) {
                int strings = StringCount(*m_riff);
                x += "<clef><sign>TAB</sign><line>5</line></clef><staff-details><staff-lines>" +
                     std::to_string(strings) + "</staff-lines>";
                for (int s = 0, line = 1; s < StringSlots; ++s) {
                    if (!HasString(*m_riff, s))
                        continue;
                    std::string pitch;
                    Pitch(pitch, m_riff->Tuning[size_t(s)] + 48, false);
                    // <pitch><step>E</step>[<alter>..]<octave>2</octave></pitch> as tuning-*.
                    auto field = [&](const char* tag) {
                        size_t a = pitch.find(std::string("<") + tag + ">");
                        if (a == std::string::npos)
                            return std::string();
                        size_t b = pitch.find("</", a);
                        return pitch.substr(a + std::strlen(tag) + 2, b - a - std::strlen(tag) - 2);
                    };
                    x += "<staff-tuning line=\"" + std::to_string(line++) + "\"><tuning-step>" +
                         field("step") + "</tuning-step>";
                    if (!field("alter").empty())
                        x += "<tuning-alter>" + field("alter") + "</tuning-alter>";
                    x += "<tuning-octave>" + field("octave") + "</tuning-octave></staff-tuning>";
                }
                x += "</staff-details>";
            }
            x += "</attributes>";
        }
        if (tempo)
            x += "<direction placement=\"above\"><direction-type><metronome><beat-unit>quarter"
                 "</beat-unit><per-minute>" +
                 std::to_string(m_riff->Tempo) +
                 "</per-minute></metronome></direction-type>"
                 "<sound tempo=\"" +
                 std::to_string(m_riff->Tempo) + "\"/></direction>";
    }
    void CloseMeasure() {
        if (m_open)
            x += "</measure>\n";
        m_open = false;
    }
    void NextMeasure() {
        CloseMeasure();
        ++m_bar;
        OpenMeasure(false, false);
    }

    void Emit(const TNote* note, const TNoteLength& length, bool tieStop, bool tieStart) {
        std::array<int, StringSlots> slots{};
        int count = 0;
        if (note)
            for (int s = StringSlots - 1; s >= 0; --s)
                if (note->Fret[size_t(s)] != NoFret && HasString(*m_riff, s))
                    slots[size_t(count++)] = s;
        int dots = (length.Flags & NoteDotDot) && !(length.Flags & NoteDot) ? 2
                   : (length.Flags & NoteDot)                               ? 1
                                                                            : 0;
        auto duration = [&] {
            x += "<duration>";
            AppendInt(x, length.Ticks);
            x += "</duration>";
        };
        auto typeAndDots = [&] {
            x += "<voice>1</voice><type>";
            x += TypeName(length.Duration);
            x += "</type>";
            for (int d = 0; d < dots; ++d)
                x += "<dot/>";
        };
        if (count == 0) {
            x += "<note><rest/>";
            duration();
            typeAndDots();
            x += "</note>";
        } else {
            const int strings = StringCount(*m_riff);
            for (int i = 0; i < count; ++i) {
                int s = slots[size_t(i)];
                int fret = note->Fret[size_t(s)];
                x += i > 0 ? "<note><chord/>" : "<note>";
                Pitch(x, m_riff->Tuning[size_t(s)] + fret + 48, m_riff->Key < 0);
                duration();
                if (tieStop)
                    x += "<tie type=\"stop\"/>";
                if (tieStart)
                    x += "<tie type=\"start\"/>";
                typeAndDots();
                x += "<notations>";
                if (tieStop)
                    x += "<tied type=\"stop\"/>";
                if (tieStart)
                    x += "<tied type=\"start\"/>";
                x += "<technical><string>";
                AppendInt(x, strings - s);
                x += "</string><fret>";
                AppendInt(x, fret);
                x += "</fret></technical></notations></note>";
                ++Notes;
            }
        }
        m_inBar += length.Ticks;
    }
};

// Plays `times` repeats of a riff into the part.
void PlayRiff(TPartWriter& part, const TRiff& riff, int times) {
    for (int t = 0; t < times; ++t) {
        int count = NoteCount(riff);
        for (int i = 0; i < count; ++i) {
            const TNote& n = riff.Notes[size_t(i)];
            bool isNote =
                std::any_of(n.Fret.begin(), n.Fret.end(), [](uint8_t f) { return f != NoFret; });
            auto sameFrets = [&](int j) {
                return j >= 0 && j < count && riff.Notes[size_t(j)].Fret == n.Fret;
            };
            bool tieTo = isNote && (n.Flags & NoteTie) && sameFrets(i + 1);
            bool tieFrom =
                isNote && i > 0 && (riff.Notes[size_t(i - 1)].Flags & NoteTie) && sameFrets(i - 1);
            part.Record(isNote ? &n : nullptr, NoteTicks(n), tieFrom, tieTo);
        }
    }
}

} // namespace

TMusicXmlResult WriteMusicXml(const TProject& project, const TMusicXmlOptions& options) {
    TMusicXmlResult result;
    std::string& x = result.Xml;
    x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
        "<!DOCTYPE score-partwise PUBLIC \"-//Recordare//DTD MusicXML 4.0 Partwise//EN\" "
        "\"http://www.musicxml.org/dtds/partwise.dtd\">\n"
        "<score-partwise version=\"4.0\">\n";
    std::string title = project.RiffNames.Count() > 0 ? "" : "";
    x += "<identification><encoding><software>Zelvane Editor</software></encoding>"
         "</identification>\n";
    auto finishPart = [&](TPartWriter& w) {
        w.FillMeasure();
        w.Finish();
        x += "</part>\n";
        result.Notes += w.Notes;
        result.Measures = std::max(result.Measures, w.Measures);
    };
    if (options.Riff >= 0 || options.AllRiffs) {
        int first = std::max(options.Riff, 0);
        int last = options.AllRiffs ? project.RiffNames.RecordCount() - 1 : first;
        x += "<part-list><score-part id=\"P1\"><part-name>" +
             Escape(options.AllRiffs ? "Riffs" : project.RiffNames[first]) +
             "</part-name></score-part></part-list>\n<part id=\"P1\">\n";
        TPartWriter w(x);
        for (int r = first; r <= last; ++r) {
            const TRiff& riff = project.Riffs[size_t(r)];
            w.FillMeasure();
            w.Start(riff, true);
            PlayRiff(w, riff, 1);
        }
        finishPart(w);
        result.Parts = 1;
        x += "</score-partwise>\n";
        return result;
    }
    TSongPlan plan = PlanSong(project, {});
    if (!plan.Error.empty() || plan.Rows.empty()) {
        result.Error = plan.Rows.empty() ? "The song structure is empty: nothing to export"
                                         : "The structure names a riff that does not exist";
        return result;
    }
    int columns = 0;
    for (const TRowPlay& row : plan.Rows)
        for (const TColumnPlay& c : row.Columns)
            columns = std::max(columns, c.Column + 1);
    x += "<part-list>";
    for (int c = 0; c < columns; ++c) {
        std::string name = c < project.InstrumentNames.Count() ? project.InstrumentNames[c] : "";
        x += "<score-part id=\"P" + std::to_string(c + 1) + "\"><part-name>" +
             Escape(name.empty() ? "Instrument " + std::to_string(c + 1) : name) +
             "</part-name></score-part>";
    }
    x += "</part-list>\n";
    for (int c = 0; c < columns; ++c) {
        x += "<part id=\"P" + std::to_string(c + 1) + "\">\n";
        TPartWriter w(x);
        for (const TRowPlay& row : plan.Rows) {
            // The row lasts as long as its longest column; its first column sets the bars.
            int64_t rowTicks = 0;
            const TColumnPlay* mine = nullptr;
            const TColumnPlay* lead = nullptr;
            for (const TColumnPlay& cp : row.Columns) {
                if (cp.Repeat <= 0)
                    continue;
                rowTicks =
                    std::max(rowTicks, RiffTicks(project.Riffs[size_t(cp.Riff)], -1) * cp.Repeat);
                if (!lead)
                    lead = &cp;
                if (cp.Column == c)
                    mine = &cp;
            }
            if (!lead || rowTicks == 0)
                continue;
            const TRiff& riff = project.Riffs[size_t((mine ? mine : lead)->Riff)];
            w.FillMeasure();
            w.Start(riff, true);
            int64_t played = 0;
            if (mine) {
                PlayRiff(w, riff, mine->Repeat);
                played = RiffTicks(riff, -1) * mine->Repeat;
            }
            if (rowTicks > played)
                w.Record(nullptr, rowTicks - played, false, false);
        }
        finishPart(w);
    }
    result.Parts = columns;
    x += "</score-partwise>\n";
    return result;
}

namespace {

void Put16(std::string& s, uint32_t v) {
    s += char(v & 0xFF);
    s += char(v >> 8 & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

struct TZipEntry {
    std::string Name;
    uint32_t Crc = 0, Size = 0, Packed = 0, Offset = 0;
    uint16_t Method = 0;
};

// False when zlib fails (no memory): nothing would describe the data correctly.
bool AddEntry(std::string& zip, std::vector<TZipEntry>& entries, const std::string& name,
              const std::string& data, bool compress) {
    TZipEntry e;
    e.Name = name;
    // zlib takes at most 4 GB - 1 bytes per call: large scores go in pieces.
    constexpr size_t Piece = size_t(1) << 30;
    uLong crc = crc32(0, nullptr, 0);
    for (size_t at = 0; at < data.size(); at += Piece)
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data() + at),
                    uInt(std::min(Piece, data.size() - at)));
    e.Crc = uint32_t(crc);
    e.Size = uint32_t(data.size());
    e.Offset = uint32_t(zip.size());
    std::string packed = compress ? std::string() : data;
    if (compress) {
        // The default level: the best one takes several times longer for a few percent.
        z_stream z{};
        if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            return false;
        packed.assign(deflateBound(&z, uLong(data.size())), '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        z.next_out = reinterpret_cast<Bytef*>(packed.data());
        size_t inLeft = data.size(), outLeft = packed.size();
        int status = Z_OK;
        while (status == Z_OK) {
            uInt in = uInt(std::min(Piece, inLeft)), out = uInt(std::min(Piece, outLeft));
            z.avail_in = in;
            z.avail_out = out;
            status = deflate(&z, in == inLeft ? Z_FINISH : Z_NO_FLUSH);
            inLeft -= in - z.avail_in;
            outLeft -= out - z.avail_out;
        }
        packed.resize(packed.size() - outLeft);
        deflateEnd(&z);
        if (status != Z_STREAM_END)
            return false;
        e.Method = 8;
    }
    e.Packed = uint32_t(packed.size());
    Put32(zip, 0x04034b50);
    Put16(zip, 20);
    Put16(zip, 0);
    Put16(zip, e.Method);
    Put32(zip, 0); // time and date
    Put32(zip, e.Crc);
    Put32(zip, e.Packed);
    Put32(zip, e.Size);
    Put16(zip, uint16_t(name.size()));
    Put16(zip, 0);
    zip += name;
    zip += packed;
    entries.push_back(e);
    return true;
}

} // namespace

std::string MusicXmlToMxl(const std::string& xml) {
    // The container's sizes and offsets are 32-bit.
    if (xml.size() >= MaxMxlScoreBytes)
        return {};
    std::string zip;
    std::vector<TZipEntry> entries;
    if (!AddEntry(zip, entries, "mimetype", "application/vnd.recordare.musicxml", false) ||
        !AddEntry(zip, entries, "META-INF/container.xml",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<container><rootfiles>"
                  "<rootfile full-path=\"score.musicxml\" "
                  "media-type=\"application/vnd.recordare.musicxml+xml\"/></rootfiles>"
                  "</container>\n",
                  true) ||
        !AddEntry(zip, entries, "score.musicxml", xml, true))
        return {};
    uint32_t directory = uint32_t(zip.size());
    for (const TZipEntry& e : entries) {
        Put32(zip, 0x02014b50);
        Put16(zip, 20);
        Put16(zip, 20);
        Put16(zip, 0);
        Put16(zip, e.Method);
        Put32(zip, 0);
        Put32(zip, e.Crc);
        Put32(zip, e.Packed);
        Put32(zip, e.Size);
        Put16(zip, uint16_t(e.Name.size()));
        Put16(zip, 0);
        Put16(zip, 0);
        Put16(zip, 0);
        Put16(zip, 0);
        Put32(zip, 0);
        Put32(zip, e.Offset);
        zip += e.Name;
    }
    uint32_t size = uint32_t(zip.size()) - directory;
    Put32(zip, 0x06054b50);
    Put32(zip, 0);
    Put16(zip, uint16_t(entries.size()));
    Put16(zip, uint16_t(entries.size()));
    Put32(zip, size);
    Put32(zip, directory);
    Put16(zip, 0);
    return zip;
}

} // namespace zel
