#include "base/debug_log.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

namespace zel {
namespace {

TDebugSink* g_sink = nullptr;
std::function<TDebugTime()> g_clock;
std::atomic<bool> g_logging{false};
std::string g_folder;

TDebugTime SystemNow() {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,  local.tm_hour,
            local.tm_min,         local.tm_sec,     int(ms.count())};
}

// Appends lines to their files on a thread of its own, each line with its own open and close.
class TLogWriter {
public:
    ~TLogWriter() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void Push(std::string path, std::string line) {
        {
            std::lock_guard lock(m_mutex);
            if (!m_thread.joinable())
                m_thread = std::thread([this] { Run(); });
            if (m_pending.size() >= MaxPending) {
                // The disk is far behind: keep the memory bounded and say so in the file.
                ++m_dropped;
                return;
            }
            m_pending.push_back({std::move(path), std::move(line)});
            ++m_pushed;
        }
        m_wake.notify_one();
    }

    void Flush() {
        std::unique_lock lock(m_mutex);
        uint64_t target = m_pushed;
        m_done.wait(lock, [&] { return m_written >= target; });
    }

private:
    struct TEntry {
        std::string Path;
        std::string Line;
    };
    static constexpr size_t MaxPending = size_t(1) << 20;

    static void Append(const std::string& path, std::string_view line) {
        std::FILE* file = std::fopen(path.c_str(), "ab");
        if (!file)
            return; // a log file that cannot be opened is skipped
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    }

    void Run() {
        std::vector<TEntry> batch;
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return m_stop || !m_pending.empty(); });
            if (m_pending.empty() && m_stop)
                return;
            batch.swap(m_pending);
            uint64_t dropped = m_dropped;
            m_dropped = 0;
            lock.unlock();
            for (const TEntry& entry : batch) {
                Append(entry.Path, entry.Line);
                if (dropped > 0) {
                    // Stamped like the line it follows.
                    Append(entry.Path, entry.Line.substr(0, 15) + std::to_string(dropped) +
                                           " lines were not logged: the disk could not keep "
                                           "up\r\n");
                    dropped = 0;
                }
            }
            size_t count = batch.size();
            batch.clear();
            lock.lock();
            m_written += count;
            m_done.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::vector<TEntry> m_pending;
    uint64_t m_pushed = 0;
    uint64_t m_written = 0;
    uint64_t m_dropped = 0;
    bool m_stop = false;
    std::thread m_thread;
};

TLogWriter& Writer() {
    static TLogWriter writer;
    return writer;
}

void AppendDigits(std::string& out, int value, int digits) {
    char text[12];
    std::snprintf(text, sizeof text, "%0*d", digits, value);
    out += text;
}

} // namespace

void SetDebugSink(TDebugSink* sink) {
    g_sink = sink;
}

void RemoveDebugSink(TDebugSink* sink) {
    if (g_sink == sink)
        g_sink = nullptr;
}

void DebugAdd(std::string_view text, uint32_t colour) {
    if (g_logging) {
        TDebugTime now = DebugNow();
        std::string name = DebugLogFileName(now);
        Writer().Push(g_folder.empty() ? name : g_folder + "/" + name, DebugLogLine(now, text));
    }
    if (g_sink)
        g_sink->DebugLine(text, colour);
}

void SetDebugClock(std::function<TDebugTime()> clock) {
    g_clock = std::move(clock);
}

TDebugTime DebugNow() {
    return g_clock ? g_clock() : SystemNow();
}

std::string DebugLogFileName(const TDebugTime& time) {
    std::string name = "DEBUGLOG";
    AppendDigits(name, time.Year, 4);
    AppendDigits(name, time.Month, 2);
    AppendDigits(name, time.Day, 2);
    return name + ".TXT";
}

std::string DebugLogLine(const TDebugTime& time, std::string_view text) {
    std::string line;
    line.reserve(text.size() + 17);
    AppendDigits(line, time.Year, 4);
    for (int part : {time.Month, time.Day, time.Hour, time.Minute, time.Second})
        AppendDigits(line, part, 2);
    line += '\t';
    line += text;
    line += "\r\n";
    return line;
}

void SetDebugLogging(bool on) {
    g_logging = on;
}

bool DebugLogging() {
    return g_logging;
}

void SetDebugLogFolder(std::string folder) {
    g_folder = std::move(folder);
}

void DebugLogFlush() {
    Writer().Flush();
}

} // namespace zel
