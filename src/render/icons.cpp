#include "icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "glyphs.h"

namespace zel {
namespace {

const QColor Ink(30, 30, 30);
const QColor Blue(40, 90, 200);
const QColor Green(30, 140, 60);
const QColor Red(200, 40, 40);
const QColor Paper(250, 250, 245);

// A note head with a stem (and `flags` flags) in the 16 x 16 design box; hollow for long notes.
void NoteShape(QPainter& p, bool hollow, bool stem, int flags, double x = 6.5) {
    QPainterPath head;
    head.addEllipse(QPointF(0, 0), 3.3, 2.3);
    QTransform tilt;
    tilt.translate(x, 12.5);
    tilt.rotate(-22);
    p.setPen(QPen(Ink, hollow ? 1.2 : 0.8));
    p.setBrush(hollow ? QBrush(Qt::NoBrush) : QBrush(Ink));
    p.drawPath(tilt.map(head));
    if (!stem)
        return;
    p.setPen(QPen(Ink, 1.1));
    p.drawLine(QPointF(x + 3.0, 12.0), QPointF(x + 3.0, 2.0));
    for (int i = 0; i < flags; ++i) {
        double y = 2.0 + 2.6 * i;
        p.drawLine(QPointF(x + 3.0, y), QPointF(x + 6.2, y + 2.8));
    }
}

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const QPointF points[3] = {a, b, c};
    p.drawPolygon(points, 3);
}

void Arrow(QPainter& p, double x, double y1, double y2, const QColor& color) {
    p.setPen(QPen(color, 1.6));
    p.drawLine(QPointF(x, y1), QPointF(x, y2));
    double d = y2 > y1 ? -1 : 1;
    Triangle(p, QPointF(x, y2 + d * -0.5), QPointF(x - 3, y2 + d * 3.5),
             QPointF(x + 3, y2 + d * 3.5), color);
}

void Strings(QPainter& p) {
    p.setPen(QPen(QColor(120, 120, 120), 0.8));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(1, 3.5 + 3 * i), QPointF(15, 3.5 + 3 * i));
}

void Page(QPainter& p, double x, double y, double w, double h) {
    p.setPen(QPen(Ink, 1));
    p.setBrush(Paper);
    p.drawRect(QRectF(x, y, w, h));
}

void Letters(QPainter& p, const QString& text, const QRectF& box, const QColor& color, double size,
             bool bold = true) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(int(size));
    font.setBold(bold);
    p.setFont(font);
    p.setPen(color);
    p.drawText(box, Qt::AlignCenter, text);
}

void PlayTriangle(QPainter& p, double x, const QColor& color) {
    Triangle(p, QPointF(x, 3), QPointF(x + 8, 8), QPointF(x, 13), color);
}

void Draw(QPainter& p, TToolIcon icon) {
    switch (icon) {
    case TToolIcon::New:
        Page(p, 3, 1.5, 10, 13);
        p.setPen(QPen(Blue, 1.2));
        p.drawLine(QPointF(11, 1), QPointF(15, 5));
        p.drawLine(QPointF(15, 1), QPointF(11, 5));
        break;
    case TToolIcon::Open:
        p.setPen(QPen(Ink, 1));
        p.setBrush(QColor(230, 190, 90));
        p.drawRect(QRectF(1.5, 4.5, 12, 9));
        p.setBrush(QColor(250, 215, 120));
        {
            const QPointF lid[4] = {{3.5, 7.5}, {15, 7.5}, {13, 13.5}, {1.5, 13.5}};
            p.drawPolygon(lid, 4);
        }
        break;
    case TToolIcon::Save:
        p.setPen(QPen(Ink, 1));
        p.setBrush(Blue);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Paper);
        p.drawRect(QRectF(4, 1.5, 8, 5));
        p.drawRect(QRectF(3.5, 9, 9, 5.5));
        break;
    case TToolIcon::Print:
        Page(p, 4, 1.5, 8, 5);
        p.setBrush(QColor(160, 160, 160));
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        Page(p, 4, 10, 8, 5);
        break;
    case TToolIcon::Cut:
        p.setPen(QPen(Ink, 1.2));
        p.drawLine(QPointF(5, 1.5), QPointF(10.5, 11));
        p.drawLine(QPointF(11, 1.5), QPointF(5.5, 11));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Red, 1.4));
        p.drawEllipse(QPointF(4.5, 12.5), 2.3, 2.3);
        p.drawEllipse(QPointF(11.5, 12.5), 2.3, 2.3);
        break;
    case TToolIcon::Copy:
        Page(p, 1.5, 1.5, 8, 10);
        Page(p, 6.5, 4.5, 8, 10);
        break;
    case TToolIcon::Paste:
        p.setPen(QPen(Ink, 1));
        p.setBrush(QColor(200, 150, 90));
        p.drawRect(QRectF(1.5, 2.5, 10, 12));
        Page(p, 6.5, 6.5, 8, 8);
        break;
    case TToolIcon::Delete:
        p.setPen(QPen(Red, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case TToolIcon::Undo:
    case TToolIcon::Redo: {
        // A curved arrow turning back (undo) or forward (redo).
        bool redo = icon == TToolIcon::Redo;
        p.save();
        if (redo) {
            p.translate(16, 0);
            p.scale(-1, 1);
        }
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(30, 90, 170), 1.8, Qt::SolidLine, Qt::RoundCap));
        QPainterPath path(QPointF(4, 6.5));
        path.cubicTo(QPointF(9, 6.5), QPointF(14, 7), QPointF(13.5, 11));
        path.cubicTo(QPointF(13, 14), QPointF(9, 14), QPointF(7, 13.5));
        p.drawPath(path);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 90, 170));
        p.drawPolygon(QPolygonF({QPointF(1, 6.5), QPointF(6, 2.5), QPointF(6, 10.5)}));
        p.restore();
        break;
    }
    case TToolIcon::Note0:
        NoteShape(p, true, false, 0, 8);
        p.setPen(QPen(Ink, 1));
        p.drawLine(QPointF(3.2, 9.5), QPointF(3.2, 15.5));
        p.drawLine(QPointF(12.8, 9.5), QPointF(12.8, 15.5));
        break;
    case TToolIcon::Note1:
        NoteShape(p, true, false, 0, 8);
        break;
    case TToolIcon::Note2:
        NoteShape(p, true, true, 0);
        break;
    case TToolIcon::Note4:
        DrawQuarterNoteSymbol(p, QRect(0, 0, 16, 16), Ink);
        break;
    case TToolIcon::Note8:
    case TToolIcon::Note16:
    case TToolIcon::Note32:
    case TToolIcon::Note64:
        NoteShape(p, false, true, int(icon) - int(TToolIcon::Note8) + 1);
        break;
    case TToolIcon::Dot:
    case TToolIcon::DotDot:
        NoteShape(p, false, true, 0, 5);
        p.setPen(Qt::NoPen);
        p.setBrush(Red);
        p.drawEllipse(QPointF(11.5, 12), 1.5, 1.5);
        if (icon == TToolIcon::DotDot)
            p.drawEllipse(QPointF(14.5, 12), 1.5, 1.5);
        break;
    case TToolIcon::Tie: {
        NoteShape(p, false, false, 0, 4);
        NoteShape(p, false, false, 0, 12);
        QPainterPath tie;
        tie.moveTo(3, 15);
        tie.quadTo(8, 18, 13, 15);
        p.setPen(QPen(Red, 1.3));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tie);
        break;
    }
    case TToolIcon::Longer:
    case TToolIcon::Shorter: {
        p.setPen(QPen(Ink, 1.4));
        bool longer = icon == TToolIcon::Longer;
        p.drawLine(QPointF(2, 8), QPointF(14, 8));
        double tip = longer ? 15 : 9;
        double back = longer ? 11.5 : 12.5;
        Triangle(p, QPointF(tip, 8), QPointF(back, 4.5), QPointF(back, 11.5), Green);
        tip = longer ? 1 : 7;
        back = longer ? 4.5 : 3.5;
        Triangle(p, QPointF(tip, 8), QPointF(back, 4.5), QPointF(back, 11.5), Green);
        break;
    }
    case TToolIcon::Sharp:
        Letters(p, QStringLiteral("#"), QRectF(0, 0, 16, 16), Ink, 15);
        Arrow(p, 14, 9, 3, Green);
        break;
    case TToolIcon::Flat:
        Letters(p, QStringLiteral("b"), QRectF(-2, 0, 16, 16), Ink, 15);
        Arrow(p, 14, 3, 11, Red);
        break;
    case TToolIcon::StringUp:
        Strings(p);
        Arrow(p, 8, 14, 3, Blue);
        break;
    case TToolIcon::StringDown:
        Strings(p);
        Arrow(p, 8, 2, 13, Blue);
        break;
    case TToolIcon::StringReallocate:
        Strings(p);
        Arrow(p, 5, 14, 3, Blue);
        Arrow(p, 11, 2, 13, Blue);
        break;
    case TToolIcon::Midi:
        p.setPen(QPen(Ink, 1));
        p.setBrush(Paper);
        p.drawRect(QRectF(0.5, 4.5, 15, 9));
        p.setBrush(Ink);
        for (double x : {3.0, 6.0, 10.0, 13.0})
            p.drawRect(QRectF(x - 0.8, 4.5, 1.6, 5));
        break;
    case TToolIcon::PlayRiff:
        p.setPen(QPen(Red, 1.4));
        p.drawLine(QPointF(3, 2), QPointF(3, 14));
        PlayTriangle(p, 6, Green);
        break;
    case TToolIcon::PlayRiffAll:
        PlayTriangle(p, 4, Green);
        break;
    case TToolIcon::PlayAllRiffs:
        PlayTriangle(p, 1, Green);
        PlayTriangle(p, 8, Green);
        break;
    case TToolIcon::PlayScript:
    case TToolIcon::PlayScriptAll:
    case TToolIcon::PlayScriptIntro:
        p.setPen(QPen(QColor(120, 120, 120), 0.8));
        p.setBrush(Paper);
        p.drawRect(QRectF(0.5, 1.5, 8, 13));
        for (int i = 0; i < 4; ++i)
            p.drawLine(QPointF(0.5, 4.5 + 3 * i), QPointF(8.5, 4.5 + 3 * i));
        if (icon == TToolIcon::PlayScript)
            p.fillRect(QRectF(1, 7.7, 7, 2.6), QColor(255, 200, 80));
        Triangle(p, QPointF(8, 4), QPointF(15.5, 8.5), QPointF(8, 13), Green);
        if (icon == TToolIcon::PlayScriptIntro)
            Letters(p, QStringLiteral("1"), QRectF(8, 5, 6, 7), Paper, 7);
        break;
    case TToolIcon::Pause:
        p.fillRect(QRectF(3.5, 3, 3, 10), Blue);
        p.fillRect(QRectF(9.5, 3, 3, 10), Blue);
        break;
    case TToolIcon::Stop:
        p.fillRect(QRectF(3.5, 3.5, 9, 9), Red);
        break;
    case TToolIcon::Instruments: {
        p.setPen(QPen(Blue, 1.4));
        p.setBrush(Qt::NoBrush);
        QPainterPath wave;
        wave.moveTo(1, 8);
        for (int i = 0; i < 4; ++i)
            wave.cubicTo(1 + 3.5 * i + 1, 2, 1 + 3.5 * i + 2.5, 14, 1 + 3.5 * (i + 1), 8);
        p.drawPath(wave);
        break;
    }
    case TToolIcon::NotesText:
        Page(p, 2.5, 1.5, 11, 13);
        p.setPen(QPen(QColor(90, 90, 90), 0.9));
        for (int i = 0; i < 4; ++i)
            p.drawLine(QPointF(4.5, 4.5 + 2.6 * i), QPointF(11.5, 4.5 + 2.6 * i));
        break;
    case TToolIcon::RiffProperties:
        Strings(p);
        p.setPen(QPen(Ink, 1));
        p.setBrush(QColor(255, 210, 90));
        p.drawEllipse(QPointF(11, 10), 3.8, 3.8);
        p.setBrush(Paper);
        p.drawEllipse(QPointF(11, 10), 1.4, 1.4);
        break;
    case TToolIcon::Riff:
        Strings(p);
        Letters(p, QStringLiteral("3"), QRectF(1, 1, 7, 7), Green, 7);
        Letters(p, QStringLiteral("5"), QRectF(8, 7, 7, 7), Green, 7);
        break;
    case TToolIcon::AddTab:
        p.setPen(QPen(Green, 2.4));
        p.drawLine(QPointF(8, 3), QPointF(8, 13));
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
        break;
    case TToolIcon::Follow: // the playing marker over a column, moving on
        p.setPen(QPen(Green, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(2, 2, 6, 12));
        Triangle(p, QPointF(15, 8), QPointF(10.5, 4.5), QPointF(10.5, 11.5), Green);
        break;
    case TToolIcon::Loop: { // a circle of arrows: round and round
        p.setPen(QPen(Blue, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(2.5, 3, 11, 10), 30 * 16, 300 * 16);
        Triangle(p, QPointF(14.5, 4), QPointF(14.5, 9), QPointF(10, 6.5), Blue);
        break;
    }
    case TToolIcon::Application:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 70, 140));
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
        p.setPen(QPen(QColor(120, 220, 120), 0.8));
        for (int i = 0; i < 4; ++i)
            p.drawLine(QPointF(2, 4.5 + 2.5 * i), QPointF(14, 4.5 + 2.5 * i));
        Letters(p, QStringLiteral("Z"), QRectF(0, 0, 16, 16), QColor(255, 230, 120), 13);
        break;
    }
}

} // namespace

QImage ToolIconImage(TToolIcon icon, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.scale(size / 16.0, size / 16.0);
    Draw(painter, icon);
    return image;
}

QIcon ToolIcon(TToolIcon icon) {
    QIcon result;
    for (int size : {16, 32, 64})
        result.addPixmap(QPixmap::fromImage(ToolIconImage(icon, size)));
    return result;
}

} // namespace zel
