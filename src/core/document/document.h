// The open document: the project, the editor state, the file path and the undo history. Every
// edit runs as a named transaction that records only the parts it changed, so Undo and Redo
// restore the model, the cursor and the selection exactly, and "changed" follows from the
// history's clean point.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/song.h"

namespace zel {

// The parts of the project a transaction may change. Only these are compared and recorded,
// so a keystroke in one riff never copies the other riffs into the history.
struct TEditScope {
    std::vector<int> Riffs; // riff records: settings, notes, cursor and selection
    bool AllRiffs = false;  // every riff record (tab reorder, insert and delete)
    bool RiffNames = false;
    std::vector<int> Instruments;
    bool AllInstruments = false;
    bool InstrumentNames = false;
    bool Structure = false;
    bool NotesText = false;

    static TEditScope Riff(int index);
    static TEditScope Everything();
    TEditScope& AndRiff(int index);
    TEditScope& AndAllRiffs();
    TEditScope& AndRiffNames();
    TEditScope& AndInstrument(int index);
    TEditScope& AndAllInstruments();
    TEditScope& AndInstrumentNames();
    TEditScope& AndStructure();
    TEditScope& AndNotesText();
};

// One undoable step: what it is called and the changes it made, in the order they were made.
struct TUndoStep;

// What one change of the model touched, published to the views after every edit, undo, redo,
// new and load. Records are named by identity, so a view finds them wherever they are now.
struct TChangeSet {
    enum class TKind { Edit, Undo, Redo, Reset };
    TKind Kind = TKind::Edit;
    std::string StepName;
    std::vector<uint32_t> Riffs;       // riffs whose notes, settings or cursor changed
    std::vector<uint32_t> Instruments; // instruments whose sound changed
    bool RiffOrder = false;            // riff records moved, came or went
    bool InstrumentOrder = false;
    bool RiffNames = false;
    bool InstrumentNames = false;
    bool Structure = false;
    bool NotesText = false;
    // Undo and Redo: the view state they put back (the riff tab, cursor, entry mode and
    // duration; the instrument shown; the grid's cell and selection).
    bool ShowsRiff = false;
    bool ShowsInstrument = false;
    bool ShowsGrid = false;

    // New and Load replace everything.
    bool Everything() const { return Kind == TKind::Reset; }
    bool TouchesRiffs() const { return Everything() || !Riffs.empty() || RiffOrder || RiffNames; }
    bool TouchesInstruments() const {
        return Everything() || !Instruments.empty() || InstrumentOrder || InstrumentNames;
    }
    bool TouchesStructure() const { return Everything() || Structure; }
};

struct THistoryLimits {
    int MaxSteps = 500;
    size_t MaxBytes = size_t(64) << 20;
};

class TDocument {
public:
    TDocument();
    ~TDocument();
    TDocument(const TDocument&) = delete;
    TDocument& operator=(const TDocument&) = delete;

    TProject& Project() { return m_project; }
    const TProject& Project() const { return m_project; }
    TEditorState& Editor() { return m_editor; }
    const TEditorState& Editor() const { return m_editor; }
    const std::string& Path() const { return m_path; }
    void SetPath(std::string path) { m_path = std::move(path); }
    // Counts every change of the model: edits, undo, redo, new and load.
    uint64_t Revision() const { return m_revision; }

    // Runs `edit` as one undoable step named `name`, recording the parts of `scope` that it
    // changed. A step that changes nothing is not recorded. Consecutive steps with the same
    // non-empty `mergeKey` become one step (typing a fret's digits, dragging one slider); a
    // cursor move with the open step's key joins it, so redo puts the cursor back there too.
    // An edit that throws is rolled back to the state before it, recorded nowhere and
    // reported ("Out of memory" or the error's text). Returns whether the model changed.
    bool Edit(std::string_view name, const TEditScope& scope, const std::function<void()>& edit,
              std::string_view mergeKey = {});
    // The next edit starts a step of its own even when its merge key matches.
    void BreakMerge() { m_mergeOpen = false; }

    bool CanUndo() const { return m_index > 0; }
    bool CanRedo() const { return m_index < m_steps.size(); }
    // The name of the step Undo or Redo would act on; empty when there is none.
    std::string UndoName() const;
    std::string RedoName() const;
    bool Undo();
    bool Redo();
    int UndoCount() const { return int(m_index); }
    int StepCount() const { return int(m_steps.size()); }
    size_t HistoryBytes() const { return m_historyBytes; }
    void SetLimits(THistoryLimits limits);

    // The changed state: the model differs from the state last saved or loaded.
    bool IsChanged() const { return m_index != m_clean; }
    // The current state is what the file holds (after a save).
    void MarkClean();
    // The current state is not what any file holds (a recovered copy was opened).
    void MarkChanged();

    // A new, empty, unchanged project without a path; the history is cleared.
    void New();
    // Loads a project file into a fresh project that replaces the current one only when the
    // file could be read and holds a project; otherwise nothing changes (the error box has said
    // why). The history is cleared on success.
    bool Load(const std::string& path);
    // Takes a project made from another program's file (its contents are swapped in) as a new
    // project without a path that is changed from the start: it was never saved, so dropping it
    // asks first. The history is cleared.
    void AdoptUnsaved(TProject& fresh);
    // Writes the project; on success the path is kept and the state becomes the clean one.
    bool Save(const std::string& path);

    // Called after every change of the model (edit, undo, redo, new, load).
    std::function<void()> OnModelChanged;

    // Views follow the model through change sets: each listener hears every change, in the
    // order they subscribed. The token unsubscribes.
    int Subscribe(std::function<void(const TChangeSet&)> listener);
    void Unsubscribe(int token);

    // Test builds: every transaction also compares the whole project before and after, and
    // notes any change outside its declared scope.
    void SetScopeAudit(bool on) { m_scopeAudit = on; }
    const std::vector<std::string>& ScopeViolations() const { return m_scopeViolations; }

private:
    void ClearHistory();
    void Trim();
    void Changed(const TChangeSet& changes);
    TChangeSet Apply(TUndoStep& step, bool undo);

    TProject m_project;
    TEditorState m_editor;
    std::string m_path;
    uint64_t m_revision = 0;

    std::vector<std::unique_ptr<TUndoStep>> m_steps;
    size_t m_index = 0;                        // steps done; Undo acts on m_steps[m_index - 1]
    std::optional<size_t> m_clean = size_t(0); // none: the saved state left the history
    size_t m_historyBytes = 0;
    THistoryLimits m_limits;
    bool m_mergeOpen = false;
    bool m_editing = false;
    std::string m_mergeKey;
    std::vector<std::pair<int, std::function<void(const TChangeSet&)>>> m_listeners;
    int m_nextToken = 1;
    bool m_scopeAudit = false;
    std::vector<std::string> m_scopeViolations;
};

} // namespace zel
