// Playing rendered buffers on the sound device, up to 16 at once, each whole on its own output
// stream (a song's while the rest of it still renders); and writing a buffer as a WAV file.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <span>
#include <string>
#include <thread>

#include "sound/sequencer.h"

namespace zel {

class TDataFile;

// One buffer queued on the sound device (16-bit stereo 44100 Hz).
class TAudioStream {
public:
    virtual ~TAudioStream() = default;
    // True once the device has played the whole buffer (or failed while playing).
    virtual bool Finished() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    // Halts at once; afterwards the device no longer reads the buffer.
    virtual void Stop() = 0;
    // Frames the device has played from the start of the buffer; -1 when it cannot tell.
    virtual int64_t PlayedFrames() { return -1; }
};

// The sound device: opens a stream that plays `buffer` from the start. The stream reads only
// samples before the buffer's rendered mark (it waits at the mark while the render is behind)
// and finishes only once the buffer is complete and played. nullptr when the device cannot play.
class TAudioOutput {
public:
    virtual ~TAudioOutput() = default;
    virtual std::unique_ptr<TAudioStream> Open(std::shared_ptr<const TSampleBuffer> buffer) = 0;
};

inline constexpr int PlaySlotCount = 16;

class TPlayback {
public:
    explicit TPlayback(TAudioOutput& output) : m_output(output) {}
    ~TPlayback() { PlaybackStop(); }
    TPlayback(const TPlayback&) = delete;
    TPlayback& operator=(const TPlayback&) = delete;

    // Plays the whole buffer in the first free slot. False (and the buffer not kept) when all
    // slots are busy or the device cannot play it.
    bool PlaybackStart(TSharedBuffer buffer);
    // Frees every slot whose stream has finished, except one whose buffer is not yet complete:
    // that slot is kept until rendering ends.
    void PlaybackReap();
    void PlaybackPause();
    void PlaybackResume();
    // Stops and frees every slot at once.
    void PlaybackStop();
    int BusySlots() const;
    // Frames played of `buffer`, while a slot plays it; -1 when none does (finished, stopped,
    // or never started) or the device cannot tell.
    int64_t PlayedFrames(const TSampleBuffer* buffer) const;

private:
    struct TPlaySlot {
        TSharedBuffer Buffer;
        std::unique_ptr<TAudioStream> Stream;
    };
    TAudioOutput& m_output;
    std::array<TPlaySlot, PlaySlotCount> m_slots;
};

// The 44-byte canonical header followed by the samples, written safely (temporary file, then
// rename). False when the file cannot be written; the old file then stays as it was.
bool WriteWavFile(const std::string& path, std::span<const int16_t> samples);
// The same into a writer opened before rendering (so a folder that cannot take the file is
// found before the work is done); commits it.
bool WriteWavFile(TDataFile& file, std::span<const int16_t> samples);
// The file's bytes, for callers that keep them elsewhere.
std::string WavFileBytes(std::span<const int16_t> samples);

// Writes a song's WAV file while the song renders: a thread of its own writes the samples as
// the render marks them final, so little is left to write when the render ends.
class TWavFollower {
public:
    // Starts writing `buffer` (whose length is final) into `file`, a writer.
    TWavFollower(std::unique_ptr<TDataFile> file, TSharedBuffer buffer);
    // Stops writing; a file not finished is never committed (an old file stays as it was).
    ~TWavFollower();
    TWavFollower(const TWavFollower&) = delete;
    TWavFollower& operator=(const TWavFollower&) = delete;

    // Once the buffer is complete: writes what is left and commits the file, as WriteWavFile;
    // on failure LastFileError says why.
    bool Finish();

private:
    void Write();

    std::unique_ptr<TDataFile> m_file;
    TSharedBuffer m_buffer;
    std::atomic<bool> m_stop{false};
    std::string m_error; // why the writing thread failed
    std::thread m_thread;
};

} // namespace zel
