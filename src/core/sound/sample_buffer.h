// The buffer a render writes and a sound device plays: allocated once at its final length, with
// a mark of how far the samples are final, so playback can start while the rest still renders.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace zel {

// 16-bit stereo samples (two values per frame). The storage never moves or changes its length,
// so a device may read it on its own thread while the renderer writes. The renderer publishes
// the mark after the samples before it are final: nothing before the mark is written again,
// and nothing after it may be read by anyone but the renderer until the mark has passed it.
class TSampleBuffer {
public:
    // `values` silent samples, none of them rendered yet (an empty buffer is complete).
    explicit TSampleBuffer(size_t values = 0);
    TSampleBuffer(const TSampleBuffer&) = delete;
    TSampleBuffer& operator=(const TSampleBuffer&) = delete;

    size_t Size() const { return m_samples.size(); }
    size_t Bytes() const { return m_samples.size() * sizeof(int16_t); }

    // The renderer's access to the whole storage; it writes only at or after Rendered().
    std::span<int16_t> Writable() { return m_samples; }
    // The first `values` samples are final. The mark only moves forward and stops at the end.
    // Called by the rendering thread alone, once every note thread has finished them.
    void MarkRendered(size_t values);
    void MarkComplete() { MarkRendered(Size()); }

    // How many samples from the start are final; a reader may read those.
    size_t Rendered() const { return m_rendered.load(std::memory_order_acquire); }
    bool Complete() const { return Rendered() == Size(); }
    // Every sample: for the renderer, or for anyone once the buffer is complete.
    const std::vector<int16_t>& Samples() const { return m_samples; }

    // The sound device's read: copies the samples' bytes from byte `offset` on into `out`, whole
    // frames only, at most `maxBytes` and never past the mark. 0 while the renderer is behind.
    size_t ReadBytes(uint64_t offset, char* out, size_t maxBytes) const;
    // True once the whole buffer is rendered and a reader at byte `offset` has had all of it.
    bool PlayedOut(uint64_t offset) const;
    // Bytes a reader at byte `offset` may read now (a looping buffer always has some once it
    // is complete).
    uint64_t AvailableBytes(uint64_t offset) const;

    // A loop: a reader past the end goes on from value `start` (a frame's first value) and
    // round and round; it never plays out. Set before any reader starts.
    void SetLoopStart(size_t start) { m_loopStart = start - start % 2; }
    bool Looping() const { return m_loopStart < Size(); }
    size_t LoopStart() const { return m_loopStart; }

private:
    std::vector<int16_t> m_samples;
    std::atomic<size_t> m_rendered{0};
    size_t m_loopStart = SIZE_MAX;

    // Where a reader's byte offset lies in the storage: past the end of a loop it goes round.
    uint64_t StorageOffset(uint64_t offset) const;
};

using TSharedBuffer = std::shared_ptr<TSampleBuffer>;

} // namespace zel
