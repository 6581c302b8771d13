#include "base/progress.h"

namespace zel {

TProgressService::TProgressService(std::function<int64_t()> nowMs, std::function<void()> runEvents,
                                   std::function<void(bool)> shown)
    : m_nowMs(std::move(nowMs)), m_runEvents(std::move(runEvents)), m_shown(std::move(shown)) {}

void TProgressService::Start(const std::string& caption, int range) {
    if (int(m_levels.size()) >= MaxLevels)
        return;
    if (m_levels.empty()) {
        m_cancelled = false;
        if (m_shown)
            m_shown(true);
    }
    m_levels.push_back({caption, range, 0});
    if (m_runEvents)
        m_runEvents();
    m_lastEvents = m_nowMs ? m_nowMs() : 0;
}

void TProgressService::Position(int value) {
    if (m_levels.empty())
        return;
    TLevel& level = m_levels.back();
    if (value < 0)
        value = level.Value + 1;
    level.Value = level.Range == 0 ? value % IndicatorSteps : value;
    int64_t now = m_nowMs ? m_nowMs() : 0;
    if (now - m_lastEvents >= EventIntervalMs) {
        m_lastEvents = now;
        if (m_runEvents)
            m_runEvents();
    }
}

void TProgressService::Stop() {
    if (m_levels.empty())
        return;
    m_levels.pop_back();
    if (m_levels.empty() && m_shown)
        m_shown(false);
}

} // namespace zel
