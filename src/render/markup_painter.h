// Marked-up message text on any QPainter (NiceLabelPaint), sunken and raised frames, and the
// pictures of the message box: its three icons and the 16 x 16 button glyphs.
#pragma once

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QSize>
#include <string_view>

namespace zel {

// Paints `text` (Windows-1252 bytes with inline markup) with its first line's top-left corner at
// (x + gap, y + gap), starting with the painter's font size and pen colour and no bold, italic
// or underline. Returns in `width` the largest pen x reached after any text run plus gap, and in
// `height` the final pen y plus the tallest text height of the last line plus gap: the right
// and bottom edges of what the text covers, in the painter's coordinates. A line is as tall as
// the tallest text drawn on it, at least the height of "Ag" + 1 in the starting font. The
// painter's font size and pen colour are restored; the text style is left as the markup last
// set it.
// Highlighted text is drawn in the painter's brush colour, or its background colour when the
// brush is empty.
void NiceLabelPaint(QPainter& painter, int x, int y, int& height, int& width, std::string_view text,
                    int gap);
void NiceLabelPaint(QPainter& painter, int x, int y, std::string_view text, int gap);

// The size NiceLabelPaint reports for the text at (0, 0) in `font` on `device` (screen metrics
// when null), without drawing anything.
QSize NiceLabelMeasure(const QFont& font, std::string_view text, int gap,
                       const QPaintDevice* device = nullptr);

// Frame styles of PaintBorder.
enum TBorderStyle : int { BorderNone = 0, BorderSunken = 1, BorderRaised = 2 };

// A one-pixel frame on the rectangle's outermost pixels. Sunken: left and top edges in the
// button-shadow colour (QPalette::Dark), right and bottom in the window colour (QPalette::Base);
// raised swaps them; any other border value draws nothing.
void PaintBorder(QPainter& painter, int left, int top, int border, int bottom, int right,
                 const QPalette& palette = QGuiApplication::palette());

// The message icon of `kind` (0 information, 1 error, 2 question) in the 53 x 53 box whose
// top-left corner is at (left, top); other kinds draw nothing.
inline constexpr int MessageIconSize = 53;
void PaintMessageIcon(QPainter& painter, int kind, int left = 0, int top = 0);

// Button glyphs: 0 positive, 1 negative, 2 save, 3 spare, 4 copy, 5 move.
inline constexpr int ButtonGlyphCount = 6;
inline constexpr int ButtonGlyphSize = 16;
// A 16 x 16 picture on a transparent ground; a null image for -1 and other unknown indexes.
QImage ButtonGlyph(int glyph);

} // namespace zel
