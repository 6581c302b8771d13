// One band of a riff drawn as music: staff with clef, tempo, key and time signature, the tab
// lines, and one column per note with frets, heads, stems, flags, beams, dots, ties, rests,
// bar lines with bar numbers and chord names.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"
#include "edit/tab_metrics.h"
#include "music_text.h"

namespace zel {

// Stem end of the first note of an open beamed pair; all zero when no pair is open.
struct TBeamStart {
    int X = 0;
    int Y = 0;
    int Direction = 0;
    bool operator==(const TBeamStart&) const = default;
};

// 0: the column stands alone, 1: first of a beamed pair, 2: second of a pair.
struct TColumnPairing {
    int PairState = 0;
    TBeamStart BeamStart;
};

// Draws one band with its top-left corner at (x0, y0); lines run to xLimit and columns are
// drawn from note `noteIndex` on while they start left of xLimit. On return `noteIndex` is the
// first note not drawn and `ticks` has grown by every drawn note's length, so the next band
// continues the bar numbers. `chords` carries the chord names' memory from band to band.
void DrawRiffBand(TCanvas& canvas, const TTabMetrics& m, const TRiff& riff, int& noteIndex,
                  int64_t& ticks, int x0, int xLimit, int y0, TChordDrawState& chords);

// One note column with its left edge at x.
void DrawNoteColumn(TCanvas& canvas, const TTabMetrics& m, const TRiff& riff, const TNote& note,
                    int x, int y0, TColumnPairing& pairing, TChordDrawState& chords);
void DrawRest(TCanvas& canvas, const TTabMetrics& m, int duration, int x, int y0);
// kind: 0 none, 1 sharp, 2 flat, 3 natural; (x, y) is the top-left of a staff-space box.
void DrawAccidental(TCanvas& canvas, const TTabMetrics& m, int x, int y, int kind);
// The key's signs from x on; returns the x right of the last sign (x itself when there is none).
int DrawKeySignature(TCanvas& canvas, const TTabMetrics& m, const TRiff& riff, int x, int y0);
// The line, then the same line one pixel to the right.
void ThickLine(TCanvas& canvas, int x1, int y1, int x2, int y2);

// What drawing a band has reached before one of its columns.
struct TBandColumnState {
    int NoteIndex = 0;
    int64_t Ticks = 0;
    int X = 0;
    TColumnPairing Pairing;
    TChordDrawState Chords;
    TCanvasStyle Style;
};

// Remembers the column states of the last band drawn by DrawRiffBandVisible, so that a paint
// of a few visible columns does not walk every note before them. The cache checks what it was
// built from and rebuilds from the first note that changed.
class TBandColumnCache {
public:
    void Clear();

private:
    friend class TVisibleBandDrawer;
    struct TKey {
        TTabMetrics Metrics;
        int X0 = 0, Y0 = 0, FontPixels = 0, Dpi = 0;
        std::array<int32_t, StringSlots> Tuning{};
        int32_t Key = 0;
        std::string BarsA;
        uint16_t BarsB = 0;
        bool operator==(const TKey&) const = default;
    };
    TKey m_key;
    bool m_valid = false;
    int m_xLimit = 0;
    std::vector<TNote> m_notes;             // the notes the states were built from
    std::vector<TBandColumnState> m_states; // before columns 0, Stride, 2 x Stride, ...
    static constexpr int Stride = 16;
};

// Draws the same picture as DrawRiffBand (notes from 0, ticks from 0, fresh chord names) in
// the horizontal range visibleLeft..visibleRight; columns far outside the range are skipped.
// The caller clips to the range.
void DrawRiffBandVisible(TCanvas& canvas, const TTabMetrics& m, const TRiff& riff, int x0,
                         int xLimit, int y0, int visibleLeft, int visibleRight,
                         TBandColumnCache& cache);

} // namespace zel
