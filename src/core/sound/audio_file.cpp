#include "sound/audio_file.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <numbers>

#include "model/datafile.h"
#include "sound/notebuffer.h"
#include "sound/playbuffer.h"

namespace zel {
namespace {

// libsndfile writes through these callbacks into memory; the bytes then go to disk through the
// program's safe writer, so a failed encode never leaves a half-written file behind.
struct TMemoryFile {
    std::string Bytes;
    sf_count_t Pos = 0;
};

TMemoryFile& Memory(void* user) {
    return *static_cast<TMemoryFile*>(user);
}

sf_count_t MemoryLength(void* user) {
    return sf_count_t(Memory(user).Bytes.size());
}

sf_count_t MemorySeek(sf_count_t offset, int whence, void* user) {
    TMemoryFile& file = Memory(user);
    sf_count_t base = whence == SEEK_CUR   ? file.Pos
                      : whence == SEEK_END ? sf_count_t(file.Bytes.size())
                                           : 0;
    if (base + offset < 0)
        return -1;
    file.Pos = base + offset;
    return file.Pos;
}

sf_count_t MemoryRead(void* ptr, sf_count_t count, void* user) {
    TMemoryFile& file = Memory(user);
    sf_count_t available = std::max<sf_count_t>(0, sf_count_t(file.Bytes.size()) - file.Pos);
    sf_count_t n = std::clamp<sf_count_t>(count, 0, available);
    if (n > 0)
        std::memcpy(ptr, file.Bytes.data() + file.Pos, size_t(n));
    file.Pos += n;
    return n;
}

sf_count_t MemoryWrite(const void* ptr, sf_count_t count, void* user) {
    TMemoryFile& file = Memory(user);
    if (count <= 0)
        return 0;
    size_t end = size_t(file.Pos + count);
    if (end > file.Bytes.size())
        file.Bytes.resize(end);
    std::memcpy(file.Bytes.data() + file.Pos, ptr, size_t(count));
    file.Pos += count;
    return count;
}

sf_count_t MemoryTell(void* user) {
    return Memory(user).Pos;
}

SF_VIRTUAL_IO MemoryIo = {MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};

int SndFormat(TAudioFormat format) {
    switch (format) {
    case TAudioFormat::Flac:
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case TAudioFormat::Vorbis:
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case TAudioFormat::Opus:
        return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    case TAudioFormat::Mp3:
        return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    case TAudioFormat::Wav:
        break;
    }
    return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
}

constexpr sf_count_t ChunkFrames = 1 << 14;

// Writes every frame in chunks; false when the encoder takes fewer than it was given.
template <typename T, typename Writer>
bool WriteFrames(SNDFILE* sound, std::span<const T> samples, Writer write) {
    sf_count_t frames = sf_count_t(samples.size() / 2);
    for (sf_count_t at = 0; at < frames; at += ChunkFrames) {
        sf_count_t n = std::min(ChunkFrames, frames - at);
        if (write(sound, samples.data() + 2 * at, n) != n)
            return false;
    }
    return true;
}

} // namespace

std::optional<TAudioFormat> AudioFormatForPath(std::string_view path) {
    size_t dot = path.find_last_of("./");
    if (dot == std::string_view::npos || path[dot] != '.')
        return std::nullopt;
    std::string extension(path.substr(dot + 1));
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    static constexpr std::array<std::pair<std::string_view, TAudioFormat>, 6> Known = {{
        {"wav", TAudioFormat::Wav},
        {"flac", TAudioFormat::Flac},
        {"ogg", TAudioFormat::Vorbis},
        {"oga", TAudioFormat::Vorbis},
        {"opus", TAudioFormat::Opus},
        {"mp3", TAudioFormat::Mp3},
    }};
    for (auto [name, format] : Known)
        if (extension == name)
            return format;
    return std::nullopt;
}

std::string_view AudioFormatExtension(TAudioFormat format) {
    switch (format) {
    case TAudioFormat::Flac:
        return ".flac";
    case TAudioFormat::Vorbis:
        return ".ogg";
    case TAudioFormat::Opus:
        return ".opus";
    case TAudioFormat::Mp3:
        return ".mp3";
    case TAudioFormat::Wav:
        break;
    }
    return ".wav";
}

std::vector<float> ResampleTo48k(std::span<const int16_t> samples) {
    // Polyphase windowed sinc: output frame n lies at input time n * 147 / 160.
    constexpr int Up = 160, Down = 147, Half = 16, Taps = 2 * Half;
    constexpr double Cutoff = 0.95; // of the input's Nyquist frequency: keeps images out
    static const auto table = [] {
        std::vector<std::array<float, Taps>> phases(Up);
        for (int phase = 0; phase < Up; ++phase) {
            double sum = 0;
            std::array<double, Taps> w{};
            for (int t = 0; t < Taps; ++t) {
                double d = (Half - 1 - t) + double(phase) / Up; // output time - input frame
                double x = std::numbers::pi * Cutoff * d;
                double sinc = d == 0 ? 1 : std::sin(x) / x;
                double r = (d + Half) / (2.0 * Half); // 0..1 across the window
                double blackman = 0.42 - 0.5 * std::cos(2 * std::numbers::pi * r) +
                                  0.08 * std::cos(4 * std::numbers::pi * r);
                w[size_t(t)] = sinc * std::max(0.0, blackman);
                sum += w[size_t(t)];
            }
            for (int t = 0; t < Taps; ++t) // unity gain at every phase: no ripple at DC
                phases[size_t(phase)][size_t(t)] = float(w[size_t(t)] / sum);
        }
        return phases;
    }();
    const int64_t inFrames = int64_t(samples.size() / 2);
    const int64_t outFrames = (inFrames * Up + Down - 1) / Down;
    std::vector<float> out(size_t(outFrames) * 2);
    for (int64_t n = 0; n < outFrames; ++n) {
        int64_t pos = n * Down;
        int64_t k = pos / Up;
        const auto& weights = table[size_t(pos % Up)];
        int64_t first = k - Half + 1;
        int tFrom = int(std::max<int64_t>(0, -first));
        int tTo = int(std::min<int64_t>(Taps, inFrames - first));
        float left = 0, right = 0;
        for (int t = tFrom; t < tTo; ++t) {
            const int16_t* frame = samples.data() + 2 * (first + t);
            left += weights[size_t(t)] * float(frame[0]);
            right += weights[size_t(t)] * float(frame[1]);
        }
        out[size_t(2 * n)] = left / 32768.0f;
        out[size_t(2 * n + 1)] = right / 32768.0f;
    }
    return out;
}

bool EncodeAudio(TAudioFormat format, std::span<const int16_t> samples, int quality,
                 std::string& bytes, std::string& error) {
    if (format == TAudioFormat::Wav) {
        bytes = WavFileBytes(samples);
        return true;
    }
    SF_INFO info{};
    info.samplerate = format == TAudioFormat::Opus ? 48000 : SampleRate;
    info.channels = 2;
    info.format = SndFormat(format);
    TMemoryFile memory;
    SNDFILE* sound = sf_open_virtual(&MemoryIo, SFM_WRITE, &info, &memory);
    if (!sound) {
        error = sf_strerror(nullptr);
        return false;
    }
    double level =
        format == TAudioFormat::Flac
            ? 0.5 // lossless: only the size and the time to encode it change
            : 1.0 - double(std::clamp(quality, MinAudioQuality, MaxAudioQuality)) / MaxAudioQuality;
    sf_command(sound, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    bool written;
    if (format == TAudioFormat::Flac) {
        written = WriteFrames(sound, samples, sf_writef_short);
    } else {
        // The lossy encoders take floats (the MP3 encoder of libsndfile 1.2.0 garbles 16-bit
        // input); Opus also needs 48,000 Hz.
        std::vector<float> floats;
        if (format == TAudioFormat::Opus) {
            floats = ResampleTo48k(samples);
        } else {
            floats.reserve(samples.size());
            for (int16_t sample : samples)
                floats.push_back(float(sample) / 32768.0f);
        }
        written = WriteFrames(sound, std::span<const float>(floats), sf_writef_float);
    }
    if (!written)
        error = sf_strerror(sound);
    if (sf_close(sound) != 0 && written) {
        error = "the encoder could not finish the file";
        written = false;
    }
    if (!written)
        return false;
    bytes = std::move(memory.Bytes);
    return true;
}

bool WriteAudioFile(TDataFile& file, TAudioFormat format, std::span<const int16_t> samples,
                    int quality, std::string& error) {
    if (format == TAudioFormat::Wav) // in pieces, without a whole copy in memory
        return WriteWavFile(file, samples);
    std::string bytes;
    if (!EncodeAudio(format, samples, quality, bytes, error))
        return false;
    file.WriteBytes(bytes);
    return file.Commit();
}

} // namespace zel
