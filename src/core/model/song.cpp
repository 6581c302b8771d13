#include "model/song.h"

#include <algorithm>
#include <utility>

#include "model/rtf.h"

namespace zel {

TProject::TProject() {
    RiffNames.Reset("Riff1");
    InstrumentNames.Reset("Inst1");
    NotesRtf = EmptyNotesRtf();
}

void TProject::SetChanged(bool changed) {
    if (changed == m_changed)
        return;
    m_changed = changed;
    if (m_changedListener)
        m_changedListener(changed);
}

void TProject::SetChangedListener(std::function<void(bool)> listener) {
    m_changedListener = std::move(listener);
}

void ResetRiff(TRiff& riff) {
    riff = TRiff{};
}

void ResetProject(TProject& project, TEditorState& editor) {
    ResetProjectTables(project);
    editor.CurrentRiff = 0;
}

void ResetProjectTables(TProject& project) {
    for (auto& riff : project.Riffs)
        ResetRiff(riff);
    ResetInstruments(project.Instruments);
    project.RiffNames.Reset("Riff1");
    project.InstrumentNames.Reset("Inst1");
    project.Structure.clear();
    project.NotesRtf = EmptyNotesRtf();
}

void SwapProjectContents(TProject& a, TProject& b) {
    std::swap(a.Riffs, b.Riffs);
    std::swap(a.Instruments, b.Instruments);
    std::swap(a.RiffNames, b.RiffNames);
    std::swap(a.InstrumentNames, b.InstrumentNames);
    std::swap(a.Structure, b.Structure);
    std::swap(a.NotesRtf, b.NotesRtf);
}

void EnsureNotes(TRiff& riff, int n) {
    if (n <= riff.Capacity())
        return;
    riff.Notes.resize(size_t(n | 7), BlankNote);
}

int NoteCount(const TRiff& riff) {
    int count = 0;
    while (count < riff.Capacity() && riff.Notes[size_t(count)].Duration != EndOfNotes)
        ++count;
    return count;
}

int DurationTicks(int durationIndex) {
    if (durationIndex < 0 || durationIndex > MaxDurationIndex)
        return 0;
    return 2048 >> durationIndex;
}

int NoteTicks(const TNote& note) {
    int t = DurationTicks(note.Duration);
    if (note.Flags & NoteDot)
        return t + (t >> 1);
    if (note.Flags & NoteDotDot)
        return t + (t >> 1) + (t >> 2);
    return t;
}

int64_t RiffTicks(const TRiff& riff, int upTo) {
    int end = upTo < 0 ? riff.Capacity() : std::min(upTo, riff.Capacity());
    int64_t ticks = 0;
    for (int i = 0; i < end; ++i) {
        const TNote& note = riff.Notes[size_t(i)];
        if (note.Duration == EndOfNotes)
            break;
        ticks += NoteTicks(note);
    }
    return ticks;
}

bool CompactStringSlots(TRiff& riff) {
    std::array<int, StringSlots> order{}; // new slot i takes old slot order[i]
    int next = 0;
    for (int slot = 0; slot < StringSlots; ++slot)
        if (riff.Tuning[size_t(slot)] != NoString)
            order[size_t(next++)] = slot;
    for (int slot = 0; slot < StringSlots; ++slot)
        if (riff.Tuning[size_t(slot)] == NoString)
            order[size_t(next++)] = slot;
    bool moved = false;
    for (int i = 0; i < StringSlots; ++i)
        moved = moved || order[size_t(i)] != i;
    if (!moved)
        return false;
    auto permute = [&](auto& slots) {
        auto old = slots;
        for (size_t i = 0; i < slots.size(); ++i)
            slots[i] = old[size_t(order[i])];
    };
    permute(riff.Tuning);
    for (TNote& note : riff.Notes)
        permute(note.Fret);
    return true;
}

bool HasString(const TRiff& riff, int slot) {
    return slot >= 0 && slot < StringSlots && riff.Tuning[size_t(slot)] != NoString;
}

int StringCount(const TRiff& riff) {
    int count = 0;
    for (int slot = 0; slot < StringSlots; ++slot)
        count += HasString(riff, slot);
    return count;
}

std::optional<int> SlotPitch(const TRiff& riff, const TNote& note, int slot) {
    if (!HasString(riff, slot) || note.Fret[size_t(slot)] == NoFret)
        return std::nullopt;
    return riff.Tuning[size_t(slot)] + note.Fret[size_t(slot)];
}

TRiff& CurrentRiffOf(TProject& project, const TEditorState& editor) {
    return project.Riffs.at(size_t(std::clamp(editor.CurrentRiff, 0, MaxRiffs - 1)));
}

namespace {
template <typename Table> int IndexOfId(const Table& table, uint32_t id) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].Id == id)
            return int(i);
    return -1;
}
} // namespace

int RiffIndexOf(const TProject& project, uint32_t id) {
    return IndexOfId(project.Riffs, id);
}

int InstrumentIndexOf(const TProject& project, uint32_t id) {
    return IndexOfId(project.Instruments, id);
}

void InsertNote(TProject& project, TEditorState& editor) {
    TRiff& riff = CurrentRiffOf(project, editor);
    int cursor = std::clamp(riff.Cursor, 0, NoteCount(riff));
    riff.Cursor = cursor;
    EnsureNotes(riff, riff.Capacity() + 1);
    // The last record is blank (the list always ends in blanks), so shifting drops nothing.
    std::move_backward(riff.Notes.begin() + cursor, riff.Notes.end() - 1, riff.Notes.end());
    TNote rest = BlankNote;
    rest.Duration = editor.CurrentDuration;
    riff.Notes[size_t(cursor)] = rest;
    project.SetChanged(true);
}

void DeleteSelection(TProject& project, TEditorState& editor) {
    TRiff& riff = CurrentRiffOf(project, editor);
    // An empty riff's SelectAll leaves the anchor at -1: the selection then starts at 0.
    int a = std::max(0, std::min(riff.Cursor, riff.Anchor));
    int b = std::max(riff.Cursor, riff.Anchor);
    if (b >= a) {
        int gap = b - a + 1;
        for (int i = a; i < riff.Capacity(); ++i)
            riff.Notes[size_t(i)] =
                i + gap < riff.Capacity() ? riff.Notes[size_t(i + gap)] : BlankNote;
    }
    int count = NoteCount(riff);
    riff.Cursor = std::clamp(riff.Cursor, 0, count);
    riff.Anchor = riff.Cursor;
    project.SetChanged(true);
}

void SelectAll(TRiff& riff) {
    riff.Cursor = 0;
    riff.Anchor = NoteCount(riff) - 1;
}

bool PlacePitch(TProject& project, const TEditorState& editor, int noteIndex, int pitch,
                TPlaceMode mode) {
    if (noteIndex < 0)
        return false;
    TRiff& riff = CurrentRiffOf(project, editor);
    EnsureNotes(riff, noteIndex + 1);
    TNote& note = riff.Notes[size_t(noteIndex)];
    bool result = false;
    for (int slot = StringSlots - 1; slot >= 0; --slot) {
        if (!HasString(riff, slot))
            continue;
        int64_t d = int64_t(pitch) - riff.Tuning[size_t(slot)];
        uint8_t& fret = note.Fret[size_t(slot)];
        if (fret == NoFret) {
            // A fret of 255 would read as "nothing", so 254 is the highest fret a pitch can take.
            if (mode == TPlaceMode::Add && d >= 0 && d < NoFret) {
                fret = static_cast<uint8_t>(d);
                project.SetChanged(true);
                return true;
            }
        } else if (fret == d) {
            if (mode != TPlaceMode::Remove)
                return true;
            fret = NoFret;
            project.SetChanged(true);
            result = true;
        }
    }
    return result;
}

void ReallocateNote(TProject& project, const TEditorState& editor, int noteIndex, int delta) {
    if (noteIndex < 0)
        return;
    TRiff& riff = CurrentRiffOf(project, editor);
    EnsureNotes(riff, noteIndex + 1);
    TNote& note = riff.Notes[size_t(noteIndex)];
    // Frets on slots without a string have no pitch: they stay where they are, untouched.
    std::vector<int> pitches;
    for (int slot = 0; slot < StringSlots; ++slot) {
        if (auto pitch = SlotPitch(riff, note, slot)) {
            pitches.push_back(*pitch + delta);
            note.Fret[size_t(slot)] = NoFret;
        }
    }
    if (!pitches.empty())
        project.SetChanged(true);
    std::sort(pitches.begin(), pitches.end(), std::greater<>());
    for (int pitch : pitches)
        PlacePitch(project, editor, noteIndex, pitch, TPlaceMode::Add);
}

} // namespace zel
