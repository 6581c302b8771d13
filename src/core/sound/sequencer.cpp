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

int64_t RenderRiff(TRenderer& renderer, const TRiff& riff, int first, const TInstrument& instrument,
                   std::span<int16_t> buffer, bool render, int64_t pos, int64_t end, bool flush) {
    ForEachRiffEvent(riff, first, [&](const TRiffEvent& event) {
        const TNote& note = riff.Notes[size_t(event.Note)];
        int sounding = int(std::min<int64_t>(event.Ticks, INT32_MAX));
        if (render) {
            for (int slot = 0; slot < StringSlots; ++slot)
                if (auto pitch = SlotPitch(riff, note, slot))
                    renderer.AddNote(riff.Tempo, *pitch, sounding, instrument, buffer, pos, end);
        }
        pos += 2 * NoteSamples(riff.Tempo, event.Ticks);
    });
    if (render && flush)
        renderer.Flush();
    return pos;
}

TSharedBuffer RenderRiffs(TRenderer& renderer, const TProject& project, int riffIndex, int first,
                          bool allRiffs, const TInstrument& instrument) {
    auto walk = [&](std::span<int16_t> buffer, bool render, int64_t end) {
        int64_t pos = 0;
        for (int i = 0; i < MaxRiffs; ++i) {
            if (!allRiffs && i != riffIndex)
                continue;
            pos = RenderRiff(renderer, project.Riffs[size_t(i)], allRiffs ? 0 : first, instrument,
                             buffer, render, pos, end);
        }
        return pos;
    };
    int64_t total = walk({}, false, 0);
    if (total > MaxRenderValues)
        return nullptr;
    auto buffer = std::make_shared<TSampleBuffer>(size_t(total));
    walk(buffer->Writable(), true, total);
    renderer.Flush();
    buffer->MarkComplete();
    return buffer;
}

namespace {

// The two passes over the song: the first measures it (and finds undefined riffs), the second,
// unless `lastPass` is 1, renders it into a buffer of the measured size.
TSongRender WalkSong(TRenderer& renderer, const TProject& project, TSongMode mode, int firstGridRow,
                     TProgress* progress,
                     const std::function<void(const TSharedBuffer&)>& startPlayback,
                     const std::function<void(int gridRow, int64_t frame)>& rowStarted,
                     int lastPass) {
    TSongRender result;
    const int rows = int(project.Structure.size());
    const int lastRow = rows - 1;
    const int firstRow = mode == TSongMode::FromRow ? std::max(firstGridRow - 1, 0) : 0;
    const TSongPlan plan = PlanSong(project, SongPlayOptions(mode, firstGridRow));
    result.Error = plan.Error;
    bool started = false;
    for (int pass = 1; pass <= lastPass; ++pass) {
        const bool render = pass == 2 && result.Buffer != nullptr;
        std::span<int16_t> samples;
        if (render)
            samples = result.Buffer->Writable();
        if (pass == 2 && progress)
            progress->Start("Rendering ...", std::max(lastRow - firstRow, 0));
        int64_t pos = 0;
        for (const TRowPlay& play : plan.Rows) {
            const int row = play.GridRow - 1;
            int64_t rowEnd = pos;
            for (const TColumnPlay& column : play.Columns) {
                const TRiff& riff = project.Riffs[size_t(column.Riff)];
                int64_t p = pos;
                for (int k = 0; k < column.Repeat; ++k) {
                    int64_t next =
                        RenderRiff(renderer, riff, 0, project.Instruments[size_t(column.Column)],
                                   samples, render, p, result.Total, false);
                    if (next == p)
                        break; // an empty riff takes no time however often it repeats
                    if (!render) {
                        // Measuring: every repeat takes as long as the first, so a count of
                        // millions is added at once (just past the limit when it goes beyond).
                        int64_t length = next - p;
                        int64_t reach =
                            (MaxRenderValues - std::min(next, MaxRenderValues)) / length + 1;
                        p = next + std::min<int64_t>(column.Repeat - k - 1, reach) * length;
                        break;
                    }
                    p = next;
                    if (p > MaxRenderValues)
                        break; // too long already: reported after measuring
                }
                rowEnd = std::max(rowEnd, p);
                result.Total = std::max(result.Total, p);
            }
            if (pass == 1 && rowStarted && rowEnd > pos)
                rowStarted(row + 1, pos / 2);
            pos = rowEnd;
            renderer.Flush();
            // Later rows start at `pos` and never write before it: what lies before is final,
            // and a device playing the buffer may have it.
            if (render)
                result.Buffer->MarkRendered(size_t(pos));
            if (render && !started && mode != TSongMode::Export && result.Error.empty() &&
                startPlayback) {
                startPlayback(result.Buffer);
                started = true;
            }
            if (pass == 2 && progress) {
                progress->Position(row - firstRow);
                if (progress->Cancelled()) {
                    result.Cancelled = true;
                    break;
                }
            }
        }
        renderer.Flush();
        if (pass == 2 && progress)
            progress->Stop();
        if (pass == 1 && result.Total > MaxRenderValues)
            result.Error = TooLongError;
        if (pass == 1 && result.Error.empty() && lastPass == 2)
            result.Buffer = std::make_shared<TSampleBuffer>(size_t(result.Total));
    }
    if (result.Buffer)
        result.Buffer->MarkComplete();
    if (!result.Error.empty())
        result.Buffer.reset();
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
    return WalkSong(renderer, project, mode, firstGridRow, progress, startPlayback, rowStarted, 2);
}

TSongRender MeasureSong(const TProject& project, TSongMode mode, int firstGridRow,
                        const std::function<void(int gridRow, int64_t frame)>& rowStarted) {
    TRenderer renderer;
    return WalkSong(renderer, project, mode, firstGridRow, nullptr, {}, rowStarted, 1);
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
