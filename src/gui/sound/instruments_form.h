// TInstrumentsForm, "Instruments Setup": one tab per instrument, the master volume, the
// parameter frame of the instrument shown, a preview that plays middle C and plots it, and
// instrument files and the clipboard. The shown instrument is the program's current one: the
// main window's riff play and note preview use it. Every change is an undoable step.
#pragma once

#include <QMenu>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <optional>

#include "document/document.h"
#include "sound/sequencer.h"

namespace zel {

class TTabControlSmart;
class TInstrumentFrame;
class TWavePlot;
class TKnobSlider;
class TPlayback;

struct TInstrumentsFormSetup {
    // File dialogs: (save, title, filter, suggested path) -> chosen path, empty if cancelled.
    std::function<QString(bool, const QString&, const QString&, const QString&)> FileDialog;
    // The name asked for by "Rename Instrument"; none when cancelled.
    std::function<std::optional<QString>(const QString& current)> AskName;
    // Where previews play; none: they are only plotted.
    std::function<TPlayback*()> Playback;
};

class TInstrumentsForm : public QWidget {
    Q_OBJECT
public:
    TInstrumentsForm(TDocument& document, TInstrumentsFormSetup setup, QWidget* parent = nullptr);
    ~TInstrumentsForm() override;

    TTabControlSmart* Tabs() const { return m_tabs; }
    TInstrumentFrame* Frame() const { return m_frame; }
    TWavePlot* Plot() const { return m_plot; }
    // The instrument shown (and used by the main window): the editor's current instrument,
    // which follows its record through moves; always a named instrument.
    int CurrentInstrument() const;
    // Shows instrument `index` (Go to from the song grid); out of range: nothing happens.
    void SelectInstrument(int index);
    // After a new or opened project, an undo or a redo: tabs and controls show the model.
    void ShowModel();

    int MasterVolume() const;
    void SetMasterVolume(int value);
    int PreviewDuration() const { return m_previewDuration; }
    // Replaces the name dialog of "Rename Instrument" (tests answer it).
    void SetAskName(std::function<std::optional<QString>(const QString&)> ask) {
        m_setup.AskName = std::move(ask);
    }

    // The commands of the toolbar and the tab menu.
    void bPreviewClick();
    void SetPreviewDuration(int ticks); // and preview at once
    void bSaveInstrumentClick();
    void bLoadInstrumentClick();
    void bCopyClick();
    void bPasteClick();
    void RenameInstrument();
    void DeleteInstrument();
    void InsertInstrument();

signals:
    // Instruments came, went or moved: the song grid's columns follow.
    void InstrumentsChanged();
    void MasterVolumeChanged(int value);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateToolBar(QWidget* bar);
    void BindTabs();
    void FillFrame(int index);
    void StoreFrame(const QString& field);
    void AfterTableEdit();
    // Tabs and controls follow every change of the model that touched instruments.
    void FollowChanges(const TChangeSet& changes);
    // The controls take the shown record's values when they show others.
    void SyncFrame();
    QString Caption(int index) const;

    TDocument& m_document;
    TInstrumentsFormSetup m_setup;
    TTabControlSmart* m_tabs = nullptr;
    TKnobSlider* m_level = nullptr;
    TInstrumentFrame* m_frame = nullptr;
    TWavePlot* m_plot = nullptr;
    QMenu* m_tabMenu = nullptr;
    QMenu* m_durationMenu = nullptr;
    QToolButton* m_preview = nullptr;
    int m_previewDuration = 1024;
    int m_subscription = 0;
    TRenderer m_renderer; // keeps its pitch table and peak from preview to preview
};

} // namespace zel
