// Autosave: while the document has unsaved changes, a recovery copy of it is written every
// interval. The caller's thread only copies the project's tables; a worker thread turns the
// copy into text and writes it, so the window never waits for the disk.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/recovery.h"

namespace zel {

class TDocument;

// The settings key of the interval in seconds (0: off) and its default.
inline constexpr const char* AutosaveSecondsKey = "AutosaveSeconds";
inline constexpr int DefaultAutosaveSeconds = 60;
inline constexpr int MaxAutosaveSeconds = 3600;

class TAutosaver {
public:
    using TClock = std::chrono::steady_clock;

    // Copies go into `folder` under names carrying `runTag` (unique to this run).
    TAutosaver(std::string folder, std::string runTag);
    // Finishes the queued work; the copy stays (only Remove takes it away).
    ~TAutosaver();
    TAutosaver(const TAutosaver&) = delete;
    TAutosaver& operator=(const TAutosaver&) = delete;

    // Seconds of unsaved changes between copies; 0 switches autosave off.
    void SetInterval(int seconds);
    int Interval() const { return m_interval; }

    // Called often (every second): queues a copy when the document has had changes for the
    // interval that no copy holds yet, and removes the copy when the document is unchanged.
    // Returns whether a copy was queued.
    bool Tick(const TDocument& document, TClock::time_point now);
    // The copy is not wanted (saved, discarded, a clean exit). A document still changed
    // afterwards gets a new copy after the interval.
    void Remove(TClock::time_point now = TClock::now());
    // A copy left by an earlier run, just opened: it becomes this run's copy of `projectPath`.
    // False when it cannot be renamed (it stays where it is and is left alone).
    bool Adopt(const std::string& file, const std::string& projectPath);
    // Waits until the worker has done everything queued.
    void Flush();
    // The first failure of the run, handed out once; empty otherwise.
    std::string TakeFailure();
    // The copy that exists or is being written, empty when there is none.
    const std::string& CopyFile() const { return m_file; }

private:
    struct TJob {
        std::string File;
        std::shared_ptr<const TProject> Project; // none: remove the file
        TRecoveryInfo Info;
    };
    void Queue(TJob job);
    void Work();

    std::string m_folder;
    std::string m_runTag;
    int m_interval = 60;
    std::string m_file;
    std::optional<uint64_t> m_written;                // the revision the copy holds
    std::optional<TClock::time_point> m_pendingSince; // first change no copy holds yet

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<TJob> m_jobs;
    bool m_busy = false;
    bool m_stop = false;
    bool m_failed = false;
    std::string m_failure;
    std::thread m_worker;
};

} // namespace zel
