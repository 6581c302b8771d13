// The tab view: the current riff drawn as one band in a scroll box, with the edit cursor, the
// mouse, the keys of the staff and the tab lines, the editing pop-up menu and the clipboard.
#pragma once

#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QWidget>
#include <functional>

#include "document/document.h"
#include "edit/editor_commands.h"
#include "edit/tab_metrics.h"
#include "edit/tab_mouse.h"
#include "model/song.h"
#include "riff_band.h"

namespace zel {

class TRiffView;

// The paint box PB_Riff: as wide as the riff needs.
class TRiffPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TRiffPaintBox(TRiffView& view);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TRiffView& m_view;
};

// The scroll box SB_Riff with the paint box and the two hidden focus controls eRiff1 (staff)
// and eRiff2 (tab lines).
class TRiffView : public QScrollArea {
    Q_OBJECT
public:
    TRiffView(TDocument& document, QWidget* parent = nullptr);

    // The commands' view of the program: auto-advance, previews, riff tab switching.
    bool AutoAdvance = false;
    std::function<void(int)> PreviewPitch;
    std::function<void(int)> SwitchRiffTab;
    // Opens the riff properties window; the pop-up menu's entry is disabled without it.
    std::function<void()> OpenRiffProperties;

    // Repaints after an edit or a cursor move, resizing the paint box to the riff.
    void RefreshView();
    // Sets the height for a newly selected riff (one band) and repaints.
    void RiffSwitched();
    void ScrollToCursor();
    // Marks the record being heard (-1: none) and scrolls it into view; the cursor stays.
    void ShowPlaying(int note);
    int PlayingNote() const { return m_playingNote; }
    // False while another control (the song grid) holds the focus the cursor box stands for.
    void SetShowCursor(bool show);
    // Antialiased drawing (the default) or the exact, pixel-for-pixel picture; repaints.
    void SetSmoothDrawing(bool smooth);
    bool SmoothDrawing() const { return m_smoothDrawing; }
    bool HasEditFocus() const;
    void FocusStaff();
    void FocusTabLines();

    void CutToClipboard();
    void CopyToClipboard();
    void PasteFromClipboard();
    void DeleteSelectionCommand();

    // At least one whole band of the current riff, with the horizontal scroll bar under it.
    QSize minimumSizeHint() const override;

    const TTabMetrics& Metrics() const { return m_metrics; }
    TRiffPaintBox* PaintBox() const { return m_paintBox; }
    QMenu* PopupMenu() const { return m_popup; }
    TEditorContext Context();

signals:
    // After every paint and every change of the cursor: the status panel follows.
    void ViewChanged();
    // The duration and flag buttons should show this.
    void DurationButtonsChanged(const zel::TDurationButtons& buttons);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TRiffPaintBox;
    void Paint(QPaintEvent* event);
    void Press(QMouseEvent* event);
    void Move(QMouseEvent* event);
    void Release();
    // A mouse event on the view's empty area right of or below the paint box.
    bool ViewportMouse(QEvent* event);
    void ShowPopup(const QPoint& globalPos);
    bool HandleKey(QKeyEvent* event);
    void UpdateButtons();
    TRiffMouseContext MouseContext();

    TDocument& m_document;
    TProject& m_project;
    TEditorState& m_editor;
    TTabMetrics m_metrics;
    TRiffMouse m_mouse;
    TBandColumnCache m_cache;
    bool m_showCursor = true;
    int m_playingNote = -1;
    bool m_smoothDrawing = true;
    int m_bandHeight = 0; // of the riff the least height was last given for
    TRiffPaintBox* m_paintBox = nullptr;
    QLineEdit* m_staffFocus = nullptr;
    QLineEdit* m_tabFocus = nullptr;
    QMenu* m_popup = nullptr;
    QAction* m_riffProperties = nullptr;
};

// The key press as the editor's commands see it; false for keys they do not handle.
bool TranslateRiffKey(const QKeyEvent& event, TKeyPress& key);

} // namespace zel
