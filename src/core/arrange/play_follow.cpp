#include "arrange/play_follow.h"

#include <algorithm>

#include "sound/notebuffer.h"

namespace zel {

TPlayFollower::TPlayFollower(const TProject& project, const TTimeline& timeline, int first) {
    for (const TTimelineSpan& span : timeline.Spans) {
        m_spans.push_back({span.StartFrame, span.Frames, span.Column, span.Riff});
        m_longest = std::max(m_longest, span.Frames);
        if (m_riffs.count(span.Riff))
            continue;
        const TRiff& riff = project.Riffs[size_t(span.Riff)];
        TRiffFrames& frames = m_riffs[span.Riff];
        int64_t chainFrame = 0, chainTicks = 0;
        for (int i = std::max(first, 0); i < riff.Capacity(); ++i) {
            const TNote& note = riff.Notes[size_t(i)];
            if (note.Duration == EndOfNotes)
                break;
            frames.Starts.push_back(chainFrame + NoteSamples(riff.Tempo, chainTicks));
            frames.Records.push_back(i);
            chainTicks += NoteTicks(note);
            if (!(note.Flags & NoteTie)) {
                chainFrame += NoteSamples(riff.Tempo, chainTicks);
                chainTicks = 0;
            }
        }
    }
    // The timeline orders spans by ticks; columns at different tempos reach a frame in
    // another order.
    std::stable_sort(m_spans.begin(), m_spans.end(),
                     [](const TSpan& a, const TSpan& b) { return a.StartFrame < b.StartFrame; });
}

TPlayPlace TPlayFollower::PlaceAt(int64_t frame, int column) const {
    auto after = std::upper_bound(m_spans.begin(), m_spans.end(), frame,
                                  [](int64_t f, const TSpan& span) { return f < span.StartFrame; });
    const TSpan* chosen = nullptr;
    for (auto it = after; it != m_spans.begin();) {
        --it;
        if (it->StartFrame + m_longest <= frame)
            break; // no span this early reaches the frame
        if (frame >= it->StartFrame + it->Frames)
            continue;
        if (it->Column == column) {
            chosen = &*it;
            break;
        }
        if (!chosen || it->Column < chosen->Column)
            chosen = &*it;
    }
    if (!chosen)
        return {};
    const TRiffFrames& frames = m_riffs.at(chosen->Riff);
    auto at =
        std::upper_bound(frames.Starts.begin(), frames.Starts.end(), frame - chosen->StartFrame);
    if (at == frames.Starts.begin())
        return {};
    int index = int(at - frames.Starts.begin()) - 1;
    return {chosen->Riff, frames.Records[size_t(index)], chosen->Column};
}

} // namespace zel
