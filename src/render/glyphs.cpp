#include "glyphs.h"

#include <QPainterPath>
#include <QPainterPathStroker>
#include <QTransform>

namespace zel {
namespace {

QPainterPath ClefPath() {
    // The centre line of the clef's stroke in its 21 x 52 box: the tail with its ball, the stem
    // up to the top loop, then down across the stem into the spiral around the G line.
    QPainterPath line;
    line.moveTo(6.0, 47.5);
    line.cubicTo(8.5, 51.5, 14.5, 50.5, 13.6, 43.0);
    line.cubicTo(12.6, 32.0, 11.0, 14.0, 12.0, 6.0);
    line.cubicTo(12.6, 1.0, 17.5, 1.5, 16.5, 7.5);
    line.cubicTo(15.5, 14.0, 3.0, 20.0, 3.0, 30.0);
    line.cubicTo(3.0, 37.5, 9.0, 40.5, 13.5, 39.5);
    line.cubicTo(19.5, 38.0, 19.5, 28.5, 13.0, 28.0);
    line.cubicTo(8.5, 28.0, 7.0, 33.5, 10.5, 35.5);
    QPainterPathStroker stroker;
    stroker.setWidth(2.2);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    QPainterPath path = stroker.createStroke(line);
    QPainterPath ball;
    ball.addEllipse(QPointF(7.2, 46.0), 2.9, 2.9);
    return path.united(ball);
}

QPainterPath QuarterNotePath() {
    QPainterPath head;
    head.addEllipse(QPointF(0, 0), 4.2, 2.9);
    QTransform tilt;
    tilt.translate(6.4, 12.3);
    tilt.rotate(-22);
    QPainterPath path = tilt.map(head);
    QPainterPath stem;
    stem.addRect(QRectF(9.6, 1.0, 1.5, 11.0));
    return path.united(stem);
}

void FillStretched(QPainter& painter, const QPainterPath& path, QSizeF design, const QRect& target,
                   const QColor& color) {
    if (target.width() <= 0 || target.height() <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    QTransform stretch;
    stretch.translate(target.left(), target.top());
    stretch.scale(target.width() / design.width(), target.height() / design.height());
    painter.drawPath(stretch.map(path));
    painter.restore();
}

} // namespace

void DrawTrebleClef(QPainter& painter, const QRect& target, const QColor& color) {
    static const QPainterPath path = ClefPath();
    FillStretched(painter, path, QSizeF(ClefImageWidth, ClefImageHeight), target, color);
}

void DrawQuarterNoteSymbol(QPainter& painter, const QRect& target, const QColor& color,
                           const QColor& background) {
    static const QPainterPath path = QuarterNotePath();
    if (background.isValid())
        painter.fillRect(target, background);
    FillStretched(painter, path, QSizeF(ToolbarImageSize, ToolbarImageSize), target, color);
}

} // namespace zel
