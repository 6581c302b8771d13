#include "arrange/struct_grid.h"

#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include "icons.h"
#include "model/ansi_text.h"

namespace zel {
namespace {

constexpr int DefaultColumnWidth = 124;
constexpr int LabelColumnWidth = 25;
constexpr int TextTop = 4;
constexpr int IconSize = 16;

QString Ansi(std::string_view bytes) {
    return QString::fromStdString(AnsiToUtf8(bytes));
}

} // namespace

TStructGridModel::TStructGridModel(const TProject& project, QObject* parent)
    : QAbstractTableModel(parent), m_project(project) {
    m_rows = int(m_project.Structure.size()) + 1;
    m_columns = m_project.InstrumentNames.RecordCount();
}

int TStructGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int TStructGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant TStructGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole || role == Qt::ToolTipRole) {
        TStructCell cell = StructCell(m_project.Structure, index.row() + 1, index.column() + 1);
        if (!cell.Filled())
            return role == Qt::AccessibleTextRole ? QStringLiteral("empty") : QString();
        return Ansi(cell.RepeatText()) + QLatin1Char(' ') + Ansi(cell.Riff);
    }
    return {};
}

QVariant TStructGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::FontRole) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole)
            return section < m_project.InstrumentNames.Count()
                       ? Ansi(m_project.InstrumentNames[section])
                       : QString();
        if (role == Qt::DecorationRole)
            return ToolIcon(TToolIcon::Instruments);
        return {};
    }
    bool playing = section + 1 == m_playingRow;
    switch (role) {
    case Qt::DisplayRole:
        return Ansi(RowLetters(section + 1));
    case Qt::TextAlignmentRole:
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        return playing ? QVariant(QBrush(QColor(255, 160, 0))) : QVariant();
    case Qt::AccessibleDescriptionRole:
        return playing ? QStringLiteral("playing") : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags TStructGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TStructGridModel::Reset() {
    // Rows and columns come and go at the end only, so the selection, the current cell and
    // the scroll position survive a refresh that changes nothing.
    const int columns = m_project.InstrumentNames.RecordCount();
    const int rows = int(m_project.Structure.size()) + 1;
    if (columns > m_columns) {
        beginInsertColumns({}, m_columns, columns - 1);
        m_columns = columns;
        endInsertColumns();
    } else if (columns < m_columns) {
        beginRemoveColumns({}, columns, m_columns - 1);
        m_columns = columns;
        endRemoveColumns();
    }
    if (rows > m_rows) {
        GrowTo(rows);
    } else if (rows < m_rows) {
        beginRemoveRows({}, rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    }
    if (m_columns > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, m_columns - 1));
    if (m_columns > 0)
        emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
    emit headerDataChanged(Qt::Vertical, 0, m_rows - 1);
}

void TStructGridModel::GrowTo(int rows) {
    if (rows <= m_rows)
        return;
    beginInsertRows({}, m_rows, rows - 1);
    m_rows = rows;
    endInsertRows();
}

void TStructGridModel::StructureChanged() {
    GrowTo(int(m_project.Structure.size()) + 1);
    if (m_columns > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, m_columns - 1));
}

void TStructGridModel::SetPlayingRow(int gridRow) {
    if (gridRow == m_playingRow)
        return;
    int old = m_playingRow;
    m_playingRow = gridRow;
    for (int row : {old, gridRow})
        if (row >= 1 && row <= m_rows)
            emit headerDataChanged(Qt::Vertical, row - 1, row - 1);
}

TStructGrid::TStructGrid(const TProject& project, QWidget* parent)
    : QTableView(parent), m_model(project) {
    setModel(&m_model);
    setItemDelegate(new TStructCellDelegate(*this));
    setEditTriggers(NoEditTriggers);
    setSelectionMode(ContiguousSelection);
    setSelectionBehavior(SelectItems);
    setShowGrid(true);
    setTabKeyNavigation(false);
    setMouseTracking(true);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);
    // The menu comes on the button's release, and a right click must not move the current cell.
    setContextMenuPolicy(Qt::PreventContextMenu);

    QHeaderView* columns = horizontalHeader();
    columns->setDefaultSectionSize(DefaultColumnWidth);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setSectionsMovable(false);
    connect(columns, &QHeaderView::sectionResized, this, &TStructGrid::KeepColumnWidth);

    QHeaderView* rows = verticalHeader();
    rows->setSectionsMovable(true);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(std::max(24, fontMetrics().height() + 2 * TextTop));
    rows->setMinimumWidth(LabelColumnWidth);
    connect(rows, &QHeaderView::sectionMoved, this, &TStructGrid::RowLabelMoved);

    // Labels and captions are no cells: pressing them neither selects a row or column nor
    // moves the current cell (a row label is pressed to drag its row).
    for (QHeaderView* header : {rows, columns}) {
        disconnect(header, &QHeaderView::sectionPressed, this, nullptr);
        disconnect(header, &QHeaderView::sectionEntered, this, nullptr);
        header->viewport()->installEventFilter(this);
    }
}

bool TStructGrid::eventFilter(QObject* watched, QEvent* event) {
    // The grid's menu opens over the labels and captions too.
    if (event->type() == QEvent::MouseButtonRelease &&
        (watched == verticalHeader()->viewport() || watched == horizontalHeader()->viewport())) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            emit StructMenuRequested(mouse->globalPosition().toPoint(), false);
            return true;
        }
    }
    return QTableView::eventFilter(watched, event);
}

bool TStructGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave)
        HideHover();
    return QTableView::viewportEvent(event);
}

void TStructGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    // Other cells come under a pointer that stands still.
    if (m_hoverShown)
        UpdateHover(viewport()->mapFromGlobal(QCursor::pos()));
}

void TStructGrid::HideHover() {
    if (!m_hoverShown)
        return;
    m_hoverShown = false;
    viewport()->update(visualRect(m_model.index(m_hover.HoverRow - 1, m_hover.HoverCol - 1)));
}

void TStructGrid::RefreshStructGrid() {
    m_model.Reset();
    ApplyColumnWidths();
    viewport()->update();
}

int TStructGrid::Col() const {
    QModelIndex current = currentIndex();
    return current.isValid() ? current.column() + 1 : 1;
}

int TStructGrid::Row() const {
    QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 1;
}

void TStructGrid::SetCurrentCell(int col, int row) {
    if (m_model.columnCount() == 0)
        return;
    col = std::clamp(col, 1, m_model.columnCount());
    row = std::clamp(row, 1, m_model.rowCount());
    setCurrentIndex(m_model.index(row - 1, col - 1));
}

TEditorState::TGridPlace TStructGrid::Place() const {
    TGridRect rect = Selection();
    return {Row(), Col(), rect.Top, rect.Left, rect.Bottom, rect.Right};
}

void TStructGrid::SetPlace(const TEditorState::TGridPlace& place) {
    if (m_model.columnCount() == 0)
        return;
    int rows = m_model.rowCount();
    int cols = m_model.columnCount();
    auto index = [&](int row, int col) {
        return m_model.index(std::clamp(row, 1, rows) - 1, std::clamp(col, 1, cols) - 1);
    };
    selectionModel()->setCurrentIndex(index(place.Row, place.Column),
                                      QItemSelectionModel::NoUpdate);
    selectionModel()->select(
        QItemSelection(index(place.Top, place.Left), index(place.Bottom, place.Right)),
        QItemSelectionModel::ClearAndSelect);
    scrollTo(currentIndex());
}

TGridRect TStructGrid::Selection() const {
    const QItemSelection selection = selectionModel()->selection();
    if (selection.isEmpty())
        return {Col(), Row(), Col(), Row()};
    TGridRect rect{INT_MAX, INT_MAX, 0, 0};
    for (const QItemSelectionRange& range : selection) {
        rect.Left = std::min(rect.Left, range.left() + 1);
        rect.Top = std::min(rect.Top, range.top() + 1);
        rect.Right = std::max(rect.Right, range.right() + 1);
        rect.Bottom = std::max(rect.Bottom, range.bottom() + 1);
    }
    return rect;
}

QPoint TStructGrid::CurrentCellGlobalPos() const {
    QRect cell = visualRect(currentIndex());
    return viewport()->mapToGlobal(cell.isValid() ? cell.bottomLeft() : QPoint());
}

void TStructGrid::SetPlayingRow(int gridRow) {
    m_model.SetPlayingRow(gridRow);
    if (gridRow < 1 || gridRow > m_model.rowCount() || m_model.columnCount() == 0)
        return;
    // Into view without moving sideways: the column at the left edge stays.
    int column = std::max(columnAt(0), 0);
    scrollTo(m_model.index(gridRow - 1, column), EnsureVisible);
}

void TStructGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    // A blank row always lies below the row the user works in.
    if (current.isValid() && current.row() == m_model.rowCount() - 1)
        m_model.GrowTo(m_model.rowCount() + 1);
    if (OnPlaceChanged)
        OnPlaceChanged();
}

void TStructGrid::selectionChanged(const QItemSelection& selected,
                                   const QItemSelection& deselected) {
    QTableView::selectionChanged(selected, deselected);
    if (OnPlaceChanged)
        OnPlaceChanged();
}

void TStructGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void TStructGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        emit StructMenuRequested(event->globalPosition().toPoint(), false);
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

void TStructGrid::mouseMoveEvent(QMouseEvent* event) {
    UpdateHover(event->position().toPoint());
    // Selecting by dragging is the left button's alone.
    if (event->buttons() & ~Qt::LeftButton) {
        event->accept();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void TStructGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    UpdateHover(event->position().toPoint());
    event->accept();
    if (m_hover.HoverCol >= 1 && m_hover.HoverRow >= 1)
        emit StructDoubleClicked();
}

void TStructGrid::UpdateHover(const QPoint& pos) {
    QModelIndex index = indexAt(pos);
    TStructHover hover;
    if (index.isValid())
        hover = {index.column() + 1, index.row() + 1,
                 HoverOnRiff(pos.x() - visualRect(index).left())};
    if (hover == m_hover && m_hoverShown == index.isValid())
        return;
    auto cellRect = [this](const TStructHover& h) {
        return visualRect(m_model.index(h.HoverRow - 1, h.HoverCol - 1));
    };
    if (m_hoverShown)
        viewport()->update(cellRect(m_hover));
    m_hover = hover;
    m_hoverShown = index.isValid();
    if (m_hoverShown)
        viewport()->update(cellRect(m_hover));
}

int TStructGrid::FullyVisibleRows() const {
    int height = verticalHeader()->defaultSectionSize();
    return height > 0 ? viewport()->height() / height : 1;
}

void TStructGrid::wheelEvent(QWheelEvent* event) {
    if (event->angleDelta().y() == 0) {
        QTableView::wheelEvent(event);
        return;
    }
    event->accept();
    m_wheelAngle += event->angleDelta().y();
    int notches = m_wheelAngle / 120;
    if (notches == 0)
        return;
    m_wheelAngle -= notches * 120;
    int top = verticalScrollBar()->value() + 1;
    int next = StructWheelTop(top, m_model.rowCount() + 1, FullyVisibleRows(), -notches);
    verticalScrollBar()->setValue(next - 1);
}

void TStructGrid::keyPressEvent(QKeyEvent* event) {
    // Cut, Copy and Paste belong to the window's commands, which know the grid.
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Paste) ||
        event->matches(QKeySequence::Cut)) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_Menu ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        event->accept();
        emit StructMenuRequested(CurrentCellGlobalPos(), true);
        return;
    }
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            event->accept();
            emit StructRiffListRequested(CurrentCellGlobalPos());
            return;
        }
        if (event->key() == Qt::Key_Delete) {
            event->accept();
            emit StructClearRequested();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void TStructGrid::RowLabelMoved(int, int oldVisual, int newVisual) {
    // The header only reports the drag: the rows stay in structure order, and the structure
    // itself moves the row.
    {
        QSignalBlocker blocker(verticalHeader());
        verticalHeader()->moveSection(newVisual, oldVisual);
    }
    emit StructRowMoved(oldVisual + 1, newVisual + 1);
}

void TStructGrid::KeepColumnWidth(int column, int, int newSize) {
    m_columnWidths[column] = newSize;
}

void TStructGrid::ApplyColumnWidths() {
    QSignalBlocker blocker(horizontalHeader());
    for (auto [column, width] : m_columnWidths)
        if (column < m_model.columnCount())
            setColumnWidth(column, width);
}

TStructCellDelegate::TStructCellDelegate(TStructGrid& grid)
    : QStyledItemDelegate(&grid), m_grid(grid) {}

void TStructCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const QRect r = option.rect;
    const QPalette& palette = m_grid.palette();
    const int gridRow = index.row() + 1;
    const bool selected = (option.state & QStyle::State_Selected) && m_grid.hasFocus();
    painter->save();
    painter->setClipRect(r);
    painter->fillRect(r, selected           ? palette.highlight().color()
                         : gridRow % 2 != 0 ? palette.base().color()
                                            : StructZebraColour);
    painter->setPen(selected ? palette.highlightedText().color() : palette.text().color());
    painter->setFont(option.font);

    const TProject& project = m_grid.GridModel().Project();
    TStructCell cell = StructCell(project.Structure, gridRow, index.column() + 1);
    if (cell.Filled()) {
        QRect text(r.left() + 4, r.top() + TextTop, std::max(r.width() - 4, 0), r.height());
        painter->drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                          Ansi(cell.RepeatText()));
        QRect riffArea(r.left() + 26, r.top(), std::max(r.width() - 30, 0), r.height());
        painter->setClipRect(riffArea.intersected(r));
        painter->drawImage(QPoint(riffArea.left() + 4, r.top() + TextTop),
                           ToolIconImage(TToolIcon::Riff, IconSize));
        painter->drawText(
            QRect(riffArea.left() + 20, r.top() + TextTop, riffArea.width(), r.height()),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, Ansi(cell.Riff));
        painter->setClipRect(r);
    }

    const TStructHover& hover = m_grid.Hover();
    if (m_grid.HoverShown() && hover.HoverCol == index.column() + 1 && hover.HoverRow == gridRow) {
        // An octagon round the repeat area or the riff area, corners cut by 3 pixels.
        int left = r.left() + 1, top = r.top() + 1, right = r.right() - 1, bottom = r.bottom() - 1;
        if (hover.HoverOnRiff)
            left += 26;
        else
            right = left + 24;
        const QPoint corners[] = {{left + 3, top},     {right - 3, top},    {right, top + 3},
                                  {right, bottom - 3}, {right - 3, bottom}, {left + 3, bottom},
                                  {left, bottom - 3},  {left, top + 3}};
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(palette.windowText().color());
        painter->setBrush(Qt::NoBrush);
        painter->drawPolygon(corners, 8);
    }
    painter->restore();
}

} // namespace zel
