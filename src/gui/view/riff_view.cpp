#include "riff_view.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "canvas.h"
#include "document/document_edits.h"
#include "edit/note_clipboard.h"
#include "model/ansi_text.h"
#include "riff_view_paint.h"
#include "widgets/accessible_names.h"

namespace zel {

bool TranslateRiffKey(const QKeyEvent& event, TKeyPress& key) {
    // Alt and Meta combinations belong to menus and the desktop, never to note entry.
    if (event.modifiers() & (Qt::AltModifier | Qt::MetaModifier))
        return false;
    key.Shift = event.modifiers() & Qt::ShiftModifier;
    key.Ctrl = event.modifiers() & Qt::ControlModifier;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        key.Key = TEditKey::Enter;
        return true;
    case Qt::Key_Space:
        key.Key = TEditKey::Space;
        return true;
    case Qt::Key_Backspace:
        key.Key = TEditKey::Backspace;
        return true;
    case Qt::Key_Home:
        key.Key = TEditKey::Home;
        return true;
    case Qt::Key_End:
        key.Key = TEditKey::End;
        return true;
    case Qt::Key_Left:
        key.Key = TEditKey::Left;
        return true;
    case Qt::Key_Right:
        key.Key = TEditKey::Right;
        return true;
    case Qt::Key_Up:
        key.Key = TEditKey::Up;
        return true;
    case Qt::Key_Down:
        key.Key = TEditKey::Down;
        return true;
    case Qt::Key_Insert:
        key.Key = TEditKey::Insert;
        return true;
    case Qt::Key_Delete:
        key.Key = TEditKey::Delete;
        return true;
    case Qt::Key_Tab:
        key.Key = TEditKey::Tab;
        return true;
    case Qt::Key_Backtab:
        key.Key = TEditKey::Tab;
        key.Shift = true;
        return true;
    default:
        break;
    }
    if (event.key() >= Qt::Key_0 && event.key() <= Qt::Key_9 && !key.Ctrl) {
        key.Key = TEditKey::Digit;
        key.Digit = event.key() - Qt::Key_0;
        return true;
    }
    return false;
}

TRiffPaintBox::TRiffPaintBox(TRiffView& view) : QWidget(&view), m_view(view) {
    setObjectName(QStringLiteral("PB_Riff"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    QFont font(RiffViewFontFamily());
    font.setPixelSize(RiffViewFontPixels);
    setFont(font);
}

void TRiffPaintBox::paintEvent(QPaintEvent* event) {
    m_view.Paint(event);
}
void TRiffPaintBox::mousePressEvent(QMouseEvent* event) {
    m_view.Press(event);
}
void TRiffPaintBox::mouseMoveEvent(QMouseEvent* event) {
    m_view.Move(event);
}
void TRiffPaintBox::mouseReleaseEvent(QMouseEvent*) {
    m_view.Release();
}
void TRiffPaintBox::contextMenuEvent(QContextMenuEvent* event) {
    m_view.ShowPopup(event->globalPos());
}

TRiffView::TRiffView(TDocument& document, QWidget* parent)
    : QScrollArea(parent), m_document(document), m_project(document.Project()),
      m_editor(document.Editor()), m_metrics(ComputeTabMetrics(RiffViewFontPixels)) {
    setObjectName(QStringLiteral("SB_Riff"));
    setBackgroundRole(QPalette::Base);
    setWidgetResizable(false);
    m_paintBox = new TRiffPaintBox(*this);
    setWidget(m_paintBox);
    // Both scroll bars follow their thumbs while they are dragged (the default).

    // The staff and the tab lines each hold the keyboard focus through a control that never
    // shows: far outside the window, in the view's viewport, where screen readers look for
    // what the view holds (they see a scroll area's viewport and scroll bars only).
    auto makeFocus = [this](const char* name) {
        auto* edit = new QLineEdit(viewport());
        edit->setObjectName(QString::fromLatin1(name));
        edit->setGeometry(-999999, 0, 10, 10);
        edit->setFocusPolicy(Qt::StrongFocus);
        edit->installEventFilter(this);
        return edit;
    };
    m_staffFocus = makeFocus("eRiff1");
    m_tabFocus = makeFocus("eRiff2");
    setAccessibleName(QStringLiteral("Riff"));
    SetAccessibleNames(this, {{"eRiff1", "Staff"}, {"eRiff2", "Tab lines"}});
    setFocusPolicy(Qt::NoFocus);
    m_paintBox->setFocusPolicy(Qt::NoFocus);
    // A short riff leaves room right of the paint box; clicks there count as clicks on it.
    viewport()->installEventFilter(this);

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenuEdit"));
    auto addItem = [this](const char* name, const QString& caption, auto slot) {
        QAction* action = m_popup->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    addItem("pmCut", QStringLiteral("Cut"), &TRiffView::CutToClipboard);
    addItem("pmCopy", QStringLiteral("Copy"), &TRiffView::CopyToClipboard);
    addItem("pmPaste", QStringLiteral("Paste"), &TRiffView::PasteFromClipboard);
    addItem("mDelete", QStringLiteral("Delete"), &TRiffView::DeleteSelectionCommand);
    m_popup->addSeparator();
    m_riffProperties = addItem("mRiffProperties2", QStringLiteral("Riff Properties"), [this] {
        if (OpenRiffProperties)
            OpenRiffProperties();
    });

    RiffSwitched();
}

TEditorContext TRiffView::Context() {
    TEditorContext context;
    context.ViewHasFocus = HasEditFocus();
    context.PageColumns = std::max(1, viewport()->width() / m_metrics.ColumnWidth);
    context.AutoAdvance = AutoAdvance;
    context.PreviewPitch = PreviewPitch;
    context.SwitchRiffTab = SwitchRiffTab;
    context.ScrollToCursor = [this] { ScrollToCursor(); };
    context.Redraw = [this] { RefreshView(); };
    return context;
}

bool TRiffView::HasEditFocus() const {
    return m_staffFocus->hasFocus() || m_tabFocus->hasFocus();
}

void TRiffView::FocusStaff() {
    m_staffFocus->setFocus(Qt::OtherFocusReason);
}
void TRiffView::FocusTabLines() {
    m_tabFocus->setFocus(Qt::OtherFocusReason);
}

void TRiffView::SetShowCursor(bool show) {
    if (m_showCursor == show)
        return;
    m_showCursor = show;
    m_paintBox->update();
}

void TRiffView::SetSmoothDrawing(bool smooth) {
    if (m_smoothDrawing == smooth)
        return;
    m_smoothDrawing = smooth;
    m_paintBox->update();
}

void TRiffView::RefreshView() {
    const TRiff& riff = CurrentRiffOf(m_project, m_editor);
    int width = RiffViewWidth(m_metrics, riff);
    int height = std::max(m_paintBox->height(), RiffViewMinHeight(m_metrics, riff));
    if (m_paintBox->width() != width || m_paintBox->height() != height)
        m_paintBox->resize(width, height);
    m_paintBox->update();
    emit ViewChanged();
}

void TRiffView::RiffSwitched() {
    const TRiff& riff = CurrentRiffOf(m_project, m_editor);
    m_paintBox->resize(RiffViewWidth(m_metrics, riff), BandHeight(m_metrics, riff));
    m_cache.Clear();
    if (BandHeight(m_metrics, riff) != m_bandHeight) {
        m_bandHeight = BandHeight(m_metrics, riff);
        updateGeometry(); // a riff with more strings needs more room
    }
    RefreshView();
}

QSize TRiffView::minimumSizeHint() const {
    const TRiff& riff = m_project.Riffs[size_t(std::clamp(m_editor.CurrentRiff, 0, MaxRiffs - 1))];
    int height =
        BandHeight(m_metrics, riff) + 2 * frameWidth() + horizontalScrollBar()->sizeHint().height();
    return {QScrollArea::minimumSizeHint().width(), height};
}

void TRiffView::ScrollToCursor() {
    const TRiff& riff = CurrentRiffOf(m_project, m_editor);
    // The paint box must already have its new width, or the scroll bar clamps too early.
    int width = RiffViewWidth(m_metrics, riff);
    if (m_paintBox->width() != width)
        m_paintBox->resize(width, m_paintBox->height());
    QScrollBar* bar = horizontalScrollBar();
    // The visible width (without the vertical scroll bar), so the cursor column is never
    // left under the scroll bar.
    bar->setValue(
        ScrollToCursorPosition(m_metrics, riff.Cursor, bar->value(), viewport()->width()));
}

void TRiffView::ShowPlaying(int note) {
    if (note == m_playingNote)
        return;
    auto columnRect = [this](int column) {
        return QRect(CursorColumnX(m_metrics, column) - 4, 0, m_metrics.ColumnWidth + 4,
                     m_paintBox->height());
    };
    if (m_playingNote >= 0)
        m_paintBox->update(columnRect(m_playingNote));
    m_playingNote = note;
    if (note < 0)
        return;
    QScrollBar* bar = horizontalScrollBar();
    bar->setValue(ScrollToCursorPosition(m_metrics, note, bar->value(), viewport()->width()));
    m_paintBox->update(columnRect(note));
}

void TRiffView::Paint(QPaintEvent* event) {
    QPainter painter(m_paintBox);
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    TCanvas canvas(painter, RiffViewFontFamily(), RiffViewFontPixels,
                   m_smoothDrawing ? TDrawingMode::Smooth : TDrawingMode::Exact);
    m_metrics = ComputeTabMetrics(RiffViewFontPixels);
    TRiffViewPaint paint;
    paint.ShowCursor = m_showCursor;
    paint.ViewWidth = m_paintBox->width();
    paint.ViewHeight = m_paintBox->height();
    paint.VisibleLeft = event->rect().left();
    paint.VisibleRight = event->rect().right() + 1;
    paint.PlayingNote = m_playingNote;
    PaintRiffView(canvas, m_metrics, CurrentRiffOf(m_project, m_editor), m_editor, paint, m_cache);
    emit ViewChanged();
}

TRiffMouseContext TRiffView::MouseContext() {
    TRiffMouseContext context;
    context.FocusArea = [this](bool tab) {
        (tab ? m_tabFocus : m_staffFocus)->setFocus(Qt::MouseFocusReason);
    };
    context.UpdateDurationButtons = [this] { UpdateButtons(); };
    context.Refresh = [this] { RefreshView(); };
    return context;
}

void TRiffView::Press(QMouseEvent* event) {
    TMouseButton button = event->button() == Qt::LeftButton    ? TMouseButton::Left
                          : event->button() == Qt::RightButton ? TMouseButton::Right
                                                               : TMouseButton::Middle;
    QPoint p = event->position().toPoint();
    // A click moves the cursor: typing after it is a step of its own.
    m_document.BreakMerge();
    m_mouse.Press(m_project, m_editor, m_metrics, button, event->modifiers() & Qt::ShiftModifier,
                  p.x(), p.y(), MouseContext());
}

void TRiffView::Move(QMouseEvent* event) {
    m_mouse.Move(m_project, m_editor, m_metrics, event->buttons() & Qt::LeftButton,
                 event->position().toPoint().x(), MouseContext());
}

void TRiffView::Release() {
    m_mouse.Release(m_editor);
}

void TRiffView::ShowPopup(const QPoint& globalPos) {
    m_riffProperties->setEnabled(bool(OpenRiffProperties));
    m_popup->popup(globalPos);
}

void TRiffView::UpdateButtons() {
    emit DurationButtonsChanged(UpdateDurationButtons(m_project, m_editor));
}

bool TRiffView::HandleKey(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cut)) {
        CutToClipboard();
        return true;
    }
    if (event->matches(QKeySequence::Copy)) {
        CopyToClipboard();
        return true;
    }
    if (event->matches(QKeySequence::Paste)) {
        PasteFromClipboard();
        return true;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll(CurrentRiffOf(m_project, m_editor));
        UpdateButtons();
        RefreshView();
        return true;
    }
    TKeyPress key;
    if (!TranslateRiffKey(*event, key))
        return false;
    bool handled = DocumentRiffKey(m_document, key, Context());
    if (handled)
        UpdateButtons();
    return handled;
}

bool TRiffView::ViewportMouse(QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    // The paint box's own coordinates: the columns and rows go on beyond its edges.
    QMouseEvent inBox(mouse->type(), mouse->position() - QPointF(m_paintBox->pos()),
                      mouse->globalPosition(), mouse->button(), mouse->buttons(),
                      mouse->modifiers());
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        Press(&inBox);
    else if (event->type() == QEvent::MouseMove)
        Move(&inBox);
    else
        Release();
    return true;
}

bool TRiffView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            return ViewportMouse(event);
        case QEvent::ContextMenu:
            ShowPopup(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        default:
            break;
        }
    }
    if (watched != m_staffFocus && watched != m_tabFocus)
        return QScrollArea::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn: {
        // Coming back to the window is not entering the area: the cursor row stays.
        auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            m_editor.TabMode = watched == m_tabFocus;
            m_editor.CursorRow = 0;
        }
        m_showCursor = true;
        RefreshView();
        return false;
    }
    case QEvent::ShortcutOverride: {
        // The editor's keys win over shortcuts while the riff has the focus.
        auto* key = static_cast<QKeyEvent*>(event);
        TKeyPress press;
        if (TranslateRiffKey(*key, press) || key->matches(QKeySequence::Cut) ||
            key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Paste) ||
            key->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
        // Undo and Redo belong to the window's Edit menu, not to the hidden line edit.
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            (key->key() == Qt::Key_Y && key->modifiers() == Qt::ControlModifier)) {
            event->ignore();
            return true;
        }
        return false;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (HandleKey(key))
            return true;
        // Tab and Shift+Tab move the focus as anywhere in the window (staff, tab lines, the
        // song grid); every other key stops here, as the hidden controls never take text.
        bool focusKey = (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
                        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        return !focusKey;
    }
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

void TRiffView::CopyToClipboard() {
    std::string text = CopyNotesText(CurrentRiffOf(m_project, m_editor));
    QApplication::clipboard()->setText(QString::fromStdString(AnsiToUtf8(text)));
}

void TRiffView::CutToClipboard() {
    std::string text = DocumentCutNotes(m_document);
    QApplication::clipboard()->setText(QString::fromStdString(AnsiToUtf8(text)));
    UpdateButtons();
    RefreshView();
}

void TRiffView::PasteFromClipboard() {
    QString text = QApplication::clipboard()->text();
    std::string bytes;
    // Note lines are plain ASCII; anything the code page cannot hold is not part of a note.
    if (!Utf8ToAnsi(text.toStdString(), bytes)) {
        bytes.clear();
        for (QChar c : text)
            bytes.push_back(c.unicode() < 128 ? char(c.unicode()) : '?');
    }
    DocumentPasteNotes(m_document, bytes);
    UpdateButtons();
    ScrollToCursor();
    RefreshView();
}

void TRiffView::DeleteSelectionCommand() {
    DocumentDeleteSelection(m_document);
    UpdateButtons();
    RefreshView();
}

} // namespace zel
