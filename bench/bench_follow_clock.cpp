// Follow Playback against the sound over a whole song. The ten-minute song plays in the main
// window on the real sound device (run it on the private null sink of bench/on-x-display) while
// parec records the sink's monitor. Every 50 ms it compares the sound (frames recorded since the
// song's first sound), the device clock the window follows (PlayedFrames) and the riff view's
// playing marker, and each clock against the wall clock, which shows how much the recording, the
// reference, wanders by itself. Budget: the marker within 30 ms of the sound.
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "arrange/play_follow.h"
#include "bench_riffs.h"
#include "bench_timing.h"
#include "model/projectfile.h"
#include "qt_audio_output.h"
#include "view/riff_view.h"

using namespace zel;

namespace {

constexpr int SampleMs = 50;
constexpr int64_t FramesPerMs = SampleRate / 1000;

// The real device, keeping the last stream it opened so its clock can be read beside the window.
class TWatchedOutput : public TAudioOutput {
public:
    class TStream : public TAudioStream {
    public:
        TStream(std::unique_ptr<TAudioStream> inner, TWatchedOutput& owner)
            : m_inner(std::move(inner)), m_owner(owner) {
            m_owner.Last = this;
        }
        ~TStream() override {
            if (m_owner.Last == this)
                m_owner.Last = nullptr;
        }
        bool Finished() override { return m_inner->Finished(); }
        void Pause() override { m_inner->Pause(); }
        void Resume() override { m_inner->Resume(); }
        void Stop() override { m_inner->Stop(); }
        int64_t PlayedFrames() override { return m_inner->PlayedFrames(); }

    private:
        std::unique_ptr<TAudioStream> m_inner;
        TWatchedOutput& m_owner;
    };

    std::unique_ptr<TAudioStream> Open(std::shared_ptr<const TSampleBuffer> buffer) override {
        auto stream = Device->Open(std::move(buffer));
        if (!stream)
            return nullptr;
        return std::make_unique<TStream>(std::move(stream), *this);
    }

    std::unique_ptr<TQtAudioOutput> Device = TQtAudioOutput::Create();
    TStream* Last = nullptr;
};

// The sink's monitor as it is played: frames recorded, and the frame of the first sound.
class TRecorder {
public:
    bool Start() {
        m_parec.start(QStringLiteral("parec"),
                      {QStringLiteral("-d"), QStringLiteral("null.monitor"),
                       QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                       QStringLiteral("--rate=44100"), QStringLiteral("--channels=2"),
                       QStringLiteral("--latency-msec=5")});
        return m_parec.waitForStarted(3000);
    }
    void Read() {
        m_parec.waitForReadyRead(0);
        QByteArray bytes = m_parec.readAllStandardOutput();
        const auto* values = reinterpret_cast<const int16_t*>(bytes.constData());
        for (qsizetype i = 0; i + 1 < bytes.size() / 2; i += 2) {
            if (FirstSound < 0 && (std::abs(values[i]) > 64 || std::abs(values[i + 1]) > 64))
                FirstSound = Frames;
            ++Frames;
        }
    }
    ~TRecorder() {
        m_parec.kill();
        m_parec.waitForFinished(3000);
    }
    int64_t Frames = 0;
    int64_t FirstSound = -1;

private:
    QProcess m_parec;
};

// The machine's load over the last minute, as /proc/loadavg gives it.
double LoadAverage() {
    double load = 0;
    if (FILE* file = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(file, "%lf", &load) != 1)
            load = 0;
        std::fclose(file);
    }
    return load;
}

// The median, the 99th percentile and the worst.
std::string Spread(std::vector<double> values) {
    if (values.empty())
        return "no samples";
    std::sort(values.begin(), values.end());
    char text[120];
    std::snprintf(text, sizeof text, "median %.1f ms, 99th percentile %.1f ms, worst %.1f ms",
                  values[values.size() / 2], values[values.size() * 99 / 100], values.back());
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_follow_clock WORKDIR [SECONDS]\n");
        return 2;
    }
    QApplication app(argc, argv);
    const std::string work = argv[1];
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 620;
    TProject song;
    bench::MakeTenMinuteSong(song);
    if (!SaveProject(song, work + "/ten-minutes.zvp"))
        return 1;
    auto output = std::make_unique<TWatchedOutput>();
    if (!output->Device) {
        std::printf("follow clock: no sound device, skipped\n");
        return 0;
    }
    TWatchedOutput* device = output.get();
    TMainFormSetup setup;
    setup.SettingsPath = work + "/bench_follow_clock.ini";
    setup.Arguments = {QStringLiteral("-nosplash"),
                       QString::fromStdString(work + "/ten-minutes.zvp")};
    setup.Audio = std::move(output);
    TMainForm window(std::move(setup));
    window.show();
    auto* view = window.findChild<TRiffView*>();
    const TProject& project = window.Project();
    const TPlayFollower follower(project, SongTimeline(project, {}));
    // The song's first sound in frames of the song, where the recording's first sound lies.
    const TTimeline timeline = SongTimeline(project, {});
    const int64_t songFirst = timeline.Notes.empty() ? 0 : timeline.Notes.front().StartFrame;
    // Once the song is played out the device holds its last count while the recording goes on
    // in silence: only what is heard of the song is compared.
    const int64_t songEnd = timeline.TotalFrames;

    TRecorder recorder;
    if (!recorder.Start()) {
        std::printf("follow clock: parec did not start, skipped\n");
        return 0;
    }
    QApplication::processEvents();
    window.bPlayScriptClick(QStringLiteral("bPlayScriptAll"));
    QElapsedTimer clock;
    clock.start();
    struct TSample {
        double Wall, Sound, Played;  // ms: the wall clock, the recorded sound, the device clock
        double MarkerOff, MarkerLag; // ms from the sound, and from the device clock
    };
    std::vector<TSample> taken;
    int noMarker = 0;
    while (clock.elapsed() < int64_t(seconds) * 1000) {
        QEventLoop wait;
        QTimer::singleShot(SampleMs, &wait, &QEventLoop::quit);
        wait.exec();
        recorder.Read();
        const double wall = double(clock.nsecsElapsed()) / 1e6;
        if (recorder.FirstSound < 0 || !device->Last)
            continue;
        const int64_t sound = recorder.Frames - recorder.FirstSound + songFirst;
        if (sound >= songEnd)
            break;
        const int64_t played = device->Last->PlayedFrames();
        const int note = view->PlayingNote();
        if (note < 0) {
            ++noMarker;
            continue;
        }
        // How far from a frame the record the marker shows is heard, to the millisecond.
        const TPlayPlace shown{window.Document().Editor().CurrentRiff, note, 0};
        auto offFrom = [&](int64_t frame) {
            for (int64_t ms = 0; ms < 1000; ++ms)
                for (int64_t at : {frame - ms * FramesPerMs, frame + ms * FramesPerMs}) {
                    TPlayPlace place = follower.PlaceAt(at, 0);
                    if (place.Riff == shown.Riff && place.Note == shown.Note)
                        return double(ms);
                }
            return 1000.0;
        };
        taken.push_back({wall, double(sound) / FramesPerMs, double(played) / FramesPerMs,
                         offFrom(sound), offFrom(played)});
    }
    window.bStopClick();
    window.Document().MarkClean();

    // Each clock against the wall clock, its offset around that moment (the median of about
    // two seconds around it) taken out: how much it jumps. The sound server's clock itself runs
    // a little off the wall clock, slowly, which this leaves out.
    auto wander = [&](double TSample::*clockMs) {
        std::vector<double> offsets, spread;
        for (const TSample& t : taken)
            offsets.push_back(t.*clockMs - t.Wall);
        for (size_t i = 0; i < offsets.size(); ++i) {
            const size_t from = i < 15 ? 0 : i - 15, to = std::min(offsets.size(), i + 16);
            std::vector<double> around(offsets.begin() + ptrdiff_t(from),
                                       offsets.begin() + ptrdiff_t(to));
            spread.push_back(std::abs(offsets[i] - bench::Median(around)));
        }
        return spread;
    };
    const std::vector<double> soundWander = wander(&TSample::Sound);
    std::vector<double> deviceOff, markerOff, markerLag;
    int over = 0, overWhileRecordingSteady = 0;
    for (size_t i = 0; i < taken.size(); ++i) {
        deviceOff.push_back(std::abs(taken[i].Played - taken[i].Sound));
        markerOff.push_back(taken[i].MarkerOff);
        markerLag.push_back(taken[i].MarkerLag);
        over += taken[i].MarkerOff > 30;
        overWhileRecordingSteady += taken[i].MarkerOff > 30 && soundWander[i] < 10;
    }
    // How far a clock moved against the wall clock from the first minute to the last.
    const double lastWall = taken.empty() ? 0 : taken.back().Wall;
    auto drift = [&](double TSample::*clockMs) {
        std::vector<double> first, last;
        for (const TSample& t : taken) {
            if (t.Wall < 60000)
                first.push_back(t.*clockMs - t.Wall);
            if (t.Wall > lastWall - 60000 && t.Wall >= 120000)
                last.push_back(t.*clockMs - t.Wall);
        }
        return first.empty() || last.empty() ? 0.0 : bench::Median(last) - bench::Median(first);
    };
    std::printf("Follow Playback against the sound, %.0f s of the ten-minute song on the sound "
                "server (%zu samples), load %.2f:\n",
                lastWall / 1000, taken.size(), LoadAverage());
    std::printf("  device clock off the recorded sound: %s\n", Spread(deviceOff).c_str());
    std::printf("  device clock against the wall clock: %s; drift first to last minute %.1f ms\n",
                Spread(wander(&TSample::Played)).c_str(), drift(&TSample::Played));
    std::printf("  recording against the wall clock (the reference's own jitter): %s\n",
                Spread(soundWander).c_str());
    std::printf("  playing marker off the device clock: %s\n", Spread(markerLag).c_str());
    std::printf("  playing marker off the recorded sound: %s (budget 30 ms); over 30 ms: %d "
                "samples, %d of them while the recording was steady; %d without a marker\n",
                Spread(markerOff).c_str(), over, overWhileRecordingSteady, noMarker);
    return 0;
}
