#include "sound/wave_plot.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "sound/wave_plot_math.h"
#include "wave_plot_paint.h"

namespace zel {

TWavePlot::TWavePlot(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("PBWave"));
    setAccessibleName(QStringLiteral("Preview plot"));
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Every paint fills its area itself; the system need not clear it first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(PlotGridStep);
    UpdateScrollBar();
}

void TWavePlot::SetWave(std::shared_ptr<const std::vector<int16_t>> samples) {
    m_samples = std::move(samples);
    UpdateScrollBar();
    viewport()->update();
}

void TWavePlot::ClearWave() {
    SetWave(nullptr);
}

bool TWavePlot::HasWave() const {
    return m_samples != nullptr;
}

void TWavePlot::ZoomClick(int tag) {
    const TPlotScales scales = Zoom({m_horizontalScale, m_verticalScale}, tag);
    m_horizontalScale = scales.Horizontal;
    m_verticalScale = scales.Vertical;
    UpdateScrollBar();
    viewport()->update();
}

int64_t TWavePlot::PlotWidth() const {
    return m_samples ? zel::PlotWidth(int64_t(m_samples->size() / 2), m_horizontalScale) : 0;
}

void TWavePlot::UpdateScrollBar() {
    QScrollBar* bar = horizontalScrollBar();
    const int visible = viewport()->width();
    const int64_t hidden = std::max<int64_t>(0, PlotWidth() - visible);
    bar->setPageStep(std::max(1, visible));
    bar->setRange(0, int(std::min<int64_t>(hidden, INT32_MAX)));
}

void TWavePlot::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBar();
}

// Paints only the columns of the area asked for, whatever the plot's whole width.
void TWavePlot::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, Qt::black);
    if (!m_samples)
        return;

    const int64_t width = PlotWidth();
    const int height = viewport()->height();
    const int scroll = horizontalScrollBar()->value();
    // From here on in plot coordinates; the plot itself ends at its width.
    painter.translate(-scroll, 0);
    const int64_t left = int64_t(scroll) + area.left();
    const int64_t right = std::min<int64_t>(int64_t(scroll) + area.right(), width - 1);
    if (right < left)
        return;
    painter.setClipRect(QRect(int(left), area.top(), int(right - left + 1), area.height()));
    PaintWavePlot(painter, *m_samples, {m_horizontalScale, m_verticalScale}, left, right,
                  area.top(), area.bottom(), height);
}

} // namespace zel
