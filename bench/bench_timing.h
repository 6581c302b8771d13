// Timing helpers shared by the benchmarks: milliseconds of a steady-clock span, and the median
// of a set of rounds.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace zel::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace zel::bench
