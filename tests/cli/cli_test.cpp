// zelvane-cli as a user runs it: commands, help, exit status, files it writes.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <cstdlib>

#include "arrange/midi_export.h"
#include "cli_run.h"
#include "info.h"
#include "model/projectfile.h"
#include "riff_image.h"
#include "shell_tools.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

TEST(Cli, InfoSummarisesTheDemoProject) {
    TRun run = RunOk({"info", Demo});
    for (const char* part :
         {"Riffs (3):", "1. Intro: 6 strings (E3 A3 D4 G4 B4 E5), 96 bpm, 4/4, key G",
          "(4 4 4 3)/4", "Bass Line: 4 strings (E2 A2 D3 G3)",
          "1 x Verse (Lead)  |  2 x Bass Line (Bass)", "Caf\xC3\xA9"}) // notes shown as UTF-8 text
        EXPECT_TRUE(Contains(run.Out, part)) << part << "\n" << run.Out;
}

TEST(Cli, InfoJsonReproducesTheModel) {
    TRun run = RunOk({"info", "--json", Demo});
    nlohmann::json printed = nlohmann::json::parse(run.Out);
    EXPECT_EQ(printed, ProjectJson(Loaded(Demo)));
    ASSERT_EQ(printed["riffs"].size(), 3u);
    EXPECT_EQ(printed["riffs"][2]["tuning"],
              nlohmann::json::parse("[-20,-15,-10,-5,null,null,null,null]"));
    EXPECT_EQ(printed["riffs"][0]["notes"][1]["frets"][0], nullptr) << "a rest";
    EXPECT_EQ(printed["instruments"][1]["values"][13], -1) << "octave in text order";
}

TEST(Cli, ResaveKeepsACanonicalFileByteForByte) {
    TTempDir dir;
    TRun run = RunOk({"resave", Demo, dir.File("copy.zvp")});
    EXPECT_EQ(ReadBytes(dir.File("copy.zvp")), ReadBytes(Demo));
    run = RunCli({"resave", dir.File("copy.zvp"), dir.File("copy.zvp")});
    EXPECT_EQ(run.Status, 0) << "in place";
    EXPECT_EQ(ReadBytes(dir.File("copy.zvp")), ReadBytes(Demo));
}

TEST(Cli, FileProblemsExitWithOneAndSayWhy) {
    TTempDir dir;
    ExpectFails({"info", dir.File("missing.zvp")}, 1, "Failed to Open File");
    ExpectFails({"info", dir.File("missing.zvp")}, 1, "missing.zvp: No such file or directory");
    ExpectFails({"resave", Demo, dir.File("nowhere/new.zvp")}, 1, "Failed to Save File");
    EXPECT_EQ(RunCli({"info", Demo}, "/dev/full").Status, 1) << "output that cannot be written";
}

TEST(Cli, NotesAsTextOrAsStoredRtf) {
    TRun run = RunOk({"notes", Demo});
    EXPECT_EQ(run.Out, "Demo song for Zelvane Editor: a riff in G with a bass line.\n"
                       "Verse bars run 4, 4, 4 and 3 beats. Caf\xC3\xA9 tempo: 96 bpm.\n");
    EXPECT_EQ(RunCli({"notes", "--text", Demo}).Out, run.Out);
    run = RunOk({"notes", Demo, "--rtf"});
    EXPECT_EQ(run.Out, Loaded(Demo).NotesRtf);

    // info shows the notes as notes --text does, in any code page, as UTF-8.
    TTempDir dir;
    TProject project = Loaded(Demo);
    project.NotesRtf = "{\\rtf1\\ansi\\ansicpg1251 \\'c6\\'e5\\'eb\\'f2\\'fb\\'e9 \\u8594?}";
    ASSERT_TRUE(SaveProject(project, dir.File("cyr.zvp")));
    EXPECT_TRUE(Contains(RunCli({"info", dir.File("cyr.zvp")}).Out,
                         "Notes:\n  \u0416\u0435\u043B\u0442\u044B\u0439 \u2192\n"));
    EXPECT_EQ(RunCli({"notes", dir.File("missing.zvp")}).Status, 1);
}

TEST(Cli, ExportWavSoundsTheRightPitchForTheRightTime) {
    TTempDir dir;
    // One whole note A (pitch 9: D string, fret 7) at tempo 120, default sine instrument.
    WriteBytes(dir.File("a.zvp"), "T\tA\t-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\r\n"
                                  "N\t-\t-\t7\t-\t-\t-\t-\t-\t1\t0\r\n"
                                  "s\t1\tA\r\n");
    TRun run = RunOk({"export-wav", dir.File("a.zvp"), "-o", dir.File("a.wav"), "--master", "100"});
    EXPECT_EQ(run.Out.substr(run.Out.find("Play Time")), "Play Time 00:00:02.   Level 9%.\n")
        << "the status is the last line";
    std::vector<int16_t> left = LeftChannel(ReadBytes(dir.File("a.wav")));
    ASSERT_EQ(left.size(), 88200u) << "a whole note at 120 lasts two seconds";
    int crossings = 0, peak = 0;
    for (size_t i = 1; i < left.size(); ++i) {
        crossings += left[i - 1] < 0 && left[i] >= 0;
        peak = std::max(peak, std::abs(int(left[i])));
    }
    EXPECT_NEAR(crossings, 880, 2) << "440 Hz for two seconds";
    EXPECT_NEAR(peak, 3200, 40) << "10 % mix at full master volume";

    run = RunCli({"export-wav", dir.File("a.zvp"), "-o", dir.File("quiet.wav"), "--master", "0"});
    EXPECT_TRUE(Contains(run.Out, "Level 0%."));

    // Half speed: twice as long.
    run = RunOk({"export-wav", dir.File("a.zvp"), "-o", dir.File("slow.wav"), "--speed", "50"});
    EXPECT_EQ(LeftChannel(ReadBytes(dir.File("slow.wav"))).size(), 176400u);
    EXPECT_EQ(RunCli({"play", dir.File("a.zvp"), "--speed", "201"}).Status, 2);
}

TEST(Cli, ExportWavOfRiffsAndSongs) {
    TTempDir dir;
    TRun song = RunOk({"export-wav", Demo, "-o", dir.File("song.wav")});
    TRun once = RunCli({"export-wav", Demo, "-o", dir.File("once.wav"), "--once"});
    TRun riff = RunCli(
        {"export-wav", Demo, "-o", dir.File("riff.wav"), "--riff", "verse", "--instrument", "1"});
    TRun all = RunCli({"export-wav", Demo, "-o", dir.File("all.wav"), "--all-riffs"});
    for (const TRun* r : {&once, &riff, &all})
        EXPECT_EQ(r->Status, 0) << r->Err;
    auto size = [&](const char* name) { return ReadBytes(dir.File(name)).size(); };
    EXPECT_LT(size("once.wav"), size("song.wav")) << "repeats ignored";
    EXPECT_LT(size("riff.wav"), size("all.wav"));
    EXPECT_EQ(ReadBytes(dir.File("song.wav")),
              (RunCli({"export-wav", Demo, "-o", dir.File("again.wav")}),
               ReadBytes(dir.File("again.wav"))))
        << "the same project renders the same bytes";
    // A lossy name gets its format, and a quality out of range is refused before anything is
    // rendered.
    RunOk({"export-wav", Demo, "-o", dir.File("song.MP3"), "--quality", "2"});
    EXPECT_LT(ReadBytes(dir.File("song.MP3")).size(), size("song.wav") / 8);
    EXPECT_EQ(RunCli({"export-wav", Demo, "-o", dir.File("q.ogg"), "--quality", "11"}).Status, 2);
}

TEST(Cli, ExportPngDrawsExactUnlessAskedForSmoothDrawing) {
    TTempDir dir;
    // The library draws the expected pictures here, offscreen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "zelvane_cli_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    TProject project = Loaded(Demo);
    const TRiff& intro = project.Riffs[0];
    struct {
        std::vector<std::string> options;
        TRiffImageOptions drawn;
    } cases[] = {{{}, {1200, 13, false}},
                 {{"--smooth"}, {1200, 13, true}},
                 {{"--width", "300", "--smooth"}, {300, 13, true}},
                 {{"--font-height", "26"}, {1200, 26, false}}};
    for (const auto& c : cases) {
        std::vector<std::string> args = {"export-png", Demo, "--riff",
                                         "Intro",      "-o", dir.File("riff.png")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        RunOk(args);
        std::string bytes = ReadBytes(dir.File("riff.png"));
        QImage got = QImage::fromData(QByteArray(bytes.data(), qsizetype(bytes.size())), "PNG");
        QString error;
        QImage expected = RenderRiffImage(intro, c.drawn, error);
        ASSERT_FALSE(expected.isNull()) << error.toStdString();
        EXPECT_EQ(got.convertToFormat(QImage::Format_RGB32),
                  expected.convertToFormat(QImage::Format_RGB32))
            << "export-png " << (c.options.empty() ? "" : c.options.front());
    }
    EXPECT_EQ(test::FolderEntries(dir.Path()), TTexts{"riff.png"});
}

TEST(Cli, ExportPngProblemsLeaveNothingBehind) {
    TTempDir dir;
    WriteBytes(dir.File("keep.png"), "old picture");
    const std::string keep = dir.File("keep.png");
    ExpectFails({"export-png", Demo, "--riff", "Intro", "--width", "100", "-o", keep}, 1,
                "at least 113");
    ExpectFails({"export-png", dir.File("missing.zvp"), "--riff", "Intro", "-o", keep}, 1,
                "Failed to Open File");
    ExpectFails({"export-png", Demo, "--riff", "Intro", "-o", dir.File("nowhere/x.png")}, 1,
                "nowhere");
    EXPECT_EQ(ReadBytes(dir.File("keep.png")), "old picture");
    EXPECT_EQ(test::FolderEntries(dir.Path()), TTexts{"keep.png"});
}

// Printing: a small project of three instruments, a long riff and two notes lines.
std::string PrintProjectText(int verseNotes) {
    std::string text = "T\tVerse\t-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\r\n";
    for (int i = 0; i < verseNotes; ++i)
        text += "N\t" + std::to_string(i % 5) + "\t-\t-\t-\t-\t-\t-\t-\t3\t0\r\n";
    text += "T\tChorus\t-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\r\n"
            "N\t-\t0\t2\t2\t1\t0\t-\t-\t2\t0\r\n";
    for (const char* name : {"Guitar", "Bass", "Keys"})
        text += std::string("I\t") + name +
                "\t2\t20\t900\t300\t600\t200\t800\t500\t400\t300\t50\t10\t1\t0\t30\t20\r\n";
    text += "s\t2\tVerse\t\t\t1\tChorus\r\n"
            "s\t\tChorus\r\n"
            "x\t{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n"
            "x\t\\pard\\f0\\fs20 Capo on the second fret\\par\r\n"
            "x\tPlay the chorus twice\\par\r\n"
            "x\t}\r\n";
    return text;
}

std::string PdfInfoField(const std::string& info, const std::string& field) {
    size_t at = info.find(field + ":");
    if (at == std::string::npos)
        return {};
    size_t start = info.find_first_not_of(' ', at + field.size() + 1);
    return info.substr(start, info.find('\n', start) - start);
}

bool HavePoppler() {
    return HaveTool("pdftotext") && HaveTool("pdfinfo");
}

TEST(CliPrint, SectionsPrintTheirTexts) {
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils are not installed";
    TTempDir dir;
    WriteBytes(dir.File("My Song.zvp"), PrintProjectText(8));
    struct {
        std::vector<std::string> Options;
        std::vector<const char*> Present;
        std::vector<const char*> Absent;
        int Choruses = -1; // how often "Chorus" is printed, when it matters
    } cases[] = {
        {{"--arrangement"},
         {"My Song", "Arrangement", "Guitar", "Bass", "Keys", "2 x Verse", "1 x Chorus", "A", "B",
          "Capo on the second fret", "Play the chorus twice"},
         {"Verse\n", " x \n"},
         1}, // the row with a riff but no repeat count prints nothing
        {{"--riff", "chorus"}, {"My Song", "Chorus", "=120"}, {"Arrangement", "Verse", "Capo"}},
        {{"--all-riffs"}, {"My Song", "Verse", "Chorus"}, {"Arrangement"}},
        {{"--arrangement", "--all-riffs", "--landscape", "--font-size", "12"},
         {"Arrangement", "2 x Verse", "Capo on the second fret", "Chorus"},
         {}}};
    for (const auto& c : cases) {
        std::vector<std::string> args = {"print", dir.File("My Song.zvp"), "-o",
                                         dir.File("out.pdf")};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        RunOk(args);
        std::string text = CommandOutput("pdftotext -layout '" + dir.File("out.pdf") + "' -");
        for (const char* present : c.Present)
            EXPECT_TRUE(Contains(text, present)) << c.Options[0] << ": " << present << "\n" << text;
        for (const char* absent : c.Absent)
            EXPECT_FALSE(Contains(text, absent)) << c.Options[0] << ": " << absent;
        if (c.Choruses >= 0) {
            EXPECT_EQ(int(test::Occurrences(text, "Chorus")), c.Choruses) << text;
        }
        std::string info = CommandOutput("pdfinfo '" + dir.File("out.pdf") + "'");
        EXPECT_EQ(PdfInfoField(info, "Title"), "My Song");
    }
}

TEST(CliPrint, PageSizeOrientationAndPageCount) {
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils are not installed";
    TTempDir dir;
    WriteBytes(dir.File("song.zvp"), PrintProjectText(400));
    struct {
        std::vector<std::string> Options;
        const char* Size;
        int Pages;
    } cases[] = {
        // 400 quarters at 33 columns a band: 13 bands, four to an A4 page; Letter takes 34
        // columns, a landscape Letter page 45 columns in three bands a page.
        {{"--riff", "Verse"}, "595 x 842 pts (A4)", 4},
        {{"--riff", "Verse", "--page-size", "letter"}, "612 x 792 pts (letter)", 3},
        {{"--riff", "Verse", "--landscape", "--page-size", "Letter"}, "792 x 612 pts (letter)", 3},
        {{"--riff", "Verse", "--font-size", "4"}, "595 x 842 pts (A4)", 1}};
    for (const auto& c : cases) {
        std::vector<std::string> args = {"print", dir.File("song.zvp"), "-o", dir.File("o.pdf")};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        RunOk(args);
        std::string info = CommandOutput("pdfinfo '" + dir.File("o.pdf") + "'");
        std::string what = c.Options.back();
        EXPECT_EQ(PdfInfoField(info, "Page size"), c.Size) << what << "\n" << info;
        EXPECT_EQ(PdfInfoField(info, "Pages"), std::to_string(c.Pages)) << what;
    }
}

TEST(CliPrint, ProblemsLeaveNothingBehind) {
    TTempDir dir;
    WriteBytes(dir.File("song.zvp"), PrintProjectText(8));
    WriteBytes(dir.File("keep.pdf"), "old pages");
    WriteBytes(dir.File("file"), "not a folder");
    const std::string song = dir.File("song.zvp");
    ExpectFails({"print", song, "-o", dir.File("file/out.pdf"), "--arrangement"}, 1,
                "file/out.pdf");
    ExpectFails({"print", song, "-o", dir.File("nowhere/out.pdf"), "--all-riffs"}, 1, "nowhere");
    ExpectFails({"print", dir.File("missing.zvp"), "-o", dir.File("keep.pdf"), "--arrangement"}, 1,
                "Failed to Open File");
    ExpectFails({"print", song, "-o", dir.File("keep.pdf")}, 2, "needs a section");
    ExpectFails({"print", song, "-o", dir.File("keep.pdf")}, 2, "Usage: zelvane-cli print");
    EXPECT_EQ(ReadBytes(dir.File("keep.pdf")), "old pages");
    EXPECT_EQ(test::FolderEntries(dir.Path()), (TTexts{"file", "keep.pdf", "song.zvp"}));
}

TEST(Cli, ImportMidiIntoANewOrAnExistingProject) {
    TTempDir dir;
    TRun run = RunOk({"import-midi", test::Scale, "-o", dir.File("new.zvp")});
    EXPECT_EQ(run.Out.rfind("Channels with notes: 0\n", 0), 0u) << run.Out;
    TProject fresh = Loaded(dir.File("new.zvp"));
    EXPECT_EQ(NoteCount(fresh.Riffs[0]), 6);

    run =
        RunOk({"import-midi", std::string(ZELVANE_TEST_DATA) + "/two_voices.mid", "--into", Demo,
               "--riff", "bass line", "--at", "2", "--channels", "2", "-o", dir.File("demo.zvp")});
    EXPECT_TRUE(Contains(run.Out, "Channels with notes: 0, 2")) << run.Out;
    TProject demo = Loaded(Demo);
    TProject merged = Loaded(dir.File("demo.zvp"));
    EXPECT_EQ(merged.Riffs[0].Notes, demo.Riffs[0].Notes) << "other riffs untouched";
    const TRiff& bass = merged.Riffs[2];
    EXPECT_EQ(bass.Notes[0], demo.Riffs[2].Notes[0]) << "notes before --at stay";
    EXPECT_EQ(bass.Notes[5].Fret[3], 7 - bass.Tuning[3]) << "channel 2's G lands at note 5";
}

TEST(Cli, ImportMidiProblems) {
    TTempDir dir;
    WriteBytes(dir.File("bad.mid"), "RIFF....WAVEfmt ");
    ExpectFails({"import-midi", dir.File("none.mid"), "-o", dir.File("o.zvp")}, 1,
                "Failed to Open File");
    ExpectFails({"import-midi", dir.File("bad.mid"), "-o", dir.File("o.zvp")}, 1,
                "Invalid MIDI File");
    EXPECT_FALSE(std::filesystem::exists(dir.File("o.zvp"))) << "nothing written on failure";

    // A file cut short inside its track: what came before the cut is imported, and said so.
    std::string whole = ReadBytes(test::Scale);
    WriteBytes(dir.File("cut.mid"), whole.substr(0, whole.size() - 20));
    TRun run = RunOk({"import-midi", dir.File("cut.mid"), "-o", dir.File("cut.zvp")});
    EXPECT_TRUE(Contains(run.Err, "ends in the middle of a track")) << run.Err;
    EXPECT_GT(NoteCount(Loaded(dir.File("cut.zvp")).Riffs[0]), 0);
}

TEST(Cli, ImportMidiWithTheFilesTimingAcrossTempoChanges) {
    TTempDir dir;
    // Four quarters at 87, four at 116.
    TMidiTrackWriter track;
    track.Tempo(0, 60000000 / 87);
    track.Tempo(4 * 256, 60000000 / 116);
    for (int i = 0; i < 8; ++i)
        track.Note(i * 256, 256, 0, 60 + i, 90);
    WriteBytes(dir.File("tempo.mid"), MidiFileBytes(0, 256, std::span(&track, 1)));
    TRun run = RunOk(
        {"import-midi", dir.File("tempo.mid"), "--timing", "file", "-o", dir.File("new.zvp")});
    EXPECT_TRUE(Contains(run.Out, "Tempo sections 87, 116 imported as riffs \"Riff1 1\" (4 notes), "
                                  "\"Riff1 2\" (4 notes), one structure row each"))
        << run.Out;
    TProject split = Loaded(dir.File("new.zvp"));
    EXPECT_EQ(split.Structure, (TTexts{"1\tRiff1 1", "1\tRiff1 2"}));
    EXPECT_EQ(split.Riffs[1].Tempo, 116);
}

// "Run" (quarter, eighth rest, eighth, dotted quarter chord, eighth; 4/4 at 100) played once
// by "Lead" while "Drone" (a whole note; 3/4 at 150) plays twice with "Pad", then "Run" alone.
std::string ExchangeProject() {
    return "T\tRun\t-8\t-3\t2\t7\t11\t16\t-\t-\t100\t4\t4\t0\r\n"
           "N\t-\t-\t-\t-\t-\t0\t-\t-\t3\t0\r\n"
           "N\t-\t-\t-\t-\t-\t-\t-\t-\t4\t0\r\n"
           "N\t-\t-\t-\t-\t1\t-\t-\t-\t4\t0\r\n"
           "N\t3\t2\t0\t-\t-\t-\t-\t-\t3\t4\r\n"
           "N\t3\t-\t-\t-\t-\t-\t-\t-\t4\t0\r\n"
           "T\tDrone\t-8\t-3\t2\t7\t11\t16\t-\t-\t150\t3\t4\t0\r\n"
           "N\t0\t-\t-\t-\t-\t-\t-\t-\t1\t0\r\n"
           "I\tLead\t2\t20\t900\t300\t600\t200\t800\t500\t400\t300\t50\t10\t1\t0\t30\t20\r\n"
           "I\tPad\t2\t20\t900\t300\t600\t200\t800\t500\t400\t300\t50\t10\t1\t0\t30\t20\r\n"
           "s\t1\tRun\t2\tDrone\r\n"
           "s\t1\tRun\r\n";
}

bool HaveMido() {
    return std::system("/usr/bin/python3 -c 'import mido' >/dev/null 2>&1") == 0;
}

TEST(CliExchange, ExportMidiReadsBackInMido) {
    if (!HaveMido())
        GTEST_SKIP() << "python3-mido is not installed";
    TTempDir dir;
    WriteBytes(dir.File("song.zvp"), ExchangeProject());
    TRun run = RunOk({"export-midi", dir.File("song.zvp"), "-o", dir.File("song.mid")});
    EXPECT_EQ(run.Out, "Wrote " + dir.File("song.mid") + ": 2 instrument tracks, 14 notes\n");
    // The tempo track in file ticks, then every note-on at the millisecond a player sounds it.
    std::string listing =
        CommandOutput("/usr/bin/python3 -c \"import mido,sys\n"
                      "m = mido.MidiFile(sys.argv[1])\n"
                      "print(m.type, m.ticks_per_beat, len(m.tracks))\n"
                      "at = 0\n"
                      "for e in m.tracks[0]:\n"
                      "  at += e.time\n"
                      "  print(at, e.type, getattr(e, 'tempo', ''), getattr(e, 'numerator', ''),\n"
                      "        getattr(e, 'key', ''))\n"
                      "s = 0\n"
                      "for e in m:\n"
                      "  s += e.time\n"
                      "  if e.type == 'note_on':\n"
                      "    print(round(s * 1000), e.channel, e.note)\n"
                      "\" '" +
                      dir.File("song.mid") + "'");
    EXPECT_EQ(listing, "1 960 3\n"
                       // Run leads at 100, then from 2.4 s Drone (150, 3/4) on its own, then
                       // Run alone again from 3.2 s, when Drone's two plays of 1.6 s end.
                       "0 set_tempo 600000  \n"
                       "0 key_signature   C\n"
                       "0 time_signature  4 \n"
                       "3840 set_tempo 400000  \n"
                       "3840 time_signature  3 \n"
                       "5760 set_tempo 600000  \n"
                       "5760 time_signature  4 \n"
                       "9600 end_of_track   \n"
                       "0 0 64\n0 1 40\n900 0 60\n1200 0 43\n1200 0 47\n1200 0 50\n1600 1 40\n"
                       "2100 0 43\n3200 0 64\n4100 0 60\n4400 0 43\n4400 0 47\n4400 0 50\n"
                       "5300 0 43\n");
}

TEST(CliExchange, ExportImportRoundTripFollowsTheFilesTiming) {
    TTempDir dir;
    WriteBytes(dir.File("song.zvp"), ExchangeProject());
    ASSERT_EQ(
        RunCli({"export-midi", dir.File("song.zvp"), "-o", dir.File("run.mid"), "--riff", "run"})
            .Status,
        0);
    TRun run =
        RunOk({"import-midi", dir.File("run.mid"), "-o", dir.File("back.zvp"), "--timing", "file"});
    EXPECT_TRUE(Contains(run.Out, "now has 5 notes, tempo 100")) << run.Out;
    TProject original = Loaded(dir.File("song.zvp"));
    TProject back = Loaded(dir.File("back.zvp"));
    EXPECT_EQ(test::NoteTexts(back.Riffs[0]), test::NoteTexts(original.Riffs[0]));

    // The default timing reads the gaps in file ticks: the same file gives other lengths.
    run = RunOk({"import-midi", dir.File("run.mid"), "-o", dir.File("riff.zvp")});
    EXPECT_NE(test::NoteTexts(Loaded(dir.File("riff.zvp")).Riffs[0]),
              test::NoteTexts(original.Riffs[0]));
}

TEST(CliExchange, ExportTextWritesTheRiffAsTextTab) {
    TTempDir dir;
    WriteBytes(dir.File("song.zvp"), ExchangeProject());
    TRun run = RunOk({"export-text", dir.File("song.zvp"), "--riff", "RUN"});
    EXPECT_EQ(run.Out, "          G\n"
                       "e|0---------------|\n"
                       "B|------1---------|\n"
                       "G|----------------|\n"
                       "D|--------0-------|\n"
                       "A|--------2-------|\n"
                       "E|--------3-----3-|\n");
    run = RunOk({"export-text", dir.File("song.zvp"), "--riff", "Run", "--width", "20", "-o",
                 dir.File("run.txt")});
    EXPECT_EQ(ReadBytes(dir.File("run.txt")).substr(0, 20), "          G\ne|0-----");
}

TEST(CliExchange, ExportProblemsLeaveNothingBehind) {
    TTempDir dir;
    std::string project = dir.File("song.zvp");
    WriteBytes(project, ExchangeProject() + "s\t1\tMissing\r\n");
    WriteBytes(dir.File("good.zvp"), ExchangeProject());
    ExpectFails({"export-midi", project, "-o", dir.File("o.mid")}, 1, "Undefined Riff - Missing");
    ExpectFails({"export-midi", dir.File("good.zvp"), "-o", dir.File("no/o.mid")}, 1,
                "Failed to Save File");
    ExpectFails({"export-text", project, "--riff", "Run", "-o", dir.File("no/o.txt")}, 1,
                "Failed to Save File");
    // The same message as export-wav for the undefined riff and for a song too long to render
    // (refused by measuring it, before anything is laid out).
    WriteBytes(dir.File("huge.zvp"), ExchangeProject() + "s\t2147483647\tRun\r\n");
    for (const std::string& input : {project, dir.File("huge.zvp")}) {
        TRun wav = RunCli({"export-wav", input, "-o", dir.File("o.wav")});
        TRun midi = RunCli({"export-midi", input, "-o", dir.File("o.mid")});
        EXPECT_EQ(wav.Status, 1);
        EXPECT_EQ(midi.Status, 1);
        EXPECT_EQ(wav.Err, midi.Err);
    }
    EXPECT_EQ(test::FolderEntries(dir.Path()), (TTexts{"good.zvp", "huge.zvp", "song.zvp"}));
    EXPECT_EQ(RunCli({"export-text", dir.File("good.zvp"), "--riff", "Run"}, "/dev/full").Status,
              1);
}

} // namespace
} // namespace zel
