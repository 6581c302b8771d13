#include "recovery_guard.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "base/message_service.h"
#include "document/document.h"

namespace zel {

std::string UserRecoveryFolder() {
    return RecoveryFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
}

TRecoveryGuard::TRecoveryGuard(TDocument& document, TSettingsStore& settings, QObject* parent)
    : QObject(parent), m_document(document), m_settings(settings),
      m_saver(UserRecoveryFolder(), std::to_string(QCoreApplication::applicationPid()) + "-" +
                                        std::to_string(std::time(nullptr))) {
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &TRecoveryGuard::Tick);
    m_timer.start();
}

void TRecoveryGuard::Tick() {
    m_saver.SetInterval(std::clamp(
        m_settings.INIReadNum(AutosaveSecondsKey, DefaultAutosaveSeconds), 0, MaxAutosaveSeconds));
    m_saver.Tick(m_document, TAutosaver::TClock::now());
    std::string failure = m_saver.TakeFailure();
    if (!failure.empty())
        DisplayError(failure);
}

void TRecoveryGuard::OfferAtStart(const TOpenCopy& open) {
    TRecoveryScan scan = ScanRecoveryFolder(UserRecoveryFolder(), EditorRunning);
    for (const std::string& problem : scan.Problems)
        DisplayError(problem);
    for (const TRecoveryCopy& copy : scan.Offers) {
        int answer = DisplayMany(MessageQuestion, RecoveryQuestion(copy.Info), RecoveryButtons);
        if (answer == 1) {
            std::remove(copy.File.c_str());
        } else if (answer == 0 && open(copy.File, copy.Info.ProjectPath)) {
            m_saver.Adopt(copy.File, copy.Info.ProjectPath);
            return; // one project is open at a time; the others wait for the next start
        }
    }
}

void TRecoveryGuard::Dropped() {
    m_saver.Remove();
}

void TRecoveryGuard::CleanExit() {
    m_timer.stop();
    m_saver.Remove();
    m_saver.Flush();
}

} // namespace zel
