#include "arrange/practice.h"

#include <algorithm>
#include <array>

namespace zel {

uint16_t ScaledTempo(uint16_t tempo, int percent) {
    int64_t scaled = (int64_t(tempo) * percent + 50) / 100;
    return uint16_t(std::clamp<int64_t>(scaled, 1, 65535));
}

bool ScaleTempos(TProject& project, int percent) {
    if (percent < MinSpeedPercent || percent > MaxSpeedPercent)
        return false;
    for (TRiff& riff : project.Riffs)
        riff.Tempo = ScaledTempo(riff.Tempo, percent);
    return true;
}

int NextSpeedStep(int percent, int direction) {
    static constexpr std::array<int, 10> Steps = {25, 50, 60, 70, 80, 90, 100, 125, 150, 200};
    if (direction > 0) {
        auto next = std::upper_bound(Steps.begin(), Steps.end(), percent);
        return next == Steps.end() ? MaxSpeedPercent : *next;
    }
    auto below = std::lower_bound(Steps.begin(), Steps.end(), percent);
    return below == Steps.begin() ? MinSpeedPercent : *(below - 1);
}

} // namespace zel
