// Follow Playback against the sound over a whole song. The ten-minute song plays in the main
// window on the real sound device (run it on the private null sink of bench/on-x-display) while
// parec records the sink's monitor. Every 50 ms it compares three clocks: the sound (frames
// recorded since the song's first sound), the device clock the window follows (PlayedFrames)
// and the riff view's playing marker. Budget: the marker within 30 ms of the sound.
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
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 590;
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

    TRecorder recorder;
    if (!recorder.Start()) {
        std::printf("follow clock: parec did not start, skipped\n");
        return 0;
    }
    QApplication::processEvents();
    window.bPlayScriptClick(QStringLiteral("bPlayScriptAll"));
    QElapsedTimer clock;
    clock.start();
    std::vector<double> deviceAhead, markerOff;
    std::vector<double> firstMinute, lastMinute;
    int noMarker = 0, samples = 0;
    while (clock.elapsed() < int64_t(seconds) * 1000) {
        QEventLoop wait;
        QTimer::singleShot(SampleMs, &wait, &QEventLoop::quit);
        wait.exec();
        recorder.Read();
        if (recorder.FirstSound < 0 || !device->Last)
            continue;
        const int64_t sound = recorder.Frames - recorder.FirstSound + songFirst;
        const int64_t played = device->Last->PlayedFrames();
        const double ahead = double(played - sound) / FramesPerMs;
        deviceAhead.push_back(std::abs(ahead));
        if (clock.elapsed() < 60000)
            firstMinute.push_back(ahead);
        else if (clock.elapsed() > int64_t(seconds - 60) * 1000)
            lastMinute.push_back(ahead);
        ++samples;
        const int note = view->PlayingNote();
        if (note < 0) {
            ++noMarker;
            continue;
        }
        // How far from the sound the record the marker shows is heard, to the millisecond.
        const TPlayPlace shown{window.Document().Editor().CurrentRiff, note, 0};
        double off = 1000;
        for (int64_t ms = 0; ms < 1000 && off == 1000; ++ms)
            for (int64_t at : {sound - ms * FramesPerMs, sound + ms * FramesPerMs}) {
                TPlayPlace place = follower.PlaceAt(at, 0);
                if (place.Riff == shown.Riff && place.Note == shown.Note)
                    off = double(ms);
            }
        markerOff.push_back(off);
    }
    window.bStopClick();
    window.Document().MarkClean();
    auto median = [](std::vector<double> v) { return v.empty() ? 0.0 : bench::Median(v); };
    std::printf("Follow Playback against the sound, %d s of the ten-minute song on the sound "
                "server (a sample every %d ms, %d samples), load %.2f:\n",
                seconds, SampleMs, samples, LoadAverage());
    std::printf("  device clock off the sound: %s; drift from the first minute to the last "
                "%.1f ms\n",
                Spread(deviceAhead).c_str(), median(lastMinute) - median(firstMinute));
    std::printf("  playing marker off the sound: %s (budget 30 ms); %d samples without a "
                "marker\n",
                Spread(markerOff).c_str(), noMarker);
    return 0;
}
