#include "riff_image.h"

#include <QPainter>

#include "canvas.h"
#include "edit/tab_metrics.h"
#include "riff_band.h"
#include "riff_view_paint.h"

namespace zel {
namespace {

constexpr int BandLeft = 4;
constexpr int BandRightMargin = 4;
// About 1 GB of 32-bit pixels is where an image stops being a sensible picture to share.
constexpr long long MaxImagePixels = 256LL * 1024 * 1024;
// 96 dots per inch: the point sizes of the band's small and large texts follow the screen.
constexpr int ScreenDotsPerMeter = 3780;

} // namespace

int ColumnsPerBand(int width, int fontPixels) {
    TTabMetrics m = ComputeTabMetrics(fontPixels);
    int room = width - BandRightMargin - BandLeft - m.FirstColumn;
    if (room <= 0)
        return 0;
    return (room + m.ColumnWidth - 1) / m.ColumnWidth;
}

namespace {

// The height of the picture: its bands one below another.
long long PictureHeight(const TRiff& riff, int width, int fontPixels) {
    int perBand = ColumnsPerBand(width, fontPixels);
    if (perBand <= 0)
        return 0;
    TTabMetrics m = ComputeTabMetrics(fontPixels);
    long long bands = std::max(1, (NoteCount(riff) + perBand - 1) / perBand);
    return bands * BandHeight(m, riff);
}

bool PictureFits(int width, long long height) {
    return height * width <= MaxImagePixels && height <= 32767 * 16;
}

// What would make a picture that is too large fit: a wider picture wraps into fewer bands, a
// smaller font shrinks everything. Only what would help is offered.
const char* TooLargeAdvice(const TRiff& riff, const TRiffImageOptions& options) {
    bool wider =
        options.Width < MaxRiffImageWidth &&
        PictureFits(MaxRiffImageWidth, PictureHeight(riff, MaxRiffImageWidth, options.FontPixels));
    if (wider)
        return "use a larger --width";
    for (int width : {options.Width, MaxRiffImageWidth}) {
        long long height = PictureHeight(riff, width, MinRiffImageFontPixels);
        if (options.FontPixels > MinRiffImageFontPixels && height > 0 && PictureFits(width, height))
            return width == options.Width ? "use a smaller --font-height"
                                          : "use a smaller --font-height and a larger --width";
    }
    return "the riff is too long for one picture";
}

} // namespace

QImage RenderRiffImage(const TRiff& riff, const TRiffImageOptions& options, QString& error) {
    if (options.FontPixels < MinRiffImageFontPixels || options.FontPixels > 200) {
        error = QStringLiteral("the font height must be 6 to 200 pixels");
        return {};
    }
    int perBand = ColumnsPerBand(options.Width, options.FontPixels);
    if (perBand <= 0) {
        TTabMetrics m = ComputeTabMetrics(options.FontPixels);
        error = QStringLiteral("the width leaves no room for notes: use at least %1 pixels")
                    .arg(BandLeft + m.FirstColumn + BandRightMargin + 1);
        return {};
    }
    long long height = PictureHeight(riff, options.Width, options.FontPixels);
    if (!PictureFits(options.Width, height)) {
        error = QStringLiteral("the picture would be %1 x %2 pixels, too large to write; %3")
                    .arg(options.Width)
                    .arg(height)
                    .arg(QString::fromLatin1(TooLargeAdvice(riff, options)));
        return {};
    }
    TTabMetrics m = ComputeTabMetrics(options.FontPixels);
    long long bands = height / BandHeight(m, riff);
    QImage image(options.Width, int(height), QImage::Format_RGB32);
    if (image.isNull()) {
        error = QStringLiteral("there is not enough memory for a %1 x %2 pixel picture")
                    .arg(options.Width)
                    .arg(height);
        return {};
    }
    image.setDotsPerMeterX(ScreenDotsPerMeter);
    image.setDotsPerMeterY(ScreenDotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    TCanvas canvas(painter, RiffViewFontFamily(), options.FontPixels,
                   options.Smooth ? TDrawingMode::Smooth : TDrawingMode::Exact);
    int noteIndex = 0;
    int64_t ticks = 0;
    TChordDrawState chords;
    for (long long band = 0; band < bands; ++band) {
        int y0 = int(band * BandHeight(m, riff));
        DrawRiffBand(canvas, m, riff, noteIndex, ticks, BandLeft, options.Width - BandRightMargin,
                     y0, chords);
        canvas.Style.FontPixels = options.FontPixels;
    }
    return image;
}

} // namespace zel
