#include "sound/sequencer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#if defined(__linux__)
#include <sched.h>
#endif

#include "arrange/timeline.h"

namespace zel {

namespace {

// Notes queued before they are rendered together (a song flushes at the end of every row),
// and the longest contribution a note may buffer (about 6 s) before it is rendered straight
// into the song instead.
constexpr size_t BatchNotes = 8192;
constexpr size_t MaxBufferedValues = size_t(2) * SampleRate * 6;
// How far the threads may render ahead of the notes added to the buffer, in notes: enough to
// keep every lane busy while a long note holds the adding up, and a bound on the memory.
constexpr size_t AheadNotes = 64;
// Contributions' storage is kept for later notes up to this total (32 MB).
constexpr size_t KeptValues = size_t(1) << 23;

} // namespace

TRenderer::TRenderer() {
    unsigned cores = std::thread::hardware_concurrency();
#if defined(__linux__)
    // The cores this process may run on (fewer when started with an affinity mask).
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0)
        cores = unsigned(CPU_COUNT(&allowed));
#endif
    Threads = int(std::clamp(cores, 1u, 4u));
}

namespace {

// An upper bound of the values a note writes: while the key is held, then until the faster
// of its two envelopes has closed.
int64_t MaxNoteValues(int tempo, int ticks, const TInstrument& instrument) {
    int64_t held = NoteSamples(tempo, ticks);
    return 2 * (held + RingFrames(instrument) + 1);
}

} // namespace

void TRenderer::AddNote(int tempo, int pitch, int ticks, const TInstrument& instrument,
                        std::span<int16_t> buffer, int64_t start, int64_t end) {
    end = std::min<int64_t>(end, int64_t(buffer.size()) & ~int64_t(1));
    // A note that may ring longer than a batch keeps is rendered straight in, at its turn.
    if (std::min(end - start, MaxNoteValues(tempo, ticks, instrument)) >
        int64_t(MaxBufferedValues)) {
        Flush();
        RenderNote(State, MasterVolume, tempo, pitch, ticks, &instrument, buffer, start, end);
        return;
    }
    m_jobs.push_back({tempo, pitch, ticks, &instrument, buffer, start, end});
    if (m_jobs.size() >= BatchNotes)
        Flush();
}

void TRenderer::Flush() {
    if (m_jobs.empty())
        return;
    const size_t count = m_jobs.size();
    m_sounds.resize(std::max(m_sounds.size(), count));
    std::vector<char> complete(count, 0);
    std::unique_ptr<std::atomic<bool>[]> done(new std::atomic<bool>[count]);
    for (size_t i = 0; i < count; ++i)
        done[i].store(false, std::memory_order_relaxed);

    // Notes are added to the buffer strictly in their order, by whichever thread finds the
    // next ones finished: their sums, wraparound and peak are those of rendering one note
    // after another, and the adding overlaps with the rendering of later notes. The storage
    // of an added note's contribution goes back to the spares for a later note.
    std::mutex addLock, spareLock, waitLock;
    std::condition_variable added;
    std::atomic<size_t> nextToAdd{0};
    auto addFinished = [&](bool wait) {
        std::unique_lock lock(addLock, std::defer_lock);
        if (wait)
            lock.lock();
        else if (!lock.try_lock())
            return;
        size_t k = nextToAdd.load(std::memory_order_relaxed);
        const size_t first = k;
        for (; k < count && done[k].load(std::memory_order_acquire); ++k) {
            const TJob& job = m_jobs[k];
            if (complete[k])
                MixVoice(m_sounds[k], job.Buffer, State.PeakLevel);
            else
                RenderNote(State, MasterVolume, job.Tempo, job.Pitch, job.Ticks, job.Instrument,
                           job.Buffer, job.Start, job.End);
            auto values = std::move(m_sounds[k].Values);
            std::lock_guard spare(spareLock);
            if (m_spareValues + values.capacity() <= KeptValues) {
                try {
                    m_spare.push_back(std::move(values));
                    m_spareValues += m_spare.back().capacity();
                } catch (const std::bad_alloc&) {
                    // Freed instead.
                }
            }
        }
        nextToAdd.store(k, std::memory_order_release);
        if (k != first)
            added.notify_all();
    };
    // Each thread takes the next notes in their order, several side by side, up to AheadNotes
    // beyond the next note to add.
    std::atomic<size_t> next{0};
    struct TQueue final : TVoiceQueue {
        std::function<TTake(TVoiceNote&, TVoiceSound*&, size_t&)> TakeNote;
        std::function<void(size_t, bool)> Finish;
        std::function<void()> Pause;
        TTake Take(TVoiceNote& note, TVoiceSound*& sound, size_t& id) override {
            return TakeNote(note, sound, id);
        }
        void Done(size_t id, bool complete) override { Finish(id, complete); }
        void Wait() override { Pause(); }
    };
    auto mayTake = [&](size_t i) {
        return i >= count || i < nextToAdd.load(std::memory_order_acquire) + AheadNotes;
    };
    TQueue queue;
    queue.TakeNote = [&](TVoiceNote& note, TVoiceSound*& sound, size_t& id) {
        size_t i = next.load(std::memory_order_relaxed);
        do {
            if (i >= count)
                return TVoiceQueue::End;
            if (!mayTake(i))
                return TVoiceQueue::Later;
        } while (!next.compare_exchange_weak(i, i + 1, std::memory_order_relaxed));
        const TJob& job = m_jobs[i];
        note = {MasterVolume, job.Tempo, job.Pitch, job.Ticks, job.Instrument, job.Start, job.End};
        sound = &m_sounds[i];
        id = i;
        std::lock_guard spare(spareLock);
        if (!m_spare.empty()) {
            m_spareValues -= m_spare.back().capacity();
            sound->Values = std::move(m_spare.back());
            m_spare.pop_back();
        }
        return TVoiceQueue::Note;
    };
    queue.Finish = [&](size_t id, bool finished) {
        complete[id] = finished;
        done[id].store(true, std::memory_order_release);
        addFinished(false);
    };
    queue.Pause = [&] {
        addFinished(true); // what a busy lock may have left
        std::unique_lock lock(waitLock);
        added.wait_for(lock, std::chrono::milliseconds(1),
                       [&] { return mayTake(next.load(std::memory_order_relaxed)); });
    };
    auto work = [&] {
        try {
            RenderVoices(queue, MaxBufferedValues);
        } catch (const std::bad_alloc&) {
            // Nothing held: the notes are left to the other threads or rendered below.
        }
    };
    std::vector<std::thread> helpers;
    try {
        for (int t = 1; t < Threads && count > 1; ++t)
            helpers.emplace_back(work);
    } catch (const std::exception&) {
        // No more threads to be had: the ones started and this one share the work.
    }
    work();
    for (auto& helper : helpers)
        helper.join();
    // Whatever a busy lock left behind; notes no thread took go straight in.
    for (size_t i = next.load(); i < count; ++i)
        done[i].store(true, std::memory_order_release);
    addFinished(true);
    m_jobs.clear();
}

namespace {

// Queues the timeline's notes into `buffer` with the instrument, never at or beyond value `end`.
void QueueNotes(TRenderer& renderer, const TProject& project, std::span<const TTimelineNote> notes,
                const TInstrument& instrument, std::span<int16_t> buffer, int64_t end) {
    for (const TTimelineNote& note : notes) {
        const int tempo = project.Riffs[size_t(note.Riff)].Tempo;
        const int ticks = int(std::min<int64_t>(note.Ticks, INT32_MAX));
        for (int i = 0; i < note.PitchCount; ++i)
            renderer.AddNote(tempo, note.Pitches[size_t(i)], ticks, instrument, buffer,
                             2 * note.StartFrame, end);
    }
}

} // namespace

TSharedBuffer RenderRiffs(TRenderer& renderer, const TProject& project, int riffIndex, int first,
                          bool allRiffs, const TInstrument& instrument) {
    const TTimeline timeline = RiffsTimeline(project, riffIndex, first, allRiffs);
    const int64_t total = 2 * timeline.TotalFrames;
    if (!timeline.Error.empty() || total > MaxRenderValues)
        return nullptr;
    auto buffer = std::make_shared<TSampleBuffer>(size_t(total));
    QueueNotes(renderer, project, timeline.Notes, instrument, buffer->Writable(), total);
    renderer.Flush();
    buffer->MarkComplete();
    return buffer;
}

namespace {

// How far a song may be laid out for sound: just past the longest render.
constexpr TTimelineLimits RenderLimits{.Frames = MaxRenderValues / 2};

// Measures the song: its length and each row's start.
class TSongMeasure final : public TTimelineVisitor {
public:
    explicit TSongMeasure(const std::function<void(int gridRow, int64_t frame)>& rowStarted)
        : m_rowStarted(rowStarted) {}
    bool Play(const TTimelineSpan&, std::span<const TTimelineNote>) override { return true; }
    bool RowEnd(const TRowExtent& row) override {
        if (m_rowStarted && row.EndFrame > row.StartFrame)
            m_rowStarted(row.GridRow, row.StartFrame);
        Frames = row.EndFrame;
        return true;
    }
    int64_t Frames = 0;

private:
    const std::function<void(int, int64_t)>& m_rowStarted;
};

// Renders the song's plays into the buffer row by row. Later rows start at the end of the
// previous one and never write before it: what lies before is final, and a device playing the
// buffer may have it.
class TSongWriter final : public TTimelineVisitor {
public:
    TSongWriter(TRenderer& renderer, const TProject& project, TSongRender& result)
        : m_renderer(renderer), m_project(project), m_result(result),
          m_samples(result.Buffer->Writable()) {}

    bool Play(const TTimelineSpan& play, std::span<const TTimelineNote> notes) override {
        QueueNotes(m_renderer, m_project, notes, m_project.Instruments[size_t(play.Column)],
                   m_samples, m_result.Total);
        return true;
    }

    bool RowEnd(const TRowExtent& row) override {
        m_renderer.Flush();
        m_result.Buffer->MarkRendered(size_t(2 * row.EndFrame));
        if (StartPlayback) {
            StartPlayback(m_result.Buffer);
            StartPlayback = nullptr;
        }
        if (Progress) {
            Progress->Position(row.GridRow - FirstGridRow);
            if (Progress->Cancelled()) {
                m_result.Cancelled = true;
                return false;
            }
        }
        return true;
    }

    std::function<void(const TSharedBuffer&)> StartPlayback;
    TProgress* Progress = nullptr;
    int FirstGridRow = 1;

private:
    TRenderer& m_renderer;
    const TProject& m_project;
    TSongRender& m_result;
    std::span<int16_t> m_samples;
};

// The measuring pass alone: the length, the plan's error or the length's.
TSongRender Measure(const TProject& project, const TSongPlan& plan,
                    const std::function<void(int gridRow, int64_t frame)>& rowStarted) {
    TSongRender result;
    TSongMeasure measure(rowStarted);
    WalkTimeline(project, plan, measure, RenderLimits, true);
    result.Total = 2 * measure.Frames;
    result.Error = result.Total > MaxRenderValues ? std::string(TooLongError) : plan.Error;
    return result;
}

} // namespace

TPlayOptions SongPlayOptions(TSongMode mode, int firstGridRow) {
    return {.FirstGridRow = mode == TSongMode::FromRow ? std::max(firstGridRow, 1) : 1,
            .Once = mode == TSongMode::OnceEach};
}

TSongRender RenderSong(TRenderer& renderer, const TProject& project, TSongMode mode,
                       int firstGridRow, TProgress* progress,
                       const std::function<void(const TSharedBuffer&)>& startPlayback,
                       const std::function<void(int gridRow, int64_t frame)>& rowStarted) {
    const TPlayOptions options = SongPlayOptions(mode, firstGridRow);
    const TSongPlan plan = PlanSong(project, options);
    TSongRender result = Measure(project, plan, rowStarted);
    if (!result.Error.empty())
        return result;
    result.Buffer = std::make_shared<TSampleBuffer>(size_t(result.Total));
    TSongWriter writer(renderer, project, result);
    if (mode != TSongMode::Export)
        writer.StartPlayback = startPlayback;
    writer.FirstGridRow = options.FirstGridRow;
    writer.Progress = progress;
    if (progress)
        progress->Start("Rendering ...",
                        std::max(int(project.Structure.size()) - options.FirstGridRow, 0));
    WalkTimeline(project, plan, writer, RenderLimits);
    renderer.Flush();
    if (progress)
        progress->Stop();
    result.Buffer->MarkComplete();
    return result;
}

TSongRender MeasureSong(const TProject& project, TSongMode mode, int firstGridRow,
                        const std::function<void(int gridRow, int64_t frame)>& rowStarted) {
    return Measure(project, PlanSong(project, SongPlayOptions(mode, firstGridRow)), rowStarted);
}

std::string RenderStatusText(int64_t ms, int64_t frames, int32_t peakLevel) {
    int64_t seconds = frames / SampleRate;
    char text[160];
    std::snprintf(text, sizeof text,
                  "Render Time %lld.%03lld Sec.   Play Time %02lld:%02lld:%02lld.   Level %lld%%.",
                  static_cast<long long>(ms / 1000), static_cast<long long>(ms % 1000),
                  static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60),
                  static_cast<long long>(int64_t(peakLevel) * 100 / 32767));
    return text;
}

TSharedBuffer RenderPreview(TRenderer& renderer, int tempo, uint8_t duration, int pitch,
                            const TInstrument& instrument) {
    int64_t n = 2 * NoteSamples(tempo, DurationTicks(duration));
    // A tempo far below any the editor sets: no sound rather than gigabytes.
    if (n < 0 || 4 * n > MaxRenderValues)
        return std::make_shared<TSampleBuffer>();
    auto buffer = std::make_shared<TSampleBuffer>(size_t(4 * n));
    RenderNote(renderer.State, renderer.MasterVolume, tempo, pitch, DurationTicks(duration),
               &instrument, buffer->Writable(), 0, 4 * n);
    buffer->MarkComplete();
    return buffer;
}

TSharedBuffer RenderInstrumentPreview(TRenderer& renderer, int ticks,
                                      const TInstrument& instrument) {
    constexpr int Tempo = 120;
    const int64_t n = NoteSamples(Tempo, 2048); // four seconds
    auto buffer = std::make_shared<TSampleBuffer>(size_t(4 * n));
    RenderNote(renderer.State, renderer.MasterVolume, Tempo, 0, ticks, &instrument,
               buffer->Writable(), 0, 4 * n);
    buffer->MarkComplete();
    return buffer;
}

} // namespace zel
