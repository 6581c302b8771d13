#include "riff_view_paint.h"

#include "edit/tab_mouse.h"

namespace zel {
namespace {

void Frame(TCanvas& canvas, const TBox& box) {
    canvas.Frame(QRect(box.X, box.Y, box.Width, box.Height), QColor(255, 0, 0));
}

} // namespace

QString RiffViewFontFamily() {
    return QStringLiteral("Arial");
}

void PaintRiffView(TCanvas& canvas, const TTabMetrics& m, const TRiff& riff,
                   const TEditorState& editor, const TRiffViewPaint& paint,
                   TBandColumnCache& cache) {
    DrawRiffBandVisible(canvas, m, riff, 4, paint.ViewWidth, 0, paint.VisibleLeft,
                        paint.VisibleRight, cache);
    if (paint.ShowCursor)
        Frame(canvas, CursorBox(m, riff, editor));
    Frame(canvas, SelectionFrame(m, riff, editor, paint.ViewHeight));
    if (paint.PlayingNote >= 0) {
        // Two pixels wide around the whole column, so it shows beside the cursor box.
        const QColor green(0, 170, 0);
        QRect column(CursorColumnX(m, paint.PlayingNote) - 3, 1, m.ColumnWidth - 2,
                     paint.ViewHeight - 2);
        canvas.Frame(column, green);
        canvas.Frame(column.adjusted(1, 1, -1, -1), green);
    }
}

int DrawPositionPanel(TCanvas& canvas, const QRect& rect, const TRiff& riff) {
    TPositionPanel panel = PositionPanelOf(riff);
    canvas.Style.Bold = true;
    canvas.Style.FontColor = panel.Selection ? QColor(0, 128, 0) : QColor(0, 0, 128);
    int x = rect.left() + 4;
    int y = rect.top() + 2;
    x += canvas.TextOut(
        x, y, panel.Selection ? QStringLiteral("Selection ") : QStringLiteral("Position "));
    return PositionText(canvas, x, y, riff, panel.Ticks);
}

void CanvasGradientFill(QPainter& painter, const QRect& rect, const QColor& top,
                        const QColor& bottom) {
    int rows = rect.height();
    for (int i = 0; i < rows; ++i) {
        auto mix = [&](int a, int b) { return rows > 1 ? a + MulDivRound(b - a, i, rows - 1) : a; };
        QColor c(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()),
                 mix(top.blue(), bottom.blue()));
        painter.fillRect(QRect(rect.left(), rect.top() + i, rect.width(), 1), c);
    }
}

} // namespace zel
