#include "document/document.h"

#include <algorithm>
#include <cstring>
#include <variant>

#include "base/message_service.h"
#include "model/projectfile.h"

namespace zel {

namespace {

// A riff's settings, cursor and selection before and after, and the note records that changed:
// records [Start, Start + NotesBefore.size()) became [Start, Start + NotesAfter.size()).
struct TRiffChange {
    int Index = 0;
    TRiff Before; // without notes
    TRiff After;  // without notes
    size_t Start = 0;
    std::vector<TNote> NotesBefore;
    std::vector<TNote> NotesAfter;
    size_t CapacityBefore = 0;
    size_t CapacityAfter = 0;
};

// Riff records that changed places (tabs moved, inserted or deleted): record j afterwards is
// record From[j] before.
struct TRiffOrderChange {
    std::vector<int> From;
};

struct TCaptionsChange {
    bool Riffs = true; // the riff tab captions, else the instrument tab captions
    TTabCaptions Before{0};
    TTabCaptions After{0};
};

struct TInstrumentChange {
    int Index = 0;
    TInstrument Before;
    TInstrument After;
};

struct TStructureChange {
    std::vector<std::string> Before;
    std::vector<std::string> After;
};

struct TNotesTextChange {
    std::string Before;
    std::string After;
};

using TChange = std::variant<TRiffChange, TRiffOrderChange, TCaptionsChange, TInstrumentChange,
                             TStructureChange, TNotesTextChange>;

// Records past the last one that is not blank are the riff's spare room, not its content.
size_t ContentLength(const std::vector<TNote>& notes) {
    size_t n = notes.size();
    while (n > 0 && notes[n - 1] == BlankNote)
        --n;
    return n;
}

// Length of the common prefix of two note ranges, compared in blocks first.
size_t CommonPrefix(const TNote* a, const TNote* b, size_t n) {
    static_assert(sizeof(TNote) == 10, "notes are compared as bytes");
    constexpr size_t Block = 256;
    size_t i = 0;
    while (i + Block <= n && std::memcmp(a + i, b + i, Block * sizeof(TNote)) == 0)
        i += Block;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

size_t CommonSuffix(const TNote* a, size_t na, const TNote* b, size_t nb, size_t limit) {
    constexpr size_t Block = 256;
    size_t s = 0;
    while (s + Block <= limit &&
           std::memcmp(a + na - s - Block, b + nb - s - Block, Block * sizeof(TNote)) == 0)
        s += Block;
    while (s < limit && a[na - s - 1] == b[nb - s - 1])
        ++s;
    return s;
}

bool SameSettings(const TRiff& a, const TRiff& b) {
    return a.Tuning == b.Tuning && a.Tempo == b.Tempo && a.Key == b.Key && a.BarsA == b.BarsA &&
           a.BarsB == b.BarsB;
}

TRiff SettingsOf(const TRiff& riff) {
    TRiff header;
    header.Cursor = riff.Cursor;
    header.Anchor = riff.Anchor;
    header.Tuning = riff.Tuning;
    header.Tempo = riff.Tempo;
    header.Key = riff.Key;
    header.BarsA = riff.BarsA;
    header.BarsB = riff.BarsB;
    header.Id = riff.Id;
    return header;
}

void SetSettings(TRiff& riff, const TRiff& header) {
    riff.Cursor = header.Cursor;
    riff.Anchor = header.Anchor;
    riff.Tuning = header.Tuning;
    riff.Tempo = header.Tempo;
    riff.Key = header.Key;
    riff.BarsA = header.BarsA;
    riff.BarsB = header.BarsB;
    riff.Id = header.Id;
}

// The difference between two states of one riff; none when nothing moved at all.
std::optional<TRiffChange> DiffRiff(int index, const TRiff& before, const TRiff& after) {
    size_t lb = ContentLength(before.Notes);
    size_t la = ContentLength(after.Notes);
    size_t p = CommonPrefix(before.Notes.data(), after.Notes.data(), std::min(lb, la));
    bool notesSame = p == lb && p == la;
    bool cursorSame =
        before.Cursor == after.Cursor && before.Anchor == after.Anchor && before.Id == after.Id;
    if (notesSame && SameSettings(before, after) && cursorSame)
        return std::nullopt;
    TRiffChange change;
    change.Index = index;
    change.Before = SettingsOf(before);
    change.After = SettingsOf(after);
    change.CapacityBefore = before.Notes.size();
    change.CapacityAfter = after.Notes.size();
    if (!notesSame) {
        size_t s =
            CommonSuffix(before.Notes.data(), lb, after.Notes.data(), la, std::min(lb, la) - p);
        change.Start = p;
        change.NotesBefore.assign(before.Notes.begin() + long(p),
                                  before.Notes.begin() + long(lb - s));
        change.NotesAfter.assign(after.Notes.begin() + long(p), after.Notes.begin() + long(la - s));
    }
    return change;
}

// Puts one side of a riff change back: the changed records are exchanged and the riff keeps at
// least as many records as it had then.
void ApplyRiff(TRiff& riff, const TRiffChange& change, bool undo) {
    const auto& from = undo ? change.NotesAfter : change.NotesBefore;
    const auto& to = undo ? change.NotesBefore : change.NotesAfter;
    auto& notes = riff.Notes;
    if (!from.empty() || !to.empty()) {
        if (notes.size() < change.Start + from.size())
            notes.resize(change.Start + from.size(), BlankNote);
        auto first = notes.begin() + long(change.Start);
        size_t common = std::min(from.size(), to.size());
        std::copy(to.begin(), to.begin() + long(common), first);
        if (to.size() > from.size())
            notes.insert(first + long(common), to.begin() + long(common), to.end());
        else if (from.size() > to.size())
            notes.erase(first + long(common), first + long(from.size()));
    }
    size_t capacity = undo ? change.CapacityBefore : change.CapacityAfter;
    if (notes.size() < capacity)
        notes.resize(capacity, BlankNote);
    SetSettings(riff, undo ? change.Before : change.After);
}

size_t CaptionBytes(const TTabCaptions& captions) {
    size_t bytes = 0;
    for (const auto& caption : captions.All())
        bytes += caption.size() + sizeof(std::string);
    return bytes;
}

size_t RowBytes(const std::vector<std::string>& rows) {
    size_t bytes = 0;
    for (const auto& row : rows)
        bytes += row.size() + sizeof(std::string);
    return bytes;
}

size_t ChangeBytes(const TChange& change) {
    struct {
        size_t operator()(const TRiffChange& c) const {
            return sizeof(c) + (c.NotesBefore.size() + c.NotesAfter.size()) * sizeof(TNote) +
                   c.Before.BarsA.size() + c.After.BarsA.size();
        }
        size_t operator()(const TCaptionsChange& c) const {
            return sizeof(c) + CaptionBytes(c.Before) + CaptionBytes(c.After);
        }
        size_t operator()(const TRiffOrderChange& c) const {
            return sizeof(c) + c.From.size() * sizeof(int);
        }
        size_t operator()(const TInstrumentChange& c) const { return sizeof(c); }
        size_t operator()(const TStructureChange& c) const {
            return sizeof(c) + RowBytes(c.Before) + RowBytes(c.After);
        }
        size_t operator()(const TNotesTextChange& c) const {
            return sizeof(c) + c.Before.size() + c.After.size();
        }
    } visitor;
    return std::visit(visitor, change);
}

// Everything a transaction's scope covers, as it was before the edit.
struct TSnapshot {
    std::vector<std::pair<int, TRiff>> Riffs;
    // With the whole table: where each record's notes live, to follow records that move.
    std::vector<const TNote*> RiffNotes;
    std::optional<TTabCaptions> RiffNames;
    std::optional<TTabCaptions> InstrumentNames;
    std::vector<std::pair<int, TInstrument>> Instruments;
    std::optional<std::vector<std::string>> Structure;
    std::optional<std::string> NotesText;
};

std::vector<int> Indexes(bool all, const std::vector<int>& some, int limit) {
    std::vector<int> result;
    if (all) {
        for (int i = 0; i < limit; ++i)
            result.push_back(i);
    } else {
        for (int i : some)
            if (i >= 0 && i < limit && std::find(result.begin(), result.end(), i) == result.end())
                result.push_back(i);
    }
    return result;
}

TSnapshot Take(const TProject& project, const TEditScope& scope) {
    TSnapshot snap;
    for (int i : Indexes(scope.AllRiffs, scope.Riffs, MaxRiffs))
        snap.Riffs.emplace_back(i, project.Riffs[size_t(i)]);
    if (scope.AllRiffs)
        for (const TRiff& riff : project.Riffs)
            snap.RiffNotes.push_back(riff.Notes.data());
    for (int i : Indexes(scope.AllInstruments, scope.Instruments, MaxInstruments))
        snap.Instruments.emplace_back(i, project.Instruments[size_t(i)]);
    if (scope.RiffNames)
        snap.RiffNames = project.RiffNames;
    if (scope.InstrumentNames)
        snap.InstrumentNames = project.InstrumentNames;
    if (scope.Structure)
        snap.Structure = project.Structure;
    if (scope.NotesText)
        snap.NotesText = project.NotesRtf;
    return snap;
}

// The changes from a snapshot to the project as it is now; `modelChanged` tells whether any of
// them is more than a cursor move.
std::vector<TChange> Compare(const TSnapshot& snap, const TProject& project, bool& modelChanged) {
    std::vector<TChange> changes;
    modelChanged = false;
    if (snap.RiffNames && snap.RiffNames->All() != project.RiffNames.All()) {
        changes.push_back(TCaptionsChange{true, *snap.RiffNames, project.RiffNames});
        modelChanged = true;
    }
    if (snap.InstrumentNames && snap.InstrumentNames->All() != project.InstrumentNames.All()) {
        changes.push_back(TCaptionsChange{false, *snap.InstrumentNames, project.InstrumentNames});
        modelChanged = true;
    }
    for (const auto& [index, before] : snap.Instruments) {
        const TInstrument& after = project.Instruments[size_t(index)];
        if (!(before == after) || before.Id != after.Id) {
            changes.push_back(TInstrumentChange{index, before, after});
            modelChanged = true;
        }
    }
    if (snap.Structure && *snap.Structure != project.Structure) {
        changes.push_back(TStructureChange{*snap.Structure, project.Structure});
        modelChanged = true;
    }
    if (snap.NotesText && *snap.NotesText != project.NotesRtf) {
        changes.push_back(TNotesTextChange{*snap.NotesText, project.NotesRtf});
        modelChanged = true;
    }
    // Records that moved keep their note storage: a moved record is recorded as its new place,
    // not as two changed riffs. Records without a match pair up in table order.
    std::vector<int> from;
    if (!snap.RiffNotes.empty()) {
        from.assign(MaxRiffs, -1);
        std::vector<bool> taken(MaxRiffs, false);
        for (int j = 0; j < MaxRiffs; ++j) {
            const TNote* notes = project.Riffs[size_t(j)].Notes.data();
            if (!notes)
                continue;
            auto it = std::find(snap.RiffNotes.begin(), snap.RiffNotes.end(), notes);
            if (it != snap.RiffNotes.end() && !taken[size_t(it - snap.RiffNotes.begin())]) {
                from[size_t(j)] = int(it - snap.RiffNotes.begin());
                taken[size_t(from[size_t(j)])] = true;
            }
        }
        int next = 0;
        for (int j = 0; j < MaxRiffs; ++j) {
            if (from[size_t(j)] >= 0)
                continue;
            while (taken[size_t(next)])
                ++next;
            from[size_t(j)] = next;
            taken[size_t(next)] = true;
        }
        bool moved = false;
        for (int j = 0; j < MaxRiffs; ++j)
            moved = moved || from[size_t(j)] != j;
        if (moved) {
            changes.insert(changes.begin(), TRiffOrderChange{from});
            modelChanged = true;
        }
    }
    for (size_t k = 0; k < snap.Riffs.size(); ++k) {
        int index = snap.Riffs[k].first;
        const TRiff& before =
            from.empty() ? snap.Riffs[k].second : snap.Riffs[size_t(from[size_t(index)])].second;
        auto change = DiffRiff(index, before, project.Riffs[size_t(index)]);
        if (!change)
            continue;
        if (!change->NotesBefore.empty() || !change->NotesAfter.empty() ||
            !SameSettings(change->Before, change->After))
            modelChanged = true;
        changes.push_back(std::move(*change));
    }
    return changes;
}

void ApplyChange(TProject& project, const TChange& change, bool undo) {
    if (const auto* riff = std::get_if<TRiffChange>(&change)) {
        ApplyRiff(project.Riffs[size_t(riff->Index)], *riff, undo);
    } else if (const auto* order = std::get_if<TRiffOrderChange>(&change)) {
        std::vector<TRiff> riffs(project.Riffs.size());
        for (size_t j = 0; j < order->From.size(); ++j) {
            size_t i = size_t(order->From[j]);
            if (undo)
                riffs[i] = std::move(project.Riffs[j]);
            else
                riffs[j] = std::move(project.Riffs[i]);
        }
        std::move(riffs.begin(), riffs.end(), project.Riffs.begin());
    } else if (const auto* captions = std::get_if<TCaptionsChange>(&change)) {
        (captions->Riffs ? project.RiffNames : project.InstrumentNames) =
            undo ? captions->Before : captions->After;
    } else if (const auto* instrument = std::get_if<TInstrumentChange>(&change)) {
        project.Instruments[size_t(instrument->Index)] =
            undo ? instrument->Before : instrument->After;
    } else if (const auto* structure = std::get_if<TStructureChange>(&change)) {
        project.Structure = undo ? structure->Before : structure->After;
    } else if (const auto* text = std::get_if<TNotesTextChange>(&change)) {
        project.NotesRtf = undo ? text->Before : text->After;
    }
}

// A later change of the same whole part folds into an earlier one of the step: the step keeps
// the earlier "before" and takes the later "after".
bool Fold(TChange& earlier, const TChange& later) {
    if (auto* a = std::get_if<TInstrumentChange>(&earlier)) {
        const auto* b = std::get_if<TInstrumentChange>(&later);
        if (!b || b->Index != a->Index)
            return false;
        a->After = b->After;
        return true;
    }
    if (auto* a = std::get_if<TCaptionsChange>(&earlier)) {
        const auto* b = std::get_if<TCaptionsChange>(&later);
        if (!b || b->Riffs != a->Riffs)
            return false;
        a->After = b->After;
        return true;
    }
    if (auto* a = std::get_if<TStructureChange>(&earlier)) {
        const auto* b = std::get_if<TStructureChange>(&later);
        if (!b)
            return false;
        a->After = b->After;
        return true;
    }
    if (auto* a = std::get_if<TNotesTextChange>(&earlier)) {
        const auto* b = std::get_if<TNotesTextChange>(&later);
        if (!b)
            return false;
        a->After = b->After;
        return true;
    }
    return false;
}

// Puts the scope's parts back as the snapshot holds them, by moving: a rollback after an
// allocation failure must not need memory of its own.
void Restore(TProject& project, TSnapshot& snap) {
    for (auto& [index, riff] : snap.Riffs)
        project.Riffs[size_t(index)] = std::move(riff);
    for (auto& [index, instrument] : snap.Instruments)
        project.Instruments[size_t(index)] = instrument;
    if (snap.RiffNames)
        project.RiffNames = std::move(*snap.RiffNames);
    if (snap.InstrumentNames)
        project.InstrumentNames = std::move(*snap.InstrumentNames);
    if (snap.Structure)
        project.Structure = std::move(*snap.Structure);
    if (snap.NotesText)
        project.NotesRtf = std::move(*snap.NotesText);
}

bool Contains(const std::vector<int>& list, int value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Whether a change lies inside what a transaction declared it may change.
bool InScope(const TChange& change, const TEditScope& scope) {
    if (const auto* riff = std::get_if<TRiffChange>(&change))
        return scope.AllRiffs || Contains(scope.Riffs, riff->Index);
    if (std::holds_alternative<TRiffOrderChange>(change))
        return scope.AllRiffs;
    if (const auto* captions = std::get_if<TCaptionsChange>(&change))
        return captions->Riffs ? scope.RiffNames : scope.InstrumentNames;
    if (const auto* instrument = std::get_if<TInstrumentChange>(&change))
        return scope.AllInstruments || Contains(scope.Instruments, instrument->Index);
    if (std::holds_alternative<TStructureChange>(change))
        return scope.Structure;
    return scope.NotesText;
}

std::string Describe(const TChange& change) {
    if (const auto* riff = std::get_if<TRiffChange>(&change))
        return "riff " + std::to_string(riff->Index);
    if (std::holds_alternative<TRiffOrderChange>(change))
        return "riff order";
    if (const auto* captions = std::get_if<TCaptionsChange>(&change))
        return captions->Riffs ? "riff names" : "instrument names";
    if (const auto* instrument = std::get_if<TInstrumentChange>(&change))
        return "instrument " + std::to_string(instrument->Index);
    if (std::holds_alternative<TStructureChange>(change))
        return "structure";
    return "notes text";
}

bool ChangesRiffContent(const TRiffChange& change) {
    return !change.NotesBefore.empty() || !change.NotesAfter.empty() ||
           !SameSettings(change.Before, change.After) || change.Before.Id != change.After.Id;
}

// The change set of a list of changes, with the records named as they are now.
void Collect(TChangeSet& set, const std::vector<TChange>& changes, const TProject& project) {
    auto add = [](std::vector<uint32_t>& ids, uint32_t id) {
        if (std::find(ids.begin(), ids.end(), id) == ids.end())
            ids.push_back(id);
    };
    for (const TChange& change : changes) {
        if (const auto* riff = std::get_if<TRiffChange>(&change)) {
            add(set.Riffs, project.Riffs[size_t(riff->Index)].Id);
        } else if (std::holds_alternative<TRiffOrderChange>(change)) {
            set.RiffOrder = true;
        } else if (const auto* captions = std::get_if<TCaptionsChange>(&change)) {
            (captions->Riffs ? set.RiffNames : set.InstrumentNames) = true;
        } else if (const auto* instrument = std::get_if<TInstrumentChange>(&change)) {
            add(set.Instruments, project.Instruments[size_t(instrument->Index)].Id);
            if (instrument->Before.Id != instrument->After.Id)
                set.InstrumentOrder = true;
        } else if (std::holds_alternative<TStructureChange>(change)) {
            set.Structure = true;
        } else {
            set.NotesText = true;
        }
    }
}

} // namespace

struct TUndoStep {
    std::string Name;
    TEditorState EditorBefore;
    TEditorState EditorAfter;
    std::vector<TChange> Changes;
    size_t Bytes = 0;
};

TEditScope TEditScope::Riff(int index) {
    TEditScope scope;
    scope.Riffs.push_back(index);
    return scope;
}

TEditScope TEditScope::Everything() {
    TEditScope scope;
    scope.AllRiffs = scope.RiffNames = scope.AllInstruments = scope.InstrumentNames =
        scope.Structure = scope.NotesText = true;
    return scope;
}

TEditScope& TEditScope::AndRiff(int index) {
    Riffs.push_back(index);
    return *this;
}
TEditScope& TEditScope::AndAllRiffs() {
    AllRiffs = true;
    return *this;
}
TEditScope& TEditScope::AndRiffNames() {
    RiffNames = true;
    return *this;
}
TEditScope& TEditScope::AndInstrument(int index) {
    Instruments.push_back(index);
    return *this;
}
TEditScope& TEditScope::AndAllInstruments() {
    AllInstruments = true;
    return *this;
}
TEditScope& TEditScope::AndInstrumentNames() {
    InstrumentNames = true;
    return *this;
}
TEditScope& TEditScope::AndStructure() {
    Structure = true;
    return *this;
}
TEditScope& TEditScope::AndNotesText() {
    NotesText = true;
    return *this;
}

TDocument::TDocument() {
    ResetProject(m_project, m_editor);
}

TDocument::~TDocument() = default;

bool TDocument::Edit(std::string_view name, const TEditScope& scope,
                     const std::function<void()>& edit, std::string_view mergeKey) {
    if (m_editing) {
        // An edit inside an edit belongs to the outer step, whose scope covers it.
        edit();
        return true;
    }
    m_editing = true;
    TEditorState editorBefore = m_editor;
    TSnapshot snap = Take(m_project, scope);
    std::optional<TSnapshot> whole;
    if (m_scopeAudit)
        whole = Take(m_project, TEditScope::Everything());
    std::string failure;
    try {
        edit();
    } catch (const std::bad_alloc&) {
        failure = "Out of memory";
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "The edit failed";
    }
    if (!failure.empty()) {
        // The model goes back to exactly what it was; nothing is recorded.
        m_editing = false;
        Restore(m_project, snap);
        m_editor = editorBefore;
        m_mergeOpen = false;
        DisplayError(failure);
        return false;
    }
    m_editing = false;
    if (whole) {
        bool any = false;
        for (const TChange& change : Compare(*whole, m_project, any))
            if (!InScope(change, scope))
                m_scopeViolations.push_back(std::string(name) + ": " + Describe(change));
    }
    bool modelChanged = false;
    std::vector<TChange> changes = Compare(snap, m_project, modelChanged);
    bool merge = m_mergeOpen && !mergeKey.empty() && mergeKey == m_mergeKey && m_index > 0 &&
                 m_index == m_steps.size() && m_clean != m_index;
    if (!modelChanged) {
        // A cursor move that ends a merged input (the move after a MIDI chord) belongs to its
        // step: redo then leaves the cursor where the input left it.
        if (merge && !changes.empty()) {
            TUndoStep& step = *m_steps.back();
            for (auto& change : changes)
                step.Changes.push_back(std::move(change));
            step.EditorAfter = m_editor;
        }
        m_project.SetChanged(IsChanged());
        return false;
    }

    // A new step drops the steps that were undone; the saved state may go with them.
    if (m_index < m_steps.size()) {
        for (size_t i = m_index; i < m_steps.size(); ++i)
            m_historyBytes -= m_steps[i]->Bytes;
        m_steps.resize(m_index);
        if (m_clean && *m_clean > m_index)
            m_clean.reset();
        merge = false;
    }

    TChangeSet published;
    published.Kind = TChangeSet::TKind::Edit;
    published.StepName = std::string(name);
    Collect(published, changes, m_project);

    TUndoStep* step = nullptr;
    if (merge) {
        step = m_steps.back().get();
    } else {
        m_steps.push_back(std::make_unique<TUndoStep>());
        step = m_steps.back().get();
        step->Name = std::string(name);
        step->EditorBefore = editorBefore;
        ++m_index;
    }
    step->EditorAfter = m_editor;
    m_historyBytes -= step->Bytes;
    for (auto& change : changes) {
        bool folded = false;
        for (auto& earlier : step->Changes)
            if (Fold(earlier, change)) {
                folded = true;
                break;
            }
        if (!folded)
            step->Changes.push_back(std::move(change));
    }
    step->Bytes = sizeof(TUndoStep) + step->Name.size();
    for (const auto& change : step->Changes)
        step->Bytes += ChangeBytes(change);
    m_historyBytes += step->Bytes;

    m_mergeOpen = !mergeKey.empty();
    m_mergeKey = std::string(mergeKey);
    Trim();
    Changed(published);
    return true;
}

std::string TDocument::UndoName() const {
    return CanUndo() ? m_steps[m_index - 1]->Name : std::string();
}

std::string TDocument::RedoName() const {
    return CanRedo() ? m_steps[m_index]->Name : std::string();
}

TChangeSet TDocument::Apply(TUndoStep& step, bool undo) {
    if (undo) {
        for (auto it = step.Changes.rbegin(); it != step.Changes.rend(); ++it)
            ApplyChange(m_project, *it, true);
    } else {
        for (const auto& change : step.Changes)
            ApplyChange(m_project, change, false);
    }
    TChangeSet set;
    set.Kind = undo ? TChangeSet::TKind::Undo : TChangeSet::TKind::Redo;
    set.StepName = step.Name;
    Collect(set, step.Changes, m_project);

    // Only the view state of what the step touched comes back: undoing a grid edit keeps the
    // riff tab, the entry mode and the duration as they are.
    std::vector<int> riffs, instruments;
    bool riffTable = false, instrumentTable = false;
    for (const TChange& change : step.Changes) {
        if (const auto* riff = std::get_if<TRiffChange>(&change)) {
            if (ChangesRiffContent(*riff) && !Contains(riffs, riff->Index))
                riffs.push_back(riff->Index);
        } else if (const auto* captions = std::get_if<TCaptionsChange>(&change)) {
            (captions->Riffs ? riffTable : instrumentTable) = true;
        } else if (std::holds_alternative<TRiffOrderChange>(change)) {
            riffTable = true;
        } else if (const auto* instrument = std::get_if<TInstrumentChange>(&change)) {
            if (!Contains(instruments, instrument->Index))
                instruments.push_back(instrument->Index);
        }
    }
    const TEditorState& state = undo ? step.EditorBefore : step.EditorAfter;
    if (!riffs.empty() || riffTable) {
        // The riff shown is the one the step changed, also when another riff was current.
        // Records that moved, came or went: the riff that was current then.
        bool moved = std::any_of(step.Changes.begin(), step.Changes.end(), [](const TChange& c) {
            return std::holds_alternative<TRiffOrderChange>(c);
        });
        int riff = state.CurrentRiff;
        if (!moved && !riffs.empty() && !Contains(riffs, riff))
            riff = riffs.front();
        m_editor.CurrentRiff = std::clamp(riff, 0, MaxRiffs - 1);
        m_editor.CursorRow = state.CursorRow;
        m_editor.TabMode = state.TabMode;
        m_editor.CurrentDuration = state.CurrentDuration;
        m_editor.FreshEntry = true;
        set.ShowsRiff = true;
    }
    if (!instruments.empty() || instrumentTable) {
        int instrument = state.CurrentInstrument;
        if (!instruments.empty() && !Contains(instruments, instrument) && !instrumentTable)
            instrument = instruments.front();
        m_editor.CurrentInstrument = std::clamp(instrument, 0, MaxInstruments - 1);
        set.ShowsInstrument = true;
    }
    if (set.Structure) {
        m_editor.Grid = state.Grid;
        set.ShowsGrid = true;
    }
    // The view indexes the records around the cursor.
    TRiff& riff = m_project.Riffs[size_t(m_editor.CurrentRiff)];
    EnsureNotes(riff, std::max(riff.Cursor, NoteCount(riff)) + 2);
    return set;
}

bool TDocument::Undo() {
    if (!CanUndo() || m_editing)
        return false;
    --m_index;
    TChangeSet set = Apply(*m_steps[m_index], true);
    m_mergeOpen = false;
    Changed(set);
    return true;
}

bool TDocument::Redo() {
    if (!CanRedo() || m_editing)
        return false;
    TChangeSet set = Apply(*m_steps[m_index], false);
    ++m_index;
    m_mergeOpen = false;
    Changed(set);
    return true;
}

void TDocument::SetLimits(THistoryLimits limits) {
    m_limits = limits;
    Trim();
}

void TDocument::Trim() {
    // The oldest steps go first; the step just done always stays undoable.
    size_t drop = 0;
    size_t bytes = m_historyBytes;
    while (m_steps.size() - drop > 1 && drop < m_index &&
           (m_steps.size() - drop > size_t(std::max(1, m_limits.MaxSteps)) ||
            bytes > m_limits.MaxBytes)) {
        bytes -= m_steps[drop]->Bytes;
        ++drop;
    }
    if (drop == 0)
        return;
    m_steps.erase(m_steps.begin(), m_steps.begin() + long(drop));
    m_historyBytes = bytes;
    m_index -= drop;
    if (m_clean && *m_clean >= drop)
        *m_clean -= drop;
    else
        m_clean.reset();
}

void TDocument::MarkClean() {
    m_clean = m_index;
    m_mergeOpen = false;
    m_project.SetChanged(false);
}

void TDocument::MarkChanged() {
    m_clean.reset();
    m_mergeOpen = false;
    Changed(TChangeSet{}); // the model is as it was: only its changed state is new
}

void TDocument::ClearHistory() {
    m_steps.clear();
    m_index = 0;
    m_clean = size_t(0);
    m_historyBytes = 0;
    m_mergeOpen = false;
}

void TDocument::Changed(const TChangeSet& changes) {
    ++m_revision;
    m_project.SetChanged(IsChanged());
    if (OnModelChanged)
        OnModelChanged();
    // A listener may unsubscribe (a window closing) while the set is delivered.
    auto listeners = m_listeners;
    for (const auto& [token, listener] : listeners)
        if (listener)
            listener(changes);
}

int TDocument::Subscribe(std::function<void(const TChangeSet&)> listener) {
    m_listeners.emplace_back(m_nextToken, std::move(listener));
    return m_nextToken++;
}

void TDocument::Unsubscribe(int token) {
    std::erase_if(m_listeners, [token](const auto& entry) { return entry.first == token; });
}

void TDocument::New() {
    ResetProject(m_project, m_editor);
    m_editor.CursorRow = 0;
    m_editor.TabMode = false;
    m_editor.FreshEntry = true;
    m_editor.CurrentDuration = QuarterDuration;
    m_editor.CurrentInstrument = 0;
    m_editor.Grid = {};
    m_path.clear();
    ClearHistory();
    TChangeSet set;
    set.Kind = TChangeSet::TKind::Reset;
    Changed(set);
}

bool TDocument::Load(const std::string& path) {
    auto fresh = std::make_unique<TProject>();
    if (!LoadProject(*fresh, path))
        return false;
    SwapProjectContents(m_project, *fresh);
    m_editor.CurrentRiff = 0;
    m_editor.CursorRow = 0;
    m_editor.TabMode = false;
    m_editor.FreshEntry = true;
    m_editor.CurrentInstrument = 0;
    m_editor.Grid = {};
    m_path = path;
    ClearHistory();
    TChangeSet set;
    set.Kind = TChangeSet::TKind::Reset;
    Changed(set);
    return true;
}

void TDocument::AdoptUnsaved(TProject& fresh) {
    SwapProjectContents(m_project, fresh);
    m_editor.CurrentRiff = 0;
    m_editor.CursorRow = 0;
    m_editor.TabMode = false;
    m_editor.FreshEntry = true;
    m_editor.CurrentInstrument = 0;
    m_editor.Grid = {};
    m_path.clear();
    ClearHistory();
    m_clean.reset(); // no saved state: the project is changed until it is saved
    TChangeSet set;
    set.Kind = TChangeSet::TKind::Reset;
    Changed(set);
}

bool TDocument::Save(const std::string& path) {
    if (!SaveProject(m_project, path))
        return false;
    m_path = path;
    MarkClean();
    return true;
}

} // namespace zel
