#include "riff_band.h"

#include <QPoint>
#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>

#include "edit/music.h"
#include "glyphs.h"
#include "model/ansi_text.h"

namespace zel {
namespace {

const QColor StaffBlue(0, 0, 255);
const QColor TabLime(0, 255, 0);
const QColor TextGreen(0, 128, 0);
const QColor SignatureNavy(0, 0, 128);
const QColor BarGrey(128, 128, 128);
const QColor DotRed(255, 0, 0);

QString AnsiText(const std::string& bytes) {
    return QString::fromStdString(AnsiToUtf8(bytes));
}

// Steps 1 to 10 of a band: clef, tempo, staff, strings, T A B, border, key and time signature.
void DrawBandHeader(TCanvas& canvas, const TTabMetrics& m, const TRiff& riff, int x0, int xLimit,
                    int y0) {
    const int h = m.LineHeight;
    const int ss = m.StaffSpace;
    canvas.Style.PenWidth = m.PenWidth;

    if (!canvas.Muted) {
        int clefTop = y0 + m.StaffTop - 2 * ss;
        DrawTrebleClef(canvas.Painter(),
                       QRect(QPoint(x0 + ss / 2, clefTop),
                             QPoint(x0 + m.ColumnWidth - ss / 2 - 1, clefTop + 7 * ss - 1)));
        DrawQuarterNoteSymbol(canvas.Painter(),
                              QRect(QPoint(x0, y0 + h), QPoint(x0 + h - 1, y0 + h + 2 * ss - 1)),
                              Qt::black, Qt::white);
    }
    canvas.Style.FontColor = Qt::black;
    canvas.Style.Bold = false;
    canvas.TextOut(x0 + h, y0 + h, QStringLiteral("=") + QString::number(riff.Tempo));

    canvas.Style.Bold = true;
    canvas.Style.PenColor = StaffBlue;
    for (int i = 0; i < 5; ++i) {
        int y = y0 + m.StaffTop + i * ss;
        canvas.Line(x0, y, xLimit, y);
    }

    canvas.Style.PenColor = TabLime;
    const int s = canvas.FontPoints();
    canvas.SetFontPoints(2 * s / 3);
    canvas.Style.FontColor = TextGreen;
    for (int slot = 0; slot < StringSlots; ++slot) {
        if (!HasString(riff, slot))
            continue;
        int y = y0 + StringLineY(m, riff, slot);
        canvas.Line(x0, y, xLimit, y);
        int pitchClass = PitchClass(riff.Tuning[size_t(slot)]);
        canvas.TextOut(x0 + m.ColumnWidth, y - s / 2,
                       QString::fromLatin1(NoteNames[size_t(pitchClass)].data(),
                                           qsizetype(NoteNames[size_t(pitchClass)].size())));
    }

    canvas.SetFontPoints(s);
    canvas.TextOut(x0, y0 + m.TabTop, QStringLiteral("T"));
    canvas.TextOut(x0, y0 + m.TabTop + h, QStringLiteral("A"));
    canvas.TextOut(x0, y0 + m.TabTop + 2 * h, QStringLiteral("B"));

    canvas.Style.PenColor = BarGrey;
    canvas.Line(x0, y0 + m.StaffTop, x0, y0 + StringLineY(m, riff, 0));

    // Clef, key, time: the key's signs right after the clef, the time signature right of the
    // last sign (a wide one such as "4 4 4 3" would otherwise cover the signs).
    int keyRight = DrawKeySignature(canvas, m, riff, x0 + m.ColumnWidth, y0);
    int timeX = keyRight > x0 + m.ColumnWidth ? keyRight + ss / 2 : x0 + m.ColumnWidth;

    canvas.Style.Bold = true;
    canvas.Style.FontColor = SignatureNavy;
    canvas.SetFontPoints(3 * s / 2);
    int signatureY = y0 + m.StaffTop - ss / 2;
    canvas.TextOut(timeX, signatureY, AnsiText(riff.BarsA));
    canvas.TextOut(timeX, signatureY + 2 * ss, QString::number(riff.BarsB));
    canvas.SetFontPoints(s);
}

bool IsRest(const TRiff& riff, const TNote& note) {
    for (int slot = 0; slot < StringSlots; ++slot)
        if (HasString(riff, slot) && note.Fret[size_t(slot)] != NoFret)
            return false;
    return true;
}

// One pass of the note loop: the bar line the note completes, the pairing decision and the
// column itself. Returns false when the loop ends before this column.
bool DrawNextColumn(TCanvas& canvas, const TTabMetrics& m, const TRiff& riff, int xLimit, int y0,
                    TBandColumnState& state) {
    if (state.NoteIndex >= riff.Capacity() || state.X >= xLimit)
        return false;
    const TNote& note = riff.Notes[size_t(state.NoteIndex)];
    if (note.Duration == EndOfNotes)
        return false;

    int64_t t0 = state.Ticks;
    state.Ticks += NoteTicks(note);
    int64_t t1 = state.Ticks;
    TBarSplit b0 = BarSplit(riff, t0);
    TBarSplit b1 = BarSplit(riff, t1);
    if (b0.Bars != b1.Bars) {
        int xb = state.X + m.ColumnWidth / 2;
        canvas.Style.PenColor = BarGrey;
        canvas.Style.PenWidth = m.PenWidth;
        canvas.Style.PenStyle = b1.Rest != 0 ? Qt::DotLine : Qt::SolidLine;
        canvas.Line(xb, y0 + m.StaffTop, xb,
                    y0 + m.TabTop + (StringCount(riff) - 1) * m.LineHeight);
        canvas.Style.PenStyle = Qt::SolidLine;
        canvas.Style.FontColor = BarGrey;
        if (!canvas.Muted) // the width it returns is not needed here
            PositionText(canvas, xb - m.StaffSpace / 2, y0 + m.StaffTop - 2 * m.StaffSpace, riff,
                         t1);
    }

    TColumnPairing& pairing = state.Pairing;
    if (pairing.PairState == 0) {
        int next = state.NoteIndex + 1;
        if (next < riff.Capacity() && state.X + m.ColumnWidth < xLimit) {
            const TNote& partner = riff.Notes[size_t(next)];
            if (partner.Duration == note.Duration && partner.Flags == note.Flags &&
                !IsRest(riff, partner))
                pairing.PairState = 1;
        }
    } else if (pairing.PairState == 1) {
        pairing.PairState = 2;
    }

    DrawNoteColumn(canvas, m, riff, note, state.X, y0, pairing, state.Chords);

    if (pairing.PairState == 2)
        pairing.PairState = 0;
    state.X += m.ColumnWidth;
    state.NoteIndex += 1;
    return true;
}

} // namespace

void ThickLine(TCanvas& canvas, int x1, int y1, int x2, int y2) {
    canvas.Line(x1, y1, x2, y2);
    canvas.Line(x1 + 1, y1, x2 + 1, y2);
}

void DrawAccidental(TCanvas& canvas, const TTabMetrics& m, int x, int y, int kind) {
    canvas.Style.PenColor = Qt::black;
    const int s = m.StaffSpace;
    const int q = s / 4;
    const int t = 3 * s / 4;
    switch (kind) {
    case 1:
        ThickLine(canvas, x + q, y, x + q, y + s);
        ThickLine(canvas, x + t, y, x + t, y + s);
        ThickLine(canvas, x, y + q, x + s, y + q);
        ThickLine(canvas, x, y + t, x + s, y + t);
        break;
    case 2:
        ThickLine(canvas, x + q, y, x + q, y + s);
        ThickLine(canvas, x + q, y + s / 2, x + t, y + s / 2);
        ThickLine(canvas, x + t, y + s / 2, x + q, y + s);
        break;
    case 3:
        ThickLine(canvas, x + q, y, x + q, y + t);
        ThickLine(canvas, x + t, y + q, x + t, y + s);
        ThickLine(canvas, x + q, y + q, x + t, y + q);
        ThickLine(canvas, x + q, y + t, x + t, y + t);
        break;
    default:
        break;
    }
}

int DrawKeySignature(TCanvas& canvas, const TTabMetrics& m, const TRiff& riff, int x, int y0) {
    int key = std::clamp(riff.Key, -MaxKeyAccidentals, MaxKeyAccidentals);
    int right = x;
    for (int i = 0; i < key; ++i) {
        DrawAccidental(canvas, m, x, y0 + StaffStepTop(m, SharpKeySigSteps[size_t(i)]), 1);
        right = x + m.StaffSpace;
        x += m.ColumnWidth / 4;
    }
    for (int i = 0; i < -key; ++i) {
        DrawAccidental(canvas, m, x, y0 + StaffStepTop(m, FlatKeySigSteps[size_t(i)]), 2);
        right = x + m.StaffSpace;
        x += m.ColumnWidth / 4;
    }
    return right;
}

void DrawRest(TCanvas& canvas, const TTabMetrics& m, int duration, int x, int y0) {
    canvas.Style.BrushColor = Qt::black;
    canvas.Style.BrushClear = false;
    canvas.Style.PenColor = Qt::black;
    const int s = m.StaffSpace;
    const int a = 2 * s / 3;
    const int hs = s / 2;
    const int q = s / 4;
    const int y7 = y0 + StaffStepTop(m, 7);
    const int y6 = y0 + StaffStepTop(m, 6);
    const int y8 = y0 + StaffStepTop(m, 8);
    switch (duration) {
    case 0:
        canvas.FillRect(x, y7, x + s, y7 + s);
        return;
    case 1:
        canvas.FillRect(x, y7, x + s, y7 + hs);
        return;
    case 2:
        canvas.FillRect(x, y6, x + s, y6 + hs);
        return;
    case 3: {
        const std::array<QPoint, 13> relative = {QPoint(0, 0),
                                                 QPoint(s, a),
                                                 QPoint(hs, 2 * a),
                                                 QPoint(s, 2 * a + hs),
                                                 QPoint(hs, 2 * a + hs),
                                                 QPoint(0, 2 * a + 2 * hs),
                                                 QPoint(hs, 2 * a + 3 * hs),
                                                 QPoint(-hs, 2 * a + 2 * hs),
                                                 QPoint(-hs, 2 * a + hs),
                                                 QPoint(0, 2 * a + hs - q),
                                                 QPoint(q, 2 * a + hs - q),
                                                 QPoint(-hs, a + hs - q),
                                                 QPoint(s / 3, a - q)};
        std::array<QPoint, 13> points;
        for (size_t i = 0; i < points.size(); ++i)
            points[i] = relative[i] + QPoint(x, y8);
        canvas.Polygon(points);
        return;
    }
    default:
        break;
    }
    int y = y7;
    // Durations past the table (only riffs made in code have them) draw as the shortest.
    int hooks = std::min(duration, MaxDurationIndex) - 3;
    for (int hook = 0; hook < hooks; ++hook) {
        canvas.Ellipse(x, y, x + a, y + a);
        canvas.Line(x + s / 3, y + a, x + s / 3 + s, y + a);
        canvas.Line(x + s / 3 + s, y, x + 5 * s / 6, y + 2 * s);
        y += s;
        x -= q;
    }
}

void DrawNoteColumn(TCanvas& canvas, const TTabMetrics& m, const TRiff& riff, const TNote& note,
                    int x, int y0, TColumnPairing& pairing, TChordDrawState& chords) {
    const QColor savedBrush = canvas.Style.BrushColor;
    const int h = m.LineHeight;
    const int ss = m.StaffSpace;
    int lowest = INT_MAX;
    int highest = INT_MIN;
    uint16_t pattern = 0;
    for (int slot = 0; slot < StringSlots; ++slot) {
        uint8_t fret = note.Fret[size_t(slot)];
        if (!HasString(riff, slot) || fret == NoFret)
            continue;
        canvas.Style.FontColor = TextGreen;
        canvas.TextOut(x, y0 + StringLineY(m, riff, slot) - h / 2, QString::number(fret));

        int pitch = riff.Tuning[size_t(slot)] + fret;
        pattern = uint16_t(pattern | 1u << PitchClass(pitch));
        TStaffPlace place = PitchToStaff(riff, pitch);
        int step = place.Position;
        lowest = std::min(lowest, step);
        highest = std::max(highest, step);
        int top = y0 + StaffStepTop(m, step);

        canvas.Style.PenColor = StaffBlue;
        canvas.Style.PenWidth = m.PenWidth;
        for (int q = step + (step & 1); q < 2; q += 2) {
            int yq = y0 + StaffStepTop(m, q - 1);
            canvas.Line(x - ss / 2, yq, x + ss / 2, yq);
        }
        for (int q = 12; q <= step; q += 2) {
            int yq = y0 + StaffStepTop(m, q - 1);
            canvas.Line(x - ss / 2, yq, x + ss / 2, yq);
        }

        canvas.Style.PenColor = Qt::black;
        canvas.Style.BrushColor = Qt::black;
        DrawAccidental(canvas, m, x - ss, top, place.Accidental);

        bool hollow = note.Duration <= 2;
        canvas.Style.BrushClear = hollow;
        canvas.Style.PenWidth = hollow ? 2 * m.PenWidth : m.PenWidth;
        canvas.Ellipse(x, top, x + ss + 1, top + ss);
        canvas.Style.PenWidth = m.PenWidth;
        canvas.Style.BrushClear = false;
        if (note.Duration == 0) {
            canvas.Line(x, top, x, top + ss);
            canvas.Line(x + ss, top, x + ss, top + ss);
        }

        canvas.Style.PenColor = DotRed;
        canvas.Style.BrushColor = DotRed;
        const int q = ss / 4;
        if (note.Flags & (NoteDot | NoteDotDot))
            canvas.Ellipse(x + 5 * q, top + q, x + 7 * q, top + 3 * q);
        if (note.Flags & NoteDotDot)
            canvas.Ellipse(x + 7 * q, top + q, x + 9 * q, top + 3 * q);
        if (note.Flags & NoteTie) {
            int xt = x + ss / 2;
            for (int yt : {top + 3 * ss / 4, top + 3 * ss / 4 - 1})
                canvas.Arc(xt, yt, xt + m.ColumnWidth, yt + ss, xt, yt + ss, xt + m.ColumnWidth,
                           yt + ss);
        }
    }

    ChordName(canvas, chords, pattern, x, y0 + StringLineY(m, riff, 0) + h, m.ColumnWidth);

    if (lowest == INT_MAX) {
        DrawRest(canvas, m, note.Duration, x, y0);
        pairing.PairState = 0;
        canvas.Style.BrushColor = savedBrush;
        return;
    }
    if (note.Duration <= 1) {
        canvas.Style.BrushColor = savedBrush;
        return;
    }

    canvas.Style.PenColor = Qt::black;
    canvas.Style.PenWidth = m.PenWidth;
    int d = lowest <= 6 ? 1 : -1;
    if (pairing.PairState == 2 && note.Duration >= 4 && pairing.BeamStart.Direction != 0)
        d = pairing.BeamStart.Direction;
    int xs = 0;
    int ye = 0;
    if (d < 0) {
        xs = x + 1;
        ye = y0 + StaffStepTop(m, lowest - 7);
        canvas.Line(xs, y0 + StaffStepTop(m, highest) + ss / 2, xs, ye);
    } else {
        xs = x + ss;
        ye = y0 + StaffStepTop(m, highest + 5);
        canvas.Line(xs, ye, xs, y0 + StaffStepTop(m, lowest) + ss / 2);
    }

    int k = std::min<int>(note.Duration, MaxDurationIndex) - 3;
    if (pairing.PairState == 0) {
        for (int i = 0; i < k; ++i) {
            canvas.Style.PenWidth = 2 * m.PenWidth;
            canvas.Line(xs, ye, xs + (2 * ss) / 3, ye + d * ((2 * ss) / 3));
            ye += d * (ss / 2);
        }
    } else if (pairing.PairState == 1) {
        pairing.BeamStart = {xs, ye, d};
    } else {
        for (int i = 0; i < k; ++i) {
            canvas.Style.PenWidth = 3 * m.PenWidth;
            canvas.Line(xs, ye, pairing.BeamStart.X, pairing.BeamStart.Y);
            ye += d * (ss / 2);
            pairing.BeamStart.Y += d * (ss / 2);
        }
        pairing.BeamStart = {};
    }
    canvas.Style.BrushColor = savedBrush;
}

void DrawRiffBand(TCanvas& canvas, const TTabMetrics& m, const TRiff& riff, int& noteIndex,
                  int64_t& ticks, int x0, int xLimit, int y0, TChordDrawState& chords) {
    DrawBandHeader(canvas, m, riff, x0, xLimit, y0);
    TBandColumnState state;
    state.NoteIndex = std::max(0, noteIndex);
    state.Ticks = ticks;
    state.X = x0 + m.FirstColumn;
    state.Chords = chords;
    state.Chords.Namer.StartBand();
    while (DrawNextColumn(canvas, m, riff, xLimit, y0, state)) {
    }
    noteIndex = state.NoteIndex;
    ticks = state.Ticks;
    chords = state.Chords;
}

// Draws the visible part of a band from the cached column states.
class TVisibleBandDrawer {
public:
    static void Draw(TCanvas& canvas, const TTabMetrics& m, const TRiff& riff, int x0, int xLimit,
                     int y0, int visibleLeft, int visibleRight, TBandColumnCache& cache) {
        DrawBandHeader(canvas, m, riff, x0, xLimit, y0);
        Validate(canvas, m, riff, x0, xLimit, y0, cache);

        // Columns left of the range reach into it with their texts (bar numbers, wide chord
        // names) and ties; columns right of it with accidentals, ledger lines and the beam
        // back to the first note of their pair.
        const int leftMargin = 5 * m.ColumnWidth;
        const int rightMargin = 2 * m.ColumnWidth;
        int firstColumn =
            std::max(0, (visibleLeft - leftMargin - x0 - m.FirstColumn) / m.ColumnWidth);
        int stride = TBandColumnCache::Stride;
        size_t slot = size_t(firstColumn / stride);
        if (cache.m_states.empty()) {
            TBandColumnState start;
            start.X = x0 + m.FirstColumn;
            start.Style = canvas.Style;
            cache.m_states.push_back(start);
        }
        // Extend the cache up to the slot needed, replaying columns without drawing.
        TBandColumnState state = cache.m_states.back();
        bool wasMuted = canvas.Muted;
        while (cache.m_states.size() <= slot) {
            canvas.Muted = true;
            canvas.Style = state.Style;
            bool more = true;
            for (int i = 0; i < stride && more; ++i)
                more = DrawNextColumn(canvas, m, riff, xLimit, y0, state);
            state.Style = canvas.Style;
            if (!more)
                break;
            cache.m_states.push_back(state);
        }
        slot = std::min(slot, cache.m_states.size() - 1);
        state = cache.m_states[slot];
        canvas.Style = state.Style;
        int column = int(slot) * stride;
        canvas.Muted = true;
        while (column < firstColumn && DrawNextColumn(canvas, m, riff, xLimit, y0, state))
            ++column;
        canvas.Muted = wasMuted;
        while (state.X < visibleRight + rightMargin &&
               DrawNextColumn(canvas, m, riff, xLimit, y0, state)) {
        }
    }

private:
    static void Validate(const TCanvas& canvas, const TTabMetrics& m, const TRiff& riff, int x0,
                         int xLimit, int y0, TBandColumnCache& cache) {
        TBandColumnCache::TKey key{
            m,        x0,         y0,        canvas.Style.FontPixels, canvas.Dpi(), riff.Tuning,
            riff.Key, riff.BarsA, riff.BarsB};
        if (!cache.m_valid || !(key == cache.m_key)) {
            cache.Clear();
            cache.m_key = key;
            cache.m_valid = true;
            cache.m_xLimit = xLimit;
        }
        if (xLimit != cache.m_xLimit) {
            // A state stays right while every decision before it saw its column inside both
            // limits, which holds for states left of the nearer limit.
            int nearer = std::min(xLimit, cache.m_xLimit);
            size_t keep = 1;
            while (keep < cache.m_states.size() && cache.m_states[keep].X < nearer)
                ++keep;
            if (cache.m_states.size() > keep)
                cache.m_states.resize(keep);
            cache.m_xLimit = xLimit;
        }
        // Notes up to the end record; the state before column k depends on notes up to k
        // (the pairing looks one note ahead).
        int count = std::min(NoteCount(riff) + 1, riff.Capacity());
        size_t same = 0;
        size_t limit = std::min(cache.m_notes.size(), size_t(std::max(0, count)));
        while (same < limit && cache.m_notes[same] == riff.Notes[same])
            ++same;
        if (same != cache.m_notes.size() || same != size_t(std::max(0, count))) {
            size_t keepColumns = same == 0 ? 0 : same - 1;
            size_t keepStates = keepColumns / TBandColumnCache::Stride + 1;
            if (cache.m_states.size() > keepStates)
                cache.m_states.resize(keepStates);
            cache.m_notes.assign(riff.Notes.begin(), riff.Notes.begin() + std::max(0, count));
        }
    }
};

void TBandColumnCache::Clear() {
    m_valid = false;
    m_notes.clear();
    m_states.clear();
}

void DrawRiffBandVisible(TCanvas& canvas, const TTabMetrics& m, const TRiff& riff, int x0,
                         int xLimit, int y0, int visibleLeft, int visibleRight,
                         TBandColumnCache& cache) {
    TVisibleBandDrawer::Draw(canvas, m, riff, x0, xLimit, y0, visibleLeft, visibleRight, cache);
}

} // namespace zel
