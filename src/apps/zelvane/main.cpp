// zelvane: the editor. Starts the main window on the projects named on the command line.
#include <QApplication>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "app/about_box.h"
#include "app/application_identity.h"
#include "app/main_form.h"
#include "app/message_box.h"
#include "app/project_lifecycle.h"
#include "app/settings.h"
#include "base/message_service.h"
#include "qt_audio_output.h"

namespace {

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // Under a file-size limit a save then fails with "File too large" and keeps the old file,
    // instead of the whole editor being killed in the middle of writing.
    std::signal(SIGXFSZ, SIG_IGN);
    if (!HasDisplay()) {
        std::cerr << "zelvane: there is no display to show the editor on.\n"
                     "  Start it from a desktop session, or with a virtual display:\n"
                     "    xvfb-run -a "
                  << (argc > 0 ? argv[0] : "zelvane")
                  << " [PROJECT.zvp]\n"
                     "  Without a display, zelvane-cli works on projects: info, export-wav,\n"
                     "  export-png, import-midi (zelvane-cli help).\n";
        return 1;
    }
    QApplication app(argc, argv);
    zel::SetApplicationIdentity();

    zel::TGuiMessageService messages;
    zel::TScopedMessageService install(messages);

    zel::TMainFormSetup setup;
    setup.SettingsPath =
        zel::SettleSettingsFile("zelvane", zel::CurrentSettingsPlace(argc > 0 ? argv[0] : ""));
    setup.Audio = zel::TQtAudioOutput::Create();
    setup.SplashMs = zel::TAboutBox::SplashMs;
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    setup.Arguments = arguments;

    int status = 0;
    {
        zel::TMainForm window(std::move(setup));
        window.show();
        status = app.exec();
    } // the window closes its playback streams and the sound device here
    // Qt's PulseAudio backend can trip over its own teardown when the process exits normally
    // (an assertion in the sound library, now and then); everything is saved and closed by now.
    std::fflush(nullptr);
    std::_Exit(status);
}
