// The debug log: the daily file's name and line format, appending, a file that cannot be opened,
// and the sink that the debug window installs.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/debug_log.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

class DebugLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDebugClock([this] { return now; });
        SetDebugLogFolder(dir.Path().string());
    }
    void TearDown() override {
        DebugLogFlush();
        SetDebugLogging(false);
        SetDebugSink(nullptr);
        SetDebugClock({});
        SetDebugLogFolder({});
    }
    std::string File(const std::string& name) { return ReadBytes(dir.File(name)); }

    test::TTempDir dir;
    TDebugTime now{2026, 12, 5, 14, 3, 9, 250};
};

TEST(DebugLogFormat, DailyFileNameAndLine) {
    struct Case {
        TDebugTime time;
        const char* name;
        const char* stamp;
    };
    for (const Case& c :
         {Case{{2026, 12, 5, 14, 3, 9, 250}, "DEBUGLOG20261205.TXT", "20261205140309"},
          Case{{2027, 1, 9, 0, 0, 0, 0}, "DEBUGLOG20270109.TXT", "20270109000000"},
          Case{{1999, 10, 31, 23, 59, 59, 999}, "DEBUGLOG19991031.TXT", "19991031235959"}}) {
        EXPECT_EQ(DebugLogFileName(c.time), c.name);
        EXPECT_EQ(DebugLogLine(c.time, "Midi: 90 0"), std::string(c.stamp) + "\tMidi: 90 0\r\n");
    }
}

TEST_F(DebugLogTest, LinesAreAppendedToTheDaysFile) {
    test::WriteBytes(dir.File("DEBUGLOG20261205.TXT"), "earlier\r\n");
    SetDebugLogging(true);
    DebugAdd("Midi: 90 0", 16512);
    now.Second = 10;
    DebugAdd("\t12\t100", 16512);
    now = {2026, 12, 6, 0, 0, 1, 0}; // past midnight: the next day's file
    DebugAdd("next day", 255);
    DebugLogFlush();
    EXPECT_EQ(File("DEBUGLOG20261205.TXT"),
              "earlier\r\n20261205140309\tMidi: 90 0\r\n20261205140310\t\t12\t100\r\n");
    EXPECT_EQ(File("DEBUGLOG20261206.TXT"), "20261206000001\tnext day\r\n");
}

TEST_F(DebugLogTest, ManyLinesArriveCompleteAndInOrder) {
    SetDebugLogging(true);
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        DebugAdd("line " + std::to_string(i), 0);
        expected += "20261205140309\tline " + std::to_string(i) + "\r\n";
    }
    DebugLogFlush();
    EXPECT_EQ(File("DEBUGLOG20261205.TXT"), expected);
}

TEST_F(DebugLogTest, AFileThatCannotBeOpenedIsSkippedSilently) {
    test::TCapturedMessages messages;
    TRecordingSink sink;
    SetDebugSink(&sink);
    // A folder in the file's place: the file cannot be opened for appending.
    std::filesystem::create_directory(dir.File("DEBUGLOG20261205.TXT"));
    SetDebugLogging(true);
    DebugAdd("lost", 1);
    DebugLogFlush();
    EXPECT_TRUE(messages->empty());
    EXPECT_EQ(sink.Lines, TTexts{"lost"}) << "the window still gets it";
    now.Day = 6; // the next day's file can be written again
    DebugAdd("kept", 1);
    DebugLogFlush();
    EXPECT_EQ(File("DEBUGLOG20261206.TXT"), "20261206140309\tkept\r\n");
    SetDebugLogFolder(dir.File("no/such/folder"));
    DebugAdd("nowhere", 1);
    DebugLogFlush();
    EXPECT_TRUE(messages->empty());
}

TEST_F(DebugLogTest, WithoutLoggingOrSinkNothingHappens) {
    DebugAdd("quiet", 16512);
    DebugLogFlush();
    EXPECT_TRUE(test::FolderEntries(dir.Path()).empty());
    EXPECT_FALSE(DebugLogging());
}

TEST_F(DebugLogTest, TheRelativeNameLandsInTheCurrentDirectory) {
    SetDebugLogFolder({});
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    SetDebugLogging(true);
    DebugAdd("here", 0);
    DebugLogFlush();
    std::filesystem::current_path(previous);
    EXPECT_EQ(File("DEBUGLOG20261205.TXT"), "20261205140309\there\r\n");
}

TEST_F(DebugLogTest, OnlyTheInstalledSinkIsRemoved) {
    TRecordingSink first, second;
    SetDebugSink(&first);
    SetDebugSink(&second);
    RemoveDebugSink(&first); // a window going away after another took over
    DebugAdd("to second", 42);
    EXPECT_TRUE(first.Lines.empty());
    EXPECT_EQ(second.Lines, TTexts{"to second"});
    EXPECT_EQ(second.Colours, std::vector<uint32_t>{42});
    RemoveDebugSink(&second);
    DebugAdd("to nobody", 42);
    EXPECT_EQ(second.Lines.size(), 1u);
}

} // namespace
} // namespace zel
