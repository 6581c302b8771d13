#include "music_text.h"

#include <cstdlib>

namespace zel {

int PositionText(TCanvas& canvas, int x, int y, const TRiff& riff, int64_t ticks) {
    TPositionParts parts = PositionParts(riff, ticks);
    if (parts.ShowBars) {
        x += canvas.TextOut(x, y, QString::number(parts.Bars));
        if (parts.Numerator > 0)
            x += canvas.TextOut(x, y, QStringLiteral("+"));
    }
    if (parts.Numerator > 0) {
        int h = canvas.Style.FontPixels;
        int h2 = 2 * h / 3;
        canvas.Style.FontPixels = h2;
        int top = canvas.TextOut(x, y - std::abs(h) / 8, QString::number(parts.Numerator));
        int bottom =
            canvas.TextOut(x, y + 3 * std::abs(h2) / 4, QString::number(parts.Denominator));
        canvas.Style.FontPixels = h;
        x += std::max(top, bottom);
    }
    return x;
}

void ChordName(TCanvas& canvas, TChordDrawState& state, uint16_t pattern, int x, int y,
               int columnWidth) {
    QString text = QString::fromStdString(state.Namer.Name(pattern));
    int width = canvas.TextWidth(text);
    if (state.ChordStagger) {
        y += canvas.TextHeight();
        state.ChordStagger = false;
    } else if (width >= columnWidth) {
        state.ChordStagger = true;
    }
    canvas.TextOut(x, y, text);
}

} // namespace zel
