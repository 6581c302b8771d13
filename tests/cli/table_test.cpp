// zelvane-cli's command table as a user meets it: help and usage errors of every command, no
// output over an input, riffs and rows that do not exist, interrupted exports, the manual pages
// and the bash completion, and the instrument preview.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <sys/wait.h>
#include <thread>

#include "cli_run.h"
#include "shell_tools.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;
namespace fs = std::filesystem;

// The commands the tool lists, and those whose help shows `text`.
std::vector<std::string> CommandsShowing(const std::string& text = "") {
    std::vector<std::string> names;
    std::string list = RunCli({"help"}).Out;
    for (size_t at = list.find("\n  "); at != std::string::npos; at = list.find("\n  ", at + 1)) {
        std::string name = list.substr(at + 3, list.find_first_of(" \n", at + 3) - at - 3);
        if (!name.empty() && name[0] != ' ' &&
            (text.empty() || Contains(RunCli({name, "--help"}).Out, text)))
            names.push_back(name);
    }
    return names;
}

TEST(CliTable, EveryCommandHasHelpAndRefusesUnknownOptions) {
    std::vector<std::string> names = CommandsShowing();
    EXPECT_GE(names.size(), 14u);
    for (const std::string& name : names) {
        TRun help = RunCli({name, "--help"});
        EXPECT_EQ(help.Status, 0) << name;
        EXPECT_EQ(help.Out.rfind("Usage: zelvane-cli " + name, 0), 0u) << help.Out;
        EXPECT_EQ(RunCli({"help", name}).Out, help.Out) << name;
        TRun bad = RunCli({name, "--bogus"});
        EXPECT_EQ(bad.Status, 2) << name;
        EXPECT_TRUE(Contains(bad.Err, "unknown option --bogus")) << bad.Err;
        EXPECT_TRUE(Contains(bad.Err, "Usage: zelvane-cli " + name)) << bad.Err;
    }
    EXPECT_EQ(RunCli({"--help"}).Out, RunCli({"help"}).Out);
    for (auto args : std::vector<std::vector<std::string>>{{}, {"frobnicate"}, {"help", "nope"}})
        EXPECT_EQ(RunCli(args).Status, 2);
}

TEST(CliTable, OptionValuesAreCheckedByTheirKind) {
    TTempDir dir;
    const std::string out = dir.File("o.wav");
    ExpectFails({"export-wav", Demo, "-o", out, "--master", "101"}, 2,
                "--master needs a number from 0 to 100");
    ExpectFails({"export-wav", Demo, "-o", out, "--from-row", "0"}, 2,
                "--from-row needs a number from 1");
    ExpectFails({"export-wav", Demo, "-o", out, "--from-row", "2x"}, 2, "--from-row needs");
    ExpectFails({"export-wav", Demo, "-o"}, 2, "-o needs OUT.wav");
    ExpectFails({"export-wav", Demo}, 2, "export-wav needs -o OUT.wav");
    ExpectFails({"export-wav", "-o", out}, 2, "export-wav needs PROJECT.zvp");
    ExpectFails({"export-wav", Demo, Demo, "-o", out}, 2, "too many arguments");
    ExpectFails({"export-wav", Demo, "-o", out, "--once=yes"}, 2, "--once takes no value");
    ExpectFails({"export-wav", Demo, "-o", out, "--riff", "Intro", "--all-riffs"}, 2,
                "exclude each other");
    ExpectFails({"export-wav", Demo, "-o", out, "--all-riffs", "--once"}, 2, "apply to the song");
    ExpectFails({"print", Demo, "-o", out, "--arrangement", "--page-size", "A5"}, 2,
                "--page-size takes A4 or Letter");
    ExpectFails({"import-midi", Scale, "-o", out, "--channels", "16"}, 2, "0..15");
    ExpectFails({"notes", Demo, "--text", "--rtf"}, 2, "either --text or --rtf");
    ExpectFails({"preview", Demo, "-o", out, "--height", "64"}, 2, "--height needs --plot");
    EXPECT_EQ(FolderEntries(dir.Path()), TTexts{});
    // "--name=value" and choices in any letter case are accepted.
    RunOk(
        {"print", Demo, "--output=" + dir.File("a.pdf"), "--arrangement", "--page-size", "letter"});
}

TEST(CliTable, NoCommandWritesOverOneOfItsInputs) {
    TTempDir dir;
    fs::create_directory(dir.File("d"));
    const std::string project = dir.File("d/song.zvp");
    const std::string midi = dir.File("d/tune.mid");
    WriteBytes(project, ReadBytes(Demo));
    WriteBytes(midi, ReadBytes(Scale));
    fs::create_symlink(project, dir.File("link.zvp"));
    fs::create_hard_link(project, dir.File("hard.zvp"));
    fs::create_symlink(midi, dir.File("link.mid"));
    const std::string wav = dir.File("p.wav");
    // Each writer with "OUT" where its output goes; `Midi`: its input is the MIDI file.
    struct Writer {
        std::vector<std::string> Args;
        bool Midi = false;
    };
    const std::vector<Writer> writers = {
        {{"export-wav", project, "-o", "OUT"}},
        {{"export-midi", project, "-o", "OUT"}},
        {{"export-text", project, "--riff", "Intro", "-o", "OUT"}},
        {{"export-png", project, "--riff", "Intro", "-o", "OUT"}},
        {{"print", project, "--arrangement", "-o", "OUT"}},
        {{"preview", project, "-o", "OUT"}},
        {{"preview", project, "-o", wav, "--plot", "OUT"}},
        {{"import-midi", midi, "-o", "OUT"}, true},
        {{"export-musicxml", project, "-o", "OUT"}},
        // The clash is found before the input is read, so any file stands in for the song.
        {{"import-gp", midi, "-o", "OUT"}, true}};
    std::set<std::string> covered = {"resave"}; // a project may be saved over itself
    for (const Writer& w : writers)
        covered.insert(w.Args[0]);
    for (const std::string& name : CommandsShowing("-o, --output"))
        EXPECT_TRUE(covered.count(name)) << name << " writes a file and is not checked here";

    const auto before = FolderEntries(dir.Path());
    for (const Writer& w : writers) {
        std::string base = w.Midi ? "tune.mid" : "song.zvp";
        for (const std::string& out :
             {dir.File("d/" + base), dir.File(w.Midi ? "link.mid" : "link.zvp"),
              dir.File("d/../d/./" + base), w.Midi ? midi : dir.File("hard.zvp")}) {
            std::vector<std::string> args = w.Args;
            std::replace(args.begin(), args.end(), std::string("OUT"), out);
            ExpectFails(args, 2, "is the same file as the input");
        }
    }
    EXPECT_EQ(ReadBytes(project), ReadBytes(Demo));
    EXPECT_EQ(ReadBytes(midi), ReadBytes(Scale));
    EXPECT_EQ(FolderEntries(dir.Path()), before) << "nothing written beside them";
    EXPECT_EQ(FolderEntries(dir.File("d")), (TTexts{"song.zvp", "tune.mid"}));

    // A project rewritten as a project stays allowed, and two outputs may not be one file.
    RunOk({"import-midi", midi, "--into", dir.File("link.zvp"), "-o", project});
    EXPECT_EQ(RunCli({"preview", project, "-o", wav, "--plot", wav}).Status, 2);
    WriteBytes(wav, "");
    EXPECT_EQ(RunCli({"preview", project, "-o", wav, "--plot", wav}).Status, 2);
}

TEST(CliTable, UnknownRiffsAndRowsAreUsageErrorsThatWriteNothing) {
    TTempDir dir;
    const std::string out = dir.File("out");
    const std::vector<std::vector<std::string>> riffCommands = {
        {"export-wav", Demo, "-o", out},
        {"play", Demo},
        {"export-midi", Demo, "-o", out},
        {"export-text", Demo, "-o", out},
        {"export-png", Demo, "-o", out},
        {"print", Demo, "-o", out},
        {"import-midi", Scale, "--into", Demo, "-o", out},
        {"export-musicxml", Demo, "-o", out}};
    std::set<std::string> covered;
    for (auto args : riffCommands) {
        covered.insert(args[0]);
        args.insert(args.end(), {"--riff", "Nope"});
        ExpectFails(args, 2, "no riff named \"Nope\"");
    }
    for (const std::string& name : CommandsShowing("--riff NAME"))
        EXPECT_TRUE(covered.count(name)) << name;
    covered.clear();
    // The demo's song has 4 rows.
    for (auto args : std::vector<std::vector<std::string>>{
             {"export-wav", Demo, "-o", out}, {"export-midi", Demo, "-o", out}, {"play", Demo}}) {
        covered.insert(args[0]);
        args.insert(args.end(), {"--from-row", "5"});
        ExpectFails(args, 2, "Row 5 does not exist (the song has 4 rows)");
    }
    for (const std::string& name : CommandsShowing("--from-row"))
        EXPECT_TRUE(covered.count(name)) << name;
    EXPECT_EQ(FolderEntries(dir.Path()), TTexts{});
}

TEST(CliTable, AnInterruptedExportRemovesItsTemporaryFile) {
    TTempDir dir;
    // A riff of 2,000 quarter notes: over 16 minutes of sound, long enough to be interrupted.
    std::string text = "T\tLong\t-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\r\n";
    for (int i = 0; i < 2000; ++i)
        text += "N\t" + std::to_string(i % 12) + "\t-\t-\t-\t-\t-\t-\t-\t3\t0\r\n";
    WriteBytes(dir.File("long.zvp"), text + "s\t1\tLong\r\n");
    fs::create_directory(dir.File("out"));
    for (int signal : {SIGINT, SIGTERM}) {
        pid_t pid =
            test::StartCli({"export-wav", dir.File("long.zvp"), "-o", dir.File("out/long.wav")});
        for (int i = 0; i < 600 && FolderEntries(dir.File("out")).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_EQ(FolderEntries(dir.File("out")).size(), 1u) << "the temporary file";
        ::kill(pid, signal);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        EXPECT_EQ(FolderEntries(dir.File("out")), TTexts{});
    }
}

TEST(CliTable, ManualPagesAndCompletionComeFromTheTable) {
    const std::string docs = ZELVANE_DOCS_DIR;
    std::string page = CommandOutput("MANWIDTH=100 man -l " + docs + "/zelvane-cli.1 2>&1");
    for (const std::string& name : CommandsShowing())
        EXPECT_TRUE(Contains(page, "\n   " + name + "\n")) << name << " has no section";
    EXPECT_TRUE(Contains(page, "EXIT STATUS"));
    EXPECT_FALSE(Contains(page, "warning")) << page;
    std::string editor = CommandOutput("MANWIDTH=100 man -l " + docs + "/zelvane.1 2>&1");
    EXPECT_TRUE(Contains(editor, "-nosplash")) << editor;

    auto complete = [&](const std::string& words, int current) {
        return CommandOutput("bash -c 'source " + docs + "/zelvane-cli.bash; COMP_WORDS=(" + words +
                             "); COMP_CWORD=" + std::to_string(current) +
                             "; _zelvane_cli; echo \"${COMPREPLY[*]}\"'");
    };
    EXPECT_EQ(complete("zelvane-cli pr", 1), "preview print\n");
    EXPECT_EQ(complete("zelvane-cli print --page-size \"\"", 3), "A4 Letter\n");
    EXPECT_EQ(complete("zelvane-cli preview --pl", 2), "--plot\n");
}

TEST(CliTable, PreviewSoundsMiddleCAndPlotsIt) {
    TTempDir dir;
    // The default instrument is a sine wave.
    WriteBytes(dir.File("p.zvp"), "T\tA\t-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\r\n");
    RunOk({"preview", dir.File("p.zvp"), "-o", dir.File("p.wav"), "--plot", dir.File("p.png"),
           "--x-scale", "64", "--height", "100"});
    std::vector<int16_t> left = LeftChannel(ReadBytes(dir.File("p.wav")));
    EXPECT_EQ(left.size(), 2u * 176400) << "eight seconds";
    int rising = 0;
    for (size_t i = 1; i < 2 * 44100; ++i)
        rising += left[i - 1] < 0 && left[i] >= 0;
    EXPECT_NEAR(rising, 523, 2) << "261.63 Hz for the two seconds the key is held";
    std::string png = ReadBytes(dir.File("p.png"));
    ASSERT_GE(png.size(), 24u);
    auto word = [&](size_t at) {
        return uint8_t(png[at]) << 24 | uint8_t(png[at + 1]) << 16 | uint8_t(png[at + 2]) << 8 |
               uint8_t(png[at + 3]);
    };
    EXPECT_EQ(word(16), 352800 / 64);
    EXPECT_EQ(word(20), 100);

    TRun missing = RunCli({"preview", dir.File("p.zvp"), "--instrument", "1", "-o",
                           dir.File("q.wav"), "--plot", dir.File("q.png")});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_TRUE(Contains(missing.Err, "has no instrument 1")) << missing.Err;
    EXPECT_EQ(FolderEntries(dir.Path()), (TTexts{"p.png", "p.wav", "p.zvp"}));
}

} // namespace
} // namespace zel
