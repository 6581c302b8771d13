#include "exchange/gp_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace zel::gp {

namespace {

// Thrown with the message the reader gives back.
struct TReadError {
    std::string Message;
};

// Limits far above any real song that keep a damaged count from asking for a flood of memory.
constexpr int MaxMeasures = 1 << 16;
constexpr int MaxTracks = 1024;
constexpr int MaxBeats = 4096;

class TReader {
public:
    explicit TReader(std::string_view data) : m_data(data) {}

    size_t Pos() const { return m_pos; }
    size_t Left() const { return m_data.size() - m_pos; }
    bool AtEnd() const { return m_pos == m_data.size(); }
    bool Gp5() const { return m_major >= 5; }
    bool Gp4() const { return m_major >= 4; }
    bool V500() const { return m_major == 5 && m_minor == 0; }

    [[noreturn]] void Fail(const char* what, size_t at) const {
        throw TReadError{std::string("Invalid Guitar Pro file: ") + what + " at byte " +
                         std::to_string(at)};
    }

    void Need(size_t n, const char* what) const {
        if (Left() < n)
            Fail(what, m_pos);
    }
    void Skip(size_t n, const char* what) {
        Need(n, what);
        m_pos += n;
    }
    int U8(const char* what) {
        Need(1, what);
        return uint8_t(m_data[m_pos++]);
    }
    int I8(const char* what) { return int8_t(uint8_t(U8(what))); }
    bool Bool(const char* what) { return U8(what) != 0; }
    int I16(const char* what) {
        Need(2, what);
        uint16_t v = uint16_t(uint8_t(m_data[m_pos]) | uint8_t(m_data[m_pos + 1]) << 8);
        m_pos += 2;
        return int16_t(v);
    }
    int32_t I32(const char* what) {
        Need(4, what);
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | uint8_t(m_data[m_pos + size_t(i)]);
        m_pos += 4;
        return int32_t(v);
    }
    // A count of items that each take at least `itemBytes` bytes of what is left.
    int Count(const char* what, int high, size_t itemBytes) {
        size_t at = m_pos;
        int32_t n = I32(what);
        if (n < 0 || n > high || size_t(n) * itemBytes > Left())
            Fail(what, at);
        return n;
    }
    // A length byte and then `size` bytes of which the first `length` are the text.
    std::string ByteSizeString(size_t size, const char* what) {
        size_t at = m_pos;
        size_t length = size_t(U8(what));
        if (length > size)
            Fail(what, at);
        Need(size, what);
        std::string text(m_data.substr(m_pos, length));
        m_pos += size;
        return text;
    }
    // A 32-bit size, then a length byte and the rest of the size.
    std::string IntByteSizeString(const char* what) {
        size_t at = m_pos;
        int32_t size = I32(what);
        if (size < 1 || size_t(size) > Left())
            Fail(what, at);
        size_t length = size_t(uint8_t(m_data[m_pos]));
        std::string text(m_data.substr(m_pos + 1, std::min(length, size_t(size) - 1)));
        m_pos += size_t(size);
        return text;
    }
    // A 32-bit length and the text.
    std::string IntSizeString(const char* what) {
        size_t at = m_pos;
        int32_t size = I32(what);
        if (size < 0 || size_t(size) > Left())
            Fail(what, at);
        std::string text(m_data.substr(m_pos, size_t(size)));
        m_pos += size_t(size);
        return text;
    }

    void SetVersion(int major, int minor) {
        m_major = major;
        m_minor = minor;
    }

private:
    std::string_view m_data;
    size_t m_pos = 0;
    int m_major = 5, m_minor = 10;
};

class TSongReader {
public:
    explicit TSongReader(std::string_view data) : r(data) {}

    TGpSong Read() {
        Version();
        Info();
        if (r.Gp5()) {
            Lyrics();
            if (!r.V500())
                r.Skip(19, "master effect");
            PageSetup();
            r.IntByteSizeString("tempo name");
            s.Tempo = r.I32("tempo");
            if (!r.V500())
                r.Skip(1, "tempo visibility");
            s.Key = r.I8("key");
            r.Skip(4, "octave");
        } else {
            r.Skip(1, "triplet feel");
            if (r.Gp4())
                Lyrics();
            s.Tempo = r.I32("tempo");
            s.Key = r.I32("key");
            if (r.Gp4())
                r.Skip(1, "octave");
        }
        Channels();
        if (r.Gp5())
            r.Skip(19 * 2 + 4, "directions");
        int measures = r.Count("measure count", MaxMeasures, 1);
        int tracks = r.Count("track count", MaxTracks, 1);
        if (measures < 1)
            r.Fail("measure count", r.Pos() - 8);
        if (tracks < 1)
            r.Fail("track count", r.Pos() - 4);
        s.Headers.resize(size_t(measures));
        for (int i = 0; i < measures; ++i)
            Header(i);
        s.Tracks.resize(size_t(tracks));
        for (int i = 0; i < tracks; ++i)
            Track(i);
        if (r.Gp5())
            r.Skip(r.V500() ? 2 : 1, "track list end");
        // Each measure of each track holds at least its beat count(s).
        const size_t perMeasure = r.Gp5() ? 9 : 4;
        if (size_t(measures) * size_t(tracks) * perMeasure > r.Left())
            r.Fail("measures", r.Pos());
        for (auto& track : s.Tracks)
            track.Measures.resize(size_t(measures));
        for (int m = 0; m < measures; ++m)
            for (int t = 0; t < tracks; ++t)
                Measure(s.Tracks[size_t(t)], m);
        s.UnreadBytes = r.Left();
        return std::move(s);
    }

private:
    TReader r;
    TGpSong s;
    // The fret last played on each string of each track, for tied notes.
    std::vector<std::array<int, 8>> m_lastFret;

    void Version() {
        std::string text = r.ByteSizeString(30, "version");
        static constexpr std::pair<const char*, std::pair<int, int>> Known[] = {
            {"FICHIER GUITAR PRO v3.00", {3, 0}}, {"FICHIER GUITAR PRO v4.00", {4, 0}},
            {"FICHIER GUITAR PRO v4.06", {4, 6}}, {"FICHIER GUITAR PRO L4.06", {4, 6}},
            {"FICHIER GUITAR PRO v5.00", {5, 0}}, {"FICHIER GUITAR PRO v5.10", {5, 10}},
        };
        for (const auto& [name, version] : Known)
            if (text == name) {
                s.Version = text;
                s.Major = version.first;
                s.Minor = version.second;
                r.SetVersion(s.Major, s.Minor);
                return;
            }
        for (char& c : text)
            if (uint8_t(c) < 32 || uint8_t(c) == 127)
                c = '?';
        throw TReadError{"Unsupported Guitar Pro version: " + text};
    }

    void Info() {
        s.Title = r.IntByteSizeString("title");
        s.Subtitle = r.IntByteSizeString("subtitle");
        s.Artist = r.IntByteSizeString("artist");
        s.Album = r.IntByteSizeString("album");
        s.Words = r.IntByteSizeString("words");
        if (r.Gp5())
            s.Music = r.IntByteSizeString("music");
        else
            s.Music = s.Words;
        s.Copyright = r.IntByteSizeString("copyright");
        s.Tab = r.IntByteSizeString("tab author");
        s.Instructions = r.IntByteSizeString("instructions");
        int notices = r.Count("notice count", 1 << 20, 5);
        for (int i = 0; i < notices; ++i)
            s.Notice.push_back(r.IntByteSizeString("notice line"));
    }

    void Lyrics() {
        s.LyricsTrack = r.I32("lyrics track");
        for (int i = 0; i < 5; ++i) {
            TGpLyricLine line;
            line.Measure = r.I32("lyrics measure");
            line.Text = r.IntSizeString("lyrics");
            if (!line.Text.empty())
                s.Lyrics.push_back(std::move(line));
        }
    }

    void PageSetup() {
        r.Skip(7 * 4 + 2, "page setup");
        for (int i = 0; i < 10; ++i)
            r.IntByteSizeString("page setup text");
    }

    void Channels() {
        for (int c = 0; c < 64; ++c) {
            int program = r.I32("channel program");
            s.Programs[size_t(c)] = std::clamp(program, 0, 127);
            r.Skip(8, "channel settings");
        }
    }

    void Header(int index) {
        TGpHeader& h = s.Headers[size_t(index)];
        if (index > 0) {
            h = s.Headers[size_t(index) - 1];
            h.RepeatOpen = false;
            h.RepeatClose = 0;
            h.Alternatives = 0;
            h.HasMarker = false;
            h.Marker.clear();
            h.Tempo = -1;
            if (r.Gp5())
                r.Skip(1, "measure header");
        } else {
            h.Key = std::clamp(s.Key, -7, 7);
        }
        int flags = r.U8("measure header");
        if (flags & 0x01) {
            size_t at = r.Pos();
            h.Numerator = r.I8("time signature");
            if (h.Numerator < 1 || h.Numerator > 32)
                r.Fail("time signature", at);
        }
        if (flags & 0x02) {
            size_t at = r.Pos();
            h.Denominator = r.I8("time signature");
            if (h.Denominator < 1 || h.Denominator > 32 || (h.Denominator & (h.Denominator - 1)))
                r.Fail("time signature", at);
        }
        h.RepeatOpen = flags & 0x04;
        if (flags & 0x08) {
            int count = r.I8("repeat count");
            // GP5 stores how often the part is played, older versions how often it is repeated.
            h.RepeatClose = std::clamp(r.Gp5() ? count : count + 1, 1, 127);
        }
        if (!r.Gp5() && (flags & 0x10))
            h.Alternatives = OldAlternatives(index, r.U8("alternate ending"));
        if (flags & 0x20) {
            h.HasMarker = true;
            h.Marker = r.IntByteSizeString("marker");
            r.Skip(4, "marker colour");
        }
        if (flags & 0x40) {
            h.Key = std::clamp(r.I8("key"), -7, 7);
            r.Skip(1, "key type");
        }
        if (r.Gp5()) {
            if (flags & 0x10)
                h.Alternatives = uint32_t(r.U8("alternate ending"));
            if (flags & 0x03)
                r.Skip(4, "beams");
            if (!(flags & 0x10))
                r.Skip(1, "measure header");
            r.Skip(1, "triplet feel");
        }
    }

    // Older files give the number of the ending; it stands for every pass up to it that no
    // earlier ending of the same repeat takes.
    uint32_t OldAlternatives(int index, int number) {
        uint32_t taken = 0;
        for (int i = index - 1; i >= 0; --i) {
            taken |= s.Headers[size_t(i)].Alternatives;
            if (s.Headers[size_t(i)].RepeatOpen)
                break;
        }
        uint32_t upTo = number >= 8 ? 0xFF : (1u << number) - 1;
        uint32_t mask = upTo & ~taken;
        return mask ? mask : (number >= 1 && number <= 8 ? 1u << (number - 1) : 0);
    }

    void Track(int index) {
        TGpTrack& t = s.Tracks[size_t(index)];
        if (r.Gp5() && (index == 0 || r.V500()))
            r.Skip(1, "track");
        t.Percussion = r.U8("track") & 0x01;
        t.Name = r.ByteSizeString(40, "track name");
        size_t at = r.Pos();
        int strings = r.I32("string count");
        if (strings < 1 || strings > 7)
            r.Fail("string count", at);
        for (int i = 0; i < 7; ++i) {
            size_t tuningAt = r.Pos();
            int note = r.I32("tuning");
            if (i < strings) {
                if (note < 0 || note > 127)
                    r.Fail("tuning", tuningAt);
                t.Tuning.push_back(note);
            }
        }
        int port = r.I32("MIDI port");
        int channel = r.I32("MIDI channel");
        r.Skip(4, "effect channel");
        t.Channel = std::clamp((std::clamp(port, 1, 4) - 1) * 16 + channel - 1, 0, 63);
        t.Program = s.Programs[size_t(t.Channel)];
        r.Skip(4, "fret count");
        t.Capo = std::clamp(r.I32("capo"), 0, 99);
        r.Skip(4, "track colour");
        if (r.Gp5()) {
            r.Skip(2 + 1 + 1 + 1 + 24, "track settings");
            r.Skip(12, "track sound");
            r.Skip(r.V500() ? 3 : 4, "track sound");
            if (!r.V500()) {
                r.Skip(4, "track equalizer");
                r.IntByteSizeString("track sound effect");
                r.IntByteSizeString("track sound category");
            }
        }
    }

    void Measure(TGpTrack& track, int index) {
        if (m_lastFret.size() < s.Tracks.size())
            m_lastFret.assign(s.Tracks.size(), std::array<int, 8>{});
        auto& last = m_lastFret[size_t(&track - s.Tracks.data())];
        TGpMeasure& m = track.Measures[size_t(index)];
        for (int v = 0; v < (r.Gp5() ? 2 : 1); ++v) {
            int beats = r.Count("beat count", MaxBeats, 3);
            m.Voices[size_t(v)].Beats.resize(size_t(beats));
            for (auto& beat : m.Voices[size_t(v)].Beats)
                Beat(beat, track, last, s.Headers[size_t(index)]);
        }
        // The line-break byte of the very last measure may be missing.
        if (r.Gp5() && !r.AtEnd())
            r.Skip(1, "line break");
    }

    void Beat(TGpBeat& b, const TGpTrack& track, std::array<int, 8>& last, TGpHeader& header) {
        int flags = r.U8("beat");
        if (flags & 0x40)
            b.Empty = r.U8("beat status") == 0;
        size_t at = r.Pos();
        int value = r.I8("beat duration");
        if (value < -2 || value > 4)
            r.Fail("beat duration", at);
        b.Value = 1 << (value + 2);
        b.Dots = (flags & 0x01) ? 1 : 0;
        if (flags & 0x20) {
            at = r.Pos();
            int n = r.I32("tuplet");
            static constexpr int Times[] = {0, 0, 0, 2, 0, 4, 4, 4, 0, 8, 8, 8, 8, 8};
            if (n < 0 || n > 13 || (Times[n] == 0 && n > 1))
                r.Fail("tuplet", at);
            if (n > 1) {
                b.TupletEnter = n;
                b.TupletTimes = Times[n];
            }
        }
        if (flags & 0x02) {
            Chord();
            b.Effects |= EffectChordDiagram;
        }
        if (flags & 0x04) {
            b.Text = r.IntByteSizeString("beat text");
            b.Effects |= EffectText;
        }
        if (flags & 0x08)
            b.Effects |= BeatEffects();
        if (flags & 0x10) {
            b.Tempo = MixTable();
            if (b.Tempo > 0 && header.Tempo < 0)
                header.Tempo = b.Tempo;
        }
        int strings = r.U8("string flags");
        for (int n = 1; n <= 7; ++n) {
            if (!(strings & (1 << (7 - n))))
                continue;
            TGpNote note;
            note.String = n;
            Note(note);
            if (n > int(track.Tuning.size()))
                continue; // a note on a string the track does not have
            if (note.Tie)
                note.Fret = last[size_t(n)];
            else if (!note.Dead)
                last[size_t(n)] = note.Fret;
            b.Notes.push_back(note);
        }
        if (r.Gp5()) {
            int flags2 = r.I16("beat");
            if (flags2 & 0x0800)
                r.Skip(1, "beams");
        }
    }

    void Chord() {
        size_t at = r.Pos();
        bool newFormat = r.Bool("chord diagram");
        if (r.Gp5()) {
            r.Skip(16, "chord diagram");
            r.ByteSizeString(21, "chord name");
            r.Skip(4 + 4 + 7 * 4 + 32, "chord diagram");
            return;
        }
        if (!newFormat) {
            r.IntByteSizeString("chord name");
            if (r.I32("chord diagram") != 0)
                r.Skip(6 * 4, "chord diagram");
            return;
        }
        if (!r.Gp4()) {
            r.Skip(1 + 3 + 5 * 4 + 1, "chord diagram");
            r.ByteSizeString(22, "chord name");
            r.Skip(3 * 4 + 4 + 6 * 4 + 4 + 3 * 2 * 4 + 7 + 1, "chord diagram");
            return;
        }
        r.Skip(1 + 3 + 3 + 4 + 4 + 1, "chord diagram");
        r.ByteSizeString(22, "chord name");
        r.Skip(3 + 4 + 7 * 4 + 1 + 3 * 5 + 7 + 1 + 7 + 1, "chord diagram");
        (void)at;
    }

    uint32_t BeatEffects() {
        uint32_t effects = 0;
        int flags1 = r.U8("beat effects");
        int flags2 = r.Gp4() ? r.U8("beat effects") : 0;
        if (flags1 & 0x03)
            effects |= EffectVibrato;
        if (flags1 & 0x0C)
            effects |= EffectHarmonic;
        if (flags1 & 0x10)
            effects |= EffectFade;
        if (flags1 & 0x20) {
            int slap = r.Gp4() ? r.I8("tap, slap or pop") : r.U8("tap, slap or pop");
            if (!r.Gp4()) {
                r.Skip(4, slap == 0 ? "tremolo bar" : "tap, slap or pop");
                effects |= slap == 0 ? EffectTremoloBar : EffectTapSlapPop;
            } else {
                effects |= EffectTapSlapPop;
            }
        }
        if (flags2 & 0x04) {
            Bend();
            effects |= EffectTremoloBar;
        }
        if (flags1 & 0x40) {
            r.Skip(2, "stroke");
            effects |= EffectStroke;
        }
        if (flags2 & 0x02) {
            r.Skip(1, "pick stroke");
            effects |= EffectStroke;
        }
        if (flags2 & 0x01)
            effects |= EffectStroke;
        return effects;
    }

    void Bend() {
        r.Skip(1 + 4, "bend");
        int points = r.Count("bend points", 1 << 16, 9);
        r.Skip(size_t(points) * 9, "bend points");
    }

    // The tempo the mix table sets; -1 when it leaves the tempo.
    int MixTable() {
        r.Skip(1, "mix table");
        if (r.Gp5())
            r.Skip(r.V500() ? 15 + 1 : 16, "mix table sound");
        int values[6];
        for (int& v : values)
            v = r.I8("mix table");
        if (r.Gp5())
            r.IntByteSizeString("mix table tempo name");
        int tempo = r.I32("mix table tempo");
        for (int v : values)
            if (v >= 0)
                r.Skip(1, "mix table");
        if (tempo >= 0) {
            r.Skip(1, "mix table");
            if (r.Gp5() && !r.V500())
                r.Skip(1, "mix table");
        }
        if (r.Gp4())
            r.Skip(1, "mix table");
        if (r.Gp5()) {
            r.Skip(1, "wah");
            if (!r.V500()) {
                r.IntByteSizeString("mix table sound effect");
                r.IntByteSizeString("mix table sound category");
            }
        }
        return tempo > 0 ? tempo : -1;
    }

    void Note(TGpNote& n) {
        int flags = r.U8("note");
        if (flags & 0x04)
            n.Effects |= EffectGhost;
        if (flags & 0x42)
            n.Effects |= EffectAccent;
        if (flags & 0x20) {
            size_t at = r.Pos();
            int type = r.U8("note type");
            if (type > 3)
                r.Fail("note type", at);
            n.Tie = type == 2;
            n.Dead = type == 3;
        }
        if (!r.Gp5() && (flags & 0x01))
            r.Skip(2, "note duration");
        if (flags & 0x10)
            r.Skip(1, "note dynamic");
        if (flags & 0x20) {
            size_t at = r.Pos();
            n.Fret = r.I8("fret");
            if (n.Fret < 0 || n.Fret > 99)
                r.Fail("fret", at);
        }
        if (flags & 0x80)
            r.Skip(2, "fingering");
        if (r.Gp5()) {
            if (flags & 0x01)
                r.Skip(8, "note duration");
            r.Skip(1, "note");
        }
        if (flags & 0x08)
            NoteEffects(n);
    }

    void NoteEffects(TGpNote& n) {
        int flags1 = r.U8("note effects");
        int flags2 = r.Gp4() ? r.U8("note effects") : 0;
        if (flags1 & 0x01) {
            Bend();
            n.Effects |= EffectBend;
        }
        if (flags1 & 0x02)
            n.Effects |= EffectHammer;
        if (!r.Gp4() && (flags1 & 0x04))
            n.Effects |= EffectSlide;
        if (flags1 & 0x08)
            n.Effects |= EffectLetRing;
        if (flags1 & 0x10) {
            r.Skip(r.Gp5() ? 5 : 4, "grace note");
            n.Grace = true;
        }
        if (flags2 & 0x01)
            n.Effects |= EffectStaccato;
        if (flags2 & 0x02)
            n.Effects |= EffectPalmMute;
        if (flags2 & 0x04) {
            r.Skip(1, "tremolo picking");
            n.Effects |= EffectTremoloPicking;
        }
        if (flags2 & 0x08) {
            r.Skip(1, "slide");
            n.Effects |= EffectSlide;
        }
        if (flags2 & 0x10) {
            n.Effects |= EffectHarmonic;
            size_t at = r.Pos();
            int type = r.I8("harmonic");
            if (r.Gp5()) {
                if (type == 2)
                    r.Skip(3, "harmonic");
                else if (type == 3)
                    r.Skip(1, "harmonic");
                else if (type < 1 || type > 5)
                    r.Fail("harmonic", at);
            }
        }
        if (flags2 & 0x20) {
            r.Skip(2, "trill");
            n.Effects |= EffectTrill;
        }
        if (flags2 & 0x40)
            n.Effects |= EffectVibrato;
    }
};

} // namespace

TGpReadResult ReadGuitarPro(std::string_view bytes) {
    TGpReadResult result;
    if (bytes.size() > MaxGpFileBytes) {
        result.Error =
            "Invalid Guitar Pro file: more than 16 MB at byte " + std::to_string(MaxGpFileBytes);
        return result;
    }
    try {
        result.Song = TSongReader(bytes).Read();
        result.Ok = true;
    } catch (const TReadError& error) {
        result.Error = error.Message;
    }
    return result;
}

TGpReadResult ReadGuitarProFile(const std::string& path) {
    TGpReadResult result;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.Error = "Cannot open " + path + ": " + std::strerror(errno);
        return result;
    }
    std::string bytes;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, size_t(in.gcount()));
        if (bytes.size() > MaxGpFileBytes)
            break;
    }
    if (in.bad()) {
        result.Error = "Cannot read " + path;
        return result;
    }
    return ReadGuitarPro(bytes);
}

} // namespace zel::gp
