// The main window's song grid, instruments and notes windows: creating them, refreshing the grid
// when the window comes back, the window's Copy and Paste acting on the grid, and going from a cell
// to its riff and instrument.
#include <QEvent>

#include "app/notes_form.h"
#include "arrange/struct_editor.h"
#include "arrange/struct_grid.h"
#include "main_form.h"
#include "sound/instruments_form.h"
#include "view/riff_view.h"
#include "widgets/tabcontrolsmart.h"

namespace zel {

void TMainForm::CreateStructGrid() {
    m_grid = new TStructGrid(m_project, m_splitter);
    m_grid->setObjectName(QStringLiteral("gStruct"));
    m_grid->setToolTip(QStringLiteral(
        "Song structure: rows play one after another, columns are instruments. Double click a "
        "cell to choose its riff or repeat; right click for more"));
    m_structEditor = new TStructEditor(m_document, *m_grid, this);
    connect(m_structEditor, &TStructEditor::GoToRiff, this, [this](int tab) {
        m_tabs->Strip().SelectAndFill(tab);
        m_tabs->Refresh();
        m_view->RefreshView();
    });
    connect(m_structEditor, &TStructEditor::GoToInstrument, this,
            [this](int instrument) { m_instrumentsForm->SelectInstrument(instrument); });
}

void TMainForm::RefreshStructGrid() {
    m_grid->RefreshStructGrid();
}

int TMainForm::CurrentInstrument() const {
    return m_instrumentsForm->CurrentInstrument();
}

void TMainForm::CreateInstrumentsForm() {
    TInstrumentsFormSetup setup;
    setup.FileDialog = [this](bool save, const QString& title, const QString& filter,
                              const QString& path) { return AskFile(save, title, filter, path); };
    setup.Playback = [this] { return m_playback.get(); };
    m_instrumentsForm = new TInstrumentsForm(m_document, std::move(setup), this);
    connect(m_instrumentsForm, &TInstrumentsForm::InstrumentsChanged, this,
            &TMainForm::RefreshStructGrid);
    connect(m_instrumentsForm, &TInstrumentsForm::MasterVolumeChanged, this,
            [this](int value) { m_master = value; });
    m_notesForm = new TNotesForm(m_document, this);
}

void TMainForm::ShowNotes() {
    m_notesForm->show();
    m_notesForm->raise();
    m_notesForm->activateWindow();
}

void TMainForm::ShowInstruments() {
    m_instrumentsForm->show();
    m_instrumentsForm->raise();
    m_instrumentsForm->activateWindow();
}

void TMainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Instruments may have come or gone in another window meanwhile. The first activation
    // also tells that the window manager has placed the window.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_grid) {
        RefreshStructGrid();
        ShowDebugAtStart();
    }
}

void TMainForm::CopyClick() {
    if (m_grid->hasFocus())
        m_structEditor->mCutCopyClick(false);
    else
        m_view->CopyToClipboard();
}

void TMainForm::PasteClick() {
    if (m_grid->hasFocus())
        m_structEditor->mPaste1Click();
    else
        m_view->PasteFromClipboard();
}

} // namespace zel
