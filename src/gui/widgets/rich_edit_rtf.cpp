#include "widgets/rich_edit_rtf.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cmath>

namespace zel {
namespace {

constexpr QChar LineSeparator(0x2028);
constexpr int DefaultPointSize = 10;

bool Has(const QTextCharFormat& format, TRichEditRTF::TStyle style) {
    switch (style) {
    case TRichEditRTF::TStyle::Bold:
        return format.fontWeight() >= QFont::Bold;
    case TRichEditRTF::TStyle::Italic:
        return format.fontItalic();
    case TRichEditRTF::TStyle::Underline:
        return format.fontUnderline();
    }
    return false;
}

TRichRun RunOf(const QTextCharFormat& format, const QString& text) {
    TRichRun run;
    QString plain = text;
    plain.replace(LineSeparator, QLatin1Char('\n'));
    run.Text = plain.toStdString();
    QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.front().isEmpty())
        run.Font = families.front().toStdString();
    double points = format.fontPointSize();
    run.HalfPoints = points > 0 ? int(std::lround(points * 2)) : 2 * DefaultPointSize;
    run.Bold = format.fontWeight() >= QFont::Bold;
    run.Italic = format.fontItalic();
    run.Underline = format.fontUnderline();
    if (format.foreground().style() != Qt::NoBrush)
        run.Colour = format.foreground().color().rgb() & 0xFFFFFF;
    return run;
}

QTextCharFormat FormatOf(const TRichRun& run) {
    QTextCharFormat format;
    format.setFontFamilies({QString::fromStdString(run.Font)});
    format.setFontPointSize(run.HalfPoints / 2.0);
    format.setFontWeight(run.Bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(run.Italic);
    format.setFontUnderline(run.Underline);
    format.setForeground(QColor::fromRgb(QRgb(run.Colour)));
    return format;
}

} // namespace

TRichDocument RichFromDocument(const QTextDocument& document) {
    TRichDocument rich;
    rich.Paragraphs.clear();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        TRichParagraph paragraph;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.text().isEmpty())
                continue;
            TRichRun run = RunOf(fragment.charFormat(), fragment.text());
            TRichRun look = run;
            look.Text.clear();
            if (!paragraph.Runs.empty()) {
                TRichRun last = paragraph.Runs.back();
                last.Text.clear();
                if (last == look) {
                    paragraph.Runs.back().Text += run.Text;
                    continue;
                }
            }
            paragraph.Runs.push_back(std::move(run));
        }
        rich.Paragraphs.push_back(std::move(paragraph));
    }
    if (rich.Paragraphs.empty())
        rich.Paragraphs.emplace_back();
    return rich;
}

void DocumentFromRich(const TRichDocument& rich, QTextDocument& document) {
    document.clear();
    QTextCursor cursor(&document);
    TRichRun plain;
    cursor.setCharFormat(FormatOf(plain));
    bool first = true;
    for (const TRichParagraph& paragraph : rich.Paragraphs) {
        if (!first)
            cursor.insertBlock();
        first = false;
        for (const TRichRun& run : paragraph.Runs) {
            QString text = QString::fromStdString(run.Text);
            text.replace(QLatin1Char('\n'), LineSeparator);
            cursor.insertText(text, FormatOf(run));
        }
    }
}

TRichEditRTF::TRichEditRTF(QWidget* parent) : QTextEdit(parent) {
    // Lines scroll sideways rather than wrap; Tab is a character of the notes.
    setLineWrapMode(QTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(false);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(DefaultPointSize);
    document()->setDefaultFont(font);
}

std::string TRichEditRTF::TextRTF() const {
    return WriteRtf(RichFromDocument(*document()));
}

void TRichEditRTF::SetTextRTF(std::string_view rtf) {
    const bool undo = document()->isUndoRedoEnabled();
    document()->setUndoRedoEnabled(false);
    DocumentFromRich(ReadRtf(rtf), *document());
    document()->setUndoRedoEnabled(undo);
    moveCursor(QTextCursor::Start);
}

bool TRichEditRTF::HasStyle(TStyle style) const {
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return Has(currentCharFormat(), style);
    // Every piece of the selection must have it.
    int start = cursor.selectionStart(), end = cursor.selectionEnd();
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            int from = fragment.position(), to = from + fragment.length();
            if (to > start && from < end && !Has(fragment.charFormat(), style))
                return false;
        }
    return true;
}

void TRichEditRTF::ToggleStyle(TStyle style) {
    bool set = !HasStyle(style);
    QTextCharFormat change;
    switch (style) {
    case TStyle::Bold:
        change.setFontWeight(set ? QFont::Bold : QFont::Normal);
        break;
    case TStyle::Italic:
        change.setFontItalic(set);
        break;
    case TStyle::Underline:
        change.setFontUnderline(set);
        break;
    }
    mergeCurrentCharFormat(change);
}

} // namespace zel
