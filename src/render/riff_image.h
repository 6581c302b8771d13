// A riff drawn as a picture: its bands one below another, wrapped the way printing wraps them.
#pragma once

#include <QImage>
#include <QString>

#include "edit/riff_image_limits.h"
#include "model/song.h"

namespace zel {

struct TRiffImageOptions {
    int Width = 1200;
    int FontPixels = 13;
    // Antialiased edges instead of the exact, pixel-for-pixel picture.
    bool Smooth = false;
};

// Note columns that fit in one band of the given width (x0 = 4, xLimit = width - 4).
int ColumnsPerBand(int width, int fontPixels);

// Draws the riff on a white image. Returns a null image and says why in `error` when the width
// leaves no room for a note column or the picture would be too large to hold.
QImage RenderRiffImage(const TRiff& riff, const TRiffImageOptions& options, QString& error);

} // namespace zel
