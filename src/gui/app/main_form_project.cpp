// The main window's project lifecycle: New, Open, Save, Save As, the question before a changed
// project is dropped, and the window title.
#include <QFileInfo>

#include "app/message_service.h"
#include "main_form.h"
#include "model/projectfile.h"
#include "model/riff_properties_form.h"
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
    setWindowTitle(QString::fromStdString(ProjectWindowTitle(path.toStdString())));
}

bool TMainForm::ConfirmDiscard() {
    if (!m_project.IsChanged())
        return true;
    int answer = DisplayMany(DiscardQuestionKind, DiscardQuestion(m_projectPath.toStdString()),
                             DiscardButtons);
    if (answer == 0) {
        SaveProject(false);
        return !m_project.IsChanged();
    }
    return answer == 1;
}

void TMainForm::NewProject() {
    m_riffProperties->hide();
    if (!ConfirmDiscard())
        return;
    SetProjectPath(QString());
    ResetProject(m_project, m_editor);
    m_project.SetChanged(false);
    m_view->RiffSwitched();
    LoadSelectedRiff();
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
    ResetProject(m_project, m_editor);
    bool loaded = LoadProject(m_project, path.toStdString());
    // A file that could not be read leaves a new, unchanged project without a path, so a
    // later Save cannot write the empty project over that file.
    SetProjectPath(loaded ? path : QString());
    m_project.SetChanged(false);
    if (loaded) {
        m_recent.Add(QFileInfo(path).absoluteFilePath().toStdString());
        m_recent.Save(m_settings);
    }
    m_tabs->Strip().SelectAndFill(0);
    m_view->RiffSwitched();
    LoadSelectedRiff();
    return loaded;
}

bool TMainForm::SaveProject(bool saveAs) {
    QString path = m_projectPath;
    if (saveAs || path.isEmpty()) {
        QString suggested = path.isEmpty() ? QStringLiteral("NewProject.zvp") : path;
        path = WithExtension(
            AskFile(true, QStringLiteral("Save Zelvane Project"), ProjectFilter, suggested));
        if (path.isEmpty())
            return false;
    }
    // The riff properties window's pending values belong in the file.
    m_tabs->Strip().DoRead();
    if (!zel::SaveProject(m_project, path.toStdString()))
        return false; // "Failed to Save File" has been shown; the project stays changed
    SetProjectPath(path);
    m_project.SetChanged(false);
    m_recent.Add(QFileInfo(path).absoluteFilePath().toStdString());
    m_recent.Save(m_settings);
    return true;
}

} // namespace zel
