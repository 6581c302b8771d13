#include "arrange/midi_export.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

#include "model/datafile.h"
#include "model/text_fields.h"
#include "sound/notebuffer.h"
#include "sound/sequencer.h"

namespace zel {

namespace {

enum TGroup { NoteOffGroup = 0, MetaGroup = 1, OtherGroup = 2 };

void AppendBe(std::string& bytes, uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i)
        bytes += char(value >> (8 * i) & 0xFF);
}

uint8_t Data(int value) {
    return uint8_t(std::clamp(value, 0, 127));
}

} // namespace

void AppendVarLen(std::string& bytes, uint64_t value) {
    char groups[10];
    int n = 0;
    do {
        groups[n++] = char(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (n > 1)
        bytes += char(0x80 | uint8_t(groups[--n]));
    bytes += groups[0];
}

void TMidiTrackWriter::Add(int64_t tick, int group, std::string_view bytes) {
    uint32_t order = uint32_t(group) << 30 | uint32_t(m_events.size() & 0x3FFFFFFF);
    m_events.push_back(
        {std::max<int64_t>(tick, 0), order, uint32_t(m_bytes.size()), uint32_t(bytes.size())});
    m_bytes.append(bytes);
}

void TMidiTrackWriter::Reserve(size_t events, size_t bytes) {
    m_events.reserve(events);
    m_bytes.reserve(bytes);
}

void TMidiTrackWriter::Meta(int64_t tick, uint8_t type, std::string_view data) {
    std::string bytes{char(0xFF), char(type)};
    AppendVarLen(bytes, data.size());
    bytes.append(data);
    Add(tick, MetaGroup, bytes);
}

void TMidiTrackWriter::TrackName(int64_t tick, std::string_view name) {
    Meta(tick, 0x03, name);
}

void TMidiTrackWriter::Tempo(int64_t tick, uint32_t microsecondsPerQuarter) {
    std::string data;
    AppendBe(data, std::min<uint32_t>(microsecondsPerQuarter, 0xFFFFFF), 3);
    Meta(tick, 0x51, data);
}

void TMidiTrackWriter::TimeSignature(int64_t tick, int numerator, int denominatorPower) {
    // 24 MIDI clocks to the metronome click, eight thirty-seconds to a quarter.
    std::string data{char(std::clamp(numerator, 1, 255)), char(std::clamp(denominatorPower, 0, 7)),
                     char(24), char(8)};
    Meta(tick, 0x58, data);
}

void TMidiTrackWriter::NoteOn(int64_t tick, int channel, int key, int velocity) {
    char bytes[3] = {char(0x90 | (channel & 0x0F)), char(Data(key)), char(Data(velocity))};
    Add(tick, OtherGroup, std::string_view(bytes, 3));
}

void TMidiTrackWriter::NoteOff(int64_t tick, int channel, int key) {
    char bytes[3] = {char(0x80 | (channel & 0x0F)), char(Data(key)), char(64)};
    Add(tick, NoteOffGroup, std::string_view(bytes, 3));
}

void TMidiTrackWriter::Note(int64_t tick, int64_t length, int channel, int key, int velocity) {
    NoteOn(tick, channel, key, velocity);
    NoteOff(tick + std::max<int64_t>(length, 0), channel, key);
}

void TMidiTrackWriter::Raw(int64_t tick, std::string_view bytes) {
    bool meta = !bytes.empty() && uint8_t(bytes[0]) == 0xFF;
    bool off = !bytes.empty() && (uint8_t(bytes[0]) >> 4) == 0x8;
    Add(tick, off ? NoteOffGroup : meta ? MetaGroup : OtherGroup, bytes);
}

std::string TMidiTrackWriter::Chunk(int64_t endTick) const {
    // In order of tick, then group, then as added (the order field holds group and index).
    auto before = [](const TEvent& x, const TEvent& y) {
        return x.Tick != y.Tick ? x.Tick < y.Tick : x.Order < y.Order;
    };
    auto groupBefore = [](const TEvent& x, const TEvent& y) {
        return x.Tick != y.Tick ? x.Tick < y.Tick : (x.Order >> 30) < (y.Order >> 30);
    };
    // Events added in time order (a song's notes mostly are) need no sorted copy.
    std::vector<TEvent> sorted;
    const std::vector<TEvent>* events = &m_events;
    if (!std::is_sorted(m_events.begin(), m_events.end(), groupBefore)) {
        sorted = m_events;
        std::sort(sorted.begin(), sorted.end(), before);
        events = &sorted;
    }
    std::string chunk = "MTrk";
    chunk.append(4, '\0'); // the length, filled in at the end
    chunk.reserve(m_bytes.size() + events->size() * 2 + 16);
    int64_t last = 0;
    for (const TEvent& event : *events) {
        AppendVarLen(chunk, uint64_t(event.Tick - last));
        chunk.append(m_bytes, event.Offset, event.Length);
        last = event.Tick;
    }
    AppendVarLen(chunk, uint64_t(std::max<int64_t>(endTick - last, 0)));
    chunk += "\xFF\x2F";
    chunk += '\0';
    std::string length;
    AppendBe(length, chunk.size() - 8, 4);
    chunk.replace(4, 4, length);
    return chunk;
}

std::string MidiFileBytes(int format, int division, std::span<const TMidiTrackWriter> tracks,
                          int64_t endTick) {
    std::string bytes = "MThd";
    AppendBe(bytes, 6, 4);
    AppendBe(bytes, uint64_t(format), 2);
    AppendBe(bytes, tracks.size(), 2);
    AppendBe(bytes, uint64_t(division), 2);
    for (const TMidiTrackWriter& track : tracks)
        bytes += track.Chunk(endTick);
    bytes.shrink_to_fit();
    return bytes;
}

int MidiExportChannel(int track) {
    int channel = track % 15;
    return channel >= MidiDrumChannel ? channel + 1 : channel;
}

namespace {

// The bar numerators a riff cycles through ("3 2": 3, 2, 3, 2 ...); one beat when it names none.
std::vector<int> BarCycle(const TRiff& riff) {
    std::vector<int> cycle;
    const std::string& bars = riff.BarsA;
    for (size_t p = bars.find_first_of("0123456789"); p != std::string::npos;
         p = bars.find_first_of("0123456789", p)) {
        int beats = ReadLeadingInt(std::string_view(bars).substr(p));
        cycle.push_back(std::clamp(beats == 0 ? 1 : beats, 1, 255));
        p = bars.find_first_not_of("0123456789", p);
    }
    if (cycle.empty())
        cycle.push_back(1);
    return cycle;
}

// The power of two of the riff's beat note; none when MIDI cannot name it.
std::optional<int> DenominatorPower(const TRiff& riff) {
    for (int power = 0; power < 8; ++power)
        if ((1 << power) == riff.BarsB)
            return power;
    return std::nullopt;
}

__extension__ typedef __int128 TWide; // products of frames, microseconds and ticks

uint32_t MicrosecondsPerQuarter(int tempo) {
    // MIDI holds up to 0xFFFFFF microseconds (about 3.6 quarter notes a minute).
    return uint32_t(std::min(60000000 / std::max(tempo, 1), 0xFFFFFF));
}

// Rounds n / d to the nearest whole number (d > 0).
int64_t RoundedQuotient(TWide n, TWide d) {
    return int64_t(n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d)));
}

// The file's tempo map: where the leading riff's tempo changes, in frames and in file ticks,
// with the time a player reckons for that tick (in microseconds times the division, exactly).
class TTempoMap {
public:
    struct TChange {
        int64_t Frame, Tick;
        TWide Time;
        uint32_t Microseconds; // a quarter
    };

    // `changes`: frame and tempo, in order of frame.
    explicit TTempoMap(const std::vector<std::pair<int64_t, int>>& changes) {
        uint32_t slowest = 0;
        for (const auto& change : changes)
            slowest = std::max(slowest, MicrosecondsPerQuarter(change.second));
        // A tick of at most a millisecond at the slowest tempo: a rounded time is never more
        // than half a millisecond from the frame.
        Division = MidiExportDivision * int(std::max<uint32_t>((slowest + 959999) / 960000, 1));
        m_changes.push_back({0, 0, 0, MicrosecondsPerQuarter(120)});
        for (const auto& [frame, tempo] : changes) {
            uint32_t microseconds = MicrosecondsPerQuarter(tempo);
            if (microseconds == m_changes.back().Microseconds)
                continue;
            int64_t tick = Tick(frame);
            const TChange& last = m_changes.back();
            TChange change{frame, tick, last.Time + TWide(tick - last.Tick) * last.Microseconds,
                           microseconds};
            if (tick == last.Tick)
                m_changes.back() = change;
            else
                m_changes.push_back(change);
        }
    }

    // The tick whose time is nearest the frame's.
    int64_t Tick(int64_t frame) const {
        auto after = std::upper_bound(m_changes.begin(), m_changes.end(), frame,
                                      [](int64_t f, const TChange& c) { return f < c.Frame; });
        const TChange& c = after == m_changes.begin() ? m_changes.front() : *(after - 1);
        TWide time = TWide(frame) * 1000000 * Division; // microseconds times the division
        TWide delta =
            RoundedQuotient(time - c.Time * SampleRate, TWide(c.Microseconds) * SampleRate);
        return std::max<int64_t>(c.Tick + int64_t(delta), 0);
    }

    void Write(TMidiTrackWriter& track) const {
        for (const TChange& change : m_changes)
            track.Tempo(change.Tick, change.Microseconds);
    }

    int Division = MidiExportDivision;

private:
    std::vector<TChange> m_changes;
};

// Who leads (the lowest column playing) from frame `From` until frame `To`.
struct TLead {
    int64_t From, To;
    size_t Span;
};

std::vector<TLead> Leads(const TTimeline& timeline) {
    std::set<std::pair<int, size_t>> playing; // column, span
    std::vector<std::pair<int64_t, std::pair<bool, size_t>>> changes;
    changes.reserve(timeline.Spans.size() * 2);
    for (size_t i = 0; i < timeline.Spans.size(); ++i) {
        const TTimelineSpan& span = timeline.Spans[i];
        changes.push_back({span.StartFrame, {true, i}});
        changes.push_back({span.StartFrame + span.Frames, {false, i}});
    }
    std::sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        return a.second.first < b.second.first; // ends first
    });
    std::vector<TLead> leads;
    for (size_t i = 0; i < changes.size();) {
        int64_t frame = changes[i].first;
        for (; i < changes.size() && changes[i].first == frame; ++i) {
            size_t span = changes[i].second.second;
            std::pair<int, size_t> key{timeline.Spans[span].Column, span};
            if (changes[i].second.first)
                playing.insert(key);
            else
                playing.erase(key);
        }
        if (!playing.empty() && i < changes.size())
            leads.push_back({frame, changes[i].first, playing.begin()->second});
    }
    return leads;
}

// What the tempo track last said, and the bar of the leading riff it has come to.
struct TConductorState {
    int Key = INT32_MIN;
    int Numerator = -1, Power = -1;
    size_t Span = SIZE_MAX;
    int64_t BarTick = 0; // where that bar starts in the riff
    size_t Bar = 0;
};

// Key and bar signatures of the leading riff while it leads: its key where it starts to lead,
// and a time signature at every bar whose numerator differs from the one in force.
void WriteLead(const TProject& project, const TTimeline& timeline, const TTempoMap& map,
               const TLead& lead, TConductorState& state, TMidiTrackWriter& track) {
    const TTimelineSpan& span = timeline.Spans[lead.Span];
    const TRiff& riff = project.Riffs[size_t(span.Riff)];
    const int key = std::clamp(riff.Key, -7, 7);
    if (key != state.Key) {
        track.Meta(map.Tick(lead.From), 0x59, std::string{char(int8_t(key)), char(0)});
        state.Key = key;
    }
    auto power = DenominatorPower(riff);
    if (!power)
        return;
    const std::vector<int> cycle = BarCycle(riff);
    auto signature = [&](int64_t frame, int numerator) {
        if (numerator == state.Numerator && *power == state.Power)
            return;
        track.TimeSignature(map.Tick(frame), numerator, *power);
        state.Numerator = numerator;
        state.Power = *power;
    };
    if (cycle.size() == 1)
        return signature(lead.From, cycle[0]);
    if (lead.Span != state.Span) {
        state.Span = lead.Span;
        state.BarTick = 0;
        state.Bar = 0;
    }
    // Bars go on from where the last stretch of this span left them.
    const int64_t beatTicks = TicksPerWhole / riff.BarsB;
    while (state.BarTick < span.Ticks) {
        const int numerator = cycle[state.Bar % cycle.size()];
        const int64_t next = state.BarTick + numerator * beatTicks;
        const int64_t barFrame = span.StartFrame + NoteSamples(riff.Tempo, state.BarTick);
        const int64_t nextFrame = span.StartFrame + NoteSamples(riff.Tempo, next);
        if (barFrame >= lead.To)
            break;
        if (nextFrame > lead.From)
            signature(std::max(barFrame, lead.From), numerator);
        if (nextFrame > lead.To)
            break; // the bar goes on into the next stretch
        state.BarTick = next;
        ++state.Bar;
    }
}

} // namespace

TMidiExport TimelineToMidi(const TProject& project, const TTimeline& timeline) {
    TMidiExport result;
    if (!timeline.Error.empty()) {
        result.Error = timeline.Error;
        return result;
    }
    int64_t endFrame = timeline.TotalFrames;
    for (const TTimelineNote& note : timeline.Notes)
        endFrame = std::max(endFrame, note.StartFrame + note.Frames);
    if (endFrame > MaxRenderValues / 2) {
        result.Error = MidiTooLongError;
        return result;
    }
    // The tempo of the leading riff wherever it changes; notes of every column are placed in
    // that map by their frames.
    const std::vector<TLead> leads = Leads(timeline);
    std::vector<std::pair<int64_t, int>> tempos;
    for (const TLead& lead : leads)
        tempos.push_back({lead.From, project.Riffs[size_t(timeline.Spans[lead.Span].Riff)].Tempo});
    const TTempoMap map(tempos);
    const int64_t end = map.Tick(endFrame);
    if (end > MaxMidiDelta) {
        result.Error = MidiTooLongError;
        return result;
    }
    std::map<int, size_t> trackOf; // column -> track
    for (const TTimelineNote& note : timeline.Notes)
        trackOf.emplace(note.Column, 0);
    std::vector<TMidiTrackWriter> tracks(trackOf.size() + 1);
    std::map<int, size_t> events; // column -> MIDI events, to reserve room at once
    for (const TTimelineNote& note : timeline.Notes)
        events[note.Column] += 2 * size_t(note.PitchCount);
    map.Write(tracks[0]);
    TConductorState state;
    for (const TLead& lead : leads)
        WriteLead(project, timeline, map, lead, state, tracks[0]);
    size_t next = 1;
    for (auto& [column, track] : trackOf) {
        track = next++;
        std::string name = column < project.InstrumentNames.RecordCount()
                               ? std::string(project.InstrumentNames[column])
                               : std::string();
        tracks[track].Reserve(events[column] + 1, events[column] * 3 + name.size() + 4);
        tracks[track].TrackName(0, name);
    }
    for (const TTimelineNote& note : timeline.Notes) {
        size_t track = trackOf[note.Column];
        int channel = MidiExportChannel(int(track - 1));
        int written = 0; // a pitch held on two strings is one MIDI note
        std::array<int, StringSlots> keys{};
        for (int i = 0; i < note.PitchCount; ++i) {
            int key = note.Pitches[size_t(i)] + MidiPitchOffset;
            if (key < 0 || key > 127) {
                ++result.Skipped;
                continue;
            }
            if (std::find(keys.begin(), keys.begin() + written, key) != keys.begin() + written)
                continue;
            keys[size_t(written++)] = key;
        }
        // The chord's note-ons, then its note-offs: a column's events come in time order.
        const int64_t on = map.Tick(note.StartFrame);
        const int64_t off = map.Tick(note.StartFrame + note.Frames);
        for (int i = 0; i < written; ++i)
            tracks[track].NoteOn(on, channel, keys[size_t(i)], 100);
        for (int i = 0; i < written; ++i)
            tracks[track].NoteOff(off, channel, keys[size_t(i)]);
        result.Notes += written;
    }
    result.Tracks = int(trackOf.size());
    result.Bytes = MidiFileBytes(1, map.Division, tracks, end);
    return result;
}

TMidiExport SongToMidi(const TProject& project, const TPlayOptions& options) {
    // The renderer's measuring pass first: a song too long to render is refused before its
    // notes are laid out.
    TSongMode mode = options.FirstGridRow > 0 ? TSongMode::FromRow
                     : options.Once           ? TSongMode::OnceEach
                                              : TSongMode::Export;
    TSongRender measured = MeasureSong(project, mode, options.FirstGridRow);
    if (!measured.Error.empty()) {
        TMidiExport result;
        result.Error = measured.Error;
        return result;
    }
    return TimelineToMidi(project, SongTimeline(project, options));
}

bool WriteBinaryFile(const std::string& path, std::string_view bytes) {
    auto file = TDataFile::OpenForWriting(path);
    if (!file)
        return false;
    constexpr size_t Piece = 1 << 20;
    for (size_t at = 0; at < bytes.size(); at += Piece)
        file->WriteBytes(bytes.substr(at, Piece));
    return file->Commit();
}

} // namespace zel
