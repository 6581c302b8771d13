// Autosave in the editor: a one-second timer hands the document to the autosaver at the
// interval the preferences set, a failure to keep a copy is reported once per run, and at start
// the copies that an earlier run left behind are offered back.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

#include "app/settings.h"
#include "document/autosave.h"

namespace zel {

class TDocument;

class TRecoveryGuard : public QObject {
    Q_OBJECT
public:
    // Opens a copy as the project of the path it names, marked changed; false when it failed.
    using TOpenCopy = std::function<bool(const std::string& file, const std::string& path)>;

    TRecoveryGuard(TDocument& document, TSettingsStore& settings, QObject* parent);

    // Asks about every copy left by a run that did not end properly, newest first, until one
    // is recovered: Recover opens it, Discard removes it, Later keeps it for the next start.
    void OfferAtStart(const TOpenCopy& open);
    // The project's unsaved changes were saved or discarded: its copy goes.
    void Dropped();
    // The program ends as it should: no copy stays behind.
    void CleanExit();
    TAutosaver& Saver() { return m_saver; }

private:
    void Tick();

    TDocument& m_document;
    TSettingsStore& m_settings;
    TAutosaver m_saver;
    QTimer m_timer;
};

// The folder of this user's recovery copies.
std::string UserRecoveryFolder();

} // namespace zel
