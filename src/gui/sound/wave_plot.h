// The plot of the last instrument preview: the left channel in blue and the right in red over a
// dark green grid, scrolling sideways, with zoom steps on both axes. Only the visible part is
// ever painted, however long the plot is.
#pragma once

#include <QAbstractScrollArea>
#include <cstdint>
#include <memory>
#include <vector>

namespace zel {

class TWavePlot : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TWavePlot(QWidget* parent = nullptr);

    // The samples to show: interleaved stereo 16-bit values (left, right, ...). Null: nothing.
    void SetWave(std::shared_ptr<const std::vector<int16_t>> samples);
    void ClearWave();
    bool HasWave() const;

    // The zoom buttons by their tags: 0 vertical scale x 2, 1 horizontal scale / 2 (when above
    // 1), 2 vertical scale / 2 (when above 1), 3 horizontal scale x 2. Both scales stay within
    // 1..65536.
    void ZoomClick(int tag);
    int HorizontalScale() const { return m_horizontalScale; } // frames per pixel, 8 at start
    int VerticalScale() const { return m_verticalScale; }     // 128: a sample unit per unit
    // Width of the whole plot in pixels: frames / horizontal scale.
    int64_t PlotWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateScrollBar();

    std::shared_ptr<const std::vector<int16_t>> m_samples;
    int m_horizontalScale = 8;
    int m_verticalScale = 128;
};

} // namespace zel
