#include "sound/audio_file.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

#include "model/datafile.h"
#include "sound/playbuffer.h"
#include "test_support.h"

namespace zel {
namespace {

// Two seconds of a 440 Hz tone on the left and 660 Hz on the right.
std::vector<int16_t> Tone(int frames = 2 * 44100) {
    std::vector<int16_t> samples;
    for (int i = 0; i < frames; ++i)
        for (double hz : {440.0, 660.0})
            samples.push_back(
                int16_t(std::lround(12000 * std::sin(2 * std::numbers::pi * hz * i / 44100))));
    return samples;
}

// Rising zero crossings per second of one channel.
double Crossings(const std::vector<float>& frames, int channel, int rate) {
    int count = 0;
    for (size_t i = 2 + size_t(channel); i < frames.size(); i += 2)
        count += frames[i - 2] < 0 && frames[i] >= 0;
    return count * double(rate) / double(frames.size() / 2);
}

struct TDecoded {
    std::vector<float> Frames;
    int Rate = 0;
};

TDecoded Decode(const std::string& bytes) {
    char path[] = "/tmp/zelvane-audio-XXXXXX";
    int fd = mkstemp(path);
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    close(fd);
    SF_INFO info{};
    SNDFILE* sound = sf_open(path, SFM_READ, &info);
    TDecoded out;
    if (sound) {
        out.Rate = info.samplerate;
        out.Frames.resize(size_t(info.frames) * size_t(info.channels));
        out.Frames.resize(size_t(sf_readf_float(sound, out.Frames.data(), info.frames)) * 2);
        sf_close(sound);
    }
    unlink(path);
    return out;
}

TEST(AudioFile, FormatFollowsTheExtension) {
    EXPECT_EQ(AudioFormatForPath("a/Song.FLAC"), TAudioFormat::Flac);
    EXPECT_EQ(AudioFormatForPath("take.oga"), TAudioFormat::Vorbis);
    EXPECT_EQ(AudioFormatForPath("x.mp3"), TAudioFormat::Mp3);
    EXPECT_EQ(AudioFormatForPath("x.Opus"), TAudioFormat::Opus);
    EXPECT_FALSE(AudioFormatForPath("my.flac/song"));
    EXPECT_FALSE(AudioFormatForPath("song.aiff"));
}

TEST(AudioFile, FlacHoldsExactlyTheRenderedSamples) {
    std::vector<int16_t> samples = Tone();
    samples[1] = 32767; // the extremes survive too
    samples[3] = -32768;
    std::string bytes, error;
    ASSERT_TRUE(EncodeAudio(TAudioFormat::Flac, samples, 0, bytes, error)) << error;
    TDecoded back = Decode(bytes);
    ASSERT_EQ(back.Rate, 44100);
    ASSERT_EQ(back.Frames.size(), samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        ASSERT_EQ(std::lround(back.Frames[i] * 32768), samples[i]) << i;
}

TEST(AudioFile, LossyFilesLastAsLongAndKeepThePitch) {
    const std::vector<int16_t> samples = Tone();
    const double seconds = double(samples.size() / 2) / 44100;
    // One codec frame at most: a Vorbis block, an MP3 frame, an Opus frame.
    for (auto [format, frame] :
         {std::pair{TAudioFormat::Vorbis, 2048.0 / 44100},
          std::pair{TAudioFormat::Mp3, 1152.0 / 44100}, std::pair{TAudioFormat::Opus, 0.020}}) {
        SCOPED_TRACE(std::string(AudioFormatExtension(format)));
        std::string small, large, error;
        ASSERT_TRUE(EncodeAudio(format, samples, 0, small, error)) << error;
        ASSERT_TRUE(EncodeAudio(format, samples, 10, large, error)) << error;
        EXPECT_LT(small.size(), large.size()); // the quality setting reaches the encoder
        TDecoded back = Decode(large);
        ASSERT_GT(back.Rate, 0);
        EXPECT_NEAR(double(back.Frames.size() / 2) / back.Rate, seconds, frame);
        EXPECT_NEAR(Crossings(back.Frames, 0, back.Rate), 440, 3);
        EXPECT_NEAR(Crossings(back.Frames, 1, back.Rate), 660, 3);
    }
}

TEST(AudioFile, ResamplingKeepsPitchLevelAndLength) {
    const std::vector<int16_t> samples = Tone();
    std::vector<float> out = ResampleTo48k(samples);
    EXPECT_EQ(out.size() / 2, (samples.size() / 2 * 160 + 146) / 147);
    EXPECT_NEAR(Crossings(out, 0, 48000), 440, 1);
    EXPECT_NEAR(Crossings(out, 1, 48000), 660, 1);
    float peak = 0;
    for (size_t i = 48000; i < out.size() - 48000; ++i) // away from the edges
        peak = std::max(peak, std::abs(out[i]));
    EXPECT_NEAR(peak, 12000.0 / 32768, 0.005);
}

// A WAV file written while the buffer renders has the bytes of one written afterwards; stopped
// before the end, it leaves the old file as it was and nothing beside it.
TEST(WavFollower, WritesWhatTheRenderMarksAndCommitsOnlyWhenFinished) {
    auto buffer = std::make_shared<TSampleBuffer>(size_t(3 << 20) + 6); // three pieces and a bit
    std::span<int16_t> samples = buffer->Writable();
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(i * 7919);
    test::TTempDir dir;
    const std::string path = dir.File("song.wav");
    test::WriteBytes(path, "old");
    {
        TWavFollower stopped(TDataFile::OpenForWriting(path), buffer);
        buffer->MarkRendered(size_t(1 << 20) + 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(test::ReadBytes(path), "old");
    EXPECT_EQ(test::FolderEntries(dir.Path()).size(), 1u);
    TWavFollower wav(TDataFile::OpenForWriting(path), buffer);
    std::thread render([&] {
        for (size_t mark : {size_t(2 << 20) + 1000, size_t(3 << 20)}) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            buffer->MarkRendered(mark);
        }
        buffer->MarkComplete();
    });
    render.join();
    EXPECT_TRUE(wav.Finish());
    EXPECT_TRUE(test::ReadBytes(path) == WavFileBytes(buffer->Samples()));
}

} // namespace
} // namespace zel
