#include "edit/tab_mouse.h"

#include <algorithm>

namespace zel {
namespace {

constexpr int TabBoxWidth = 17;
constexpr int TabBoxHeight = 14;
constexpr int StaffBoxWidth = 14;
constexpr int StaffBoxHeight = 10;
// The tab rows' bias puts the row boundaries where the cursor boxes are drawn.
constexpr int TabRowBias = 6;
constexpr int LowestStaffRow = 18;
constexpr int HighestStaffRow = -8;

void Call(const std::function<void()>& f) {
    if (f)
        f();
}

} // namespace

int CursorColumnX(const TTabMetrics& m, int column) {
    return column * m.ColumnWidth + m.FirstColumn;
}

TBox CursorBox(const TTabMetrics& m, const TRiff& riff, const TEditorState& editor) {
    int x = CursorColumnX(m, riff.Cursor);
    if (editor.TabMode)
        return {x, editor.CursorRow * m.LineHeight + m.TabTop - TabRowBias, TabBoxWidth,
                TabBoxHeight};
    return {x, ((editor.CursorRow - 1) * m.StaffSpace) / 2 + m.StaffTop, StaffBoxWidth,
            StaffBoxHeight};
}

TBox SelectionFrame(const TTabMetrics& m, const TRiff& riff, const TEditorState& editor,
                    int viewHeight) {
    if (riff.Cursor == riff.Anchor)
        return {};
    int width = CursorBox(m, riff, editor).Width;
    int left = CursorColumnX(m, std::min(riff.Cursor, riff.Anchor));
    int right = CursorColumnX(m, std::max(riff.Cursor, riff.Anchor)) + width;
    return {left, 4, right - left, viewHeight - 4};
}

int RiffViewWidth(const TTabMetrics& m, const TRiff& riff) {
    return (NoteCount(riff) + 1) * m.ColumnWidth + m.FirstColumn;
}

int RiffViewMinHeight(const TTabMetrics& m, const TRiff& riff) {
    return StringLineY(m, riff, -1);
}

int ScrollToCursorPosition(const TTabMetrics& m, int cursor, int scrollPosition,
                           int viewportWidth) {
    // On the first column the view goes fully left: the clef and the signatures show too.
    if (cursor <= 0)
        return 0;
    int cx = CursorColumnX(m, cursor);
    int p = scrollPosition;
    if (m.ColumnWidth <= 0)
        return p;
    // Whole columns at a time; computed rather than stepped so a far jump costs nothing.
    if (cx + m.ColumnWidth > p + viewportWidth) {
        int steps = (cx + m.ColumnWidth - p - viewportWidth + m.ColumnWidth - 1) / m.ColumnWidth;
        p += steps * m.ColumnWidth;
    }
    if (cx < p) {
        int steps = (p - cx + m.ColumnWidth - 1) / m.ColumnWidth;
        p -= steps * m.ColumnWidth;
    }
    return p;
}

int HitColumn(const TTabMetrics& m, int x) {
    return m.ColumnWidth > 0 ? (x - m.FirstColumn) / m.ColumnWidth : 0;
}

bool HitsTabLines(const TTabMetrics& m, int y) {
    return y > m.TabTop - m.LineHeight;
}

int HitTabRow(const TTabMetrics& m, const TRiff& riff, int y) {
    int row = m.LineHeight > 0 ? (y - m.TabTop + TabRowBias) / m.LineHeight : 0;
    int strings = StringCount(riff);
    row = std::min(row, strings - 1);
    return std::max(row, 0);
}

int HitStaffRow(const TTabMetrics& m, int y) {
    int half = m.StaffSpace / 2;
    int row = half > 0 ? (y - m.StaffTop + m.StaffSpace / 4) / half : 0;
    return std::clamp(row, HighestStaffRow, LowestStaffRow);
}

void TRiffMouse::Press(TProject& project, TEditorState& editor, const TTabMetrics& m,
                       TMouseButton button, bool shift, int x, int y,
                       const TRiffMouseContext& context) {
    editor.MouseHeld = button == TMouseButton::Left;
    if (!editor.MouseHeld)
        return;
    TRiff& riff = CurrentRiffOf(project, editor);
    bool tab = HitsTabLines(m, y);
    if (context.FocusArea)
        context.FocusArea(tab);
    editor.TabMode = tab;
    editor.CursorRow = tab ? HitTabRow(m, riff, y) : HitStaffRow(m, y);
    int column = std::max(0, HitColumn(m, x));
    riff.Cursor = std::min(column, NoteCount(riff));
    if (!shift)
        riff.Anchor = riff.Cursor;
    editor.FreshEntry = true;
    Call(context.UpdateDurationButtons);
    Call(context.Refresh);
}

void TRiffMouse::Move(TProject& project, TEditorState& editor, const TTabMetrics& m, bool leftHeld,
                      int x, const TRiffMouseContext& context) {
    int column = HitColumn(m, x);
    if (column == LastDragColumn)
        return;
    LastDragColumn = column;
    TRiff& riff = CurrentRiffOf(project, editor);
    if (leftHeld && column >= 0 && column <= NoteCount(riff) - 1) {
        riff.Cursor = column;
        Call(context.Refresh);
    }
}

void TRiffMouse::Release(TEditorState& editor) {
    editor.MouseHeld = false;
}

TPositionPanel PositionPanelOf(const TRiff& riff) {
    int a = std::min(riff.Cursor, riff.Anchor);
    int b = std::max(riff.Cursor, riff.Anchor);
    int64_t ta = RiffTicks(riff, a);
    if (a == b)
        return {false, ta};
    return {true, RiffTicks(riff, b + 1) - ta};
}

} // namespace zel
