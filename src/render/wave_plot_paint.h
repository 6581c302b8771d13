// Painting the instrument preview's plot: the left channel in blue and the right in red over a
// dark green grid, on black. The instruments window paints what it shows with it, and
// zelvane-cli preview paints the whole plot into a picture.
#pragma once

#include <QRect>
#include <cstdint>
#include <vector>

#include "sound/wave_plot_math.h"

class QPainter;
class QImage;

namespace zel {

// Paints the plot's columns `left`..`right` (inclusive, in plot coordinates, already cut to the
// plot's width) and rows `top`..`bottom` of a plot `height` pixels high. `samples` are
// interleaved stereo 16-bit values. The painter draws in plot coordinates.
void PaintWavePlot(QPainter& painter, const std::vector<int16_t>& samples, TPlotScales scales,
                   int64_t left, int64_t right, int top, int bottom, int height);

// The whole plot as a picture: frames / horizontal scale pixels wide and `height` high. A null
// image when that many pixels cannot be had.
QImage WavePlotImage(const std::vector<int16_t>& samples, TPlotScales scales, int height);

} // namespace zel
