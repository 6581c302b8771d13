#include "markup_painter.h"

#include <QFontMetrics>
#include <QPainterPath>
#include <QPolygon>
#include <algorithm>
#include <array>

#include "base/markup.h"
#include "canvas.h"
#include "model/ansi_text.h"

namespace zel {

namespace {

// Font sizes the painter will use; a canvas font beyond this would only exhaust memory.
constexpr int MaxFontSize = 4096;

// The starting font's size in the unit it was given in: pixels or whole points.
struct TStartSize {
    bool Pixels = false;
    int Size = 12;
    qreal Points = 12; // the exact point size, restored at the end
};

TStartSize StartSizeOf(const QFont& font) {
    TStartSize start;
    if (font.pixelSize() > 0) {
        start.Pixels = true;
        start.Size = font.pixelSize();
    } else {
        start.Points = font.pointSizeF() > 0 ? font.pointSizeF() : 12;
        start.Size = std::max(1, qRound(start.Points));
    }
    return start;
}

void SetFontSize(QFont& font, const TStartSize& start, TMarkupSize size) {
    if (size == TMarkupSize::Start) {
        if (start.Pixels)
            font.setPixelSize(std::min(start.Size, MaxFontSize));
        else
            font.setPointSizeF(std::min<qreal>(start.Points, MaxFontSize));
        return;
    }
    int value = std::min(MarkupFontSize(size, start.Size), MaxFontSize);
    if (start.Pixels)
        font.setPixelSize(value);
    else
        font.setPointSize(value);
}

QColor ToColor(TMarkupRgb rgb) {
    return QColor(rgb.Red, rgb.Green, rgb.Blue);
}

// Walks the tokens of one text, drawing when a painter is given and measuring always.
class TMarkupLayout {
public:
    TMarkupLayout(QPainter* painter, const QFont& font, const QPaintDevice* device,
                  const QColor& textColor, const QColor& background)
        : m_painter(painter), m_device(device), m_font(font), m_start(StartSizeOf(font)),
          m_startColor(textColor), m_textColor(textColor), m_background(background),
          m_metrics(font) {}

    void Run(int x, int y, std::string_view text, int gap) {
        m_font.setBold(false);
        m_font.setItalic(false);
        m_font.setUnderline(false);
        SetFontSize(m_font, m_start, TMarkupSize::Start);
        UpdateMetrics();
        m_normalHeight = m_metrics.height() + 1;
        m_tabWidth = 8 * m_metrics.horizontalAdvance(QLatin1Char('A'));
        m_textHeight = m_normalHeight;
        m_lineHeight = m_normalHeight;
        m_left = x + gap;
        m_penX = m_left;
        m_penY = y + gap;
        m_gap = gap;
        m_width = 0;

        for (const TMarkupToken& token : TokenizeMarkup(text)) {
            if (token.Kind == TMarkupKind::Text) {
                DrawText(QString::fromStdString(AnsiToUtf8(token.Text)));
            } else {
                EndRun();
                Apply(token);
            }
        }
        EndRun();
        m_height = m_penY + m_lineHeight + gap;

        if (m_painter) {
            QFont restored = m_font;
            SetFontSize(restored, m_start, TMarkupSize::Start);
            m_painter->setFont(restored);
            m_painter->setPen(m_startColor);
        }
    }

    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    void UpdateMetrics() {
        m_metrics = m_device ? QFontMetrics(m_font, m_device) : QFontMetrics(m_font);
        if (m_painter)
            m_painter->setFont(m_font);
    }

    // After every text run, even an empty one before a code: the width covers tab stops and
    // triangles at the end of a line too.
    void EndRun() { m_width = std::max(m_width, m_penX + m_gap); }

    // Text and triangles make their line as tall as the current size; codes alone do not, so
    // a size code just before a line break leaves the line it ends alone.
    void RaiseLine() { m_lineHeight = std::max(m_lineHeight, m_textHeight); }

    // Reverse video: a box in the text colour behind the drawing, which then uses the
    // background colour.
    QColor BeginDrawing(int boxWidth) {
        if (!m_highlight)
            return m_textColor;
        m_painter->fillRect(m_penX, m_penY, boxWidth, m_metrics.height(), m_textColor);
        return m_background;
    }

    void DrawText(const QString& run) {
        int advance = m_metrics.horizontalAdvance(run);
        if (m_painter) {
            m_painter->setPen(BeginDrawing(advance));
            m_painter->drawText(QPoint(m_penX, m_penY + m_metrics.ascent()), run);
            m_painter->setPen(m_textColor);
        }
        m_penX += advance;
        RaiseLine();
        EndRun();
    }

    // An outlined upward triangle from the baseline to the capital height, like a capital
    // delta of the current font.
    void DrawDelta() {
        int side = std::max(3, m_metrics.capHeight());
        int width = side + 2;
        if (m_painter) {
            int base = m_penY + m_metrics.ascent() - 1;
            QPolygon triangle;
            triangle << QPoint(m_penX + 1, base) << QPoint(m_penX + 1 + side / 2, base - side + 1)
                     << QPoint(m_penX + 1 + side / 2 * 2, base);
            m_painter->save();
            m_painter->setRenderHint(QPainter::Antialiasing, false);
            m_painter->setPen(QPen(BeginDrawing(width), 1));
            m_painter->setBrush(Qt::NoBrush);
            m_painter->drawPolygon(triangle);
            m_painter->restore();
        }
        m_penX += width;
        RaiseLine();
    }

    void Apply(const TMarkupToken& token) {
        switch (token.Kind) {
        case TMarkupKind::Text:
            break;
        case TMarkupKind::Bold:
            m_font.setBold(!m_font.bold());
            UpdateMetrics();
            break;
        case TMarkupKind::Italic:
            m_font.setItalic(!m_font.italic());
            UpdateMetrics();
            break;
        case TMarkupKind::Underline:
            m_font.setUnderline(!m_font.underline());
            UpdateMetrics();
            break;
        case TMarkupKind::Highlight:
            m_highlight = !m_highlight;
            break;
        case TMarkupKind::NewLine:
            m_penX = m_left;
            m_penY += m_lineHeight;
            m_lineHeight = m_normalHeight;
            m_tabs = 0;
            break;
        case TMarkupKind::Tab:
            ++m_tabs;
            m_penX = m_left + m_tabs * m_tabWidth;
            break;
        case TMarkupKind::Delta:
            DrawDelta();
            break;
        case TMarkupKind::Color:
            m_textColor = token.Color == 0 ? m_startColor : ToColor(MarkupColor(token.Color));
            if (m_painter)
                m_painter->setPen(m_textColor);
            break;
        case TMarkupKind::Size:
            SetFontSize(m_font, m_start, token.Size);
            UpdateMetrics();
            m_textHeight = token.Size == TMarkupSize::Start ? m_normalHeight : m_metrics.height();
            break;
        }
    }

    QPainter* m_painter;
    const QPaintDevice* m_device;
    QFont m_font;
    TStartSize m_start;
    QColor m_startColor;
    QColor m_textColor;
    QColor m_background;
    QFontMetrics m_metrics;
    bool m_highlight = false;
    int m_normalHeight = 0;
    int m_textHeight = 0;
    int m_lineHeight = 0;
    int m_tabWidth = 0;
    int m_tabs = 0;
    int m_left = 0;
    int m_penX = 0;
    int m_penY = 0;
    int m_gap = 0;
    int m_width = 0;
    int m_height = 0;
};

QColor BackgroundOf(const QPainter& painter) {
    if (painter.brush().style() != Qt::NoBrush)
        return painter.brush().color();
    return painter.background().color();
}

// Icon letters are sized in points at the classic 96 pixels per inch: the box is in pixels.
QFont IconFont(const QString& family, int points, bool italic) {
    QFont font(family);
    font.setPixelSize(MulDivRound(points, 96, 72));
    font.setBold(true);
    font.setItalic(italic);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// Text with the top-left corner of its cell at `topLeft`, on a transparent background.
void IconLetter(QPainter& painter, const QFont& font, const QColor& color, QPoint topLeft,
                const QString& letter) {
    painter.setFont(font);
    painter.setPen(color);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(topLeft + QPoint(0, QFontMetrics(font).ascent()), letter);
}

} // namespace

void NiceLabelPaint(QPainter& painter, int x, int y, int& height, int& width, std::string_view text,
                    int gap) {
    TMarkupLayout layout(&painter, painter.font(), painter.device(), painter.pen().color(),
                         BackgroundOf(painter));
    layout.Run(x, y, text, gap);
    height = layout.Height();
    width = layout.Width();
}

void NiceLabelPaint(QPainter& painter, int x, int y, std::string_view text, int gap) {
    int height = 0;
    int width = 0;
    NiceLabelPaint(painter, x, y, height, width, text, gap);
}

QSize NiceLabelMeasure(const QFont& font, std::string_view text, int gap,
                       const QPaintDevice* device) {
    TMarkupLayout layout(nullptr, font, device, Qt::black, Qt::white);
    layout.Run(0, 0, text, gap);
    return {layout.Width(), layout.Height()};
}

void PaintBorder(QPainter& painter, int left, int top, int border, int bottom, int right,
                 const QPalette& palette) {
    if (border != BorderSunken && border != BorderRaised)
        return;
    QColor shadow = palette.color(QPalette::Dark);
    QColor window = palette.color(QPalette::Base);
    QColor topLeft = border == BorderSunken ? shadow : window;
    QColor bottomRight = border == BorderSunken ? window : shadow;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(topLeft, 1));
    painter.drawLine(left, top, right, top);
    painter.drawLine(left, top, left, bottom);
    painter.setPen(QPen(bottomRight, 1));
    painter.drawLine(right, top, right, bottom);
    painter.drawLine(left, bottom, right, bottom);
    painter.restore();
}

void PaintMessageIcon(QPainter& painter, int kind, int left, int top) {
    if (kind < 0 || kind > 2)
        return;
    painter.save();
    painter.translate(left, top);
    painter.setClipRect(0, 0, MessageIconSize, MessageIconSize);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QString times = QStringLiteral("Times New Roman");
    if (kind == 0) {
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(QColor(0, 0, 255));
        painter.drawEllipse(QRect(1, 1, 51, 34));
        IconLetter(painter, IconFont(times, 40, true), Qt::white, {10, -5}, QStringLiteral("i"));
    } else if (kind == 1) {
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(QColor(255, 0, 0));
        const std::array<QPoint, 3> triangle{{{22, 1}, {43, 43}, {1, 43}}};
        painter.drawPolygon(triangle.data(), static_cast<int>(triangle.size()));
        IconLetter(painter, IconFont(times, 31, false), Qt::white, {16, 2}, QStringLiteral("!"));
    } else {
        painter.setPen(QPen(Qt::black, 2));
        painter.setBrush(QColor(255, 255, 0));
        const std::array<QPoint, 8> octagon{
            {{22, 1}, {29, 1}, {50, 22}, {50, 29}, {29, 50}, {22, 50}, {1, 29}, {1, 22}}};
        painter.drawPolygon(octagon.data(), static_cast<int>(octagon.size()));
        IconLetter(painter, IconFont(QStringLiteral("Arial"), 34, false), QColor(255, 0, 0),
                   {13, 1}, QStringLiteral("?"));
    }
    painter.restore();
}

QImage ButtonGlyph(int glyph) {
    if (glyph < 0 || glyph >= ButtonGlyphCount)
        return {};
    QImage image(ButtonGlyphSize, ButtonGlyphSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    auto page = [&](QRectF rect, const QColor& fill) {
        painter.setPen(QPen(QColor(64, 64, 64), 1));
        painter.setBrush(fill);
        painter.drawRect(rect);
    };
    switch (glyph) {
    case 0: { // positive: a green tick
        painter.setPen(QPen(QColor(0, 150, 0), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const std::array<QPointF, 3> tick{{{2.5, 8.5}, {6.5, 12.5}, {13.5, 3.5}}};
        painter.drawPolyline(tick.data(), static_cast<int>(tick.size()));
        break;
    }
    case 1: // negative: a red cross
        painter.setPen(QPen(QColor(210, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        painter.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case 2: // save: a diskette
        painter.setPen(QPen(QColor(0, 0, 96), 1));
        painter.setBrush(QColor(0, 0, 160));
        painter.drawRect(QRectF(1.5, 1.5, 13, 13));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(4.5, 1.5, 7, 5));
        painter.setBrush(QColor(192, 192, 192));
        painter.drawRect(QRectF(4.5, 9.5, 7, 5));
        break;
    case 3: // spare: a blue dot
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 255));
        painter.drawEllipse(QRectF(3, 3, 10, 10));
        break;
    case 4: // copy: two pages
        page(QRectF(1.5, 1.5, 8, 10), QColor(255, 255, 255));
        page(QRectF(6.5, 4.5, 8, 10), QColor(255, 255, 224));
        break;
    case 5: { // move: a page and an arrow leaving it
        page(QRectF(1.5, 1.5, 8, 12), QColor(255, 255, 255));
        painter.setPen(QPen(QColor(0, 120, 0), 2));
        painter.drawLine(QPointF(6, 8), QPointF(14, 8));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 120, 0));
        const std::array<QPointF, 3> head{{{15.5, 8}, {11, 4}, {11, 12}}};
        painter.drawPolygon(head.data(), static_cast<int>(head.size()));
        break;
    }
    default:
        break;
    }
    return image;
}

} // namespace zel
