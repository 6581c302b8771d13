// The song grid's commands: the grid's context menu, the repeat and riff lists, the structure
// clipboard, inserting, deleting and moving rows, and going to a cell's riff. Each change is one
// undoable step of the document.
#pragma once

#include <QMenu>
#include <QObject>
#include <functional>
#include <string>

#include "document/document.h"
#include "model/structure_ops.h"

namespace zel {

class TStructGrid;

class TStructEditor : public QObject {
    Q_OBJECT
public:
    // `window` parents the menus.
    TStructEditor(TDocument& document, TStructGrid& grid, QWidget* window);

    // The grid's context menu and the scratch menu that holds the repeat or the riff list.
    QMenu* StructMenu() const { return m_structMenu; }
    QMenu* EditMenu() const { return m_editMenu; }

    // The repeat list ("1x" to "16x") and the riff list (every riff tab, the blank one
    // included) for the current cell, popped up at `at`.
    void mChangeRepeatClick(const QPoint& at);
    void mChangeRiffClick(const QPoint& at);
    void mRepClick(int value);
    void mRiffClick(const std::string& caption);
    // The selection as text on the clipboard; with `cut` its cells are emptied too.
    void mCutCopyClick(bool cut);
    // The clipboard text written into the cells from the current cell on.
    void mPaste1Click();
    void mInsertLineClick();
    void mDeleteLineClick();
    // Empties the selected cells without touching the clipboard (the Delete key).
    void ClearCells();
    void mGotoClick();
    void gStructRowMoved(int from, int to);
    void gStructDblClick();

signals:
    // Go to: the riff tab to select and fill, then the instrument of the cell's column.
    void GoToRiff(int tab);
    void GoToInstrument(int instrument);

private:
    void PopupStructMenu(const QPoint& at, bool keyboard);
    // The lists open at the pointer; when the keyboard opened the menu, where the menu was.
    QPoint ListAt() const;
    void Edit(std::string_view name, const std::function<void(TStructure&)>& edit);
    // After rows came or went: the grid takes the structure's length again.
    void EditRows(std::string_view name, const std::function<void(TStructure&)>& edit);

    TDocument& m_document;
    TStructGrid& m_grid;
    QMenu* m_structMenu;
    QMenu* m_editMenu;
    QPoint m_menuAt; // where the context menu opened
    bool m_menuByKeyboard = false;
};

} // namespace zel
