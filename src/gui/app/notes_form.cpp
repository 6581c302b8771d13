#include "app/notes_form.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include "icons.h"
#include "widgets/accessible_names.h"
#include "widgets/gradient_bar.h"
#include "widgets/rich_edit_rtf.h"

namespace zel {

TNotesForm::TNotesForm(TDocument& document, QWidget* parent)
    : QWidget(parent, Qt::Window), m_document(document) {
    setObjectName(QStringLiteral("NotesForm"));
    setWindowTitle(QStringLiteral("Notes"));
    resize(480, 360);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new TGradientBar(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    m_editor = new TRichEditRTF(this);
    m_editor->setObjectName(QStringLiteral("RichEdit1"));
    layout->addWidget(bar);
    layout->addWidget(m_editor, 1);

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("PopupMenu1"));
    struct TCommand {
        const char* Button;
        const char* Menu;
        const char* Caption;
        QKeySequence Keys;
        TToolIcon Icon;
        void (TNotesForm::*Handler)();
    };
    const TCommand commands[] = {
        {"bCut", "mCut", "Cut", QKeySequence(Qt::CTRL | Qt::Key_X), TToolIcon::Cut,
         &TNotesForm::bCutClick},
        {"bCopy", "mCopy", "Copy", QKeySequence(Qt::CTRL | Qt::Key_C), TToolIcon::Copy,
         &TNotesForm::bCopyClick},
        {"bPaste", "mPaste", "Paste", QKeySequence(Qt::CTRL | Qt::Key_V), TToolIcon::Paste,
         &TNotesForm::bPasteClick},
        {"bBold", "mBold", "Bold", QKeySequence(Qt::CTRL | Qt::Key_B), TToolIcon::New,
         &TNotesForm::bBoldClick},
        {"bItalic", "mItalic", "Italic", QKeySequence(Qt::CTRL | Qt::Key_I), TToolIcon::New,
         &TNotesForm::bItalicClick},
        {"bUnderlined", "mUnderline", "Underline", QKeySequence(Qt::CTRL | Qt::Key_U),
         TToolIcon::New, &TNotesForm::bUnderlinedClick},
    };
    for (const TCommand& command : commands) {
        auto* action = new QAction(QString::fromLatin1(command.Caption), this);
        action->setObjectName(QString::fromLatin1(command.Menu));
        action->setShortcut(command.Keys);
        // The window's own keys: the main window keeps its Ctrl+C and Ctrl+V.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, command.Handler);
        addAction(action);
        m_menu->addAction(action);
        if (command.Handler == &TNotesForm::bPasteClick ||
            command.Handler == &TNotesForm::bUnderlinedClick)
            m_menu->addSeparator();

        auto* button = new QToolButton(bar);
        button->setObjectName(QString::fromLatin1(command.Button));
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(true);
        button->setToolTip(QString::fromLatin1(command.Caption));
        button->setAccessibleName(QString::fromLatin1(command.Caption));
        if (command.Icon != TToolIcon::New) {
            button->setIcon(ToolIcon(command.Icon));
        } else {
            // B, I and U in their own style.
            button->setText(QString(QLatin1Char(command.Caption[0])));
            QFont font = button->font();
            font.setBold(command.Handler == &TNotesForm::bBoldClick);
            font.setItalic(command.Handler == &TNotesForm::bItalicClick);
            font.setUnderline(command.Handler == &TNotesForm::bUnderlinedClick);
            button->setFont(font);
        }
        connect(button, &QToolButton::clicked, this, command.Handler);
        row->addWidget(button);
        if (command.Handler == &TNotesForm::bPasteClick) {
            auto* gap = new QWidget(bar);
            gap->setFixedWidth(8);
            row->addWidget(gap);
        }
    }
    row->addStretch(1);
    auto* undo = new QAction(QStringLiteral("Undo"), this);
    undo->setObjectName(QStringLiteral("mUndo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    undo->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(undo, &QAction::triggered, this, &TNotesForm::mUndoClick);
    addAction(undo);
    m_menu->addAction(undo);

    m_editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_editor, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_menu->popup(m_editor->viewport()->mapToGlobal(at)); });
    connect(m_editor, &QTextEdit::textChanged, this, &TNotesForm::NotesChange);
    SetAccessibleNames(this, {{"RichEdit1", "Notes"}});
    ShowModel();
}

void TNotesForm::ShowModel() {
    const std::string& rtf = m_document.Project().NotesRtf;
    // An undo elsewhere leaves the notes, and the caret in them, as they are.
    if (m_shown && rtf == m_shownRtf)
        return;
    m_shown = true;
    m_shownRtf = rtf;
    m_showing = true;
    m_editor->SetTextRTF(rtf);
    m_showing = false;
}

void TNotesForm::NotesChange() {
    if (m_showing)
        return;
    // One step for a stretch of typing; the RTF is what the project file keeps.
    m_shownRtf = m_editor->TextRTF();
    m_document.Edit(
        "Edit Notes", TEditScope().AndNotesText(),
        [&] { m_document.Project().NotesRtf = m_shownRtf; }, "notes");
}

void TNotesForm::bCutClick() {
    m_editor->cut();
}

void TNotesForm::bCopyClick() {
    m_editor->copy();
}

void TNotesForm::bPasteClick() {
    m_editor->paste();
}

void TNotesForm::bBoldClick() {
    m_editor->ToggleStyle(TRichEditRTF::TStyle::Bold);
}

void TNotesForm::bItalicClick() {
    m_editor->ToggleStyle(TRichEditRTF::TStyle::Italic);
}

void TNotesForm::bUnderlinedClick() {
    m_editor->ToggleStyle(TRichEditRTF::TStyle::Underline);
}

void TNotesForm::mUndoClick() {
    m_editor->undo();
}

} // namespace zel
