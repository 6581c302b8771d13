// The program's two pictures: the treble clef and the quarter-note symbol (the tempo mark and
// the quarter-duration button). Drawn as vector paths stretched into a rectangle, so they stay
// crisp on the screen, in images and on paper.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>

namespace zel {

// The clef's design box is 21 x 52 units; the quarter note's 16 x 16.
inline constexpr int ClefImageWidth = 21;
inline constexpr int ClefImageHeight = 52;
inline constexpr int ToolbarImageSize = 16;

// Stretches the clef into `target` (its right and bottom edges excluded).
void DrawTrebleClef(QPainter& painter, const QRect& target, const QColor& color = Qt::black);
// Stretches the quarter note into `target`; `background`, when valid, fills the box first.
void DrawQuarterNoteSymbol(QPainter& painter, const QRect& target, const QColor& color = Qt::black,
                           const QColor& background = {});

} // namespace zel
