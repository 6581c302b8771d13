// zelvane-cli under hostile conditions: outputs that are inputs, killed saves, long names,
// pipes and link loops, file-size limits, very wide structure rows, and the order of checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "cli_run.h"
#include "model/datafile.h"
#include "model/projectfile.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

namespace fs = std::filesystem;

// A canonical project (one the program wrote) with `notes` notes in one riff: resaving it gives
// the same bytes, so a target can be compared with it whole.
std::string CanonicalProject(int notes, int fret) {
    std::string text = "T\tLong\t-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\r\n";
    for (int i = 0; i < notes; ++i)
        text += "N\t" + std::to_string((i + fret) % 12) + "\t-\t-\t-\t-\t-\t-\t-\t3\t0\r\n";
    text += "I\tLead\t0\t50\t0\t0\t0\t0\t100\t0\t0\t0\t100\t100\t0\t0\t0\t0\r\n";
    text += "s\t1\tLong\r\n";
    return text;
}

// Entries of a folder that are temporary files of a save.
std::vector<std::string> Leftovers(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& name : FolderEntries(folder))
        if (name.ends_with(".zelvane-tmp"))
            found.push_back(name);
    return found;
}

TEST(CliHostile, ASaveRemovesOnlyItsOwnStaleTemporaryFiles) {
    TTempDir dir;
    std::string target = dir.File("t.zvp");
    const std::vector<std::string> stale = {".t.zvp.AbC123.zelvane-tmp",
                                            ".t.zvp.000000.zelvane-tmp"};
    const std::vector<std::string> kept = {
        ".t.zvp.AbC123",                 // no suffix: not ours to remove
        ".other.zvp.AbC123.zelvane-tmp", // another file's
        ".t.zvp.AbC12.zelvane-tmp",      // not six random letters
        ".t.zvp.AbC-23.zelvane-tmp",     // not letters or digits
        "t.zvp.AbC123.zelvane-tmp",      // not hidden
        ".t.zvp.Held00.zelvane-tmp",     // a save still running holds it
    };
    for (const auto& name : stale)
        WriteBytes(dir.File(name), "half a project");
    for (const auto& name : kept)
        WriteBytes(dir.File(name), "someone else's");
    int held = ::open(dir.File(".t.zvp.Held00.zelvane-tmp").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    TRun run = RunCli({"resave", Demo, target});
    ::close(held);
    ASSERT_EQ(run.Status, 0) << run.Err;
    std::vector<std::string> expected = kept;
    expected.push_back("t.zvp");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(dir.Path()), expected);
    EXPECT_EQ(ReadBytes(target), ReadBytes(Demo));
}

// The bytes a save of `project` writes.
std::string SavedBytes(const TProject& project) {
    auto file = TDataFile::ToMemory();
    WriteProject(project, *file);
    return file->Bytes();
}

// Kills saves of a large project at random points, alternating two versions. The target must
// always be one whole version, and the next save that completes (by zelvane-cli) removes what
// the killed ones left behind. Run for a short name and for a name too long for the usual
// temporary name. The saves run in forked copies of this program: the same save as the
// tool's, without its start-up time.
TEST(CliHostile, KilledSavesNeverDamageTheTargetAndLeaveNothingForLong) {
    TTempDir inputs;
    WriteBytes(inputs.File("raw.zvp"), CanonicalProject(8000, 0));
    TProject versions[2] = {Loaded(inputs.File("raw.zvp")), Loaded(inputs.File("raw.zvp"))};
    versions[1].Riffs[0].Tempo = 99;
    const std::string bytes[2] = {SavedBytes(versions[0]), SavedBytes(versions[1])};
    WriteBytes(inputs.File("b.zvp"), bytes[1]);
    int leftovers = 0;
    for (size_t nameLength : {size_t(5), size_t(250)}) {
        TTempDir dir;
        std::string name = std::string(nameLength - 4, 'k') + ".zvp";
        std::string target = dir.File(name);
        ASSERT_TRUE(SaveProject(versions[0], target));
        auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(SaveProject(versions[0], target));
        auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count();
        std::mt19937 random{unsigned(nameLength)};
        for (int kill = 0; kill < 15; ++kill) {
            pid_t pid = ::fork();
            if (pid == 0)
                ::_exit(SaveProject(versions[kill % 2], target) ? 0 : 1);
            ASSERT_GT(pid, 0);
            std::this_thread::sleep_for(std::chrono::microseconds(random() % (whole + 1)));
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            std::string now = ReadBytes(target);
            EXPECT_TRUE(now == bytes[0] || now == bytes[1])
                << "kill " << kill << ": the target is " << now.size() << " bytes";
        }
        leftovers += int(Leftovers(dir.Path()).size());
        RunOk({"resave", inputs.File("b.zvp"), target});
        EXPECT_EQ(ReadBytes(target), bytes[1]);
        EXPECT_EQ(FolderEntries(dir.Path()), TTexts{name});
    }
    EXPECT_GT(leftovers, 0) << "no kill fell inside a save: nothing was tested";
}

TEST(CliHostile, PipesFoldersAndDevicesAreRefusedWithoutWaiting) {
    TTempDir dir;
    std::string fifo = dir.File("pipe.zvp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(dir.File("folder.zvp"));
    WriteBytes(dir.File("out.zvp"), "old");
    TRunOptions options;
    options.TimeoutSeconds = 30;
    for (const std::vector<std::string>& args :
         {TTexts{"info", fifo},
          {"info", "--json", "/dev/zero"},
          {"info", dir.File("folder.zvp")},
          {"notes", fifo},
          {"resave", fifo, dir.File("out.zvp")},
          {"export-wav", fifo, "-o", dir.File("out.wav")},
          {"import-midi", fifo, "-o", dir.File("out.zvp")},
          {"import-midi", Scale, "--into", fifo, "-o", dir.File("out.zvp")},
          {"resave", Demo, fifo},
          {"export-wav", Demo, "-o", fifo},
          {"resave", Demo, dir.File("folder.zvp")}})
        ExpectFails(args, 1, "not a regular file", options);
    struct stat st {};
    EXPECT_TRUE(::lstat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) << "still a pipe";
    EXPECT_EQ(ReadBytes(dir.File("out.zvp")), "old");
    EXPECT_EQ(FolderEntries(dir.Path()), (TTexts{"folder.zvp", "out.zvp", "pipe.zvp"}));
}

TEST(CliHostile, WritingThroughALinkLoopFailsAndChangesNothing) {
    TTempDir dir;
    fs::create_symlink("b.zvp", dir.File("a.zvp"));
    fs::create_symlink("a.zvp", dir.File("b.zvp"));
    fs::create_symlink("self.wav", dir.File("self.wav"));
    fs::create_symlink(dir.File("a.zvp") + "/x", dir.File("deep.zvp"));
    for (const std::vector<std::string>& args :
         {TTexts{"resave", Demo, dir.File("a.zvp")},
          {"export-wav", Demo, "-o", dir.File("self.wav")},
          {"export-png", Demo, "--riff", "Intro", "-o", dir.File("b.zvp")},
          {"import-midi", Scale, "-o", dir.File("a.zvp")},
          {"print", Demo, "--arrangement", "-o", dir.File("deep.zvp")},
          {"info", dir.File("a.zvp")}})
        ExpectFails(args, 1, "Too many levels of symbolic links");
    EXPECT_EQ(fs::read_symlink(dir.File("a.zvp")), "b.zvp");
    EXPECT_EQ(fs::read_symlink(dir.File("b.zvp")), "a.zvp");
    EXPECT_EQ(fs::read_symlink(dir.File("self.wav")), "self.wav");
    EXPECT_EQ(FolderEntries(dir.Path()), (TTexts{"a.zvp", "b.zvp", "deep.zvp", "self.wav"}));
}

TEST(CliHostile, AFileSizeLimitFailsTheSaveAndKeepsTheOldFile) {
    TTempDir dir;
    WriteBytes(dir.File("t.zvp"), "old project");
    WriteBytes(dir.File("t.wav"), "old sound");
    TRunOptions limited;
    limited.FileSizeLimit = 1000; // the demo project is larger, and its sound much larger
    for (const std::vector<std::string>& args :
         {TTexts{"resave", Demo, dir.File("t.zvp")},
          {"export-wav", Demo, "-o", dir.File("t.wav")},
          {"import-midi", Scale, "--into", Demo, "-o", dir.File("t.zvp")}})
        ExpectFails(args, 1, "File too large", limited); // 128 + 25: killed by the limit
    EXPECT_EQ(ReadBytes(dir.File("t.zvp")), "old project");
    EXPECT_EQ(ReadBytes(dir.File("t.wav")), "old sound");
    EXPECT_EQ(FolderEntries(dir.Path()), (TTexts{"t.wav", "t.zvp"}));
}

TEST(CliHostile, WideRowsAreSummarisedWholeAndClashesCounted) {
    TTempDir dir;
    // A row reaching 100,000 columns, filled at the first, the 50th and the last.
    std::string row = "2\tVerse";
    for (int column = 1; column < 100000; ++column)
        row += column == 49 || column == 99999 ? "\t3\tVerse" : "\t\t";
    std::string text = "T\tVerse\t-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\r\n"
                       "I\tLead\t0\t50\t0\t0\t0\t0\t100\t0\t0\t0\t100\t100\t0\t0\t0\t0\r\n"
                       "I\tBass\t0\t50\t0\t0\t0\t0\t100\t0\t0\t0\t100\t100\t0\t0\t0\t0\r\n"
                       "s\t" +
                       row + "\r\n";
    // An old S line that gives the first instrument a riff 5,000 times over.
    text += "S\t";
    for (int i = 0; i < 5000; ++i)
        text += "Verse Lead ";
    text += "\r\n";
    WriteBytes(dir.File("wide.zvp"), text);
    TRun run = RunCli({"info", dir.File("wide.zvp")});
    ASSERT_EQ(run.Status, 0) << run.Err.substr(0, 500);
    EXPECT_TRUE(Contains(run.Out, "1. 2 x Verse (Lead)  |  3 x Verse (column 50)  |  3 x Verse "
                                  "(column 100000)\n"))
        << run.Out.substr(0, 500);
    EXPECT_EQ(Occurrences(run.Err, "Instrument clash: Verse"), size_t(ShownClashes));
    EXPECT_TRUE(Contains(run.Err, std::to_string(4999 - ShownClashes) + " more instrument clashes"))
        << run.Err;
    EXPECT_LT(std::count(run.Err.begin(), run.Err.end(), '\n'), 10);
}

TEST(CliHostile, AnOutputThatCannotBeWrittenIsFoundBeforeTheWork) {
    TTempDir dir;
    // A song naming a riff that does not exist: rendering it fails, so an error about the
    // output shows that the output was checked first.
    WriteBytes(dir.File("bad.zvp"), "T\tA\r\nN\t0\t-\t-\t-\t-\t-\t-\t-\t3\t0\r\ns\t1\tMissing\r\n");
    fs::create_directory(dir.File("ro"));
    ::chmod(dir.File("ro").c_str(), 0555);
    bool rootIgnoresModes = ::access(dir.File("ro").c_str(), W_OK) == 0;
    std::vector<std::string> outputs = {dir.File("missing/out"), dir.File("bad.zvp/out")};
    if (!rootIgnoresModes)
        outputs.push_back(dir.File("ro/out"));
    for (const std::string& out : outputs) {
        TRun wav = RunCli({"export-wav", dir.File("bad.zvp"), "-o", out + ".wav"});
        EXPECT_EQ(wav.Status, 1);
        EXPECT_TRUE(Contains(wav.Err, out + ".wav")) << wav.Err;
        EXPECT_FALSE(Contains(wav.Err, "Undefined Riff")) << "rendered first: " << wav.Err;
        // A width that leaves no room for notes fails the drawing.
        TRun png = RunCli({"export-png", dir.File("bad.zvp"), "--riff", "A", "--width", "16", "-o",
                           out + ".png"});
        EXPECT_EQ(png.Status, 1);
        EXPECT_TRUE(Contains(png.Err, out + ".png")) << png.Err;
        EXPECT_FALSE(Contains(png.Err, "no room")) << "drawn first: " << png.Err;
    }
    ::chmod(dir.File("ro").c_str(), 0755);
}

TEST(CliHostile, MessagesSayOnlyWhatHelps) {
    TTempDir dir;
    // One invalid MIDI file: one "Invalid MIDI File".
    WriteBytes(dir.File("bad.mid"), "RIFF....WAVEfmt ");
    TRun midi = RunCli({"import-midi", dir.File("bad.mid"), "-o", dir.File("o.zvp")});
    EXPECT_EQ(midi.Status, 1);
    EXPECT_EQ(Occurrences(midi.Err, "Invalid MIDI File"), 1u) << midi.Err;

    // A riff too long for one picture even at the widest picture: no advice to widen it.
    WriteBytes(dir.File("long.zvp"), CanonicalProject(150000, 0));
    TRun widest = RunCli({"export-png", dir.File("long.zvp"), "--riff", "Long", "--width",
                          std::to_string(30000), "-o", dir.File("long.png")});
    EXPECT_EQ(widest.Status, 1);
    EXPECT_TRUE(Contains(widest.Err, "too large")) << widest.Err;
    EXPECT_FALSE(Contains(widest.Err, "larger --width")) << widest.Err;
    ExpectFails({"export-png", dir.File("long.zvp"), "--riff", "Long", "--width", "600",
                 "--font-height", "40", "-o", dir.File("long.png")},
                1, "smaller --font-height");

    // Without a runtime folder Qt would say so on every picture.
    TRunOptions bare;
    bare.Environment = {{"XDG_RUNTIME_DIR", std::nullopt}, {"QT_QPA_PLATFORM", "offscreen"}};
    TRun png = RunCli({"export-png", Demo, "--riff", "Intro", "-o", dir.File("i.png")}, bare);
    EXPECT_EQ(png.Status, 0);
    EXPECT_EQ(png.Err, "");
    TRun pdf = RunCli({"print", Demo, "--arrangement", "-o", dir.File("i.pdf")}, bare);
    EXPECT_EQ(pdf.Status, 0);
    EXPECT_EQ(pdf.Err, "");
}

} // namespace
} // namespace zel
