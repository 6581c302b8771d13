#include "tabcontrolsmart.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>

#include "model/ansi_text.h"
#include "riff_view_paint.h"
#include "tab_strip_accessible.h"

namespace zel {

int TTabControlSmart::LastTabClicked = 0;
qint64 TTabControlSmart::LastTabClickTime = 0;

namespace {

constexpr int DragDistance = 4;
constexpr int MinTabWidth = 48;

// Milliseconds since the system started, like the double-click memory expects.
qint64 NowMs() {
    QElapsedTimer clock;
    clock.start();
    return clock.msecsSinceReference();
}

} // namespace

TTabControlSmart::TTabControlSmart(TTabCaptions& captions, QWidget* parent)
    : QWidget(parent), m_captions(captions), m_strip(captions) {
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(false);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    InstallTabStripAccessibility();
}

QString TTabControlSmart::TabName(int index) const {
    if (index < 0 || index >= m_captions.Count())
        return {};
    const std::string& caption = m_captions[index];
    return caption.empty() ? QStringLiteral("New") : QString::fromStdString(AnsiToUtf8(caption));
}

std::vector<QRect> TTabControlSmart::Layout(int width) const {
    std::vector<QRect> rects;
    int x = 0;
    int y = 0;
    for (int i = 0; i < m_captions.Count(); ++i) {
        int w = std::max(MinTabWidth, TabWidth ? TabWidth(i) : MinTabWidth);
        if (x > 0 && x + w > width) {
            x = 0;
            y += TabHeight;
        }
        rects.emplace_back(x, y, w, TabHeight);
        x += w;
    }
    return rects;
}

int TTabControlSmart::heightForWidth(int width) const {
    std::vector<QRect> rects = Layout(std::max(width, 1));
    return rects.empty() ? TabHeight : rects.back().bottom() + 1;
}

QSize TTabControlSmart::sizeHint() const {
    return {400, heightForWidth(width() > 0 ? width() : 400)};
}

QSize TTabControlSmart::minimumSizeHint() const {
    return {MinTabWidth, TabHeight};
}

void TTabControlSmart::Refresh() {
    // Before the strip has shown, its width is not the one it will have: one row, so that the
    // window's least height is not taken from a strip a hundred pixels wide.
    m_rects = Layout(isVisible() ? std::max(width(), 1) : QWIDGETSIZE_MAX);
    int height = m_rects.empty() ? TabHeight : m_rects.back().bottom() + 1;
    if (height != this->height()) {
        setFixedHeight(height);
        updateGeometry();
    }
    update();
    if (QAccessible::isActive()) { // the tabs screen readers list may have changed
        QAccessibleEvent changed(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&changed);
    }
}

void TTabControlSmart::resizeEvent(QResizeEvent*) {
    Refresh();
}

int TTabControlSmart::TabAt(const QPoint& point) const {
    for (size_t i = 0; i < m_rects.size(); ++i)
        if (m_rects[i].contains(point))
            return int(i);
    return -1;
}

QRect TTabControlSmart::TabRect(int index) const {
    if (index < 0 || size_t(index) >= m_rects.size())
        return {};
    return m_rects[size_t(index)];
}

void TTabControlSmart::paintEvent(QPaintEvent*) {
    if (m_rects.size() != size_t(m_captions.Count()))
        m_rects = Layout(std::max(width(), 1));
    QPainter painter(this);
    QColor face = palette().color(QPalette::Button);
    QColor shade = palette().color(QPalette::Mid);
    for (size_t i = 0; i < m_rects.size(); ++i) {
        QRect r = m_rects[i];
        bool active = int(i) == m_strip.Selected();
        if (active)
            painter.fillRect(r, face);
        else
            CanvasGradientFill(painter, r, face, shade);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(r.adjusted(0, 0, -1, active ? 0 : -1));
        if (OnDrawTab) {
            painter.save();
            painter.setClipRect(r);
            OnDrawTab(painter, int(i), r, active);
            painter.restore();
        }
    }
}

void TTabControlSmart::mousePressEvent(QMouseEvent* event) {
    QPoint pos = event->position().toPoint();
    int index = TabAt(pos);
    if (event->button() == Qt::LeftButton) {
        if (index >= 0) {
            m_strip.Click(index);
            Refresh();
        }
        m_pressed = index >= 0;
        m_dragging = false;
        m_pressPos = pos;
    } else if (event->button() == Qt::MiddleButton) {
        if (QWidget* focused = QApplication::focusWidget())
            focused->clearFocus();
    }
}

void TTabControlSmart::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed || !(event->buttons() & Qt::LeftButton))
        return;
    if (!m_dragging &&
        (event->position().toPoint() - m_pressPos).manhattanLength() >= DragDistance) {
        m_dragging = true;
        setCursor(Qt::DragMoveCursor);
    }
    if (m_dragging) {
        int target = TabAt(event->position().toPoint());
        setCursor(m_strip.CanDropOn(target) ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
    }
}

void TTabControlSmart::mouseReleaseEvent(QMouseEvent* event) {
    QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        bool dropped = false;
        if (m_dragging) {
            unsetCursor();
            int target = TabAt(pos);
            if (target != m_strip.Selected() && m_strip.CanDropOn(target)) {
                m_strip.DropOn(target);
                dropped = true;
                Refresh();
            }
        }
        m_pressed = false;
        m_dragging = false;
        if (dropped)
            return;
        int selected = m_strip.Selected();
        qint64 now = NowMs();
        bool twice =
            selected == LastTabClicked &&
            now - LastTabClickTime < QGuiApplication::styleHints()->mouseDoubleClickInterval();
        LastTabClicked = selected;
        LastTabClickTime = now;
        if (twice && selected >= 0 && OnDoubleClick)
            OnDoubleClick(selected);
    } else if (event->button() == Qt::RightButton) {
        int index = TabAt(pos);
        m_strip.SelectAndFill(index);
        Refresh();
        if (OnContextMenu)
            OnContextMenu(index, event->globalPosition().toPoint());
    }
}

void TTabControlSmart::focusOutEvent(QFocusEvent*) {
    m_strip.DoRead();
}

} // namespace zel
