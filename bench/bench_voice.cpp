// Voice renderer speed: nanoseconds per voice-frame for each waveform with the filter open
// (bypassed) and with a moving filter envelope, and the ratio of each case to the cheapest.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "sound/notebuffer.h"

int main() {
    using namespace zel;
    const char* waves[] = {"sine", "triangle", "square", "noise"};
    const size_t frames = 441000; // ten seconds
    std::vector<int16_t> buffer(2 * frames);
    double results[4][2] = {};
    for (int wave = 0; wave < 4; ++wave) {
        for (int filter = 0; filter < 2; ++filter) {
            TInstrument in;
            in.Wave = uint8_t(wave);
            in.AmpEnv.Release = 0;
            in.FilterEnv = filter ? TEnvelope{1000, 1, 500, 0} : TEnvelope{1000, 1000, 1000, 0};
            double best = 1e300;
            for (int run = 0; run < 5; ++run) {
                std::fill(buffer.begin(), buffer.end(), int16_t(0));
                TRenderState state;
                auto start = std::chrono::steady_clock::now();
                RenderNote(state, 50, 120, 5, 1024, &in, buffer, 0, int64_t(buffer.size()));
                double ns = std::chrono::duration<double, std::nano>(
                                std::chrono::steady_clock::now() - start)
                                .count();
                best = std::min(best, ns / double(frames));
            }
            results[wave][filter] = best;
        }
    }
    double cheapest = 1e300;
    for (auto& row : results)
        for (double v : row)
            cheapest = std::min(cheapest, v);
    std::printf("%-10s %22s %22s\n", "voice", "filter open", "filter moving");
    for (int wave = 0; wave < 4; ++wave)
        std::printf("%-10s %8.2f ns/frame (%4.2fx) %8.2f ns/frame (%4.2fx)\n", waves[wave],
                    results[wave][0], results[wave][0] / cheapest, results[wave][1],
                    results[wave][1] / cheapest);
    return 0;
}
