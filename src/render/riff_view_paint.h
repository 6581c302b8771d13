// The tab view's picture: the current riff as one band with the cursor box, the selection
// frame and the marker of the note being heard, and the status bar's position panel.
#pragma once

#include <QRect>

#include "canvas.h"
#include "edit/tab_metrics.h"
#include "riff_band.h"

namespace zel {

// The view's font: Arial, characters 13 pixels high.
inline constexpr int RiffViewFontPixels = 13;
QString RiffViewFontFamily();

struct TRiffViewPaint {
    bool ShowCursor = true; // false while the song grid has the keyboard focus
    int ViewWidth = 0;
    int ViewHeight = 0;
    int VisibleLeft = 0;
    int VisibleRight = 0;
    int PlayingNote = -1; // the record being heard, marked green; -1: none
};

// Draws the riff band (x0 = 4) and the frames; only columns near the visible range are drawn.
void PaintRiffView(TCanvas& canvas, const TTabMetrics& m, const TRiff& riff,
                   const TEditorState& editor, const TRiffViewPaint& paint,
                   TBandColumnCache& cache);

// "Position " and the cursor's position, or "Selection " and the selection's length; returns
// the x after the text (a muted canvas measures without drawing).
int DrawPositionPanel(TCanvas& canvas, const QRect& rect, const TRiff& riff);

// Fills the rectangle with a vertical gradient, each channel interpolated linearly (rounded)
// from the top row to the bottom row.
void CanvasGradientFill(QPainter& painter, const QRect& rect, const QColor& top,
                        const QColor& bottom);

} // namespace zel
