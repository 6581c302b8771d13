// The platform choice of the commands that draw (zelvane-cli-qt).
#include <QString>
#include <QtGlobal>
#include <cstdlib>

#include "qt_commands.h"

namespace zel::cli {

namespace {

QtMessageHandler QtDefaultHandler = nullptr;

// Without XDG_RUNTIME_DIR Qt picks a folder of its own and says so on every start; nothing the
// tool does depends on that folder.
void FilterQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QStringLiteral("QStandardPaths: ")) &&
        text.contains(QStringLiteral("XDG_RUNTIME_DIR")))
        return;
    if (QtDefaultHandler)
        QtDefaultHandler(type, context, text);
}

} // namespace

void ChooseHeadlessPlatform() {
    if (!QtDefaultHandler)
        QtDefaultHandler = qInstallMessageHandler(FilterQtMessages);
    if (std::getenv("QT_QPA_PLATFORM"))
        return;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

} // namespace zel::cli
