// Voice renderer speed: nanoseconds per voice-frame for each waveform with the filter open
// (bypassed) and with a moving filter envelope: for one voice alone, and for 32 voices
// rendered together as a song renders them (on the machine's threads, added in order); with
// the ratio of each case to the cheapest single voice.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "sound/sequencer.h"

namespace {

using namespace zel;

TInstrument Voice(int wave, bool filter) {
    TInstrument in;
    in.Wave = uint8_t(wave);
    in.AmpEnv.Release = 0;
    in.FilterEnv = filter ? TEnvelope{1000, 1, 500, 0} : TEnvelope{1000, 1000, 1000, 0};
    return in;
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One voice of five seconds, best of three.
double SingleVoice(const TInstrument& in) {
    const size_t frames = 220500;
    std::vector<int16_t> buffer(2 * frames);
    double best = 1e300;
    for (int run = 0; run < 3; ++run) {
        std::fill(buffer.begin(), buffer.end(), int16_t(0));
        TRenderState state;
        auto start = std::chrono::steady_clock::now();
        RenderNote(state, 50, 120, 5, 1024, &in, buffer, 0, int64_t(buffer.size()));
        best = std::min(best, Seconds(start) * 1e9 / double(frames));
    }
    return best;
}

// 32 voices of five seconds in one batch, best of three.
double Chorus(const TInstrument& in) {
    const size_t frames = 220500;
    const int voices = 32;
    std::vector<int16_t> buffer(2 * frames);
    double best = 1e300;
    for (int run = 0; run < 3; ++run) {
        std::fill(buffer.begin(), buffer.end(), int16_t(0));
        TRenderer renderer;
        auto start = std::chrono::steady_clock::now();
        for (int v = 0; v < voices; ++v)
            renderer.AddNote(120, v % 24, 1024, in, buffer, 0, int64_t(buffer.size()));
        renderer.Flush();
        best = std::min(best, Seconds(start) * 1e9 / double(frames * voices));
    }
    return best;
}

} // namespace

int main() {
    const char* waves[] = {"sine", "triangle", "square", "noise"};
    double single[4][2], chorus[4][2];
    for (int wave = 0; wave < 4; ++wave)
        for (int filter = 0; filter < 2; ++filter) {
            single[wave][filter] = SingleVoice(Voice(wave, filter));
            chorus[wave][filter] = Chorus(Voice(wave, filter));
        }
    double cheapest = 1e300;
    for (auto& row : single)
        for (double v : row)
            cheapest = std::min(cheapest, v);
    TRenderer probe;
    std::printf("ns per voice-frame   one voice: filter open / moving    32 voices on %d threads\n",
                probe.Threads);
    for (int wave = 0; wave < 4; ++wave)
        std::printf("%-10s %12.2f (%4.2fx) %8.2f (%4.2fx) %12.2f %8.2f\n", waves[wave],
                    single[wave][0], single[wave][0] / cheapest, single[wave][1],
                    single[wave][1] / cheapest, chorus[wave][0], chorus[wave][1]);
    return 0;
}
