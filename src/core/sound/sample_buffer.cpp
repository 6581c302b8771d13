#include "sound/sample_buffer.h"

#include <algorithm>
#include <cstring>

namespace zel {

namespace {

constexpr size_t FrameBytes = 2 * sizeof(int16_t);

} // namespace

bool TSampleBuffer::PlayedOut(uint64_t offset) const {
    // A value short of a whole frame at the end cannot be played: it does not hold the end up.
    return Complete() && offset + FrameBytes > Bytes();
}

TSampleBuffer::TSampleBuffer(size_t values) : m_samples(values, 0) {}

void TSampleBuffer::MarkRendered(size_t values) {
    // Only the renderer moves the mark, so its own last store is the value to compare with.
    size_t mark = std::min(values, Size());
    if (mark > m_rendered.load(std::memory_order_relaxed))
        m_rendered.store(mark, std::memory_order_release);
}

size_t TSampleBuffer::ReadBytes(uint64_t offset, char* out, size_t maxBytes) const {
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
