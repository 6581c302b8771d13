// TTabControlSmart: a tab strip whose tabs stand for the records of a table (riffs or
// instruments). Tabs wrap into rows, are drawn by their host, reorder by dragging, and keep
// the host's table in step through the record operations of the core's TTabStrip.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "edit/tab_strip.h"

namespace zel {

class TTabControlSmart : public QWidget {
    Q_OBJECT
public:
    TTabControlSmart(TTabCaptions& captions, QWidget* parent = nullptr);

    TTabStrip& Strip() { return m_strip; }
    int TabCount() const { return m_captions.Count(); }
    int SelectedIndex() const { return m_strip.Selected(); }
    int FilledIndex() const { return m_strip.FilledIndex(); }

    // Draws one tab's content over its background (index, rectangle, active).
    std::function<void(QPainter&, int, const QRect&, bool)> OnDrawTab;
    // Two left releases on the same tab within the double-click time.
    std::function<void(int)> OnDoubleClick;
    // A right click selected (and filled) the tab under the pointer; -1 beside the tabs.
    std::function<void(int, const QPoint&)> OnContextMenu;
    // Width a tab needs for its content (the host's caption and extras).
    std::function<int(int)> TabWidth;

    static constexpr int TabHeight = 32;
    // Lays the tabs out again after captions changed and repaints.
    void Refresh();
    int TabAt(const QPoint& point) const;
    QRect TabRect(int index) const;
    // What screen readers call a tab: its caption, or "New" for the blank tab at the end.
    QString TabName(int index) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // One pair for every strip of the program, as a double click spans both.
    static int LastTabClicked;
    static qint64 LastTabClickTime;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<QRect> Layout(int width) const;

    TTabCaptions& m_captions;
    TTabStrip m_strip;
    std::vector<QRect> m_rects;
    QPoint m_pressPos;
    bool m_pressed = false;
    bool m_dragging = false;
};

} // namespace zel
