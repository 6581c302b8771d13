// A drawing surface with a current font, font colour, pen and brush, the way the band drawer
// thinks of a canvas: each primitive uses whatever was set last. Works on any QPaintDevice.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPen>
#include <QStaticText>
#include <QString>
#include <optional>
#include <span>

namespace zel {

// How shapes fall on pixels. Exact: every shape covers whole pixels (no antialiasing), the
// program's classic picture. Smooth: the same shapes in the same places with antialiased edges;
// straight lines and filled rectangles still cover whole device pixels, so they stay crisp at
// any device pixel ratio.
enum class TDrawingMode { Exact, Smooth };

// Everything a primitive takes from the canvas; copied to resume drawing in the same state.
struct TCanvasStyle {
    QColor FontColor = Qt::black;
    int FontPixels = 13; // character height in device pixels
    bool Bold = false;
    QColor PenColor = Qt::black;
    int PenWidth = 1;
    Qt::PenStyle PenStyle = Qt::SolidLine;
    QColor BrushColor = Qt::white;
    bool BrushClear = false; // hollow shapes
};

class TCanvas {
public:
    // `fontFamily` and the style's font size give the font; the painter's device gives the dpi.
    TCanvas(QPainter& painter, const QString& fontFamily, int fontPixels,
            TDrawingMode mode = TDrawingMode::Exact);

    QPainter& Painter() { return m_painter; }
    int Dpi() const { return m_dpi; }

    TCanvasStyle Style;
    // While muted the canvas measures text but draws nothing: the band drawer replays columns
    // that lie outside the visible area this way to keep its state.
    bool Muted = false;

    // Font size in points on this device, and setting it from points (rounded like the
    // classic point-to-pixel conversion).
    int FontPoints() const;
    void SetFontPoints(int points);

    QFont Font() const;
    // Text with its top-left corner at (x, y), transparent background; returns its width.
    int TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    int TextHeight() const;

    void Line(int x1, int y1, int x2, int y2);
    // Ellipse inside the box from (x1, y1) to (x2, y2), right and bottom edges excluded.
    void Ellipse(int x1, int y1, int x2, int y2);
    // Filled rectangle with the brush colour, right and bottom edges excluded.
    void FillRect(int x1, int y1, int x2, int y2);
    void Polygon(std::span<const QPoint> points);
    // Counter-clockwise arc of the ellipse in the box (x1, y1)-(x2, y2), from the ray through
    // (x3, y3) to the ray through (x4, y4).
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    // A one-pixel outline along the inside of the rectangle (the cursor and selection frames).
    void Frame(const QRect& rect, const QColor& color);

private:
    void ApplyPen();
    void ApplyBrush();
    bool Smooth() const { return m_mode == TDrawingMode::Smooth; }
    // Smooth mode: where a stroke of the current pen width is centred so that it covers the
    // same pixels as the exact drawing (half a pixel down and right for odd widths).
    qreal StrokeOffset() const;
    // Smooth mode: a horizontal or vertical line as the band of whole pixels it covers.
    void StraightLine(int x1, int y1, int x2, int y2);
    // Smooth mode: fills the rectangle moved to whole device pixels.
    void FillWholePixels(const QRectF& rect, const QColor& color);
    // The rectangle moved and sized to whole device pixels (unchanged at a device pixel ratio
    // of 1), or unchanged when the painter rotates.
    QRectF SnapToDevice(const QRectF& rect) const;

    const QFontMetrics& Metrics() const;

    QPainter& m_painter;
    // The painter's font is set only when the style asks for another one.
    int m_painterPixels = -1;
    bool m_painterBold = false;
    QPen m_pen;
    bool m_penSet = false;
    QColor m_brushColor;
    bool m_brushClear = false;
    bool m_brushSet = false;
    // Texts laid out once with their widths: fret numbers and names repeat a lot.
    struct TTextKey {
        QString Family;
        int Dpi;
        int Pixels;
        bool Bold;
        QString Text;
        bool operator==(const TTextKey&) const = default;
    };
    struct TLaidOut {
        QStaticText Text;
        int Width = 0;
    };
    friend size_t qHash(const TTextKey& key, size_t seed) {
        return qHashMulti(seed, key.Family, key.Dpi, key.Pixels, key.Bold, key.Text);
    }
    // Shared by every canvas of the thread, so that repaints find their texts laid out.
    const TLaidOut& LaidOut(const QString& text) const;
    mutable std::optional<QFontMetrics> m_metrics;
    mutable int m_metricsPixels = -1;
    mutable bool m_metricsBold = false;
    QString m_family;
    int m_dpi = 96;
    TDrawingMode m_mode = TDrawingMode::Exact;
};

// Integer a x b / c rounded to nearest, halves away from zero.
int MulDivRound(int a, int b, int c);

} // namespace zel
