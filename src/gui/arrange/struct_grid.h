// The song grid: a table over the project's structure rows with the row letters at the left and
// the instrument captions on top. It shows what the structure holds and reports what the user
// does with the mouse and keyboard; the commands that change the structure live in
// TStructEditor.
#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <map>

#include "arrange/structure_grid.h"
#include "model/song.h"

namespace zel {

// Pale yellow of the even rows (red 255, green 255, blue 234).
inline const QColor StructZebraColour(255, 255, 234);

// Rows and columns of the grid over the structure: model row r is grid row r + 1, model column c
// is grid column c + 1 (instrument c). One blank row always follows the structure.
class TStructGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TStructGridModel(const TProject& project, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Columns from the instrument tabs, rows from the structure (plus the blank row); every
    // cell and label repainted.
    void Reset();
    // After the structure changed: repaints every cell, adding rows when it grew.
    void StructureChanged();
    // Makes the grid at least `rows` model rows long.
    void GrowTo(int rows);
    // Grid row (from 1) whose label shows that it plays; 0: none.
    void SetPlayingRow(int gridRow);
    int PlayingRow() const { return m_playingRow; }
    const TProject& Project() const { return m_project; }

private:
    const TProject& m_project;
    int m_rows = 1;
    int m_columns = 0;
    int m_playingRow = 0;
};

class TStructGrid : public QTableView {
    Q_OBJECT
public:
    explicit TStructGrid(const TProject& project, QWidget* parent = nullptr);

    TStructGridModel& GridModel() { return m_model; }
    // RefreshStructGrid: columns from the instruments, rows from the structure, repainted.
    void RefreshStructGrid();
    // The current cell in grid coordinates (column and row from 1).
    int Col() const;
    int Row() const;
    void SetCurrentCell(int col, int row);
    // The current cell and the selected rectangle, as an undo step keeps them to show again.
    TEditorState::TGridPlace Place() const;
    void SetPlace(const TEditorState::TGridPlace& place);
    // Heard whenever the current cell or the selection changes.
    std::function<void()> OnPlaceChanged;
    // The selection rectangle in grid coordinates; the current cell when nothing is selected.
    TGridRect Selection() const;
    const TStructHover& Hover() const { return m_hover; }
    // False while the pointer is away from the cells: no frame is drawn then.
    bool HoverShown() const { return m_hoverShown; }
    // Where a popup for the current cell appears when the keyboard asked for it.
    QPoint CurrentCellGlobalPos() const;
    // Shows which grid row plays (0: none), scrolling it into view.
    void SetPlayingRow(int gridRow);
    int PlayingRow() const { return m_model.PlayingRow(); }

signals:
    // A right click released over the grid (the current cell does not move), or the menu key
    // (`keyboard`; `globalPos` is then the current cell's corner).
    void StructMenuRequested(const QPoint& globalPos, bool keyboard);
    // A double click on a cell; the hover says which cell and which part of it.
    void StructDoubleClicked();
    // Enter: the riff list for the current cell. Delete: empty the selected cells.
    void StructRiffListRequested(const QPoint& globalPos);
    void StructClearRequested();
    // A row label was dragged from grid row `from` to grid row `to`.
    void StructRowMoved(int from, int to);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

private:
    void UpdateHover(const QPoint& pos);
    void HideHover();
    void RowLabelMoved(int logical, int oldVisual, int newVisual);
    void KeepColumnWidth(int column, int oldSize, int newSize);
    void ApplyColumnWidths();
    int FullyVisibleRows() const;

    TStructGridModel m_model;
    TStructHover m_hover;
    bool m_hoverShown = false;
    int m_wheelAngle = 0;
    std::map<int, int> m_columnWidths; // widths the user gave columns, kept across refreshes
};

// Paints a cell: zebra background, "2x", the riff icon and name, and the hover frame.
class TStructCellDelegate : public QStyledItemDelegate {
public:
    explicit TStructCellDelegate(TStructGrid& grid);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    TStructGrid& m_grid;
};

} // namespace zel
