// Drawing a riff band into an image and reading its pixels back.
#pragma once

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "canvas.h"
#include "edit/tab_metrics.h"
#include "edit/tab_mouse.h"
#include "riff_band.h"
#include "riff_view_paint.h"
#include "test_support.h"

namespace zel::test {

inline const QColor Blue(0, 0, 255);
inline const QColor Lime(0, 255, 0);
inline const QColor Grey(128, 128, 128);
inline const QColor Black(0, 0, 0);
inline const QColor White(255, 255, 255);
inline const QColor Red(255, 0, 0);

// A riff of these notes and the end record, with its numerator list and key.
inline TRiff MakeRiff(std::vector<TNote> notes, std::string barsA = "4", int key = 0) {
    TRiff riff;
    riff.Notes = std::move(notes);
    riff.Notes.push_back(TNote{});
    riff.BarsA = std::move(barsA);
    riff.Key = key;
    return riff;
}

// Single pitches on the standard tuning E3 A3 D4 G4 B4 E5 (pitch 0 is middle C).
inline TNote Pitch(int pitch, uint8_t duration = QuarterDuration, uint8_t flags = 0) {
    static const std::pair<int, int> places[] = {{-8, 0}, {-3, 1}, {2, 2},
                                                 {7, 3},  {11, 4}, {16, 5}};
    for (int i = 5; i >= 0; --i)
        if (pitch >= places[i].first)
            return Note(duration, {{places[i].second, pitch - places[i].first}}, flags);
    return Note(duration, {{0, 0}}, flags);
}

// An image with 96 dpi, white, of the given size in pixels of `ratio` device pixels each.
inline QImage WhiteImage(int width, int height, qreal ratio = 1) {
    QImage image(int(std::ceil(width * ratio)), int(std::ceil(height * ratio)),
                 QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    return image;
}

// Draws with a canvas whose font is the view's (13 pixels) on a fresh image.
inline QImage Draw(int width, int height, const std::function<void(TCanvas&)>& draw,
                   TDrawingMode mode = TDrawingMode::Exact, qreal ratio = 1) {
    QImage image = WhiteImage(width, height, ratio);
    QPainter painter(&image);
    TCanvas canvas(painter, RiffViewFontFamily(), RiffViewFontPixels, mode);
    draw(canvas);
    return image;
}

// Draws one band of the riff from note `index` on as the screen does (x0 = 4, y0 = 0), the notes
// up to `xLimit`; the index, the ticks and the chord names carry on to the next band.
inline void DrawBandPart(TCanvas& canvas, const TRiff& riff, int xLimit, int& index, int64_t& ticks,
                         TChordDrawState& chords) {
    DrawRiffBand(canvas, ComputeTabMetrics(13), riff, index, ticks, 4, xLimit, 0, chords);
}

// The whole band as the screen draws it, on an image `ratio` device pixels to the pixel.
inline QImage DrawBand(const TRiff& riff, int width = 700, TDrawingMode mode = TDrawingMode::Exact,
                       qreal ratio = 1) {
    int index = 0;
    int64_t ticks = 0;
    TChordDrawState chords;
    return Draw(
        width, BandHeight(ComputeTabMetrics(13), riff),
        [&](TCanvas& canvas) { DrawBandPart(canvas, riff, width, index, ticks, chords); }, mode,
        ratio);
}

inline QColor At(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

// Pixels of a colour inside a rectangle.
inline int Count(const QImage& image, const QRect& rect, const QColor& color) {
    int n = 0;
    QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += QColor(image.pixel(x, y)) == color;
    return n;
}

// Pixels that are not white inside a rectangle.
inline int Ink(const QImage& image, const QRect& rect) {
    return rect.intersected(image.rect()).width() * rect.intersected(image.rect()).height() -
           Count(image, rect, White);
}

// Dark pixels (all channels below 100) inside a rectangle: black glyphs, antialiased or not.
inline int Dark(const QImage& image, const QRect& rect) {
    int n = 0;
    QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            QColor c(image.pixel(x, y));
            n += c.red() < 100 && c.green() < 100 && c.blue() < 100;
        }
    return n;
}

// Pixels of a colour the band is never painted with: the blended edges of antialiased shapes.
inline int Blended(const QImage& image, const QRect& rect) {
    static const QRgb palette[] = {qRgb(255, 255, 255), qRgb(0, 0, 0),      qRgb(0, 0, 255),
                                   qRgb(0, 255, 0),     qRgb(0, 128, 0),    qRgb(0, 0, 128),
                                   qRgb(255, 0, 0),     qRgb(128, 128, 128)};
    int n = 0;
    QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += std::count(std::begin(palette), std::end(palette),
                            image.pixel(x, y) | 0xff000000u) == 0;
    return n;
}

} // namespace zel::test
