// TRichEditRTF: the notes editor, a rich-text edit whose whole document reads and assigns as RTF
// through the core's codec, so the editor and the command line keep the same RTF.
#pragma once

#include <QTextEdit>
#include <string>
#include <string_view>

#include "model/rich_text.h"

class QTextDocument;

namespace zel {

// The editor's document as the core's rich-text model, and back.
TRichDocument RichFromDocument(const QTextDocument& document);
void DocumentFromRich(const TRichDocument& rich, QTextDocument& document);

class TRichEditRTF : public QTextEdit {
    Q_OBJECT
public:
    explicit TRichEditRTF(QWidget* parent = nullptr);

    // The whole document as RTF.
    std::string TextRTF() const;
    // Replaces the document (its undo history too) with the one the RTF describes.
    void SetTextRTF(std::string_view rtf);

    // Bold, italic or underline on the selection: set when any of it lacks the style, cleared
    // when all of it has it. Without a selection, the style of what is typed next.
    enum class TStyle { Bold, Italic, Underline };
    void ToggleStyle(TStyle style);
    // True when all of the selection (or the typing position) has the style.
    bool HasStyle(TStyle style) const;
};

} // namespace zel
