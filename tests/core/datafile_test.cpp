// Data files: line reading through the buffer, and writes that never destroy the old file.
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/settings.h"
#include "model/datafile.h"
#include "model/projectfile.h"
#include "sound/instrument_file.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

std::vector<std::string> ReadAllLines(const std::string& bytes) {
    auto file = TDataFile::FromBytes(bytes);
    std::vector<std::string> lines;
    while (!file->AtEnd())
        lines.push_back(ReadTextLine(*file));
    return lines;
}

TEST(ReadTextLine, LinesEndAtCrAndDropTheNextByte) {
    EXPECT_EQ(ReadAllLines("a\r\nb\r\n"), (TTexts{"a", "b"}));
    EXPECT_EQ(ReadAllLines("a\rXb"), (TTexts{"a", "b"})) << "any byte after CR";
    EXPECT_EQ(ReadAllLines("a\nb"), (TTexts{"a\nb"}));
    EXPECT_EQ(ReadAllLines("no end"), (TTexts{"no end"}));
    EXPECT_EQ(ReadAllLines("end\r"), (TTexts{"end"}));
    EXPECT_EQ(ReadAllLines(""), (TTexts{}));
    std::string all;
    for (int b = 0; b < 256; ++b)
        if (b != '\r')
            all += char(b);
    EXPECT_EQ(ReadAllLines(all + "\r\n"), (TTexts{all}));
}

TEST(ReadTextLine, CrLfSplitAcrossTheReadBuffer) {
    TTempDir dir;
    // Lines placed so that CR and LF fall on both sides of the 1024-byte buffer boundary, and
    // a line longer than the buffer.
    std::string first(1023, 'a');
    std::string second(3000, 'b');
    WriteBytes(dir.File("f"), first + "\r\n" + second + "\r\nlast");
    auto file = OpenDataFile(dir.File("f"), false);
    ASSERT_TRUE(file);
    EXPECT_EQ(ReadTextLine(*file), first);
    EXPECT_EQ(ReadTextLine(*file), second);
    EXPECT_EQ(ReadTextLine(*file), "last");
    EXPECT_EQ(ReadTextLine(*file), "");
    EXPECT_TRUE(file->AtEnd());
    EXPECT_FALSE(file->ReadFailed());
}

TEST(SafeWrite, WritesCrLfLinesAndKeepsTheFileMode) {
    TTempDir dir;
    std::string path = dir.File("song.zvp");
    WriteBytes(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    auto file = OpenDataFile(path, true);
    ASSERT_TRUE(file);
    WriteTextLine(*file, "one");
    WriteTextLine(*file, "two");
    EXPECT_EQ(ReadBytes(path), "old") << "nothing replaced before the file is complete";
    ASSERT_TRUE(CloseDataFile(std::move(file)));
    EXPECT_EQ(ReadBytes(path), "one\r\ntwo\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(dir.Path()), (TTexts{"song.zvp"}));
}

TEST(SafeWrite, AbandonedWriterLeavesTheOldFileAndNoLeftovers) {
    TTempDir dir;
    std::string path = dir.File("song.zvp");
    WriteBytes(path, "old");
    {
        auto file = OpenDataFile(path, true);
        ASSERT_TRUE(file);
        WriteTextLine(*file, "half");
    }
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(FolderEntries(dir.Path()), (TTexts{"song.zvp"}));
}

TEST(SafeWrite, SavingThroughALinkWritesTheLinkedFileAndKeepsTheLink) {
    // A link to an existing file, and a link to a file not made yet.
    for (bool exists : {true, false}) {
        TTempDir dir;
        if (exists)
            WriteBytes(dir.File("real.zvp"), "old");
        ASSERT_EQ(::symlink("real.zvp", dir.File("link.zvp").c_str()), 0);
        TProject project;
        ASSERT_TRUE(SaveProject(project, dir.File("link.zvp")));
        struct stat st {};
        ASSERT_EQ(::lstat(dir.File("link.zvp").c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << exists;
        EXPECT_EQ(ReadBytes(dir.File("real.zvp")).substr(0, 8), "T\tRiff1\t") << exists;
    }
}

TEST(SafeWrite, ImpossibleTargetsFailWithTheSaveMessage) {
    TTempDir dir;
    TCapturedMessages messages;
    TProject project;
    std::filesystem::create_directory(dir.Path() / "folder");
    EXPECT_FALSE(SaveProject(project, dir.File("folder")));
    EXPECT_FALSE(SaveProject(project, dir.File("missing/song.zvp")));
    EXPECT_FALSE(SaveInstrumentFile(dir.File("folder"), "Lead", TInstrument{}));
    ASSERT_EQ(messages->size(), 3u);
    for (const auto& m : *messages) {
        EXPECT_EQ(m.Text, "Failed to Save File");
        EXPECT_EQ(m.Kind, MessageError);
    }
    EXPECT_EQ(FolderEntries(dir.Path()), (TTexts{"folder"}));
}

// The writers under test, each saving something larger than the file-size limit below.
enum class TWriter { Project, Instrument, Settings };

bool SaveLarge(TWriter writer, const std::string& path) {
    switch (writer) {
    case TWriter::Project: {
        TProject project;
        for (int i = 0; i < 20; ++i)
            project.Structure.push_back(std::string(10000, 'r'));
        return SaveProject(project, path);
    }
    case TWriter::Instrument:
        return SaveInstrumentFile(path, std::string(3000, 'n'), TInstrument{});
    case TWriter::Settings: {
        TSettingsStore store;
        store.INIInit(path);
        for (int i = 0; i < 200; ++i)
            store.INIWrite("Key" + std::to_string(i), std::string(100, 'v'));
        return store.INIBackup();
    }
    }
    return false;
}

TEST(DataFileNames, TemporaryFilesLieBesideTheTargetAndNameIt) {
    struct Case {
        std::string name;
        std::string start; // the temporary name begins with this
    };
    const std::string longest(251, 'n');
    for (const Case& c :
         {Case{"t.zvp", ".t.zvp."}, Case{std::string(235, 'n'), "." + std::string(235, 'n') + "."},
          Case{std::string(236, 'n'), "." + std::string(64, 'n') + "~"},
          Case{longest + ".zvp", "." + std::string(64, 'n') + "~"},
          // "\xC3\xA9" is one character in two bytes: the shortened name does not cut it.
          Case{std::string(63, 'n') + "\xC3\xA9" + std::string(186, 'n'),
               "." + std::string(63, 'n') + "~"}}) {
        TTempDir dir;
        auto file = TDataFile::OpenForWriting(dir.File(c.name));
        ASSERT_TRUE(file) << c.name.size() << ": " << LastFileError();
        file->WriteLine("data");
        auto entries = FolderEntries(dir.Path());
        ASSERT_EQ(entries.size(), 1u);
        const std::string& temp = entries[0];
        EXPECT_TRUE(temp.starts_with(c.start)) << temp;
        EXPECT_TRUE(temp.ends_with(".zelvane-tmp")) << temp;
        EXPECT_LE(temp.size(), 255u);
        file.reset(); // abandoned: the temporary file goes
        EXPECT_TRUE(FolderEntries(dir.Path()).empty()) << c.name.size();
    }
    // Two long names that start alike get temporary names of their own.
    TTempDir dir;
    auto a = TDataFile::OpenForWriting(dir.File(longest + "a"));
    auto b = TDataFile::OpenForWriting(dir.File(longest + "b"));
    ASSERT_TRUE(a && b);
    auto entries = FolderEntries(dir.Path());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_NE(entries[0].substr(0, 82), entries[1].substr(0, 82)) << "the hash tells them apart";
}

// Runs `body` in a child process and returns its exit status (a test in the child cannot use
// gtest assertions, so it reports through the status).
template <typename Body> int InChild(Body body) {
    pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// The user's work in `path` before a save that must fail.
class FailedSave : public ::testing::TestWithParam<TWriter> {
protected:
    void SetUp() override {
        std::filesystem::create_directory(folder);
        WriteBytes(path, old);
    }
    // The save as an ordinary user (root may write anywhere, so it drops to one): 0 when it
    // failed as it should.
    int SaveAsUser() {
        return InChild([&] {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                return 10;
            test::TRecordingMessages recorder;
            TScopedMessageService install(recorder);
            return SaveLarge(GetParam(), path) ? 1 : 0;
        });
    }
    TTempDir dir;
    const std::filesystem::path folder = dir.Path() / "f";
    const std::string path = (folder / "target").string();
    const std::string old = "the user's work\r\n";
};

TEST_P(FailedSave, FileSizeLimitHalfWayKeepsTheOldFile) {
    int status = InChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            1000, 1000
        };
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 10;
        test::TRecordingMessages recorder;
        TScopedMessageService install(recorder);
        if (SaveLarge(GetParam(), path))
            return 1; // reported success
        if (GetParam() != TWriter::Settings &&
            (recorder.Messages.size() != 1 || recorder.Messages[0].Text != "Failed to Save File"))
            return 2; // the user was not told
        return 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(FolderEntries(folder), (TTexts{"target"})) << "no temporary file left behind";
}

TEST_P(FailedSave, ReadOnlyFolderKeepsTheOldFile) {
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    EXPECT_EQ(SaveAsUser(), 0);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(FolderEntries(folder), (TTexts{"target"}));
}

TEST_P(FailedSave, WriteProtectedFileKeepsItsContent) {
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(SaveAsUser(), 0) << "a write-protected file must not be replaced";
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(FolderEntries(folder), (TTexts{"target"}));
}

INSTANTIATE_TEST_SUITE_P(
    Writers, FailedSave,
    ::testing::Values(TWriter::Project, TWriter::Instrument, TWriter::Settings),
    [](const auto& param) {
        return std::string(std::array{"Project", "Instrument", "Settings"}[size_t(param.param)]);
    });

} // namespace
} // namespace zel
