#include "arrange/midi_export.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "model/datafile.h"
#include "model/text_fields.h"

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

// A riff's time signature as MIDI has it: the first bar's beats over a power of two; none when
// the riff counts its beats in a note value MIDI cannot name.
struct TSignature {
    int Numerator = 4;
    int Power = 2;
    bool operator==(const TSignature&) const = default;
};

std::optional<TSignature> RiffSignature(const TRiff& riff) {
    int power = 0;
    while (power < 8 && (1 << power) < riff.BarsB)
        ++power;
    if (power >= 8 || (1 << power) != riff.BarsB)
        return std::nullopt;
    std::string_view bars = riff.BarsA;
    size_t digits = bars.find_first_of("0123456789");
    int beats = digits == std::string_view::npos ? 1 : ReadLeadingInt(bars.substr(digits));
    return TSignature{std::clamp(beats == 0 ? 1 : beats, 1, 255), power};
}

uint32_t MicrosecondsPerQuarter(int tempo) {
    // MIDI holds up to 0xFFFFFF microseconds (about 3.6 quarter notes a minute).
    return uint32_t(60000000 / std::max(tempo, 4));
}

// The tempo track: at every tick where the leading riff (the lowest column playing) changes,
// its tempo and time signature when they differ from the ones before.
void WriteConductor(const TProject& project, const TTimeline& timeline, TMidiTrackWriter& track) {
    std::set<std::pair<int, size_t>> playing; // column, span
    std::vector<std::pair<int64_t, std::pair<bool, size_t>>> changes;
    changes.reserve(timeline.Spans.size() * 2);
    for (size_t i = 0; i < timeline.Spans.size(); ++i) {
        const TTimelineSpan& span = timeline.Spans[i];
        changes.push_back({span.StartTick, {true, i}});
        changes.push_back({span.StartTick + span.Ticks, {false, i}});
    }
    std::sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        return a.second.first < b.second.first; // ends first
    });
    int lastTempo = -1;
    std::optional<TSignature> lastSignature;
    for (size_t i = 0; i < changes.size();) {
        int64_t tick = changes[i].first;
        for (; i < changes.size() && changes[i].first == tick; ++i) {
            size_t span = changes[i].second.second;
            std::pair<int, size_t> key{timeline.Spans[span].Column, span};
            if (changes[i].second.first)
                playing.insert(key);
            else
                playing.erase(key);
        }
        if (playing.empty())
            continue;
        const TRiff& riff = project.Riffs[size_t(timeline.Spans[playing.begin()->second].Riff)];
        if (riff.Tempo != lastTempo) {
            track.Tempo(tick, MicrosecondsPerQuarter(riff.Tempo));
            lastTempo = riff.Tempo;
        }
        auto signature = RiffSignature(riff);
        if (signature && signature != lastSignature) {
            track.TimeSignature(tick, signature->Numerator, signature->Power);
            lastSignature = signature;
        }
    }
    if (lastTempo < 0)
        track.Tempo(0, MicrosecondsPerQuarter(120)); // nothing plays: the default tempo
}

} // namespace

TMidiExport TimelineToMidi(const TProject& project, const TTimeline& timeline) {
    TMidiExport result;
    if (!timeline.Error.empty()) {
        result.Error = timeline.Error;
        return result;
    }
    int64_t end = timeline.TotalTicks;
    for (const TTimelineNote& note : timeline.Notes)
        end = std::max(end, note.StartTick + note.Ticks);
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
    WriteConductor(project, timeline, tracks[0]);
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
        for (int i = 0; i < written; ++i)
            tracks[track].NoteOn(note.StartTick, channel, keys[size_t(i)], 100);
        for (int i = 0; i < written; ++i)
            tracks[track].NoteOff(note.StartTick + note.Ticks, channel, keys[size_t(i)]);
        result.Notes += written;
    }
    result.Tracks = int(trackOf.size());
    result.Bytes = MidiFileBytes(1, MidiExportDivision, tracks, end);
    return result;
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
