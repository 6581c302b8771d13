// The program's message box (icon, marked-up text, a row of buttons), the marked-up label widget
// and the message service that shows the box.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

#include "base/message_service.h"

class QPushButton;

namespace zel {

// Captions of a comma-separated button list, spaces kept; an empty list gives none.
std::vector<std::string> SplitButtonCaptions(std::string_view buttons);

// The glyph of a button caption: the first of the words YES, OK, CONTINUE (0), NO, CANCEL,
// ABORT, DISCARD, DELETE (1), SAVE (2), COPY (4), MOVE (5) found anywhere in the caption,
// ignoring letter case; -1 when none is found.
int ButtonGlyphFor(std::string_view caption);

// Top-left corner of a box of `size` opened at `pointer`: moved back inside `screen`, with 32
// pixels kept free at the bottom.
QPoint PlaceAtPointer(QSize size, QPoint pointer, const QRect& screen);

// The caption a TNiceLabel keeps for `caption`: line ends turned into new-line codes.
std::string NiceLabelCaption(std::string_view caption);

// A label whose caption is markup, painted by NiceLabelPaint with a transparent background.
class TNiceLabel : public QWidget {
    Q_OBJECT

public:
    explicit TNiceLabel(QWidget* parent = nullptr);

    // Windows-1252 bytes with markup; every line end (CR LF, or a lone LF) becomes a new-line
    // code.
    void SetCaption(std::string_view caption);
    const std::string& Caption() const { return m_caption; }
    // With auto-size on, the label takes the measured size of its caption (at least 4 x 4).
    void SetAutoSize(bool autoSize);
    bool AutoSize() const { return m_autoSize; }
    // Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter, by the measured width.
    void SetAlignment(Qt::Alignment alignment);
    Qt::Alignment Alignment() const { return m_alignment; }
    // A PaintBorder style (0 none, 1 sunken, 2 raised) drawn around the client area.
    void SetBorder(int border);
    int Border() const { return m_border; }
    void SetGap(int gap);
    int Gap() const { return m_gap; }

    // The size the caption covers with the label's font and gap.
    QSize MeasuredSize() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CaptionChanged();

    std::string m_caption;
    bool m_autoSize = true;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    int m_border = 0;
    int m_gap = 2;
};

// The modal message box. Each call of Execute makes a new box and destroys it when it closes.
// Tests find the open box as QApplication::activeModalWidget(); its buttons are "Button0",
// "Button1", ... with the properties "Tag" (index) and "Glyph".
class TMessageBoxForm : public QDialog {
    Q_OBJECT

public:
    TMessageBoxForm(int kind, std::string_view text, std::string_view buttons,
                    QWidget* parent = nullptr);

    // Shows a box at the mouse pointer, waits until it closes and returns the result: the
    // 0-based index of the button clicked, 0 for Enter or Space, -1 for Esc, 0..8 for the
    // digit keys 1..9.
    static int Execute(int kind, std::string_view text, std::string_view buttons);

    int Result() const { return m_result; }
    int Kind() const { return m_kind; }
    const std::string& Text() const { return m_text; }
    // The text area's right and bottom edges; the button bar starts 8 pixels below it.
    QSize TextArea() const { return m_textArea; }
    int BarTop() const { return m_textArea.height() + 8; }
    const std::vector<QPushButton*>& Buttons() const { return m_buttons; }

    // The client width the box is designed with; the text area is at least this minus 6.
    static constexpr int DesignWidth = 320;
    // No side of the box grows beyond this: longer texts are cut off and buttons that would
    // end past it are not made.
    static constexpr int MaxSide = 4096;
    static constexpr int ButtonWidth = 80;
    static constexpr int ButtonHeight = 26;
    static constexpr int BarHeight = 32;

public slots:
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Finish(int result);
    void KeepOnSingleScreen();

    int m_kind;
    std::string m_text;
    QSize m_textArea;
    std::vector<QPushButton*> m_buttons;
    int m_result = -1;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

// Shows every message in a TMessageBoxForm. Without a QApplication (no widgets possible) it
// prints the text like the standard-error service and answers -1.
class TGuiMessageService : public TMessageService {
public:
    int DisplayMany(int kind, std::string_view text, std::string_view buttons) override;
};

} // namespace zel
