// The song model: notes, riffs, the fixed riff and instrument tables, tab captions, the song
// structure, the editor state, and the operations every editing command builds on.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/instrument.h"
#include "model/tab_captions.h"

namespace zel {

inline constexpr int MaxRiffs = 200;
inline constexpr int MaxInstruments = 100;
inline constexpr int StringSlots = 8;

// 255 in a fret slot means "nothing on that string"; in a tuning slot "no string here"; as a
// duration "this record ends the note list".
inline constexpr uint8_t NoFret = 255;
inline constexpr int32_t NoString = 255;
inline constexpr uint8_t EndOfNotes = 255;

inline constexpr uint8_t NoteDot = 4;
inline constexpr uint8_t NoteDotDot = 8;
inline constexpr uint8_t NoteTie = 16;

inline constexpr int TicksPerWhole = 1024;
// Duration indexes 0..11 are 2048 down to 1 tick; the editor produces 0..7.
inline constexpr int MaxDurationIndex = 11;
inline constexpr uint8_t QuarterDuration = 3;

inline constexpr std::array<int32_t, StringSlots> DefaultTuning = {-8, -3, 2,        7,
                                                                   11, 16, NoString, NoString};

// One note, chord or rest of a riff (or the end record).
struct TNote {
    std::array<uint8_t, StringSlots> Fret{NoFret, NoFret, NoFret, NoFret,
                                          NoFret, NoFret, NoFret, NoFret};
    uint8_t Duration = EndOfNotes;
    uint8_t Flags = 0;

    bool operator==(const TNote&) const = default;
};

inline constexpr TNote BlankNote{};

struct TRiff {
    int32_t Cursor = 0;
    int32_t Anchor = 0;
    std::array<int32_t, StringSlots> Tuning = DefaultTuning;
    uint16_t Tempo = 120;
    int32_t Key = 0;
    std::string BarsA = "4";
    uint16_t BarsB = 4;
    // The note list and the blank records after it; Capacity() records long. Every record after
    // the end record is blank.
    std::vector<TNote> Notes;
    // Which record this is inside the open document (see NewRecordId); never written to a file.
    uint32_t Id = NewRecordId();

    int32_t Capacity() const { return static_cast<int32_t>(Notes.size()); }
};

// Which riff is edited and how keys act on it. One copy in the editor; tests make their own.
struct TEditorState {
    int CurrentRiff = 0; // index into TProject::Riffs, follows the selected riff tab
    // The instrument shown in Instruments Setup: riff play and note preview use it. Follows its
    // record when instruments move.
    int CurrentInstrument = 0;
    // The song grid's current cell and selected rectangle (rows and instrument columns).
    struct TGridPlace {
        int Row = 0;
        int Column = 0;
        int Top = 0, Left = 0, Bottom = 0, Right = 0;
        bool operator==(const TGridPlace&) const = default;
    } Grid;
    uint8_t CurrentDuration = QuarterDuration;
    int CursorRow = 0;
    bool TabMode = false;
    bool FreshEntry = true;
    bool MouseHeld = false;
};

// The one open project: fixed tables that are reset, never replaced.
class TProject {
public:
    TProject();

    std::array<TRiff, MaxRiffs> Riffs;
    std::array<TInstrument, MaxInstruments> Instruments;
    TTabCaptions RiffNames{MaxRiffs};             // riff tab captions, blank tab last
    TTabCaptions InstrumentNames{MaxInstruments}; // instrument tab captions, blank tab last
    std::vector<std::string> Structure;           // rows of TAB-separated fields
    std::string NotesRtf;                         // the notes document as RTF text

    // The changed state. The listener hears every change of the state (the editor enables its
    // Save button and menu item from it).
    void SetChanged(bool changed);
    bool IsChanged() const { return m_changed; }
    void SetChangedListener(std::function<void(bool)> listener);

private:
    bool m_changed = false;
    std::function<void(bool)> m_changedListener;
};

enum class TPlaceMode { Test, Add, Remove };

void ResetRiff(TRiff& riff);
// Empties the project and points the editor at riff 0; does not touch the changed state.
void ResetProject(TProject& project, TEditorState& editor);
// The same without the editor: every table, name list, the structure and the notes.
void ResetProjectTables(TProject& project);

// Exchanges the tables, names, structure and notes of two projects (not their changed state
// or listener): a freshly loaded project takes the place of the open one in one step.
void SwapProjectContents(TProject& a, TProject& b);

void EnsureNotes(TRiff& riff, int n);
int NoteCount(const TRiff& riff);
int NoteTicks(const TNote& note);
// Ticks of the notes before `upTo` (-1: all). 64-bit: a riff of a million long notes passes
// the range of int.
int64_t RiffTicks(const TRiff& riff, int upTo);
// Ticks of a duration index without dots (0 outside the table).
int DurationTicks(int durationIndex);

// Moves the strings of a riff to the slots 0..n-1 in their order, taking every note's frets
// along (frets on slots without a string keep their order in the slots after them), so that a
// damaged file or pasted settings with a gap between strings still draw and edit line by line.
// Returns whether anything moved.
bool CompactStringSlots(TRiff& riff);

// Number of slots that hold a string (Tuning not 255).
int StringCount(const TRiff& riff);
bool HasString(const TRiff& riff, int slot);
// Pitch sounded by a slot of a note: none when the slot has no fret or no string.
std::optional<int> SlotPitch(const TRiff& riff, const TNote& note, int slot);

TRiff& CurrentRiffOf(TProject& project, const TEditorState& editor);
// Where a record is now; -1 when no record of the table has that identity.
int RiffIndexOf(const TProject& project, uint32_t id);
int InstrumentIndexOf(const TProject& project, uint32_t id);

void InsertNote(TProject& project, TEditorState& editor);
void DeleteSelection(TProject& project, TEditorState& editor);
void SelectAll(TRiff& riff);
bool PlacePitch(TProject& project, const TEditorState& editor, int noteIndex, int pitch,
                TPlaceMode mode);
void ReallocateNote(TProject& project, const TEditorState& editor, int noteIndex, int delta);

} // namespace zel
