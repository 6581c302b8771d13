#include "sound/render_clock.h"

namespace zel {

void TRenderClock::StartRenderClock(TRenderer& renderer) {
    m_rendering = true;
    m_start = m_nowMs ? m_nowMs() : 0;
    renderer.State.Restart();
}

std::string TRenderClock::ShowRenderStatus(const TRenderer& renderer, int64_t frames) {
    int64_t elapsed = (m_nowMs ? m_nowMs() : 0) - m_start;
    m_rendering = false;
    return RenderStatusText(elapsed, frames, renderer.State.PeakLevel);
}

} // namespace zel
