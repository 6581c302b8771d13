// import-gp and export-musicxml as a user runs them; MuseScore 3 reads every exported file back
// with our pitches and, part by part, our note lengths.
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>

#include "cli_run.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

const std::string Samples = ZELVANE_SHARED_DATA "/guitar-pro/";

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

// Per part, the written length of each chord in order ("quarter.": type and a dot per dot):
// from the MusicXML's notes (rests and the later notes of a chord skipped) and from MuseScore's
// chords (the staves after the part list).
using TPartLengths = std::vector<std::vector<std::string>>;

TPartLengths XmlLengths(const std::string& xml) {
    TPartLengths parts;
    std::regex note("<note>(.*?)</note>|<part id=");
    std::regex type("<type>([a-z0-9]+)</type>"), dot("<dot/>");
    for (std::sregex_iterator it(xml.begin(), xml.end(), note), end; it != end; ++it) {
        std::string body = (*it)[1];
        if (!(*it)[1].matched) {
            parts.emplace_back();
        } else if (!parts.empty() && body.find("<rest/>") == body.npos &&
                   body.find("<chord/>") == body.npos) {
            std::smatch m;
            std::regex_search(body, m, type);
            auto dots = std::distance(std::sregex_iterator(body.begin(), body.end(), dot), {});
            parts.back().push_back(m[1].str() + std::string(size_t(dots), '.'));
        }
    }
    return parts;
}

TPartLengths ScoreLengths(const std::string& mscx) {
    TPartLengths parts;
    std::regex item("<Staff id=|<Chord>"), type("<durationType>([a-z0-9]+)</durationType>"),
        dots("<dots>([0-9])</dots>");
    size_t from = mscx.rfind("</Part>");
    for (std::sregex_iterator
             it(mscx.begin() + long(from == mscx.npos ? 0 : from), mscx.end(), item),
         end;
         it != end; ++it) {
        if (it->str() != "<Chord>") {
            parts.emplace_back();
            continue;
        }
        // The chord's own properties come before its first note.
        size_t at = size_t(it->position()) + (from == mscx.npos ? 0 : from);
        std::string head = mscx.substr(at, mscx.find("<Note>", at) - at);
        std::smatch t, d;
        std::regex_search(head, t, type);
        bool dotted = std::regex_search(head, d, dots);
        if (!parts.empty())
            parts.back().push_back(t[1].str() +
                                   std::string(dotted ? size_t(std::stoi(d[1])) : 0, '.'));
    }
    return parts;
}

} // namespace

TEST(GuitarProCli, ImportSummarisesAndRefusesDamagedFiles) {
    if (!std::filesystem::is_directory(Samples))
        GTEST_SKIP() << "no sample files";
    TTempDir dir;
    const std::string out = dir.File("song.zvp");
    test::TRun run = RunOk({"import-gp", Samples + "Effects.gp5", "-o", out});
    EXPECT_TRUE(test::Contains(run.Out, "1 instrument(s)")) << run.Out;
    EXPECT_TRUE(test::Contains(run.Out, "1 bend,")) << run.Out;
    EXPECT_TRUE(std::filesystem::exists(out));

    std::string cut = test::ReadBytes(Samples + "Effects.gp5").substr(0, 500);
    test::WriteBytes(dir.File("cut.gp5"), cut);
    test::ExpectFails({"import-gp", dir.File("cut.gp5"), "-o", dir.File("cut.zvp")}, 1,
                      "Invalid Guitar Pro file: ");
    EXPECT_FALSE(std::filesystem::exists(dir.File("cut.zvp")));
    EXPECT_EQ(RunCli({"import-gp", Samples + "Effects.gp5"}).Status, 2);
}

TEST(GuitarProCli, MuseScoreReadsEveryExportWithOurNotes) {
    if (!std::filesystem::is_directory(Samples))
        GTEST_SKIP() << "no sample files";
    if (!std::filesystem::exists("/usr/bin/mscore3"))
        GTEST_SKIP() << "mscore3 is not installed";
    TTempDir dir;
    for (const auto& entry : std::filesystem::directory_iterator(Samples)) {
        if (!entry.path().extension().string().starts_with(".gp"))
            continue;
        const std::string base = dir.Path().string() + "/" + entry.path().stem().string();
        ASSERT_EQ(RunCli({"import-gp", entry.path().string(), "-o", base + ".zvp"}).Status, 0);
        for (const char* ext : {".musicxml", ".mxl"}) {
            RunOk({"export-musicxml", base + ".zvp", "-o", base + ext});
            const std::string score = base + ext + ".mscx";
            std::string command = "QT_QPA_PLATFORM=offscreen mscore3 -o '" + score + "' '" + base +
                                  ext + "' >/dev/null 2>&1";
            ASSERT_EQ(std::system(command.c_str()), 0) << base << ext;
            std::string xml = test::ReadBytes(base + ".musicxml");
            EXPECT_EQ(ScorePitches(test::ReadBytes(score)), XmlPitches(xml)) << base << ext;
            EXPECT_EQ(ScoreLengths(test::ReadBytes(score)), XmlLengths(xml)) << base << ext;
            EXPECT_FALSE(XmlPitches(xml).empty() && entry.path().stem() != "Repeat" &&
                         entry.path().stem() != "Key")
                << base;
        }
    }
}

} // namespace zel
