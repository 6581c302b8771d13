#include "sound/playbuffer.h"

#include <algorithm>
#include <bit>
#include <chrono>

#include "model/datafile.h"

namespace zel {

bool TPlayback::PlaybackStart(TSharedBuffer buffer) {
    if (!buffer)
        return false;
    for (auto& slot : m_slots) {
        if (slot.Buffer)
            continue;
        auto stream = m_output.Open(buffer);
        if (!stream)
            return false;
        slot.Buffer = std::move(buffer);
        slot.Stream = std::move(stream);
        return true;
    }
    return false;
}

void TPlayback::PlaybackReap() {
    for (auto& slot : m_slots) {
        if (!slot.Buffer || !slot.Buffer->Complete() || !slot.Stream->Finished())
            continue;
        slot.Stream.reset();
        slot.Buffer.reset();
    }
}

void TPlayback::PlaybackPause() {
    for (auto& slot : m_slots)
        if (slot.Buffer)
            slot.Stream->Pause();
}

void TPlayback::PlaybackResume() {
    for (auto& slot : m_slots)
        if (slot.Buffer)
            slot.Stream->Resume();
}

void TPlayback::PlaybackStop() {
    for (auto& slot : m_slots) {
        if (!slot.Buffer)
            continue;
        slot.Stream->Stop();
        slot.Stream.reset();
        slot.Buffer.reset();
    }
}

int64_t TPlayback::PlayedFrames(const TSampleBuffer* buffer) const {
    for (const TPlaySlot& slot : m_slots)
        if (slot.Buffer.get() == buffer && buffer && slot.Stream)
            return slot.Stream->PlayedFrames();
    return -1;
}

int TPlayback::BusySlots() const {
    int busy = 0;
    for (const auto& slot : m_slots)
        busy += slot.Buffer != nullptr;
    return busy;
}

namespace {

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += char(v >> (8 * i) & 0xFF);
}

void Put16(std::string& out, uint16_t v) {
    out += char(v & 0xFF);
    out += char(v >> 8);
}

std::string WavHeader(uint32_t bytes) {
    std::string out;
    out += "RIFF";
    Put32(out, bytes + 36);
    out += "WAVEfmt ";
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, 2);
    Put32(out, 44100);
    Put32(out, 176400);
    Put16(out, 4);
    Put16(out, 16);
    out += "data";
    Put32(out, bytes);
    return out;
}

// Samples as little-endian bytes: the memory's own bytes on a little-endian machine.
void AppendSamples(std::string& out, std::span<const int16_t> samples) {
    if constexpr (std::endian::native == std::endian::little) {
        out.append(reinterpret_cast<const char*>(samples.data()), samples.size_bytes());
    } else {
        out.reserve(out.size() + samples.size_bytes());
        for (int16_t sample : samples)
            Put16(out, static_cast<uint16_t>(sample));
    }
}

} // namespace

std::string WavFileBytes(std::span<const int16_t> samples) {
    std::string out = WavHeader(uint32_t(samples.size() * 2));
    AppendSamples(out, samples);
    return out;
}

bool WriteWavFile(const std::string& path, std::span<const int16_t> samples) {
    auto file = TDataFile::OpenForWriting(path);
    return file && WriteWavFile(*file, samples);
}

// WAV files are written in pieces of this many values, so a long song needs no second copy in
// memory.
constexpr size_t WavPiece = 1 << 20;

bool WriteWavFile(TDataFile& file, std::span<const int16_t> samples) {
    file.WriteBytes(WavHeader(uint32_t(samples.size() * 2)));
    std::string bytes;
    for (size_t at = 0; at < samples.size(); at += WavPiece) {
        bytes.clear();
        AppendSamples(bytes, samples.subspan(at, std::min(WavPiece, samples.size() - at)));
        file.WriteBytes(bytes);
    }
    return file.Commit();
}

TWavFollower::TWavFollower(std::unique_ptr<TDataFile> file, TSharedBuffer buffer)
    : m_file(std::move(file)), m_buffer(std::move(buffer)), m_thread([this] { Write(); }) {}

TWavFollower::~TWavFollower() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void TWavFollower::Write() {
    const size_t size = m_buffer->Size();
    const std::span<const int16_t> samples = m_buffer->Samples();
    m_file->WriteBytes(WavHeader(uint32_t(size * 2)));
    std::string bytes;
    for (size_t written = 0; written < size && !m_stop.load(std::memory_order_relaxed);) {
        // Whole pieces while the render goes on; the last one once the buffer is complete.
        const size_t ready = m_buffer->Rendered();
        const size_t end = std::min(written + WavPiece, ready);
        if (end - written < WavPiece && ready < size) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        bytes.clear();
        AppendSamples(bytes, samples.subspan(written, end - written));
        m_file->WriteBytes(bytes);
        m_file->StartWriteback();
        written = end;
    }
    m_error = LastFileError(); // this thread's: empty unless a write failed
}

bool TWavFollower::Finish() {
    m_thread.join();
    if (m_file->Commit())
        return true;
    if (!m_error.empty())
        SetLastFileError(m_error);
    return false;
}

} // namespace zel
