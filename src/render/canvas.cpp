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

TCanvas::TCanvas(QPainter& painter, const QString& fontFamily, int fontPixels)
    : m_painter(painter), m_family(fontFamily) {
    if (painter.device())
        m_dpi = painter.device()->logicalDpiY();
    if (m_dpi <= 0)
        m_dpi = 96;
    Style.FontPixels = fontPixels;
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
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

void TCanvas::Line(int x1, int y1, int x2, int y2) {
    if (Muted)
        return;
    ApplyPen();
    m_painter.drawLine(x1, y1, x2, y2);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (Muted)
        return;
    ApplyPen();
    ApplyBrush();
    m_painter.drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void TCanvas::FillRect(int x1, int y1, int x2, int y2) {
    if (Muted)
        return;
    m_painter.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), Style.BrushColor);
}

void TCanvas::Polygon(std::span<const QPoint> points) {
    if (Muted || points.empty())
        return;
    ApplyPen();
    ApplyBrush();
    m_painter.drawPolygon(points.data(), static_cast<int>(points.size()));
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
    m_painter.drawArc(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1), int(std::lround(start * 16)),
                      int(std::lround(span * 16)));
}

} // namespace zel
