#include "arrange/play_follow.h"

#include <algorithm>
#include <cstdlib>

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

namespace {

// How far the device's count may stray from the steady clock's frame, and how long it may
// disagree before it is believed.
constexpr int64_t AgreeFrames = SampleRate / 50;       // 20 ms
constexpr int64_t BelieveAfterNs = 1000 * 1000 * 1000; // a second

} // namespace

int64_t TFollowClock::Next(int64_t deviceFrames, int64_t nowNs) {
    const int64_t steady =
        m_frames < 0 ? deviceFrames : m_frames + (nowNs - m_ns) * SampleRate / 1000000000;
    if (std::abs(deviceFrames - steady) <= AgreeFrames) {
        m_disagreeingSinceNs = -1;
        m_frames = deviceFrames;
    } else if (m_disagreeingSinceNs < 0) {
        m_disagreeingSinceNs = nowNs;
        m_frames = steady;
    } else {
        m_frames = nowNs - m_disagreeingSinceNs >= BelieveAfterNs ? deviceFrames : steady;
        if (m_frames == deviceFrames)
            m_disagreeingSinceNs = -1;
    }
    m_ns = nowNs;
    return m_frames;
}

} // namespace zel
