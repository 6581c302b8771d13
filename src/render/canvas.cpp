#include "canvas.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPen>
#include <cmath>
#include <numbers>

namespace zel {

int MulDivRound(int a, int b, int c) {
    if (c == 0)
        return 0;
    long long p = static_cast<long long>(a) * b;
    long long half = (c < 0 ? -c : c) / 2;
    long long q = p >= 0 ? (p + half) / c : (p - half) / c;
    return static_cast<int>(q);
}

TCanvas::TCanvas(QPainter& painter, const QString& fontFamily, int fontPixels, TDrawingMode mode)
    : m_painter(painter), m_family(fontFamily), m_mode(mode) {
    if (painter.device())
        m_dpi = painter.device()->logicalDpiY();
    if (m_dpi <= 0)
        m_dpi = 96;
    Style.FontPixels = fontPixels;
    m_painter.setRenderHint(QPainter::Antialiasing, Smooth());
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, Smooth());
    m_painter.setBackgroundMode(Qt::TransparentMode);
}

int TCanvas::FontPoints() const {
    return MulDivRound(Style.FontPixels, 72, m_dpi);
}

void TCanvas::SetFontPoints(int points) {
    Style.FontPixels = MulDivRound(points, m_dpi, 72);
}

QFont TCanvas::Font() const {
    QFont font(m_family);
    font.setPixelSize(std::max(1, Style.FontPixels));
    font.setBold(Style.Bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

const QFontMetrics& TCanvas::Metrics() const {
    if (!m_metrics || m_metricsPixels != Style.FontPixels || m_metricsBold != Style.Bold) {
        m_metrics.emplace(Font(), m_painter.device());
        m_metricsPixels = Style.FontPixels;
        m_metricsBold = Style.Bold;
    }
    return *m_metrics;
}

const TCanvas::TLaidOut& TCanvas::LaidOut(const QString& text) const {
    thread_local QHash<TTextKey, TLaidOut> texts;
    TTextKey key{m_family, m_dpi, Style.FontPixels, Style.Bold, text};
    auto found = texts.find(key);
    if (found == texts.end()) {
        if (texts.size() > 20000) // many different texts: start again rather than grow
            texts.clear();
        TLaidOut laidOut;
        laidOut.Text = QStaticText(text);
        laidOut.Text.setTextFormat(Qt::PlainText);
        laidOut.Width = Metrics().horizontalAdvance(text);
        found = texts.insert(key, laidOut);
    }
    return *found;
}

int TCanvas::TextWidth(const QString& text) const {
    return LaidOut(text).Width;
}

int TCanvas::TextHeight() const {
    return Metrics().height();
}

int TCanvas::TextOut(int x, int y, const QString& text) {
    const TLaidOut& laidOut = LaidOut(text);
    if (!Muted && !text.isEmpty()) {
        if (m_painterPixels != Style.FontPixels || m_painterBold != Style.Bold) {
            m_painter.setFont(Font());
            m_painterPixels = Style.FontPixels;
            m_painterBold = Style.Bold;
        }
        m_penSet = false;
        m_painter.setPen(Style.FontColor);
        m_painter.drawStaticText(QPoint(x, y), laidOut.Text);
    }
    return laidOut.Width;
}

void TCanvas::ApplyPen() {
    int width = std::max(1, Style.PenWidth);
    if (m_penSet && m_pen.color() == Style.PenColor && m_pen.width() == width &&
        m_pen.style() == Style.PenStyle)
        return;
    m_pen = QPen(Style.PenColor);
    m_pen.setWidth(width);
    m_pen.setStyle(Style.PenStyle);
    // Thick lines keep their ends square, half a width beyond where they end.
    m_pen.setCapStyle(width > 1 ? Qt::SquareCap : Qt::FlatCap);
    m_pen.setJoinStyle(Qt::MiterJoin);
    m_painter.setPen(m_pen);
    m_penSet = true;
}

void TCanvas::ApplyBrush() {
    if (m_brushSet && m_brushClear == Style.BrushClear &&
        (Style.BrushClear || m_brushColor == Style.BrushColor))
        return;
    m_brushSet = true;
    m_brushClear = Style.BrushClear;
    m_brushColor = Style.BrushColor;
    if (Style.BrushClear)
        m_painter.setBrush(Qt::NoBrush);
    else
        m_painter.setBrush(Style.BrushColor);
}

qreal TCanvas::StrokeOffset() const {
    return std::max(1, Style.PenWidth) % 2 == 1 ? 0.5 : 0.0;
}

QRectF TCanvas::SnapToDevice(const QRectF& rect) const {
    const QTransform& toDevice = m_painter.deviceTransform();
    if (toDevice.type() > QTransform::TxScale || !toDevice.isInvertible())
        return rect;
    QRectF device = toDevice.mapRect(rect);
    auto round = [](qreal v) { return std::floor(v + 0.5); };
    // The size is rounded on its own, so that lines of one width stay equally thick wherever
    // they fall on a fractional device pixel ratio.
    QRectF snapped(round(device.left()), round(device.top()),
                   std::max<qreal>(1, round(device.width())),
                   std::max<qreal>(1, round(device.height())));
    return toDevice.inverted().mapRect(snapped);
}

void TCanvas::StraightLine(int x1, int y1, int x2, int y2) {
    const int width = std::max(1, Style.PenWidth);
    const bool horizontal = y1 == y2;
    // The exact drawing fills the pixels whose centres lie in the stroke (flat ends for thin
    // pens, square ends half a width long for thick ones), a centre on the edge counting to
    // the pixel below or right of it: that is the stroke with its edges rounded half up.
    const qreal reach = width > 1 ? width / 2.0 : 0.0;
    const qreal half = width / 2.0;
    // A thin line of no length still marks its pixel.
    const int point = width == 1 && x1 == x2 && y1 == y2 ? 1 : 0;
    auto edge = [](qreal v) { return std::floor(v + 0.5); };
    QRectF band;
    if (horizontal)
        band = QRectF(QPointF(edge(std::min(x1, x2) - reach), edge(y1 - half)),
                      QPointF(edge(std::max(x1, x2) + reach) + point, edge(y1 + half)));
    else
        band = QRectF(QPointF(edge(x1 - half), edge(std::min(y1, y2) - reach)),
                      QPointF(edge(x1 + half), edge(std::max(y1, y2) + reach)));
    if (Style.PenStyle == Qt::SolidLine) {
        FillWholePixels(band, Style.PenColor);
        return;
    }
    // Dotted: the pattern runs from the first end point as in the exact drawing, along the
    // middle of the band.
    band = SnapToDevice(band);
    QPen pen(Style.PenColor);
    pen.setStyle(Style.PenStyle);
    pen.setCapStyle(Qt::FlatCap);
    pen.setWidthF(horizontal ? band.height() : band.width());
    m_painter.setPen(pen);
    m_penSet = false;
    const bool antialiased = m_painter.testRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    if (horizontal)
        m_painter.drawLine(QPointF(x1, band.center().y()), QPointF(x2, band.center().y()));
    else
        m_painter.drawLine(QPointF(band.center().x(), y1), QPointF(band.center().x(), y2));
    m_painter.setRenderHint(QPainter::Antialiasing, antialiased);
}

void TCanvas::FillWholePixels(const QRectF& rect, const QColor& color) {
    // Without antialiasing: the edges already lie between device pixels, where blending could
    // only add the fuzz of rounding.
    const bool antialiased = m_painter.testRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.fillRect(SnapToDevice(rect), color);
    m_painter.setRenderHint(QPainter::Antialiasing, antialiased);
}

void TCanvas::Line(int x1, int y1, int x2, int y2) {
    if (Muted)
        return;
    if (Smooth() && (x1 == x2 || y1 == y2)) {
        StraightLine(x1, y1, x2, y2);
        return;
    }
    ApplyPen();
    if (Smooth()) {
        const qreal o = StrokeOffset();
        m_painter.drawLine(QPointF(x1 + o, y1 + o), QPointF(x2 + o, y2 + o));
        return;
    }
    m_painter.drawLine(x1, y1, x2, y2);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (Muted)
        return;
    ApplyPen();
    ApplyBrush();
    if (Smooth()) {
        const qreal o = StrokeOffset();
        m_painter.drawEllipse(QRectF(x1 + o, y1 + o, x2 - x1 - 1, y2 - y1 - 1));
        return;
    }
    m_painter.drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void TCanvas::FillRect(int x1, int y1, int x2, int y2) {
    if (Muted)
        return;
    if (Smooth()) {
        if (x2 > x1 && y2 > y1)
            FillWholePixels(QRectF(x1, y1, x2 - x1, y2 - y1), Style.BrushColor);
        return;
    }
    m_painter.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), Style.BrushColor);
}

void TCanvas::Polygon(std::span<const QPoint> points) {
    if (Muted || points.empty())
        return;
    ApplyPen();
    ApplyBrush();
    if (Smooth()) {
        const qreal o = StrokeOffset();
        QPolygonF moved;
        moved.reserve(qsizetype(points.size()));
        for (const QPoint& point : points)
            moved << QPointF(point) + QPointF(o, o);
        m_painter.drawPolygon(moved);
        return;
    }
    m_painter.drawPolygon(points.data(), static_cast<int>(points.size()));
}

void TCanvas::Frame(const QRect& rect, const QColor& color) {
    if (Muted || rect.width() <= 0 || rect.height() <= 0)
        return;
    if (Smooth()) {
        // Four one-pixel bands: crisp on any screen.
        const int right = rect.left() + rect.width();
        const int bottom = rect.top() + rect.height();
        for (QRectF side : {QRectF(rect.left(), rect.top(), rect.width(), 1),
                            QRectF(rect.left(), bottom - 1, rect.width(), 1),
                            QRectF(rect.left(), rect.top(), 1, rect.height()),
                            QRectF(right - 1, rect.top(), 1, rect.height())})
            FillWholePixels(side, color);
        return;
    }
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setPen(QPen(color, 1));
    m_painter.setBrush(Qt::NoBrush);
    m_penSet = false;
    m_brushSet = false;
    m_painter.drawRect(QRect(rect.left(), rect.top(), rect.width() - 1, rect.height() - 1));
}

namespace {
// The angle (degrees, counter-clockwise from three o'clock) of the point where the ray from the
// box's centre through (x, y) meets the ellipse, in the ellipse's own parameter.
double EllipseAngle(double cx, double cy, double a, double b, int x, int y) {
    double dx = (x - cx) / (a > 0 ? a : 1);
    double dy = (cy - y) / (b > 0 ? b : 1);
    return std::atan2(dy, dx) * 180.0 / std::numbers::pi;
}
} // namespace

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    if (Muted)
        return;
    ApplyPen();
    double cx = (x1 + x2) / 2.0;
    double cy = (y1 + y2) / 2.0;
    double a = (x2 - x1) / 2.0;
    double b = (y2 - y1) / 2.0;
    double start = EllipseAngle(cx, cy, a, b, x3, y3);
    double end = EllipseAngle(cx, cy, a, b, x4, y4);
    double span = end - start;
    while (span <= 0)
        span += 360;
    m_painter.setBrush(Qt::NoBrush);
    m_brushSet = false;
    if (Smooth()) {
        const qreal o = StrokeOffset();
        m_painter.drawArc(QRectF(x1 + o, y1 + o, x2 - x1 - 1, y2 - y1 - 1),
                          int(std::lround(start * 16)), int(std::lround(span * 16)));
        return;
    }
    m_painter.drawArc(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1), int(std::lround(start * 16)),
                      int(std::lround(span * 16)));
}

} // namespace zel
