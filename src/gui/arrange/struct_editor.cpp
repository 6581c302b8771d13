#include "arrange/struct_editor.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>

#include "arrange/struct_grid.h"
#include "arrange/structure_grid.h"
#include "document/document_edits.h"
#include "icons.h"
#include "model/ansi_text.h"
#include "model/structure_ops.h"
#include "widgets/menu_text.h"

namespace zel {
namespace {

constexpr int RepeatChoices = 16;

// Clipboard text as the structure keeps it: single bytes; a character the code page has no
// byte for becomes '?', so pasting never fails half way.
std::string ClipboardBytes() {
    QString text = QApplication::clipboard()->text();
    std::string bytes;
    if (Utf8ToAnsi(text.toStdString(), bytes))
        return bytes;
    bytes.clear();
    bytes.reserve(size_t(text.size()));
    for (QChar c : text) {
        std::string one;
        bytes += Utf8ToAnsi(QString(c).toStdString(), one) && one.size() == 1 ? one[0] : '?';
    }
    return bytes;
}

} // namespace

TStructEditor::TStructEditor(TDocument& document, TStructGrid& grid, QWidget* window)
    : QObject(window), m_document(document), m_grid(grid) {
    m_structMenu = new QMenu(window);
    m_structMenu->setObjectName(QStringLiteral("pmStruct"));
    m_structMenu->setAccessibleName(QStringLiteral("Song structure menu"));
    auto add = [this](const char* name, const QString& caption, std::function<void()> handler) {
        QAction* action = m_structMenu->addAction(caption, this, std::move(handler));
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    add("mChangeRepeat", QStringLiteral("Change Repeat"), [this] { mChangeRepeatClick(m_menuAt); });
    add("mChangeRiff", QStringLiteral("Change Riff"), [this] { mChangeRiffClick(m_menuAt); });
    m_structMenu->addSeparator();
    add("mCut1", QStringLiteral("Cut"), [this] {
        mCutCopyClick(true);
    })->setIcon(ToolIcon(TToolIcon::Cut));
    add("mCopy1", QStringLiteral("Copy"), [this] {
        mCutCopyClick(false);
    })->setIcon(ToolIcon(TToolIcon::Copy));
    add("mPaste1", QStringLiteral("Paste"), [this] {
        mPaste1Click();
    })->setIcon(ToolIcon(TToolIcon::Paste));
    m_structMenu->addSeparator();
    add("mInsertLine", QStringLiteral("Insert Row"), [this] { mInsertLineClick(); });
    add("mDeleteLine", QStringLiteral("Delete Row"), [this] { mDeleteLineClick(); });
    m_structMenu->addSeparator();
    add("mGoto", QStringLiteral("Go to Riff / Instrument"), [this] { mGotoClick(); });

    m_editMenu = new QMenu(window);
    m_editMenu->setObjectName(QStringLiteral("pmEdit"));
    m_editMenu->setAccessibleName(QStringLiteral("Choices for the cell"));

    connect(&m_grid, &TStructGrid::StructMenuRequested, this, &TStructEditor::PopupStructMenu);
    connect(&m_grid, &TStructGrid::StructDoubleClicked, this, &TStructEditor::gStructDblClick);
    connect(&m_grid, &TStructGrid::StructRowMoved, this, &TStructEditor::gStructRowMoved);
    connect(&m_grid, &TStructGrid::StructRiffListRequested, this, &TStructEditor::mChangeRiffClick);
    connect(&m_grid, &TStructGrid::StructClearRequested, this, &TStructEditor::ClearCells);
}

void TStructEditor::PopupStructMenu(const QPoint& at, bool keyboard) {
    m_menuAt = at;
    m_menuByKeyboard = keyboard;
    m_structMenu->popup(at);
}

QPoint TStructEditor::ListAt() const {
    return m_menuByKeyboard ? m_menuAt : QCursor::pos();
}

void TStructEditor::Edit(std::string_view name, const std::function<void(TStructure&)>& edit) {
    DocumentStructureEdit(m_document, name, edit);
    m_grid.GridModel().StructureChanged();
}

void TStructEditor::EditRows(std::string_view name, const std::function<void(TStructure&)>& edit) {
    DocumentStructureEdit(m_document, name, edit);
    m_grid.RefreshStructGrid();
}

void TStructEditor::mChangeRepeatClick(const QPoint& at) {
    m_editMenu->clear();
    for (int value = 1; value <= RepeatChoices; ++value)
        m_editMenu->addAction(QString::number(value) + QLatin1Char('x'), this,
                              [this, value] { mRepClick(value); });
    m_editMenu->popup(at);
}

void TStructEditor::mChangeRiffClick(const QPoint& at) {
    // Always the riff list of the current cell, wherever the pointer was when the menu opened.
    m_editMenu->clear();
    const TTabCaptions& riffs = m_document.Project().RiffNames;
    for (int tab = 0; tab < riffs.Count(); ++tab) {
        std::string caption = riffs[tab];
        m_editMenu->addAction(MenuText(caption), this, [this, caption] { mRiffClick(caption); });
    }
    m_editMenu->popup(at);
}

void TStructEditor::mRepClick(int value) {
    int col = m_grid.Col(), row = m_grid.Row();
    Edit("Change Repeat", [&](TStructure& s) { SetCellRepeat(s, row, col, value); });
}

void TStructEditor::mRiffClick(const std::string& caption) {
    int col = m_grid.Col(), row = m_grid.Row();
    Edit("Change Riff", [&](TStructure& s) { SetCellRiff(s, row, col, caption); });
}

void TStructEditor::mCutCopyClick(bool cut) {
    TGridRect rect = m_grid.Selection();
    std::string text;
    if (cut)
        Edit("Cut Cells", [&](TStructure& s) { text = CopyStructureCells(s, rect, true); });
    else
        text = CopyStructureCells(m_document.Project().Structure, rect, false);
    QApplication::clipboard()->setText(QString::fromStdString(AnsiToUtf8(text)));
}

void TStructEditor::mPaste1Click() {
    std::string bytes = ClipboardBytes();
    int col = m_grid.Col(), row = m_grid.Row();
    Edit("Paste Cells", [&](TStructure& s) { PasteStructureCells(s, col, row, bytes); });
}

void TStructEditor::ClearCells() {
    TGridRect rect = m_grid.Selection();
    Edit("Clear Cells", [&](TStructure& s) { CopyStructureCells(s, rect, true); });
}

void TStructEditor::mInsertLineClick() {
    int row = m_grid.Row();
    EditRows("Insert Row", [&](TStructure& s) { InsertStructureRow(s, row); });
}

void TStructEditor::mDeleteLineClick() {
    int row = m_grid.Row();
    EditRows("Delete Row", [&](TStructure& s) { DeleteStructureRow(s, row); });
}

void TStructEditor::gStructRowMoved(int from, int to) {
    int col = m_grid.Col();
    Edit("Move Row", [&](TStructure& s) { MoveStructureRow(s, from, to); });
    // The moved row stays the one the user works in.
    m_grid.SetCurrentCell(col, to);
}

void TStructEditor::gStructDblClick() {
    const TStructHover& hover = m_grid.Hover();
    if (hover.HoverCol < 1 || hover.HoverRow < 1)
        return;
    m_grid.SetCurrentCell(hover.HoverCol, hover.HoverRow);
    QPoint at = QCursor::pos();
    if (DoubleClickList(m_document.Project().Structure, hover) == TStructList::Repeat)
        mChangeRepeatClick(at);
    else
        mChangeRiffClick(at);
}

void TStructEditor::mGotoClick() {
    const TProject& project = m_document.Project();
    int col = m_grid.Col(), row = m_grid.Row();
    if (row <= int(project.Structure.size())) {
        const std::string name = StructCell(project.Structure, row, col).Riff;
        // An empty name stands for the blank tab, which starts a new riff.
        int tab = name.empty()
                      ? (project.RiffNames.LastIsBlank() ? project.RiffNames.Count() - 1 : -1)
                      : project.RiffNames.Find(name);
        if (tab >= 0)
            emit GoToRiff(tab);
    }
    emit GoToInstrument(col - 1);
}

} // namespace zel
