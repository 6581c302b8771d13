// Guitar Pro and MusicXML at size: opening a Guitar Pro 5 file of 1,000 measures and 8 tracks
// (generated here: sections with markers, repeats, chords, dots and triplets) as a project, and
// "export-musicxml" of the exchange benchmarks' song of 400,000 notes (written and saved).
// Baselines: the file's bytes merely copied, and the song's riffs merely walked. Prints medians,
// the ratios, the process's peak memory, and the limits the exchange must stay under.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <time.h>
#include <vector>

#include "arrange/midi_export.h"
#include "arrange/timeline.h"
#include "bench_riffs.h"
#include "bench_timing.h"
#include "exchange/gp_import.h"
#include "exchange/gp_reader.h"
#include "exchange/musicxml_export.h"

using namespace zel;
using namespace zel::bench;

namespace {

constexpr int Measures = 1000;
constexpr int Tracks = 8;
constexpr int SongNotes = 400000;
constexpr int Rounds = 5;

// This process's processor time: on a machine busy with other work the wall-clock times grow,
// this does not.
double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double PeakMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// Writes the fields of a Guitar Pro 5.10 file in order, little-endian.
class TGp5Writer {
public:
    std::string Bytes;

    void U8(int v) { Bytes.push_back(char(uint8_t(v))); }
    void I16(int v) {
        U8(v);
        U8(v >> 8);
    }
    void I32(int32_t v) {
        for (int i = 0; i < 4; ++i)
            U8(int(uint32_t(v) >> (8 * i)));
    }
    void Zeros(size_t n) { Bytes.append(n, '\0'); }
    // A length byte and the text padded to `size` bytes.
    void ByteSizeString(const std::string& text, size_t size) {
        U8(int(text.size()));
        Bytes += text;
        Zeros(size - text.size());
    }
    // The text's length plus one, then its length byte and the text.
    void IntByteSizeString(const std::string& text) {
        I32(int32_t(text.size()) + 1);
        U8(int(text.size()));
        Bytes += text;
    }
};

// Eight tracks of six strings; every eighth measure starts a section with a marker, every fifth
// section is repeated once. Each track plays one of four bar patterns per section (so riffs
// repeat and are shared), with chords, dotted notes and a triplet group in the second voice.
std::string MakeGp5() {
    TGp5Writer w;
    w.ByteSizeString("FICHIER GUITAR PRO v5.10", 30);
    for (const char* text : {"Benchmark", "", "Zelvane", "", "", "", "", "", ""})
        w.IntByteSizeString(text);
    w.I32(0); // notice lines
    w.I32(0); // lyrics track
    for (int i = 0; i < 5; ++i) {
        w.I32(1);
        w.I32(0); // empty lyrics line
    }
    w.Zeros(19); // master effect
    w.Zeros(7 * 4 + 2);
    for (int i = 0; i < 10; ++i)
        w.IntByteSizeString("");
    w.IntByteSizeString("Moderate");
    w.I32(120);
    w.U8(0);    // tempo shown
    w.U8(0);    // key
    w.Zeros(4); // octave
    for (int c = 0; c < 64; ++c) {
        w.I32(c < 16 ? 24 + c % 8 : 0); // guitars, one bass program among them
        w.Zeros(8);
    }
    w.Zeros(19 * 2 + 4); // directions, master reverb
    w.I32(Measures);
    w.I32(Tracks);
    for (int m = 0; m < Measures; ++m) {
        int section = m / 8;
        bool first = m % 8 == 0, last = m % 8 == 7, repeated = section % 5 == 0;
        int flags = (m == 0 ? 0x03 : 0) | (first ? 0x20 : 0) | (first && repeated ? 0x04 : 0) |
                    (last && repeated ? 0x08 : 0);
        if (m > 0)
            w.U8(0);
        w.U8(flags);
        if (flags & 0x01)
            w.U8(4);
        if (flags & 0x02)
            w.U8(4);
        if (flags & 0x08)
            w.U8(2); // played twice
        if (flags & 0x20) {
            w.IntByteSizeString("Part " + std::to_string(section % 6));
            w.I32(0); // colour
        }
        if (flags & 0x03)
            w.Zeros(4); // beams
        w.U8(0);        // no alternate ending
        w.U8(0);        // triplet feel
    }
    static const int Tuning[6] = {64, 59, 55, 50, 45, 40};
    for (int t = 0; t < Tracks; ++t) {
        if (t == 0)
            w.U8(0);
        w.U8(0);
        w.ByteSizeString("Guitar " + std::to_string(t + 1), 40);
        w.I32(6);
        for (int s = 0; s < 7; ++s)
            w.I32(s < 6 ? Tuning[s] : 0);
        w.I32(1);     // port
        w.I32(t + 1); // channel
        w.I32(t + 1); // effect channel
        w.I32(24);    // frets
        w.I32(t % 3); // capo
        w.I32(0);     // colour
        w.Zeros(2 + 1 + 1 + 1 + 24 + 12 + 4 + 4);
        w.IntByteSizeString("");
        w.IntByteSizeString("");
    }
    w.U8(0);
    auto note = [&](int fret) {
        w.U8(0x20);
        w.U8(1); // a normal note
        w.U8(fret);
        w.U8(0);
    };
    // A beat: duration (-2 whole ... 0 quarter, 1 eighth), dot, triplet, notes on strings.
    auto beat = [&](int duration, bool dot, bool triplet, int strings, int fret) {
        w.U8((dot ? 0x01 : 0) | (triplet ? 0x20 : 0) | (strings ? 0 : 0x40));
        if (!strings)
            w.U8(2); // a rest
        w.U8(duration);
        if (triplet)
            w.I32(3);
        w.U8(strings);
        for (int s = 1; s <= 7; ++s)
            if (strings & (1 << (7 - s)))
                note(fret + s % 3);
        w.I16(0);
    };
    for (int m = 0; m < Measures; ++m) {
        for (int t = 0; t < Tracks; ++t) {
            int pattern = (m / 8 + t) % 4, fret = 1 + (m % 8 + t) % 10;
            // Voice 1: a dotted quarter, an eighth, a two-string chord of a quarter, two eighths.
            w.I32(5);
            beat(0, true, false, 0x40 >> pattern, fret);
            beat(1, false, false, 0x04, fret);
            beat(0, false, false, 0x18, fret + pattern);
            beat(1, false, false, 0x02, fret);
            beat(1, false, false, 0x20, fret + 2);
            // Voice 2: a half rest and a triplet of quarters on the lowest string.
            w.I32(4);
            beat(-1, false, false, 0, 0);
            for (int k = 0; k < 3; ++k)
                beat(0, false, true, 0x02, fret + k);
            w.U8(0); // line break
        }
    }
    return w.Bytes;
}

} // namespace

int main() {
    std::string file = MakeGp5();
    std::vector<double> copyMs, readMs, importMs, totalMs, cpuMs;
    gp::TGpImportSummary summary;
    for (int round = 0; round < Rounds; ++round) {
        auto start = Clock::now();
        std::string copy = file;
        copyMs.push_back(Ms(Clock::now() - start));
        if (copy.size() != file.size())
            return 1;
        start = Clock::now();
        double cpu = CpuMs();
        gp::TGpReadResult read = gp::ReadGuitarPro(file);
        auto readDone = Clock::now();
        if (!read.Ok || read.Song.UnreadBytes != 0) {
            std::fprintf(stderr, "generated file not read: %s\n", read.Error.c_str());
            return 1;
        }
        TProject project;
        std::string error;
        if (!gp::ImportGuitarProSong(read.Song, {}, project, summary, error)) {
            std::fprintf(stderr, "generated file not imported: %s\n", error.c_str());
            return 1;
        }
        auto done = Clock::now();
        cpuMs.push_back(CpuMs() - cpu);
        readMs.push_back(Ms(readDone - start));
        importMs.push_back(Ms(done - readDone));
        totalMs.push_back(Ms(done - start));
    }
    double importPeak = PeakMb();
    std::printf("Guitar Pro 5 file of %d measures, %d tracks (%zu bytes): %d riffs, %d rows, "
                "%d notes\n",
                Measures, Tracks, file.size(), summary.Riffs, summary.Rows, summary.Notes);
    std::printf("  bytes copied           %8.2f ms\n", Median(copyMs));
    std::printf("  read                   %8.2f ms\n", Median(readMs));
    std::printf("  made a project         %8.2f ms\n", Median(importMs));
    std::printf("  opened in all          %8.2f ms   (%.0f x the copy; must stay under 200 ms)\n",
                Median(totalMs), Median(totalMs) / std::max(Median(copyMs), 0.001));
    std::printf("  processor time         %8.2f ms\n", Median(cpuMs));
    std::printf("  peak memory            %8.1f MB   (whole process; must stay under 100 MB)\n",
                importPeak);

    TProject project;
    bench::MakeSong(project, SongNotes);
    std::string target =
        (std::filesystem::temp_directory_path() / "bench_guitar_pro.musicxml").string();
    std::vector<double> walkMs, exportMs, writeMs, mxlMs, writeCpuMs, exportCpuMs, mxlCpuMs;
    TMusicXmlResult result;
    size_t mxlBytes = 0;
    for (int round = 0; round < 3; ++round) {
        auto start = Clock::now();
        int64_t events = 0;
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 2; ++k)
                ForEachRiffEvent(project.Riffs[size_t(c)], 0,
                                 [&](const TRiffEvent& e) { events += e.Ticks > 0; });
        walkMs.push_back(Ms(Clock::now() - start));
        start = Clock::now();
        double cpu = CpuMs();
        result = WriteMusicXml(project, {});
        writeCpuMs.push_back(CpuMs() - cpu);
        auto written = Clock::now();
        if (!result.Error.empty() || events == 0 || !WriteBinaryFile(target, result.Xml))
            return 1;
        auto saved = Clock::now();
        exportCpuMs.push_back(CpuMs() - cpu);
        writeMs.push_back(Ms(written - start));
        exportMs.push_back(Ms(saved - start));
        start = Clock::now();
        cpu = CpuMs();
        mxlBytes = MusicXmlToMxl(result.Xml).size();
        mxlCpuMs.push_back(CpuMs() - cpu);
        mxlMs.push_back(Ms(Clock::now() - start));
    }
    std::filesystem::remove(target);
    std::printf("export-musicxml, song of %d records (%d notes, %d measures, %zu bytes):\n",
                SongNotes, result.Notes, result.Measures, result.Xml.size());
    std::printf("  riff walk alone        %8.1f ms\n", Median(walkMs));
    std::printf("  written and saved      %8.1f ms   (%.1f x the walk; must stay under 2000 ms)\n",
                Median(exportMs), Median(exportMs) / std::max(Median(walkMs), 0.001));
    std::printf("    processor time       %8.1f ms\n", Median(exportCpuMs));
    std::printf("    of which MusicXML    %8.1f ms   (processor time %.1f ms)\n", Median(writeMs),
                Median(writeCpuMs));
    std::printf("  compressed to .mxl     %8.1f ms   (processor time %.1f ms, %zu bytes; on top of "
                "the MusicXML)\n",
                Median(mxlMs), Median(mxlCpuMs), mxlBytes);
    std::printf("  peak memory            %8.1f MB   (whole process)\n", PeakMb());
    return 0;
}
