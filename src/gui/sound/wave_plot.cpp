#include "sound/wave_plot.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "sound/wave_plot_math.h"

namespace zel {

namespace {

const QColor GridColour(0, 64, 0);
const QColor LeftColour(0, 0, 255);
const QColor RightColour(255, 0, 0);

} // namespace

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

    const int64_t frames = int64_t(m_samples->size() / 2);
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

    // The grid hangs on the plot, not on the window, so it scrolls with the waves.
    painter.setPen(QPen(GridColour, 1));
    for (int64_t x = (left + PlotGridStep - 1) / PlotGridStep * PlotGridStep; x <= right;
         x += PlotGridStep)
        painter.drawLine(int(x), area.top(), int(x), area.bottom());
    for (int y = (area.top() + PlotGridStep - 1) / PlotGridStep * PlotGridStep; y <= area.bottom();
         y += PlotGridStep)
        painter.drawLine(int(left), y, int(right), y);

    const TPlotColumns columns = PlotColumns(left, right, frames, m_horizontalScale);
    if (columns.Last < columns.First)
        return;
    const std::vector<int16_t>& samples = *m_samples;
    QVector<QLine> leftLines;
    QVector<QLine> rightLines;
    leftLines.reserve(qsizetype(columns.Last - columns.First));
    rightLines.reserve(qsizetype(columns.Last - columns.First));
    int previousLeft = 0;
    int previousRight = 0;
    for (int64_t x = columns.First; x <= columns.Last; ++x) {
        const size_t frame = size_t(x * m_horizontalScale);
        const int leftY = int(PlotY(samples[2 * frame], m_verticalScale, height));
        const int rightY = int(PlotY(samples[2 * frame + 1], m_verticalScale, height));
        if (x != columns.First) {
            leftLines.append(QLine(int(x - 1), previousLeft, int(x), leftY));
            rightLines.append(QLine(int(x - 1), previousRight, int(x), rightY));
        }
        previousLeft = leftY;
        previousRight = rightY;
    }
    // Where the channels cross they mix (blue with red shows magenta), as they do on the grid.
    painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    painter.setPen(QPen(LeftColour, 2));
    painter.drawLines(leftLines);
    painter.setPen(QPen(RightColour, 2));
    painter.drawLines(rightLines);
}

} // namespace zel
