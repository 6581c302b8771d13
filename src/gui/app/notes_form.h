// TNotesForm, "Notes": the project's rich-text notes (lyrics, remarks, performance hints) with a
// small toolbar and a popup menu. Every change is stored into the project at once, as one
// merged step of the main window's history; Ctrl+Z inside the window undoes the editor's own
// last change.
#pragma once

#include <QWidget>
#include <string>

#include "document/document.h"

class QMenu;

namespace zel {

class TRichEditRTF;

class TNotesForm : public QWidget {
    Q_OBJECT
public:
    TNotesForm(TDocument& document, QWidget* parent = nullptr);

    TRichEditRTF* Editor() const { return m_editor; }
    QMenu* PopupMenu() const { return m_menu; }
    // The project's notes into the editor (a project was made, opened, or a step undone).
    void ShowModel();

    void bCutClick();
    void bCopyClick();
    void bPasteClick();
    void bBoldClick();
    void bItalicClick();
    void bUnderlinedClick();
    void mUndoClick();

private:
    void NotesChange();

    TDocument& m_document;
    TRichEditRTF* m_editor = nullptr;
    QMenu* m_menu = nullptr;
    bool m_showing = false; // the editor is being filled from the project, not edited
    bool m_shown = false;
    std::string m_shownRtf; // the notes as the editor last showed or stored them
};

} // namespace zel
