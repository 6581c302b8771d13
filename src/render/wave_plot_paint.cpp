#include "wave_plot_paint.h"

#include <QImage>
#include <QPainter>
#include <QVector>

namespace zel {

namespace {

const QColor GridColour(0, 64, 0);
const QColor LeftColour(0, 0, 255);
const QColor RightColour(255, 0, 0);

} // namespace

void PaintWavePlot(QPainter& painter, const std::vector<int16_t>& samples, TPlotScales scales,
                   int64_t left, int64_t right, int top, int bottom, int height) {
    painter.fillRect(QRect(int(left), top, int(right - left + 1), bottom - top + 1), Qt::black);
    // The grid hangs on the plot, not on the window, so it scrolls with the waves.
    painter.setPen(QPen(GridColour, 1));
    for (int64_t x = (left + PlotGridStep - 1) / PlotGridStep * PlotGridStep; x <= right;
         x += PlotGridStep)
        painter.drawLine(int(x), top, int(x), bottom);
    for (int y = (top + PlotGridStep - 1) / PlotGridStep * PlotGridStep; y <= bottom;
         y += PlotGridStep)
        painter.drawLine(int(left), y, int(right), y);

    const int64_t frames = int64_t(samples.size() / 2);
    const TPlotColumns columns = PlotColumns(left, right, frames, scales.Horizontal);
    if (columns.Last < columns.First)
        return;
    QVector<QLine> leftLines;
    QVector<QLine> rightLines;
    leftLines.reserve(qsizetype(columns.Last - columns.First));
    rightLines.reserve(qsizetype(columns.Last - columns.First));
    int previousLeft = 0;
    int previousRight = 0;
    for (int64_t x = columns.First; x <= columns.Last; ++x) {
        const size_t frame = size_t(x * scales.Horizontal);
        const int leftY = int(PlotY(samples[2 * frame], scales.Vertical, height));
        const int rightY = int(PlotY(samples[2 * frame + 1], scales.Vertical, height));
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
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

QImage WavePlotImage(const std::vector<int16_t>& samples, TPlotScales scales, int height) {
    const int64_t width = PlotWidth(int64_t(samples.size() / 2), scales.Horizontal);
    if (width <= 0 || width > INT32_MAX || height <= 0)
        return {};
    QImage image(int(width), height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    PaintWavePlot(painter, samples, scales, 0, width - 1, 0, height - 1, height);
    return image;
}

} // namespace zel
