// The preview plot on the offscreen platform: zoom steps, and the pixels it paints for known
// waves (channel colours and rows, scrolling, nothing without a wave).
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include "sound/wave_plot.h"
#include "sound/wave_plot_math.h"

using namespace zel;

namespace {

constexpr int Width = 320;
constexpr int Height = 160;

// `frames` stereo frames with left = left(f) and right = right(f).
template <typename L, typename R>
std::shared_ptr<const std::vector<int16_t>> Wave(int frames, L left, R right) {
    auto samples = std::make_shared<std::vector<int16_t>>();
    samples->reserve(size_t(frames) * 2);
    for (int f = 0; f < frames; ++f) {
        samples->push_back(int16_t(left(f)));
        samples->push_back(int16_t(right(f)));
    }
    return samples;
}

bool HasBlue(QRgb pixel) {
    return qBlue(pixel) == 255 && qRed(pixel) == 0;
}
bool HasRed(QRgb pixel) {
    return qRed(pixel) == 255 && qBlue(pixel) == 0;
}

// The rows of column x of the image whose pixel passes `test`.
template <typename Test> QList<int> Rows(const QImage& image, int x, Test test) {
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (test(image.pixel(x, y)))
            rows << y;
    return rows;
}

} // namespace

class WavePlotTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TWavePlot> plot;

    QImage Grab() {
        QWidget* viewport = plot->viewport();
        return viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

private slots:
    void init() {
        plot = std::make_unique<TWavePlot>();
        plot->resize(Width, Height);
        plot->show();
        QVERIFY(QTest::qWaitForWindowExposed(plot.get()));
    }
    void cleanup() { plot.reset(); }

    // The steps and their bounds are the arithmetic's (wave_plot_math_test); here the buttons
    // reach it, the width follows and the scroll bar covers what the window cannot show.
    void zoomButtonsStepTheScales() {
        QCOMPARE(plot->HorizontalScale(), 8);
        QCOMPARE(plot->VerticalScale(), 128);
        plot->SetWave(Wave(
            352800, [](int) { return 0; }, [](int) { return 0; }));
        QCOMPARE(plot->PlotWidth(), 44100);
        QCOMPARE(plot->horizontalScrollBar()->maximum(), 44100 - plot->viewport()->width());
        plot->ZoomClick(1);
        plot->ZoomClick(2);
        QCOMPARE(plot->HorizontalScale(), 4);
        QCOMPARE(plot->VerticalScale(), 64);
        for (int i = 0; i < 20; ++i)
            plot->ZoomClick(3);
        QCOMPARE(plot->PlotWidth(), 5);
        QCOMPARE(plot->horizontalScrollBar()->maximum(), 0);
    }

    void nothingIsDrawnWithoutAWave() {
        QVERIFY(Rows(Grab(), 40, [](QRgb p) { return p != qRgb(0, 0, 0); }).isEmpty());
        plot->SetWave(Wave(
            8000, [](int) { return 1000; }, [](int) { return -1000; }));
        plot->ClearWave();
        QVERIFY(!plot->HasWave());
        QCOMPARE(Grab().pixel(0, 0), qRgb(0, 0, 0));
    }

    // Each channel lies at its computed row: blue left, red right, mixed where they meet.
    void channelsAtTheirRows() {
        const int frames = 8 * 1000;
        plot->SetWave(Wave(
            frames, [](int) { return 12000; }, [](int) { return -20000; }));
        QImage image = Grab();
        const int h = image.height();
        const int leftY = int(PlotY(12000, 128, h));
        const int rightY = int(PlotY(-20000, 128, h));
        for (int x : {5, 50, 150, 300}) {
            if (x % 16 == 0)
                continue;
            QList<int> blue = Rows(image, x, HasBlue);
            QList<int> red = Rows(image, x, HasRed);
            QVERIFY2(!blue.isEmpty() && !red.isEmpty(), qPrintable(QString::number(x)));
            QVERIFY(blue.contains(leftY) || blue.contains(leftY - 1));
            QVERIFY(red.contains(rightY) || red.contains(rightY - 1));
        }
        // Twice the vertical scale moves each line twice as far from the middle.
        plot->ZoomClick(0);
        image = Grab();
        const int zoomedY = int(PlotY(12000, 256, h));
        QVERIFY(zoomedY > leftY + 10);
        QList<int> blue = Rows(image, 50, HasBlue);
        QVERIFY(blue.contains(zoomedY) || blue.contains(zoomedY - 1));
    }

    // The plot stops where the frames do.
    void linesEndWithTheFrames() {
        plot->SetWave(Wave(
            8 * 100, [](int) { return 8000; }, [](int) { return 8000; }));
        QImage image = Grab();
        QVERIFY(!Rows(image, 90, [](QRgb p) { return qBlue(p) == 255; }).isEmpty());
        for (int x = 102; x < 130; ++x)
            QVERIFY(
                Rows(image, x, [](QRgb p) { return qBlue(p) == 255 || qRed(p) == 255; }).isEmpty());
    }

    void scrollingShowsTheRightPart() {
        // Left: a step from -16000 to +16000 at frame 8 * 1000 (pixel 1000); right: silence.
        plot->SetWave(Wave(
            8 * 3000, [](int f) { return f < 8 * 1000 ? -16000 : 16000; }, [](int) { return 0; }));
        QImage image = Grab();
        const int h = image.height();
        const int low = int(PlotY(-16000, 128, h));
        const int high = int(PlotY(16000, 128, h));
        QList<int> blue = Rows(image, 100, HasBlue);
        QVERIFY(blue.contains(low) || blue.contains(low - 1));
        QScrollBar* bar = plot->horizontalScrollBar();
        QCOMPARE(bar->maximum(), 3000 - plot->viewport()->width());
        bar->setValue(1000 - 100); // the step now lies at window column 100
        image = Grab();
        QVERIFY(Rows(image, 50, HasBlue).contains(low) ||
                Rows(image, 50, HasBlue).contains(low - 1));
        QVERIFY(Rows(image, 150, HasBlue).contains(high) ||
                Rows(image, 150, HasBlue).contains(high - 1));
    }
};

QTEST_MAIN(WavePlotTest)
#include "wave_plot_test.moc"
