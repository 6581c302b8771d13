#include "app/message_box.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <array>

#include "app/project_lifecycle.h"
#include "base/markup.h"
#include "markup_painter.h"
#include "model/ansi_text.h"
#include "riff_view_paint.h"

namespace zel {

namespace {

QString FromAnsi(std::string_view bytes) {
    return QString::fromStdString(AnsiToUtf8(bytes));
}

QColor ButtonFaceColor(const QPalette& palette) {
    return palette.color(QPalette::Button);
}

// The scroll-bar colour of the classic desktop: halfway between the button face and the
// mid-tone shadow.
QColor ScrollBarColor(const QPalette& palette) {
    QColor face = palette.color(QPalette::Button);
    QColor mid = palette.color(QPalette::Mid);
    return QColor((face.red() + mid.red()) / 2, (face.green() + mid.green()) / 2,
                  (face.blue() + mid.blue()) / 2);
}

// The text of every message box: Arial, 10 points.
QFont MessageFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    return font;
}

constexpr int TextLeft = 60;
constexpr int TextTop = 8;
constexpr int TextGap = 4;
constexpr int IconBoxBottom = 4 + MessageIconSize;

} // namespace

std::vector<std::string> SplitButtonCaptions(std::string_view buttons) {
    std::vector<std::string> captions;
    if (buttons.empty())
        return captions;
    std::string_view::size_type start = 0;
    while (true) {
        auto comma = buttons.find(',', start);
        if (comma == std::string_view::npos) {
            captions.emplace_back(buttons.substr(start));
            break;
        }
        captions.emplace_back(buttons.substr(start, comma - start));
        start = comma + 1;
    }
    return captions;
}

int ButtonGlyphFor(std::string_view caption) {
    struct TGlyphWord {
        std::string_view Word;
        int Glyph;
    };
    // Tried in this order, whatever the order of the words in the caption: "Not yes" is
    // positive, "Save nothing" negative.
    static constexpr std::array<TGlyphWord, 11> Words{{{"YES", 0},
                                                       {"OK", 0},
                                                       {"CONTINUE", 0},
                                                       {"NO", 1},
                                                       {"CANCEL", 1},
                                                       {"ABORT", 1},
                                                       {"DISCARD", 1},
                                                       {"DELETE", 1},
                                                       {"SAVE", 2},
                                                       {"COPY", 4},
                                                       {"MOVE", 5}}};
    std::string upper(caption);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    for (const TGlyphWord& word : Words)
        if (upper.find(word.Word) != std::string::npos)
            return word.Glyph;
    return -1;
}

QPoint PlaceAtPointer(QSize size, QPoint pointer, const QRect& screen) {
    int x = pointer.x();
    int y = pointer.y();
    int right = screen.left() + screen.width();
    int bottom = screen.top() + screen.height() - 32;
    if (x + size.width() > right)
        x = right - size.width();
    if (y + size.height() > bottom)
        y = bottom - size.height();
    return {std::max(x, screen.left()), std::max(y, screen.top())};
}

std::string NiceLabelCaption(std::string_view caption) {
    std::string out;
    out.reserve(caption.size());
    for (char c : caption) {
        if (c != '\n') {
            out += c;
            continue;
        }
        if (!out.empty() && out.back() == '\r')
            out.pop_back();
        out += "\\N";
    }
    return out;
}

TNiceLabel::TNiceLabel(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(false);
    CaptionChanged();
}

void TNiceLabel::SetCaption(std::string_view caption) {
    m_caption = NiceLabelCaption(caption);
    CaptionChanged();
}

void TNiceLabel::SetAutoSize(bool autoSize) {
    m_autoSize = autoSize;
    CaptionChanged();
}

void TNiceLabel::SetAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

void TNiceLabel::SetBorder(int border) {
    m_border = border;
    update();
}

void TNiceLabel::SetGap(int gap) {
    m_gap = gap;
    CaptionChanged();
}

QSize TNiceLabel::MeasuredSize() const {
    return NiceLabelMeasure(font(), m_caption, m_gap, this);
}

QSize TNiceLabel::sizeHint() const {
    return MeasuredSize().expandedTo(QSize(4, 4));
}

void TNiceLabel::CaptionChanged() {
    if (m_autoSize)
        resize(sizeHint());
    updateGeometry();
    update();
}

void TNiceLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        CaptionChanged();
    QWidget::changeEvent(event);
}

void TNiceLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    // Transparent: no brush; highlighted text takes the background colour of the palette.
    painter.setBrush(Qt::NoBrush);
    painter.setBackground(palette().brush(backgroundRole()));
    painter.setBackgroundMode(Qt::TransparentMode);
    int x = 0;
    int measured = MeasuredSize().width();
    if (m_alignment & Qt::AlignRight)
        x = width() - measured;
    else if (m_alignment & Qt::AlignHCenter)
        x = (width() - measured) / 2;
    NiceLabelPaint(painter, x, 0, m_caption, m_gap);
    PaintBorder(painter, 0, 0, m_border, height() - 1, width() - 1, palette());
}

TMessageBoxForm::TMessageBoxForm(int kind, std::string_view text, std::string_view buttons,
                                 QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_kind(kind), m_text(text) {
    setObjectName(QStringLiteral("MessageBoxForm"));
    setModal(true);
    // Read out as the message it shows; window lists name the program.
    setWindowTitle(QString::fromLatin1(ApplicationTitle));
    setAccessibleName(FromAnsi(MarkupToPlainText(m_text)));
    setFont(MessageFont());

    // The text area covers at least the icon box and the designed width, at most what fits.
    QSize measured = NiceLabelMeasure(font(), m_text, TextGap, this);
    int textWidth = std::max(measured.width() + TextLeft, DesignWidth - 6);
    int textHeight = std::max(measured.height() + TextTop, IconBoxBottom);
    m_textArea =
        QSize(std::min(textWidth, MaxSide - 8), std::min(textHeight, MaxSide - 8 - BarHeight));

    int x = 4;
    const std::vector<std::string> captions = SplitButtonCaptions(buttons);
    for (size_t i = 0; i < captions.size() && x + ButtonWidth <= MaxSide; ++i) {
        int index = static_cast<int>(i);
        auto* button = new QPushButton(FromAnsi(captions[i]), this);
        button->setObjectName(QStringLiteral("Button%1").arg(index));
        button->setProperty("Tag", index);
        button->setGeometry(x, BarTop() + 4, ButtonWidth, ButtonHeight);
        // The box takes every key itself: Enter and Space answer 0 whichever button was
        // clicked last.
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        int glyph = ButtonGlyphFor(captions[i]);
        button->setProperty("Glyph", glyph);
        if (glyph >= 0) {
            button->setIcon(QIcon(QPixmap::fromImage(ButtonGlyph(glyph))));
            button->setIconSize(QSize(ButtonGlyphSize, ButtonGlyphSize));
        }
        connect(button, &QPushButton::clicked, this, [this, index] { Finish(index); });
        m_buttons.push_back(button);
        x += ButtonWidth + 4;
    }
    setFixedSize(std::max(m_textArea.width() + 8, x), BarTop() + BarHeight);
    setFocusPolicy(Qt::StrongFocus);
}

int TMessageBoxForm::Execute(int kind, std::string_view text, std::string_view buttons) {
    TMessageBoxForm box(kind, text, buttons);
    QPoint pointer = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        box.move(PlaceAtPointer(box.size(), pointer, screen->geometry()));
    box.exec();
    return box.Result();
}

void TMessageBoxForm::Finish(int result) {
    m_result = result;
    QDialog::done(result >= 0 ? QDialog::Accepted : QDialog::Rejected);
}

// Closing the window any other way is Esc.
void TMessageBoxForm::reject() {
    Finish(-1);
}

void TMessageBoxForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor face = ButtonFaceColor(palette());
    painter.fillRect(rect(), face);
    PaintMessageIcon(painter, m_kind, 4, 4);

    painter.save();
    painter.setClipRect(
        QRect(QPoint(TextLeft, TextTop), QPoint(m_textArea.width() - 1, m_textArea.height() - 1)));
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(face);
    painter.setBackgroundMode(Qt::TransparentMode);
    NiceLabelPaint(painter, TextLeft, TextTop, m_text, TextGap);
    painter.restore();
    PaintBorder(painter, TextLeft, TextTop, BorderSunken, m_textArea.height() - 1,
                m_textArea.width() - 1, palette());

    CanvasGradientFill(painter, QRect(0, BarTop(), width(), BarHeight), face,
                       ScrollBarColor(palette()));
    // Frameless windows have no dialog frame of their own.
    PaintBorder(painter, 0, 0, BorderRaised, height() - 1, width() - 1, palette());
}

void TMessageBoxForm::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        Finish(0);
    } else if (key == Qt::Key_Escape) {
        Finish(-1);
    } else if (key >= Qt::Key_1 && key <= Qt::Key_9) {
        Finish(key - Qt::Key_1);
    } else if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
               key == Qt::Key_Meta || key == Qt::Key_AltGr) {
        // A modifier alone is part of a key still to come.
    } else {
        QApplication::beep();
    }
    event->accept();
}

void TMessageBoxForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->position().y() < BarTop()) {
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - pos();
    }
    event->accept();
}

void TMessageBoxForm::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging)
        move(event->globalPosition().toPoint() - m_dragOffset);
    event->accept();
}

void TMessageBoxForm::mouseReleaseEvent(QMouseEvent* event) {
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        KeepOnSingleScreen();
    }
    event->accept();
}

// With one monitor a box dragged past the right or bottom edge comes back to end one pixel
// inside it.
void TMessageBoxForm::KeepOnSingleScreen() {
    if (QGuiApplication::screens().size() != 1)
        return;
    QRect screen = QGuiApplication::screens().front()->geometry();
    QPoint at = pos();
    if (at.x() + width() > screen.right())
        at.setX(screen.right() - width());
    if (at.y() + height() > screen.bottom())
        at.setY(screen.bottom() - height());
    if (at != pos())
        move(at);
}

int TGuiMessageService::DisplayMany(int kind, std::string_view text, std::string_view buttons) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return TStderrMessageService().DisplayMany(kind, text, buttons);
    return TMessageBoxForm::Execute(kind, text, buttons);
}

} // namespace zel
