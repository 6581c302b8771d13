// zelvane-cli play: render like export-wav and play through the sound device.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>

#include "base/markup.h"
#include "base/progress.h"
#include "cli_common.h"
#include "qt_audio_output.h"
#include "qt_commands.h"
#include "render_command.h"

namespace zel::cli {

namespace {

std::atomic<bool> StopRequested{false};

extern "C" void OnInterrupt(int) {
    StopRequested = true;
}

} // namespace

int RunPlay(const TInvocation& call) {
    TDocument document;
    if (auto status = PrepareRender(call, document))
        return *status;
    const TProject& project = document.Project();

    QCoreApplication app(call.Argc, call.Argv);
    auto output = TQtAudioOutput::Create();
    if (!output) {
        std::cerr << "zelvane-cli: there is no sound output on this system\n";
        return ExitFileError;
    }
    TPlayback playback(*output);
    std::signal(SIGINT, OnInterrupt);
    bool started = false;
    // The sound device's events run every 251 ms while the rest of a song renders; Ctrl+C
    // cancels the render like the progress window's close box.
    QElapsedTimer clock;
    clock.start();
    TProgressService progress([&] { return clock.elapsed(); },
                              [&] {
                                  QCoreApplication::processEvents();
                                  if (StopRequested)
                                      progress.Cancel();
                              });
    TRenderOutcome outcome =
        RenderForOptions(project, call, &progress, [&](const TSharedBuffer& buffer) {
            started = playback.PlaybackStart(buffer);
        });
    if (!outcome.Error.empty()) {
        playback.PlaybackStop();
        std::cerr << "zelvane-cli: " << MarkupToPlainText(outcome.Error) << '\n';
        return ExitFileError;
    }
    std::cout << outcome.Status << std::endl;
    if (!started && outcome.Buffer && outcome.Buffer->Size() != 0) {
        std::cerr << "zelvane-cli: the sound device could not play\n";
        return ExitFileError;
    }
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (StopRequested)
            playback.PlaybackStop();
        playback.PlaybackReap();
        if (playback.BusySlots() == 0)
            app.quit();
    });
    timer.start(100);
    app.exec();
    playback.PlaybackStop();
    output.reset();
    std::cout.flush();
    // Every stream is closed and the audio thread has ended. Qt's PulseAudio backend can still
    // trip over its own teardown when the process exits normally (an assertion in the sound
    // library, now and then), so the tool leaves without running the exit-time destructors.
    std::_Exit(StopRequested ? 130 : ExitOk);
}

} // namespace zel::cli
