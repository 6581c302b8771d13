#include "app/debug_form.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/message_service.h"
#include "model/ansi_text.h"
#include "widgets/accessible_names.h"

namespace zel {
namespace {

constexpr int DefaultWidth = 720;
constexpr int DefaultHeight = 320;
constexpr char MiddleDot = char(183); // stands for a character that cannot be shown
constexpr int AsciiLineLength = 16;

QString TimeStamp() {
    TDebugTime now = DebugNow();
    return QString::asprintf("%02d:%02d:%02d.%03d", now.Hour, now.Minute, now.Second,
                             now.Millisecond);
}

QString ColourName(uint32_t colour) {
    QColor c = DebugColour(colour);
    return QStringLiteral("red %1, green %2, blue %3").arg(c.red()).arg(c.green()).arg(c.blue());
}

QIcon ColourIcon(uint32_t colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(DebugColour(colour));
    painter.drawRect(1, 1, 13, 13);
    return QIcon(pixmap);
}

// A hexadecimal number, with or without a 0x or $ in front; none for anything else.
std::optional<uint32_t> HexNumber(QStringView token) {
    if (token.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        token = token.mid(2);
    else if (token.startsWith(QLatin1Char('$')))
        token = token.mid(1);
    if (token.isEmpty() || token.size() > 8)
        return std::nullopt;
    bool ok = false;
    uint32_t value = token.toUInt(&ok, 16);
    return ok ? std::optional<uint32_t>(value) : std::nullopt;
}

} // namespace

bool HasSwitch(const QStringList& arguments, const QString& name) {
    for (const QString& argument : arguments)
        if (argument.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QColor DebugColour(uint32_t colour) {
    return QColor(int(colour & 0xFF), int(colour >> 8 & 0xFF), int(colour >> 16 & 0xFF));
}

THexAsAscii HexAsAscii(const QString& selection) {
    THexAsAscii result;
    std::string copied;
    int count = 0;
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    for (const QString& token : selection.split(separators, Qt::SkipEmptyParts)) {
        std::optional<uint32_t> value = HexNumber(token);
        if (!value)
            continue;
        if (count > 0 && count % AsciiLineLength == 0) {
            result.Shown += "\\N";
            copied += '\n';
        }
        ++count;
        // A backslash would start a markup code in the message: it shows as the dot, and only
        // the clipboard keeps it.
        bool printable = *value >= 32 && *value <= 255;
        char byte = printable ? char(*value) : MiddleDot;
        result.Shown += byte == '\\' ? MiddleDot : byte;
        copied += byte;
    }
    result.Copied = QString::fromStdString(AnsiToUtf8(copied));
    return result;
}

TDebugForm::TDebugForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("DebugForm"));
    setWindowTitle(QStringLiteral("Debug"));
    setAccessibleName(windowTitle());
    resize(DefaultWidth, DefaultHeight);
    Beep = [] { QApplication::beep(); };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("DebugToolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(bar);

    m_pause = new QAction(QStringLiteral("Pause"), this);
    m_pause->setCheckable(true);
    bar->addAction(m_pause);
    AddButton(bar, m_pause, "bDebugPause",
              QStringLiteral("Pause\nLines written meanwhile are not shown"));

    auto* clear = new QAction(QStringLiteral("Clear"), this);
    connect(clear, &QAction::triggered, this, &TDebugForm::bClearClick);
    bar->addAction(clear);
    AddButton(bar, clear, "bDebugClear", QStringLiteral("Clear\nClears the lines shown"));

    auto* copy = new QAction(QStringLiteral("Copy"), this);
    connect(copy, &QAction::triggered, this, &TDebugForm::bCopyClick);
    bar->addAction(copy);
    AddButton(bar, copy, "bDebugCopy",
              QStringLiteral("Copy\nCopies the selection, or all the text"));

    auto* previous = new QAction(QStringLiteral("Find Previous"), this);
    connect(previous, &QAction::triggered, this, &TDebugForm::bFindPreviousClick);
    bar->addAction(previous);
    AddButton(bar, previous, "bDebugFindPrevious", QStringLiteral("Find Previous"));

    m_find = new QLineEdit(bar);
    m_find->setObjectName(QStringLiteral("eDebugFind"));
    m_find->setAccessibleName(QStringLiteral("Search text"));
    m_find->setToolTip(QStringLiteral("Search text"));
    m_find->setMaximumWidth(140);
    connect(m_find, &QLineEdit::returnPressed, this, &TDebugForm::bFindNextClick);
    bar->addWidget(m_find);

    auto* next = new QAction(QStringLiteral("Find Next"), this);
    connect(next, &QAction::triggered, this, &TDebugForm::bFindNextClick);
    bar->addAction(next);
    AddButton(bar, next, "bDebugFindNext", QStringLiteral("Find Next"));

    auto* ascii = new QAction(QStringLiteral("ASCII"), this);
    connect(ascii, &QAction::triggered, this, &TDebugForm::bASCIIClick);
    bar->addAction(ascii);
    AddButton(bar, ascii, "bDebugASCII", QStringLiteral("Show selection (HEX) as ASCII"));

    m_timeStamps = new QAction(QStringLiteral("Time Stamps"), this);
    m_timeStamps->setCheckable(true);
    m_timeStamps->setChecked(true);
    bar->addAction(m_timeStamps);
    AddButton(bar, m_timeStamps, "bDebugTimeStamps",
              QStringLiteral("Time Stamps\nTime stamps on the lines written from now on"));

    // The colour filters on a row of their own, in the order the colours first came.
    auto* colours = new QToolBar(this);
    colours->setObjectName(QStringLiteral("DebugColours"));
    layout->addWidget(colours);
    for (int slot = 0; slot < FilterButtons; ++slot) {
        auto* filter = new QAction(this);
        filter->setCheckable(true);
        filter->setChecked(true);
        filter->setVisible(false); // until its colour is first written
        connect(filter, &QAction::toggled, this, [this, slot](bool on) {
            m_mask = uint16_t(on ? m_mask | 1u << slot : m_mask & ~(1u << slot));
        });
        colours->addAction(filter);
        m_filters[size_t(slot)] = AddButton(colours, filter, "", QString());
        m_filters[size_t(slot)]->setObjectName(QStringLiteral("bDebugColour%1").arg(slot));
        m_filters[size_t(slot)]->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }

    m_log = new QPlainTextEdit(this);
    m_log->setObjectName(QStringLiteral("eDebugLog"));
    m_log->setAccessibleName(QStringLiteral("Debug lines"));
    m_log->setReadOnly(true);
    m_log->setUndoRedoEnabled(false);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_log->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(m_log, 1);

    NameToolButtons(this); // the toolbars' own buttons for commands that do not fit

    m_drainTimer.setSingleShot(true);
    m_drainTimer.setInterval(DrainIntervalMs);
    connect(&m_drainTimer, &QTimer::timeout, this, &TDebugForm::Drain);
}

TDebugForm::~TDebugForm() {
    RemoveDebugSink(this);
}

QToolButton* TDebugForm::AddButton(QToolBar* bar, QAction* action, const char* name,
                                   const QString& hint) {
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
    button->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        button->setToolTip(hint);
        button->setAccessibleName(AccessibleNameFromHint(hint));
    }
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

int TDebugForm::SlotOf(uint32_t colour) {
    for (int slot = 0; slot < ColourSlots; ++slot) {
        if (m_slots[size_t(slot)] == colour)
            return slot;
        if (m_slots[size_t(slot)])
            continue;
        m_slots[size_t(slot)] = colour;
        if (slot < FilterButtons) {
            QToolButton* button = m_filters[size_t(slot)];
            QAction* action = button->defaultAction();
            QString hint = QStringLiteral("Show lines in %1").arg(ColourName(colour));
            action->setIcon(ColourIcon(colour));
            action->setText(hint);
            action->setToolTip(hint);
            action->setVisible(true);
            button->setAccessibleName(hint);
        }
        return slot;
    }
    return ColourSlots - 1; // every later colour shares the last slot
}

void TDebugForm::DebugLine(std::string_view text, uint32_t colour) {
    if (!isVisible() || m_pause->isChecked())
        return;
    int slot = SlotOf(colour);
    if (!(m_mask >> slot & 1))
        return;
    QString line = QString::fromStdString(AnsiToUtf8(text));
    bool stamps = m_timeStamps->isChecked();
    QString stamp = stamps ? TimeStamp() + QLatin1Char('\t') : QString();
    qsizetype start = 0;
    for (int part = 0;; ++part) {
        qsizetype cr = line.indexOf(QLatin1Char('\r'), start);
        QString piece = line.mid(start, cr < 0 ? -1 : cr - start);
        if (piece.isEmpty())
            Enqueue(colour, QString());
        else if (!stamps)
            Enqueue(colour, piece);
        else
            Enqueue(colour, (part == 0 ? stamp : QStringLiteral("\t\t")) + piece);
        if (cr < 0)
            break;
        start = cr + 1;
        // The line feed of a CR LF pair; any other character after a CR is text.
        if (start < line.size() && line[start] == QLatin1Char('\n'))
            ++start;
    }
}

void TDebugForm::Enqueue(uint32_t colour, QString text) {
    m_queue.push_back({colour, std::move(text)});
    if (!m_drainTimer.isActive())
        m_drainTimer.start();
}

void TDebugForm::Drain() {
    m_drainTimer.stop();
    if (m_queue.empty())
        return;
    QTextCursor cursor(m_log->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // Neighbouring lines of one colour go in with one insertion.
    for (size_t i = 0; i < m_queue.size();) {
        uint32_t colour = m_queue[i].Colour;
        QString run;
        for (; i < m_queue.size() && m_queue[i].Colour == colour; ++i) {
            run += m_queue[i].Text;
            run += QLatin1Char('\n');
        }
        QTextCharFormat format;
        format.setForeground(DebugColour(colour));
        cursor.insertText(run, format);
    }
    cursor.endEditBlock();
    m_queue.clear();
    QScrollBar* scroll = m_log->verticalScrollBar();
    scroll->setValue(scroll->maximum());
}

void TDebugForm::bClearClick() {
    m_queue.clear();
    m_log->clear();
}

void TDebugForm::bCopyClick() {
    if (m_log->textCursor().hasSelection())
        m_log->copy();
    else
        QApplication::clipboard()->setText(m_log->toPlainText());
}

void TDebugForm::SelectMatch(qsizetype start) {
    if (start < 0) {
        if (Beep)
            Beep();
        return;
    }
    QTextCursor cursor(m_log->document());
    cursor.setPosition(int(start));
    cursor.setPosition(int(start + m_find->text().size()), QTextCursor::KeepAnchor);
    m_log->setTextCursor(cursor);
    m_log->ensureCursorVisible();
}

// The caret of a found match is where the match starts, so Find Next and Find Previous step
// through the matches one by one in either direction.
void TDebugForm::bFindNextClick() {
    QString needle = m_find->text();
    qsizetype caret = m_log->textCursor().selectionStart();
    qsizetype found = needle.isEmpty()
                          ? -1
                          : m_log->toPlainText().indexOf(needle, caret + 1, Qt::CaseInsensitive);
    SelectMatch(found);
}

void TDebugForm::bFindPreviousClick() {
    QString needle = m_find->text();
    qsizetype caret = m_log->textCursor().selectionStart();
    qsizetype found =
        needle.isEmpty() || caret == 0
            ? -1
            : m_log->toPlainText().lastIndexOf(needle, caret - 1, Qt::CaseInsensitive);
    SelectMatch(found);
}

void TDebugForm::bASCIIClick() {
    QString selection = m_log->textCursor().selectedText();
    if (selection.isEmpty()) {
        DisplayError("\\b\\1ERROR: No Text Selected");
        return;
    }
    // Lines of the selection come as paragraph separators.
    selection.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    THexAsAscii ascii = HexAsAscii(selection);
    QApplication::clipboard()->setText(ascii.Copied);
    DisplayMessage("\\uSelection as ASCII\\u\\n" + ascii.Shown);
}

} // namespace zel
