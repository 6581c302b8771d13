// Voice renderer speed: nanoseconds per voice-frame for each waveform with the filter open
// (bypassed) and with a moving filter envelope: for one voice alone, and for 256 short voices
// rendered as a song renders them (on the machine's threads, added in order); with the ratio
// of each case to the cheapest single voice.
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

// 256 voices of a quarter note at 120 (half a second, with their release), a new one every
// eighth of a second, as a song renders them; best of three.
double Chorus(const TInstrument& in) {
    const int voices = 256;
    const int64_t step = 2 * 5512;
    const size_t frames = size_t(voices) * 5512 + 44100;
    std::vector<int16_t> buffer(2 * frames);
    TInstrument shaped = in;
    shaped.AmpEnv.Release = 200; // rings 50 ms after the key
    double best = 1e300;
    for (int run = 0; run < 3; ++run) {
        std::fill(buffer.begin(), buffer.end(), int16_t(0));
        TRenderer renderer;
        int64_t voiceFrames = 0;
        auto start = std::chrono::steady_clock::now();
        for (int v = 0; v < voices; ++v)
            renderer.AddNote(120, v % 24, 256, shaped, buffer, v * step, int64_t(buffer.size()));
        renderer.Flush();
        double seconds = Seconds(start);
        for (int v = 0; v < voices; ++v)
            voiceFrames += 22050 + 2205; // the note and its release
        best = std::min(best, seconds * 1e9 / double(voiceFrames));
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
    std::printf("ns per voice-frame   one voice: filter open / moving   256 voices on %d threads\n",
                probe.Threads);
    for (int wave = 0; wave < 4; ++wave)
        std::printf("%-10s %12.2f (%4.2fx) %8.2f (%4.2fx) %12.2f %8.2f\n", waves[wave],
                    single[wave][0], single[wave][0] / cheapest, single[wave][1],
                    single[wave][1] / cheapest, chorus[wave][0], chorus[wave][1]);
    return 0;
}
