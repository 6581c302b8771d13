// A riff as a picture: bands one below another, wrapped at the picture's width.
#include <gtest/gtest.h>

#include "band_test_support.h"
#include "riff_image.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

TRiff QuarterRiff(int count) {
    TRiff riff;
    riff.Notes.assign(size_t(count), Note(QuarterDuration, {{2, 2}}));
    riff.Notes.push_back(TNote{});
    return riff;
}

TEST(RiffImageTest, BandsWrapAtTheWidthAndStackDown) {
    TTabMetrics m = ComputeTabMetrics(13);
    const int band = BandHeight(m, TRiff{});
    struct {
        int notes;
        int width;
        int bands;
    } cases[] = {
        {0, 1200, 1}, {5, 1200, 1}, {42, 1200, 1}, {43, 1200, 2}, {12, 4 + 104 + 5 * 26 + 4, 3}};
    for (auto c : cases) {
        QString error;
        QImage image = RenderRiffImage(QuarterRiff(c.notes), {c.width, 13}, error);
        ASSERT_FALSE(image.isNull()) << error.toStdString();
        EXPECT_EQ(image.width(), c.width);
        EXPECT_EQ(image.height(), c.bands * band) << c.notes;
        // Every band has its staff.
        for (int b = 0; b < c.bands; ++b)
            EXPECT_EQ(At(image, 60, b * band + 65), Blue) << c.notes << " band " << b;
    }
    EXPECT_EQ(ColumnsPerBand(1200, 13), 42); // x = 108 + 26 i < 1196
    // Five columns start left of width - 4 when the width is 4 + 104 + 5 x 26 + 4.
    EXPECT_EQ(ColumnsPerBand(4 + 104 + 5 * 26 + 4, 13), 5);
    EXPECT_EQ(ColumnsPerBand(4 + 104 + 5 * 26 + 5, 13), 6);
}

TEST(RiffImageTest, ImpossibleSizesAreRefusedWithAReason) {
    QString error;
    EXPECT_TRUE(RenderRiffImage(QuarterRiff(3), {100, 13}, error).isNull());
    EXPECT_TRUE(error.contains(QStringLiteral("at least 113")));
    error.clear();
    EXPECT_TRUE(RenderRiffImage(QuarterRiff(3), {1200, 5}, error).isNull()); // 6 at least
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(RenderRiffImage(QuarterRiff(3), {1200, 6}, error).isNull());
    error.clear();
    // A million notes in narrow bands would be a picture of gigabytes.
    EXPECT_TRUE(RenderRiffImage(QuarterRiff(1000000), {200, 13}, error).isNull());
    EXPECT_TRUE(error.contains(QStringLiteral("too large")));
}

TEST(RiffImageTest, LargerFontScalesTheLayout) {
    QString error;
    QImage image = RenderRiffImage(QuarterRiff(4), {1200, 26}, error);
    ASSERT_FALSE(image.isNull());
    TTabMetrics m = ComputeTabMetrics(26);
    EXPECT_EQ(image.height(), BandHeight(m, TRiff{}));
    EXPECT_EQ(At(image, 600, m.StaffTop), Blue);
    EXPECT_EQ(At(image, 600, m.TabTop), Lime);
}

} // namespace
} // namespace zel
