// import-gp and export-musicxml as a user runs them; MuseScore 3 reads every exported file back.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>

#include "cli_run.h"
#include "test_support.h"

namespace zel {
namespace {

using test::RunCli;
using test::TTempDir;

const std::string Samples = ZELVANE_SHARED_DATA "/guitar-pro/";

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// MIDI pitches of the notes of a MusicXML text, sorted.
std::vector<int> XmlPitches(const std::string& xml) {
    static const int Steps[] = {9, 11, 0, 2, 4, 5, 7}; // A..G
    std::vector<int> pitches;
    std::regex pitch("<step>([A-G])</step>(?:<alter>(-?[0-9])</alter>)?<octave>([0-9])</octave>");
    for (std::sregex_iterator it(xml.begin(), xml.end(), pitch), end; it != end; ++it)
        pitches.push_back(Steps[(*it)[1].str()[0] - 'A'] +
                          ((*it)[2].matched ? std::stoi((*it)[2]) : 0) +
                          12 * (std::stoi((*it)[3]) + 1));
    std::sort(pitches.begin(), pitches.end());
    return pitches;
}

std::vector<int> ScorePitches(const std::string& mscx) {
    std::vector<int> pitches;
    std::regex pitch("<pitch>([0-9]+)</pitch>");
    for (std::sregex_iterator it(mscx.begin(), mscx.end(), pitch), end; it != end; ++it)
        pitches.push_back(std::stoi((*it)[1]));
    std::sort(pitches.begin(), pitches.end());
    return pitches;
}

} // namespace

TEST(GuitarProCli, ImportSummarisesAndRefusesDamagedFiles) {
    if (!std::filesystem::is_directory(Samples)) {
        GTEST_SKIP() << "no sample files";
    }
    TTempDir dir;
    const std::string out = dir.Path().string() + "/song.zvp";
    test::TRun run = RunCli({"import-gp", Samples + "Effects.gp5", "-o", out});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("1 instrument(s)"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("1 bend,"), std::string::npos) << run.Out;
    EXPECT_TRUE(std::filesystem::exists(out));

    std::string cut = Slurp(Samples + "Effects.gp5").substr(0, 500);
    std::ofstream(dir.Path().string() + "/cut.gp5", std::ios::binary) << cut;
    run = RunCli(
        {"import-gp", dir.Path().string() + "/cut.gp5", "-o", dir.Path().string() + "/cut.zvp"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("Invalid Guitar Pro file: "), std::string::npos) << run.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path().string() + "/cut.zvp"));
    EXPECT_EQ(RunCli({"import-gp", Samples + "Effects.gp5"}).Status, 2);
}

TEST(GuitarProCli, MuseScoreReadsEveryExportWithOurNotes) {
    if (!std::filesystem::is_directory(Samples)) {
        GTEST_SKIP() << "no sample files";
    }
    if (!std::filesystem::exists("/usr/bin/mscore3")) {
        GTEST_SKIP() << "mscore3 is not installed";
    }
    TTempDir dir;
    for (const auto& entry : std::filesystem::directory_iterator(Samples)) {
        if (!entry.path().extension().string().starts_with(".gp"))
            continue;
        const std::string base = dir.Path().string() + "/" + entry.path().stem().string();
        ASSERT_EQ(RunCli({"import-gp", entry.path().string(), "-o", base + ".zvp"}).Status, 0);
        for (const char* ext : {".musicxml", ".mxl"}) {
            test::TRun run = RunCli({"export-musicxml", base + ".zvp", "-o", base + ext});
            ASSERT_EQ(run.Status, 0) << run.Err;
            const std::string score = base + ext + ".mscx";
            std::string command = "QT_QPA_PLATFORM=offscreen mscore3 -o '" + score + "' '" + base +
                                  ext + "' >/dev/null 2>&1";
            ASSERT_EQ(std::system(command.c_str()), 0) << base << ext;
            std::string xml = Slurp(base + ".musicxml");
            EXPECT_EQ(ScorePitches(Slurp(score)), XmlPitches(xml)) << base << ext;
            EXPECT_FALSE(XmlPitches(xml).empty() && entry.path().stem() != "Repeat" &&
                         entry.path().stem() != "Key")
                << base;
        }
    }
}

} // namespace zel
