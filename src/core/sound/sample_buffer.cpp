#include "sound/sample_buffer.h"

#include <algorithm>
#include <cstring>

namespace zel {

namespace {

constexpr size_t FrameBytes = 2 * sizeof(int16_t);

} // namespace

bool TSampleBuffer::PlayedOut(uint64_t offset) const {
    // A value short of a whole frame at the end cannot be played: it does not hold the end up.
    return !Looping() && Complete() && offset + FrameBytes > Bytes();
}

uint64_t TSampleBuffer::StorageOffset(uint64_t offset) const {
    const uint64_t end = Bytes() - Bytes() % FrameBytes;
    if (!Looping() || offset < end)
        return offset;
    const uint64_t start = uint64_t(m_loopStart) * sizeof(int16_t);
    return start + (offset - end) % (end - start);
}

uint64_t TSampleBuffer::AvailableBytes(uint64_t offset) const {
    const uint64_t ready = uint64_t(Rendered()) * sizeof(int16_t);
    if (Looping() && Complete())
        return std::max<uint64_t>(Bytes(), 1);
    return offset < ready ? ready - offset : 0;
}

TSampleBuffer::TSampleBuffer(size_t values) : m_samples(values, 0) {}

void TSampleBuffer::MarkRendered(size_t values) {
    // Only the renderer moves the mark, so its own last store is the value to compare with.
    size_t mark = std::min(values, Size());
    if (mark > m_rendered.load(std::memory_order_relaxed))
        m_rendered.store(mark, std::memory_order_release);
}

size_t TSampleBuffer::ReadBytes(uint64_t offset, char* out, size_t maxBytes) const {
    // Past the end of a loop only once everything is rendered: the storage is final then.
    if (Looping() && offset >= Bytes() - Bytes() % FrameBytes) {
        if (!Complete())
            return 0;
        offset = StorageOffset(offset);
    }
    const uint64_t ready = uint64_t(Rendered()) * sizeof(int16_t);
    if (offset >= ready || maxBytes == 0)
        return 0;
    size_t count = size_t(std::min<uint64_t>(ready - offset, maxBytes));
    count -= count % FrameBytes;
    if (count > 0)
        std::memcpy(out, reinterpret_cast<const char*>(m_samples.data()) + offset, count);
    return count;
}

} // namespace zel
