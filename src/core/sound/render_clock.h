// The render clock: how long a render took and the "Rendering" state during which Stop does
// nothing, with the status text shown after a render.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "sound/sequencer.h"

namespace zel {

// The render clock and the "Rendering" state during which Stop does nothing.
class TRenderClock {
public:
    explicit TRenderClock(std::function<int64_t()> nowMs) : m_nowMs(std::move(nowMs)) {}
    // Starts a render: Rendering, the time taken, the peak meter cleared.
    void StartRenderClock(TRenderer& renderer);
    // The status text for a passage of `frames` frames; Rendering ends.
    std::string ShowRenderStatus(const TRenderer& renderer, int64_t frames);
    bool Rendering() const { return m_rendering; }

private:
    std::function<int64_t()> m_nowMs;
    int64_t m_start = 0;
    bool m_rendering = false;
};

} // namespace zel
