// zelvane-riffview: the riff view on its own, to edit the riffs of a project with the keyboard
// and the mouse before the main window hosts the view.
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <iostream>

#include "base/message_service.h"
#include "document/document_edits.h"
#include "model/ansi_text.h"
#include "model/datafile.h"
#include "model/projectfile.h"
#include "view/position_panel_widget.h"
#include "view/riff_view.h"

namespace {

using namespace zel;

class TRiffViewWindow : public QMainWindow {
public:
    TRiffViewWindow(TDocument& document, QString path)
        : m_document(document), m_project(document.Project()), m_editor(document.Editor()),
          m_path(std::move(path)) {
        TProject& project = m_project;
        TEditorState& editor = m_editor;
        auto* central = new QWidget(this);
        auto* layout = new QVBoxLayout(central);
        m_riffs = new QComboBox(central);
        for (int i = 0; i < project.RiffNames.RecordCount(); ++i)
            m_riffs->addItem(QString::fromStdString(AnsiToUtf8(project.RiffNames[i])));
        if (m_riffs->count() == 0)
            m_riffs->addItem(QStringLiteral("Riff 1"));
        m_view = new TRiffView(document, central);
        layout->addWidget(m_riffs);
        layout->addWidget(m_view, 1);
        setCentralWidget(central);

        m_panel = new TPositionPanelWidget(project, editor, statusBar());
        statusBar()->addWidget(m_panel);
        connect(m_view, &TRiffView::ViewChanged, m_panel, &TPositionPanelWidget::Refresh);
        connect(m_riffs, &QComboBox::currentIndexChanged, this, [this](int index) {
            m_editor.CurrentRiff = std::max(0, index);
            EnsureNotes(CurrentRiffOf(m_project, m_editor), 1);
            m_view->RiffSwitched();
            m_view->FocusStaff();
        });
        m_riffs->setCurrentIndex(std::clamp(editor.CurrentRiff, 0, m_riffs->count() - 1));

        QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
        file->addAction(QStringLiteral("&Save"), QKeySequence::Save, this, [this] { Save(); });
        file->addAction(QStringLiteral("E&xit"), QKeySequence::Quit, this, [this] { close(); });
        QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
        edit->addAction(QStringLiteral("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), this, [this] {
            m_document.Undo();
            m_view->RiffSwitched();
        });
        edit->addAction(QStringLiteral("&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y), this, [this] {
            m_document.Redo();
            m_view->RiffSwitched();
        });
        edit->addActions(m_view->PopupMenu()->actions());

        QToolBar* durations = addToolBar(QStringLiteral("Durations"));
        const char* names[] = {"bNote0", "bNote1",  "bNote2",  "bNote4",
                               "bNote8", "bNote16", "bNote32", "bNote64"};
        const char* texts[] = {"2/1", "1/1", "1/2", "1/4", "1/8", "1/16", "1/32", "1/64"};
        for (int d = 0; d < 8; ++d) {
            QAction* action = durations->addAction(QString::fromLatin1(texts[d]), this, [this, d] {
                DocumentSetDuration(m_document, uint8_t(d), m_view->Context());
                m_view->RefreshView();
            });
            action->setObjectName(QString::fromLatin1(names[d]));
        }
        auto updateTitle = [this](bool changed) {
            setWindowTitle(QStringLiteral("Zelvane riff view - %1%2")
                               .arg(m_path.isEmpty() ? QStringLiteral("(new)") : m_path,
                                    changed ? QStringLiteral(" *") : QString()));
        };
        project.SetChangedListener(updateTitle);
        updateTitle(project.IsChanged());
        resize(1000, 420);
        m_view->FocusStaff();
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (!m_project.IsChanged()) {
            event->accept();
            return;
        }
        auto answer = QMessageBox::question(
            this, windowTitle(), QStringLiteral("Save the changes to this project?"),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !Save()))
            event->ignore();
        else
            event->accept();
    }

private:
    bool Save() {
        if (m_path.isEmpty())
            return false;
        if (!m_document.Save(m_path.toStdString())) {
            QMessageBox::warning(this, windowTitle(),
                                 QString::fromStdString("Failed to Save File\n" + LastFileError()));
            return false;
        }
        return true;
    }

    TDocument& m_document;
    TProject& m_project;
    TEditorState& m_editor;
    QString m_path;
    QComboBox* m_riffs = nullptr;
    TRiffView* m_view = nullptr;
    TPositionPanelWidget* m_panel = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    zel::TDocument document;
    QString path;
    QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--help") || args[i] == QStringLiteral("-h")) {
            std::cout << "Usage: zelvane-riffview [PROJECT.zvp]\n"
                         "Edits the riffs of a project in the riff view.\n";
            return 0;
        }
        if (!args[i].startsWith(QLatin1Char('-')))
            path = args[i];
    }
    // The document's load says why a file is refused (on standard error without a window).
    if (!path.isEmpty() && !document.Load(path.toStdString()))
        return 1;
    zel::EnsureNotes(document.Project().Riffs[0], 1);
    TRiffViewWindow window(document, path);
    window.show();
    return app.exec();
}
