// The tab view's geometry and mouse: cursor box, view width, scrolling to the cursor, hit areas,
// press, drag and release, and what the position panel of the status bar shows.
#pragma once

#include <functional>

#include "edit/tab_metrics.h"
#include "model/song.h"

namespace zel {

struct TBox {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TBox&) const = default;
};

// x of the cursor box of a column (the band itself is drawn four pixels further right).
int CursorColumnX(const TTabMetrics& m, int column);
// The cursor box: 17 x 14 on a tab line, 14 x 10 on a staff step.
TBox CursorBox(const TTabMetrics& m, const TRiff& riff, const TEditorState& editor);
// The frame around the selection (empty when Cursor equals Anchor), down to viewHeight.
TBox SelectionFrame(const TTabMetrics& m, const TRiff& riff, const TEditorState& editor,
                    int viewHeight);
// Width of the view: every note and one empty column for appending.
int RiffViewWidth(const TTabMetrics& m, const TRiff& riff);
// The least height of the view: down to the line below the bottom string.
int RiffViewMinHeight(const TTabMetrics& m, const TRiff& riff);
// The horizontal scroll position that shows the cursor column, moving in whole columns and only
// as far as needed; 0 for the first column, so that the start of the band shows with it.
int ScrollToCursorPosition(const TTabMetrics& m, int cursor, int scrollPosition, int viewportWidth);

// Hit areas for a pointer at (x, y) in view coordinates.
int HitColumn(const TTabMetrics& m, int x);
bool HitsTabLines(const TTabMetrics& m, int y);
int HitTabRow(const TTabMetrics& m, const TRiff& riff, int y);
int HitStaffRow(const TTabMetrics& m, int y);

enum class TMouseButton { Left, Right, Middle };

// What the view supplies to the mouse operations.
struct TRiffMouseContext {
    std::function<void(bool tabMode)> FocusArea; // focus the staff or the tab-line control
    std::function<void()> UpdateDurationButtons;
    std::function<void()> Refresh;
};

// The mouse on the tab view. LastDragColumn only suppresses repeated work while the pointer
// stays over one column.
class TRiffMouse {
public:
    void Press(TProject& project, TEditorState& editor, const TTabMetrics& m, TMouseButton button,
               bool shift, int x, int y, const TRiffMouseContext& context);
    void Move(TProject& project, TEditorState& editor, const TTabMetrics& m, bool leftHeld, int x,
              const TRiffMouseContext& context);
    void Release(TEditorState& editor);

    int LastDragColumn = -1;
};

// The position panel: the cursor's position, or the length of the selection, in ticks.
struct TPositionPanel {
    bool Selection = false;
    int64_t Ticks = 0;
    bool operator==(const TPositionPanel&) const = default;
};
TPositionPanel PositionPanelOf(const TRiff& riff);

} // namespace zel
