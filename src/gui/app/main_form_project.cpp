// The main window's project lifecycle: New, Open, Save, Save As, the question before a changed
// project is dropped, and the window title.
#include <QFileInfo>

#include "app/notes_form.h"
#include "app/recovery_guard.h"
#include "arrange/struct_grid.h"
#include "base/message_service.h"
#include "main_form.h"
#include "model/projectfile.h"
#include "model/riff_properties_form.h"
#include "sound/instruments_form.h"
#include "view/riff_view.h"
#include "widgets/tabcontrolsmart.h"

namespace zel {
namespace {

const QString ProjectFilter = QStringLiteral("Zelvane Project (*.zvp);;All Files (*)");

// The default extension of the project dialogs.
QString WithExtension(QString path) {
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".zvp");
    return path;
}

} // namespace

void TMainForm::SetProjectPath(const QString& path) {
    m_projectPath = path;
    m_untitledPath.clear();
    setWindowTitle(QString::fromStdString(ProjectWindowTitle(path.toStdString())));
}

bool TMainForm::ConfirmDiscard() {
    // Values typed into the riff properties window belong to the project being dropped.
    m_tabs->Strip().DoRead();
    if (!m_project.IsChanged())
        return true;
    int answer = DisplayMany(
        DiscardQuestionKind,
        DiscardQuestion((m_projectPath.isEmpty() ? m_untitledPath : m_projectPath).toStdString()),
        DiscardButtons);
    if (answer == 0) {
        SaveProject(false);
        return !m_project.IsChanged();
    }
    if (answer == 1)
        m_recovery->Dropped();
    return answer == 1;
}

void TMainForm::NewProject() {
    m_riffProperties->hide();
    if (!ConfirmDiscard())
        return;
    m_document.New();
    SetProjectPath(QString());
    m_tabs->Strip().SelectAndFill(0);
    ModelReplaced();
}

void TMainForm::OpenProject() {
    m_riffProperties->hide();
    if (!ConfirmDiscard())
        return;
    QString path =
        AskFile(false, QStringLiteral("Open Zelvane Project"), ProjectFilter, m_projectPath);
    if (path.isEmpty())
        return;
    OpenProjectFile(path);
}

bool TMainForm::OpenProjectFile(const QString& path) {
    // A file that cannot be read, or is no project, leaves the open project, its path and its
    // history as they were; the error box has said why.
    if (!m_document.Load(path.toStdString()))
        return false;
    SetProjectPath(path);
    m_recent.Add(QFileInfo(path).absoluteFilePath().toStdString());
    m_recent.Save(m_settings);
    m_tabs->Strip().SelectAndFill(0);
    ModelReplaced();
    return true;
}

void TMainForm::ModelReplaced() {
    // The last project's render time, play time and level do not describe this one.
    SetStatusText(m_playback ? QString() : QStringLiteral("No sound output"));
    StopFollowingRows();
    StopFollowing();
    m_instrumentsForm->SelectInstrument(0);
    m_notesForm->ShowModel();
    m_view->RiffSwitched();
    LoadSelectedRiff();
    UpdateUndoActions();
}

void TMainForm::UndoClick() {
    m_tabs->Strip().DoRead();
    m_document.Undo();
}

void TMainForm::RedoClick() {
    m_tabs->Strip().DoRead();
    m_document.Redo();
}

void TMainForm::FollowChanges(const TChangeSet& changes) {
    if (changes.Everything())
        return; // a new or opened project: ModelReplaced shows it
    bool history = changes.Kind != TChangeSet::TKind::Edit;
    if (changes.ShowsRiff) {
        // The riff the step changed, with the cursor where it was.
        int riff = std::clamp(m_editor.CurrentRiff, 0, m_project.RiffNames.RecordCount() - 1);
        m_tabs->Strip().SelectAndFill(riff);
        m_view->ScrollToCursor();
        ShowDurationButtons(UpdateDurationButtons(m_project, m_editor));
    }
    if (changes.TouchesRiffs()) {
        m_tabs->Refresh();
        m_view->RefreshView();
    }
    if (changes.TouchesStructure() || changes.InstrumentOrder || changes.InstrumentNames)
        RefreshStructGrid();
    if (changes.ShowsGrid)
        m_grid->SetPlace(m_editor.Grid);
    if (changes.ShowsInstrument && history && m_instrumentsForm->isVisible())
        m_instrumentsForm->raise();
    // Typing in the notes window is already on its page; undo and redo are not.
    if (changes.NotesText && history)
        m_notesForm->ShowModel();
}

bool TMainForm::SaveProject(bool saveAs) {
    QString path = m_projectPath;
    if (saveAs || path.isEmpty()) {
        QString suggested = !path.isEmpty()             ? path
                            : !m_untitledPath.isEmpty() ? m_untitledPath
                                                        : QStringLiteral("NewProject.zvp");
        path = WithExtension(
            AskFile(true, QStringLiteral("Save Zelvane Project"), ProjectFilter, suggested));
        if (path.isEmpty())
            return false;
    }
    // The riff properties window's pending values belong in the file.
    m_tabs->Strip().DoRead();
    if (!m_document.Save(path.toStdString()))
        return false; // "Failed to Save File" has been shown; the project stays changed
    m_recovery->Dropped();
    SetProjectPath(path);
    m_recent.Add(QFileInfo(path).absoluteFilePath().toStdString());
    m_recent.Save(m_settings);
    return true;
}

} // namespace zel
