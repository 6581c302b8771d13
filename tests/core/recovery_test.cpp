// Recovery copies: the header, the folder, the start-up scan (offered, out of date, another
// editor's, damaged) and the autosaver's timing, writing, removal and failure report.
#include <gtest/gtest.h>

#include "app/project_lifecycle.h"
#include "app/recovery.h"
#include "base/markup.h"
#include "document/autosave.h"
#include "document/document.h"
#include "model/datafile.h"
#include "model/projectfile.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace std::chrono_literals;

TEST(Recovery, HeaderKeepsAnyPathAndRefusesOtherLines) {
    for (std::string path : {"", "/home/a/song.zvp", "/t\tab/c\rr%41\n.zvp"}) {
        auto back = ParseRecoveryHeader(RecoveryHeader({path, 1700000000, 4242}));
        ASSERT_TRUE(back) << path;
        EXPECT_EQ(back->ProjectPath, path);
        EXPECT_EQ(back->Time, 1700000000);
        EXPECT_EQ(back->Pid, 4242);
        EXPECT_EQ(RecoveryHeader(*back).find_first_of("\r\n"), std::string::npos);
    }
    for (std::string line :
         {"", "T\tRiff1", "Z\tZelvane recovery\t1\t12\t34", "Z\tZelvane recovery\t1\tx\t34\t/a",
          "Z\tZelvane recovery\t1\t1\t2\t%4"})
        EXPECT_FALSE(ParseRecoveryHeader(line)) << line;
}

TEST(Recovery, FolderFollowsStateHome) {
    EXPECT_EQ(RecoveryFolder("/s", "/h"), "/s/zelvane/recovery");
    EXPECT_EQ(RecoveryFolder("rel", "/h"), "/h/.local/state/zelvane/recovery");
    EXPECT_EQ(RecoveryFolder(nullptr, nullptr), "");
    EXPECT_NE(RecoveryFileName("/a/x.zvp", "1"), RecoveryFileName("/b/x.zvp", "1"));
    EXPECT_NE(RecoveryFileName("/a/x.zvp", "1"), RecoveryFileName("/a/x.zvp", "2"));
    std::string longName = RecoveryFileName("/a/" + std::string(400, 'x') + "\n.zvp", "1");
    EXPECT_LT(longName.size(), 200u);
    EXPECT_EQ(longName.find_first_of("/\n"), std::string::npos);
}

TEST(Recovery, QuestionsNameTheProject) {
    struct {
        std::string Question, Starts, Names;
    } cases[] = {{DiscardQuestion("/a/song.zvp"), "Do you wish to save changes to ", "song.zvp?"},
                 {RecoveryQuestion({"", 0, 1}),
                  "Zelvane Editor did not close properly. Recover the unsaved changes to ",
                  "NewProject.zvp from "}};
    for (const auto& c : cases) {
        std::string text = MarkupToPlainText(c.Question);
        EXPECT_EQ(text.rfind(c.Starts, 0), 0u) << text;
        EXPECT_NE(text.find(c.Names), std::string::npos) << text;
    }
}

TEST(Recovery, ScanOffersLeftoversNewestFirstAndSetsDamageAside) {
    test::TTempDir dir;
    test::TRecordingMessages messages;
    TDocument doc;
    ASSERT_TRUE(doc.Load(ZELVANE_DEMO_PROJECT));
    std::string saved = dir.File("saved.zvp");
    ASSERT_TRUE(SaveProject(doc.Project(), saved));
    std::string folder = dir.File("rec");
    int64_t now = std::time(nullptr);
    struct TCase {
        std::string Name, ProjectPath;
        int64_t Time, Pid;
    };
    for (const TCase& c : std::vector<TCase>{{"a", "", now - 50, 1},      // offered
                                             {"b", saved, now + 5, 1},    // offered, newest
                                             {"c", saved, now - 3600, 1}, // project saved since
                                             {"d", "", now, 77}})         // editor running
        ASSERT_EQ(WriteRecoveryCopy(folder + "/" + c.Name + RecoveryExtension,
                                    {c.ProjectPath, c.Time, c.Pid}, doc.Project()),
                  "");
    test::WriteBytes(folder + "/e" + RecoveryExtension, "not a project\r\n");
    test::WriteBytes(folder + "/f" + RecoveryExtension,
                     RecoveryHeader({"", now, 1}) + std::string("\r\n\0binary", 9));

    TRecoveryScan scan = ScanRecoveryFolder(folder, [](int64_t pid) { return pid == 77; });
    ASSERT_EQ(scan.Offers.size(), 2u);
    EXPECT_EQ(scan.Offers[0].Info.ProjectPath, saved);
    EXPECT_EQ(scan.Offers[1].Info.Time, now - 50);
    EXPECT_EQ(scan.Problems.size(), 2u);
    EXPECT_EQ(test::FolderEntries(folder),
              (std::vector<std::string>{"a.recovery", "b.recovery", "d.recovery",
                                        "e.recovery.damaged", "f.recovery.damaged"}));
    // A copy opens as the project it holds.
    TDocument back;
    ASSERT_TRUE(back.Load(scan.Offers[0].File));
    auto bytes = [](const TProject& p) {
        auto file = TDataFile::ToMemory();
        WriteProject(p, *file);
        return file->Bytes();
    };
    EXPECT_EQ(bytes(back.Project()), bytes(doc.Project()));
    back.MarkChanged();
    EXPECT_TRUE(back.IsChanged());
}

TEST(Recovery, AutosaverWritesAfterTheIntervalOfChangesAndRemovesWhenUnchanged) {
    test::TTempDir dir;
    TDocument doc;
    ASSERT_TRUE(doc.Load(ZELVANE_DEMO_PROJECT));
    TAutosaver saver(dir.File("rec"), "run1");
    saver.SetInterval(60);
    auto t0 = TAutosaver::TClock::now();
    EXPECT_FALSE(saver.Tick(doc, t0)); // unchanged
    auto edit = [&] {
        doc.Edit("x", TEditScope{}.AndStructure(),
                 [&] { doc.Project().Structure.push_back("1\tRiff1"); });
    };
    edit();
    EXPECT_FALSE(saver.Tick(doc, t0 + 1s));
    EXPECT_FALSE(saver.Tick(doc, t0 + 60s));
    EXPECT_TRUE(saver.Tick(doc, t0 + 61s));
    EXPECT_FALSE(saver.Tick(doc, t0 + 200s)); // the copy holds this state
    saver.Flush();
    TRecoveryScan scan = ScanRecoveryFolder(dir.File("rec"), {});
    ASSERT_EQ(scan.Offers.size(), 1u);
    EXPECT_EQ(scan.Offers[0].Info.ProjectPath, ZELVANE_DEMO_PROJECT);
    edit();
    EXPECT_FALSE(saver.Tick(doc, t0 + 201s));
    EXPECT_TRUE(saver.Tick(doc, t0 + 261s));
    doc.Undo();
    doc.Undo(); // back to the file's state
    saver.Tick(doc, t0 + 262s);
    saver.Flush();
    EXPECT_TRUE(test::FolderEntries(dir.File("rec")).empty());
    saver.SetInterval(0);
    edit();
    EXPECT_FALSE(saver.Tick(doc, t0 + 9999s));
}

TEST(Recovery, UnwritableFolderIsReportedOnceAndEditingGoesOn) {
    test::TTempDir dir;
    test::WriteBytes(dir.File("blocked"), "a file where the folder should be");
    TDocument doc;
    doc.MarkChanged();
    TAutosaver saver(dir.File("blocked") + "/rec", "run1");
    saver.SetInterval(1);
    auto t0 = TAutosaver::TClock::now();
    saver.Tick(doc, t0);
    EXPECT_TRUE(saver.Tick(doc, t0 + 1s));
    saver.Flush();
    EXPECT_NE(saver.TakeFailure(), "");
    doc.Edit("x", TEditScope{}.AndStructure(), [&] { doc.Project().Structure.push_back("1"); });
    saver.Tick(doc, t0 + 2s);
    EXPECT_TRUE(saver.Tick(doc, t0 + 3s));
    saver.Flush();
    EXPECT_EQ(saver.TakeFailure(), "");
}

} // namespace
} // namespace zel
