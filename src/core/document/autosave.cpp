#include "document/autosave.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <unistd.h>
#include <utility>

#include "document/document.h"

namespace zel {

TAutosaver::TAutosaver(std::string folder, std::string runTag)
    : m_folder(std::move(folder)), m_runTag(std::move(runTag)), m_worker([this] { Work(); }) {}

TAutosaver::~TAutosaver() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void TAutosaver::SetInterval(int seconds) {
    m_interval = std::max(0, seconds);
}

bool TAutosaver::Tick(const TDocument& document, TClock::time_point now) {
    if (!document.IsChanged()) {
        if (!m_file.empty())
            Remove(now);
        m_pendingSince.reset();
        return false;
    }
    if (m_interval <= 0 || m_folder.empty() || m_written == document.Revision())
        return false;
    if (!m_pendingSince)
        m_pendingSince = now;
    if (now - *m_pendingSince < std::chrono::seconds(m_interval))
        return false;
    std::string file =
        (std::filesystem::path(m_folder) / RecoveryFileName(document.Path(), m_runTag)).string();
    if (!m_file.empty() && m_file != file)
        Queue({m_file, nullptr, {}}); // the project has another path now
    // Only the tables are copied here; the text is made on the worker.
    auto copy = std::make_shared<TProject>(document.Project());
    copy->SetChangedListener({});
    TRecoveryInfo info{document.Path(), int64_t(std::time(nullptr)), int64_t(::getpid())};
    Queue({file, std::move(copy), std::move(info)});
    m_file = file;
    m_written = document.Revision();
    m_pendingSince.reset();
    return true;
}

void TAutosaver::Remove(TClock::time_point now) {
    if (!m_file.empty())
        Queue({m_file, nullptr, {}});
    m_file.clear();
    m_written.reset();
    m_pendingSince = now;
}

bool TAutosaver::Adopt(const std::string& file, const std::string& projectPath) {
    Flush();
    std::string own =
        (std::filesystem::path(m_folder) / RecoveryFileName(projectPath, m_runTag)).string();
    std::error_code error;
    std::filesystem::rename(file, own, error);
    if (error)
        return false;
    if (!m_file.empty() && m_file != own)
        Remove();
    m_file = own;
    return true;
}

void TAutosaver::Flush() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

std::string TAutosaver::TakeFailure() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_failure, std::string());
}

void TAutosaver::Queue(TJob job) {
    {
        std::lock_guard lock(m_mutex);
        // A newer copy of the same file makes a waiting one pointless.
        if (job.Project)
            std::erase_if(m_jobs, [&](const TJob& queued) {
                return queued.Project && queued.File == job.File;
            });
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_all();
}

void TAutosaver::Work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
        if (m_jobs.empty())
            return; // stopping, with everything done
        TJob job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        std::string failure;
        if (job.Project) {
            failure = WriteRecoveryCopy(job.File, job.Info, *job.Project);
        } else {
            std::error_code error;
            std::filesystem::remove(job.File, error);
        }
        job.Project.reset(); // the copy's memory goes back on this thread
        lock.lock();
        m_busy = false;
        if (!failure.empty() && !m_failed) {
            m_failed = true; // reported once per run; editing goes on
            m_failure = "Unsaved changes cannot be kept for recovery:\n" + failure;
        }
        if (m_jobs.empty())
            m_idle.notify_all();
    }
}

} // namespace zel
