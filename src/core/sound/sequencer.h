// Turning riffs and the song into one rendered buffer: the notes of the song's timeline queued
// row by row into the renderer, and the status text of a render.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "arrange/timeline.h"
#include "base/progress.h"
#include "model/song.h"
#include "sound/notebuffer.h"
#include "sound/sample_buffer.h"

namespace zel {

// The longest passage a render makes: two hours (about 1.3 GB of samples). Longer songs, such
// as a repeat count typed by mistake, are refused instead of exhausting memory.
inline constexpr int64_t MaxRenderValues = int64_t(2) * SampleRate * 2 * 3600;
inline constexpr const char* TooLongError =
    "\\b\\1\\|Error!\\n\\[Too long to render (over 2 hours)";

// The renderer's setting and state for one render command. Notes are queued and rendered in
// batches on several threads, then added to the buffer in their order, so the samples and
// the peak level are exactly those of rendering them one after another.
class TRenderer {
public:
    TRenderer();
    ~TRenderer() = default;
    TRenderer(const TRenderer&) = delete;
    TRenderer& operator=(const TRenderer&) = delete;

    int MasterVolume = 50;
    TRenderState State;
    int Threads = 1; // how many threads render notes; by default the machine's cores, up to 4

    // Queues one note of the instrument (which must stay valid until the next Flush) into
    // `buffer` from value `start`, never at or beyond `end`.
    void AddNote(int tempo, int pitch, int ticks, const TInstrument& instrument,
                 std::span<int16_t> buffer, int64_t start, int64_t end);
    // Renders every queued note into its buffer.
    void Flush();

private:
    struct TJob {
        int Tempo, Pitch, Ticks;
        const TInstrument* Instrument;
        std::span<int16_t> Buffer;
        int64_t Start, End;
    };
    std::vector<TJob> m_jobs;
    std::vector<TVoiceSound> m_sounds;
    // Storage of contributions already added, for later notes, and its total capacity.
    std::vector<decltype(TVoiceSound::Values)> m_spare;
    size_t m_spareValues = 0;
};

// Renders riffs one after another: the current riff from a note, or every riff of the table.
// None when the result would be longer than MaxRenderValues. The buffer comes back complete.
TSharedBuffer RenderRiffs(TRenderer& renderer, const TProject& project, int riffIndex, int first,
                          bool allRiffs, const TInstrument& instrument);

enum class TSongMode {
    FromRow,  // "Play Project starting at current Row"
    All,      // "Play Entire Project"
    OnceEach, // "Play Project (1 x all)": every pair once
    Export,   // "Export WAV...": as All, no playback
};

// The rows a song render plays for the mode, from the grid's row (counted from 1) for FromRow.
TPlayOptions SongPlayOptions(TSongMode mode, int firstGridRow);

struct TSongRender {
    TSharedBuffer Buffer; // none when a riff name was undefined
    int64_t Total = 0;    // values (two per frame)
    std::string Error;    // the message for an undefined riff, with markup
    bool Cancelled = false;
};

// Renders the song structure. `firstGridRow` (from 1) is used by FromRow. `startPlayback` is
// called once, after the first rendered row, with the whole (still rendering) buffer, except
// for Export and when a riff is undefined. The buffer's rendered mark moves to the end of each
// row as it is finished, and to the end of the buffer when the render returns (cancelled or
// not: the rest then stays silent). `rowStarted` learns, before anything plays, the frame at
// which each grid row (from 1) that takes time starts.
TSongRender RenderSong(TRenderer& renderer, const TProject& project, TSongMode mode,
                       int firstGridRow, TProgress* progress,
                       const std::function<void(const TSharedBuffer&)>& startPlayback,
                       const std::function<void(int gridRow, int64_t frame)>& rowStarted = {});

// The first pass of RenderSong alone: the song's length (Total) and the error a render would
// give, without a buffer or any sound.
TSongRender MeasureSong(const TProject& project, TSongMode mode, int firstGridRow,
                        const std::function<void(int gridRow, int64_t frame)>& rowStarted = {});

// "Render Time 0.350 Sec.   Play Time 00:01:05.   Level 87%."
std::string RenderStatusText(int64_t renderMilliseconds, int64_t frames, int32_t peakLevel);

// One note of a pitch with the current duration, its release given three times the note's
// length, as the preview of an entered note.
// The instruments window's preview: pitch 0 (middle C) held for `ticks` at tempo 120 in a buffer
// of eight seconds, so that a long release is heard and plotted whole.
TSharedBuffer RenderInstrumentPreview(TRenderer& renderer, int ticks,
                                      const TInstrument& instrument);

TSharedBuffer RenderPreview(TRenderer& renderer, int tempo, uint8_t duration, int pitch,
                            const TInstrument& instrument);

} // namespace zel
