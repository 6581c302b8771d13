// Audio files other than WAV: FLAC, Ogg Vorbis, Opus and MP3, encoded from the rendered 16-bit
// stereo samples at 44,100 Hz. WAV keeps its own writer (playbuffer.h); every format is written
// safely (a temporary file renamed when complete).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

class TDataFile;

enum class TAudioFormat { Wav, Flac, Vorbis, Opus, Mp3 };

// The format a file name asks for by its extension, letter case ignored (.wav, .flac, .ogg or
// .oga, .opus, .mp3); none for any other name.
std::optional<TAudioFormat> AudioFormatForPath(std::string_view path);
// ".flac" and so on.
std::string_view AudioFormatExtension(TAudioFormat format);

// Quality of the lossy formats, 0 (smallest file) to 10 (best sound).
inline constexpr int MinAudioQuality = 0;
inline constexpr int MaxAudioQuality = 10;
inline constexpr int DefaultAudioQuality = 7;

// The whole file's bytes. False (with `error`) when the encoder refuses the samples.
bool EncodeAudio(TAudioFormat format, std::span<const int16_t> samples, int quality,
                 std::string& bytes, std::string& error);
// Encodes into a writer opened before rendering and commits it; false (with `error`) when
// encoding or writing fails, the old file then stays as it was.
bool WriteAudioFile(TDataFile& file, TAudioFormat format, std::span<const int16_t> samples,
                    int quality, std::string& error);

// Interleaved stereo at 44,100 Hz to 48,000 Hz (the only rate of the Opus encoder near it),
// band-limited, as floats in -1..1.
std::vector<float> ResampleTo48k(std::span<const int16_t> samples);

} // namespace zel
