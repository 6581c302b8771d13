// Smooth drawing against exact drawing: every element keeps its place and size, curves and
// slants get softened edges, and straight lines stay crisp. Layout as on the screen: column i
// has its left edge at x = 108 + 26 i, the staff at y 65..97 and the tab at y 156..221.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "band_test_support.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

constexpr int Eighth = 4;
constexpr int Half = 2;

// Something of everything: heads of every kind, beams and flags, dots, ties, rests, ledger
// lines, accidentals, a chord, solid and dotted bar lines.
TRiff EverythingRiff() {
    return MakeRiff({Pitch(4), Pitch(14, Eighth), Pitch(9, Eighth), Pitch(1, 5),
                     Pitch(-3, 3, NoteDot), Pitch(21, 3, NoteDotDot | NoteTie), Pitch(21, Half),
                     Note(3), Note(Eighth), Note(Half), Note(1), Note(0),
                     Note(3, {{1, 3}, {2, 2}, {3, 0}}), Pitch(4, 1), Pitch(4, 0), Pitch(10, 6),
                     Pitch(3), Pitch(4, Half)},
                    "4", -2);
}

QImage DrawBandAs(const TRiff& riff, TDrawingMode mode, qreal ratio = 1) {
    return DrawBand(riff, 700, mode, ratio);
}

// How much two pixels differ: the largest difference of a channel.
int Difference(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

// The picture on the grid of logical pixels: at a device pixel ratio above 1 the device pixels
// of each logical pixel are averaged.
QImage OnLogicalPixels(const QImage& image) {
    QSize size = (QSizeF(image.size()) / image.devicePixelRatio()).toSize();
    if (size == image.size())
        return image;
    QImage scaled = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(1);
    return scaled;
}

// The bounding box of the pixels of `rect` where `image` differs clearly from `background` (of
// the same size); faint edge pixels of a quarter strength or less do not count.
QRect InkBox(const QImage& image, const QImage& background, const QRect& rect) {
    QRect box;
    QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (Difference(image.pixel(x, y), background.pixel(x, y)) > 127)
                box |= QRect(x, y, 1, 1);
    return box;
}

// The strips the band's elements are compared in: half a column wide, and the three bands of
// texts above the staff, the staff and the tab with the chord names.
std::vector<QRect> Strips(int width, int height) {
    std::vector<QRect> strips;
    for (int x = 0; x < width; x += 13)
        for (auto [top, bottom] : {std::pair{0, 64}, std::pair{64, 150}, std::pair{150, height}})
            strips.emplace_back(x, top, 13, bottom - top);
    return strips;
}

bool Near(const QRect& a, const QRect& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return std::abs(a.left() - b.left()) <= 1 && std::abs(a.right() - b.right()) <= 1 &&
           std::abs(a.top() - b.top()) <= 1 && std::abs(a.bottom() - b.bottom()) <= 1;
}

std::string Describe(const QRect& r) {
    if (r.isNull())
        return "nothing";
    return std::to_string(r.left()) + ".." + std::to_string(r.right()) + " x " +
           std::to_string(r.top()) + ".." + std::to_string(r.bottom());
}

// Scaled coordinates round to the nearest pixel, halves away from zero on both sides of 0, so a
// drawing mirrored about 0 stays mirrored.
TEST(CanvasScaling, HalvesRoundAwayFromZero) {
    const int cases[][4] = {{7, 1, 2, 4}, {-7, 1, 2, -4}, {7, 1, -2, -4}, {-7, -1, 2, 4},
                            {5, 3, 4, 4}, {-5, 3, 4, -4}, {5, 3, 0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(MulDivRound(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " " << c[2];
}

TEST(SmoothDrawingTest, StraightLinesCoverTheSamePixelsAsExactLines) {
    struct {
        const char* name;
        int width;
        Qt::PenStyle style;
        QLine line;
    } cases[] = {{"thin across", 1, Qt::SolidLine, QLine(10, 20, 60, 20)},
                 {"thin up", 1, Qt::SolidLine, QLine(30, 70, 30, 5)},
                 {"thin point", 1, Qt::SolidLine, QLine(30, 30, 30, 30)},
                 {"two wide point", 2, Qt::SolidLine, QLine(30, 30, 30, 30)},
                 {"three wide down", 3, Qt::SolidLine, QLine(30, 5, 30, 70)},
                 {"four wide across", 4, Qt::SolidLine, QLine(60, 20, 10, 20)},
                 {"dotted across, drawn leftwards", 1, Qt::DotLine, QLine(61, 20, 10, 20)}};
    for (const auto& c : cases) {
        auto draw = [&](TDrawingMode mode, int ratio) {
            return Draw(
                80, 80,
                [&](TCanvas& canvas) {
                    canvas.Style.PenWidth = c.width;
                    canvas.Style.PenStyle = c.style;
                    canvas.Line(c.line.x1(), c.line.y1(), c.line.x2(), c.line.y2());
                },
                mode, ratio);
        };
        QImage exact = draw(TDrawingMode::Exact, 1);
        EXPECT_GT(Dark(exact, exact.rect()), 0) << c.name;
        EXPECT_EQ(draw(TDrawingMode::Smooth, 1), exact) << c.name;
        // Twice as fine: every pixel becomes two by two device pixels.
        QImage twice = exact.scaled(exact.size() * 2);
        twice.setDevicePixelRatio(2);
        EXPECT_EQ(draw(TDrawingMode::Smooth, 2), twice) << c.name;
    }
}

TEST(SmoothDrawingTest, EveryElementKeepsItsPlaceAndSize) {
    TTabMetrics m = ComputeTabMetrics(RiffViewFontPixels);
    struct {
        const char* name;
        TRiff riff;
    } riffs[] = {{"everything", EverythingRiff()},
                 {"beamed pairs", MakeRiff({Pitch(4, Eighth), Pitch(16, Eighth), Pitch(12, 5),
                                            Pitch(5, 5), Pitch(7, 6), Pitch(7, 6)},
                                           "4", 3)}};
    TRiff empty = MakeRiff({});
    for (const auto& r : riffs) {
        empty.Key = r.riff.Key;
        int height = BandHeight(m, r.riff);
        QImage exact = DrawBandAs(r.riff, TDrawingMode::Exact);
        QImage exactLines = DrawBandAs(empty, TDrawingMode::Exact);
        for (qreal ratio : {1.0, 2.0}) {
            QImage device = DrawBandAs(r.riff, TDrawingMode::Smooth, ratio);
            ASSERT_EQ(device.size(), exact.size() * ratio);
            QImage smooth = OnLogicalPixels(device);
            QImage smoothLines = OnLogicalPixels(DrawBandAs(empty, TDrawingMode::Smooth, ratio));
            int compared = 0;
            for (const QRect& strip : Strips(exact.width(), height)) {
                QRect want = InkBox(exact, exactLines, strip);
                QRect got = InkBox(smooth, smoothLines, strip);
                compared += !want.isNull();
                EXPECT_TRUE(Near(got, want))
                    << r.name << " at ratio " << ratio << ", strip at " << strip.x() << ", "
                    << strip.y() << ": exact " << Describe(want) << ", smooth " << Describe(got);
            }
            EXPECT_GT(compared, 15) << r.name;
        }
    }
}

TEST(SmoothDrawingTest, CurvesAndSlantsGetSoftEdgesStraightShapesDoNot) {
    struct {
        const char* element;
        TRiff riff;
        QRect area; // logical pixels holding the element and nothing else drawn blended
        bool softened;
    } cases[] = {{"filled head", MakeRiff({Pitch(4)}), QRect(106, 91, 10, 12), true},
                 {"tie", MakeRiff({Pitch(4, 3, NoteTie), Pitch(4)}), QRect(114, 100, 22, 10), true},
                 {"slanted beam", MakeRiff({Pitch(4, Eighth), Pitch(11, Eighth)}),
                  QRect(118, 55, 22, 18), true},
                 {"staff and tab lines", MakeRiff({}), QRect(300, 60, 300, 170), false},
                 {"stem", MakeRiff({Pitch(4)}), QRect(114, 74, 5, 15), false},
                 {"sharp", MakeRiff({}, "4", 1), QRect(56, 56, 10, 11), false}};
    for (const auto& c : cases) {
        QImage exact = DrawBandAs(c.riff, TDrawingMode::Exact);
        EXPECT_GT(Dark(exact, c.area) + Count(exact, c.area, Blue) + Count(exact, c.area, Red), 2)
            << c.element << ": the area holds the element";
        EXPECT_EQ(Blended(exact, c.area), 0) << c.element;
        for (qreal ratio : {1.0, 2.0}) {
            QImage smooth = DrawBandAs(c.riff, TDrawingMode::Smooth, ratio);
            QRect device(c.area.topLeft() * ratio, c.area.size() * ratio);
            int blended = Blended(smooth, device);
            if (c.softened)
                EXPECT_GT(blended, 2) << c.element << " at ratio " << ratio;
            else
                EXPECT_EQ(blended, 0) << c.element << " at ratio " << ratio;
        }
    }
}

} // namespace
} // namespace zel
