// Following playback: which riff and which record of it is heard at a frame of the rendered
// buffer, so the riff view can mark the note being heard while a riff or the song plays.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "arrange/timeline.h"

namespace zel {

struct TPlayPlace {
    int Riff = -1; // none: nothing plays at that frame (an empty row, or past the end)
    int Note = -1; // the record heard, a rest or a tied record too
    int Column = -1;
    bool operator==(const TPlayPlace&) const = default;
};

class TPlayFollower {
public:
    TPlayFollower() = default;
    // The timeline of what plays; `first` is the record a single riff plays from (riff
    // playback from the cursor), 0 for the song and for every riff.
    TPlayFollower(const TProject& project, const TTimeline& timeline, int first = 0);

    // The place heard at `frame`: in `column` when that column plays then, else in the lowest
    // column that does.
    TPlayPlace PlaceAt(int64_t frame, int column) const;

private:
    struct TSpan {
        int64_t StartFrame = 0;
        int64_t Frames = 0;
        int Column = 0;
        int Riff = 0;
    };
    // A riff's records from its first played one: where each starts, in frames from the
    // riff's start, as the renderer lays them out (a tie chain sounds as one note; its records
    // divide its time by their ticks).
    struct TRiffFrames {
        std::vector<int64_t> Starts;
        std::vector<int> Records;
    };
    std::vector<TSpan> m_spans; // by start frame
    int64_t m_longest = 0;      // the longest span, which bounds the search back
    std::map<int, TRiffFrames> m_riffs;
};

} // namespace zel
