// The settings store: key lookup, numbers, the file written once at the end, its location, and
// the geometry, drop-down and column helpers.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/settings.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

TEST(Settings, ReadingAMissingKeyAddsItSoItIsWrittenAtTheEnd) {
    TTempDir dir;
    TSettingsStore store;
    EXPECT_FALSE(store.INIInit(dir.File("zelvane.ini")));
    EXPECT_EQ(store.INIReadNum("MidiIn", 0), 0);
    EXPECT_EQ(store.INIReadLine(0), "MidiIn");
    store.INIWriteNum("ShowHints", 0);
    EXPECT_EQ(store.INIReadNum("ShowHints", 1), 0) << "a stored 0 is not the default";
    EXPECT_EQ(store.INIReadNum("showhints", 1), 1) << "letter case counts";
    EXPECT_FALSE(std::filesystem::exists(dir.File("zelvane.ini"))) << "nothing written yet";
    ASSERT_TRUE(store.INIUninit());
    EXPECT_EQ(ReadBytes(dir.File("zelvane.ini")), "MidiIn\r\nShowHints\t0\r\nshowhints\r\n");
    EXPECT_EQ(store.FilePath(), "");
}

TEST(Settings, LoadsAnyLineEndsAndFindsTheFirstExactKey) {
    TTempDir dir;
    WriteBytes(dir.File("s.ini"), "Master\t75\r\nMaster\t20\nEmpty\r\rName\tA\tB\rNum\t  -12abc");
    TSettingsStore store;
    ASSERT_TRUE(store.INIInit(dir.File("s.ini")));
    EXPECT_EQ(store.LineCount(), 6);
    EXPECT_EQ(store.INIReadNum("Master", 50), 75);
    EXPECT_EQ(store.INIRead("Empty"), "");
    EXPECT_EQ(store.INIReadInit("Empty", "dflt"), "dflt");
    EXPECT_EQ(store.INIReadLine(3), "<blank>");
    EXPECT_EQ(store.INIReadLine(6), "");
    EXPECT_EQ(store.INIRead("Name"), "A\tB") << "everything after the first TAB";
    EXPECT_EQ(store.INIReadNum("Num", 0), -12);
    store.INIRemove("Master");
    EXPECT_EQ(store.INIReadNum("Master", 50), 20) << "the second line now answers";
    store.INIWrite("Name", "line\r\nbreak");
    EXPECT_EQ(store.INIRead("Name"), "line  break");
}

TEST(Settings, LongValuesAreCutOnRead) {
    TSettingsStore store;
    store.INIWrite("Long", std::string(12000, 'x'));
    EXPECT_EQ(store.INIRead("Long").size(), 9999u);
}

TEST(SettingsLocation, BesideTheProgramOrInTheConfigFolder) {
    EXPECT_EQ(SettingsTitle("/opt/z/ZelvaneEditor.exe"), "Zelvaneeditor");
    EXPECT_EQ(SettingsTitle("zelvane"), "zelvane");
    EXPECT_EQ(SettingsTitle("/usr/bin/Zel.v2.bin"), "Zel");

    TTempDir dir;
    TSettingsPlace place{dir.File("bin/zelvane"), "", dir.File("home")};
    std::filesystem::create_directories(dir.File("bin"));
    const std::string beside = dir.File("bin/zelvane.ini");
    const std::string config = dir.File("home/.config/zelvane/zelvane.ini");
    EXPECT_EQ(SettingsFilePath("zelvane", place), config) << "never beside the program by itself";
    EXPECT_EQ(SettingsFilePath("/etc/z", place), "/etc/z.ini");
    place.ConfigHome = dir.File("xdg");
    EXPECT_EQ(SettingsFilePath("other.cfg", place), dir.File("xdg/zelvane/other.cfg"));
    place.ConfigHome = "relative"; // not an absolute path: ignored
    EXPECT_EQ(SettingsFilePath("zelvane", place), config);

    // A portable installation: an empty file beside the program keeps the settings there.
    WriteBytes(beside, "");
    EXPECT_EQ(SettleSettingsFile("zelvane", place), beside);
    EXPECT_EQ(ReadBytes(beside), "Portable\t1\r\n") << "still portable once written";
    EXPECT_EQ(SettleSettingsFile("zelvane", place), beside);
    EXPECT_FALSE(std::filesystem::exists(config));
}

TEST(SettingsLocation, SettingsBesideTheProgramMoveToTheConfigFolderOnce) {
    TTempDir dir;
    TSettingsPlace place{dir.File("bin/zelvane"), dir.File("xdg"), dir.File("home")};
    std::filesystem::create_directories(dir.File("bin"));
    const std::string beside = dir.File("bin/zelvane.ini");
    const std::string config = dir.File("xdg/zelvane/zelvane.ini");
    const std::string old = "Recent.1\t/songs/a.zvp\nWinMainFormLeft\t40\nMidiIn\n";
    WriteBytes(beside, old);
    EXPECT_EQ(SettingsFilePath("zelvane", place), beside) << "read where they are until moved";
    EXPECT_EQ(SettleSettingsFile("zelvane", place), config);
    EXPECT_FALSE(std::filesystem::exists(beside));
    TSettingsStore store;
    ASSERT_TRUE(store.INIInit(config));
    EXPECT_EQ(store.INIRead("Recent.1"), "/songs/a.zvp");
    EXPECT_EQ(store.INIReadNum("WinMainFormLeft", 0), 40);
    // Settings in the config folder already: a file beside the program is left alone.
    WriteBytes(beside, old);
    EXPECT_EQ(SettleSettingsFile("zelvane", place), config);
    EXPECT_EQ(ReadBytes(beside), old);
}

TEST(SettingsLocation, ConfigFolderIsCreatedWhenTheFileIsWritten) {
    TTempDir dir;
    TSettingsStore store;
    std::string path = dir.File("a/b/zelvane.ini");
    store.INIInit(path);
    store.INIWriteNum("Master", 80);
    ASSERT_TRUE(store.INIBackup());
    EXPECT_EQ(ReadBytes(path), "Master\t80\r\n");
}

TEST(WindowGeometry, OffScreenPositionsResetAndOnlyNormalWindowsAreSaved) {
    TSettingsStore store;
    TWindowGeometry current{10, 20, 800, 600};
    EXPECT_EQ(INIWinLoad(store, "MainForm", current, 1024, 768, true), current) << "defaults";

    store.INIWriteNum("WinMainFormLeft", 3000);
    store.INIWriteNum("WinMainFormTop", 736);
    store.INIWriteNum("WinMainFormWidth", 900);
    store.INIWriteNum("WinMainFormHeight", 700);
    EXPECT_EQ(INIWinLoad(store, "MainForm", current, 1024, 768, true),
              (TWindowGeometry{0, 0, 900, 700}));
    store.INIWriteNum("WinMainFormTop", 735);
    EXPECT_EQ(INIWinLoad(store, "MainForm", current, 1024, 768, false),
              (TWindowGeometry{0, 735, 800, 600}))
        << "a fixed-size window keeps its size";

    INIWinSave(store, "MainForm", {5, 6, 1920, 1080}, false); // maximised
    EXPECT_EQ(store.INIReadNum("WinMainFormWidth", 0), 900);
    INIWinSave(store, "MainForm", {5, 6, 640, 480}, true);
    EXPECT_EQ(INIWinLoad(store, "MainForm", current, 1024, 768, true),
              (TWindowGeometry{5, 6, 640, 480}));
}

TEST(WindowGeometry, TitleBarIsPulledBackOntoTheScreen) {
    const TWindowGeometry screen{0, 0, 1024, 768};
    struct {
        const char* what;
        TWindowGeometry saved;
        TWindowGeometry expected;
    } cases[] = {{"title bar above the screen", {100, -40, 400, 300}, {100, 0, 400, 300}},
                 {"far above", {100, -5000, 400, 300}, {100, 0, 400, 300}},
                 {"all but 10 pixels left of it", {-390, 50, 400, 300}, {-368, 50, 400, 300}},
                 {"partly left of it, enough to grab", {-300, 50, 400, 300}, {-300, 50, 400, 300}},
                 {"far left of it", {-5000, 50, 400, 300}, {-368, 50, 400, 300}},
                 {"a narrow window left of it", {-30, 50, 20, 300}, {0, 50, 20, 300}},
                 {"bottom edge (the old rule)", {100, 740, 400, 300}, {100, 0, 400, 300}},
                 {"right edge (the old rule)", {1000, 50, 400, 300}, {0, 50, 400, 300}},
                 {"a size of nothing is damage", {100, 50, 0, -7}, {100, 50, 640, 480}}};
    for (const auto& c : cases) {
        TSettingsStore store;
        store.INIWriteNum("WinMainFormLeft", c.saved.Left);
        store.INIWriteNum("WinMainFormTop", c.saved.Top);
        store.INIWriteNum("WinMainFormWidth", c.saved.Width);
        store.INIWriteNum("WinMainFormHeight", c.saved.Height);
        EXPECT_EQ(INIWinLoad(store, "MainForm", {0, 0, 640, 480}, screen, true), c.expected)
            << c.what;
    }
    // A desktop whose left screen lies left of the origin keeps windows there.
    TSettingsStore store;
    INIWinSave(store, "MainForm", {-1200, 40, 800, 600}, true);
    EXPECT_EQ(INIWinLoad(store, "MainForm", {}, {-1280, 0, 2560, 1024}, true),
              (TWindowGeometry{-1200, 40, 800, 600}));
}

TEST(WindowGeometry, OnlyACompletePlaceCountsAsSaved) {
    TSettingsStore store;
    EXPECT_FALSE(INIWinSaved(store, "RiffPropertiesForm"));
    INIWinLoad(store, "RiffPropertiesForm", {}, 1024, 768, false); // reads leave empty lines
    EXPECT_FALSE(INIWinSaved(store, "RiffPropertiesForm"));
    store.INIWriteNum("WinRiffPropertiesFormLeft", 10);
    EXPECT_FALSE(INIWinSaved(store, "RiffPropertiesForm"));
    INIWinSave(store, "RiffPropertiesForm", {10, 20, 300, 400}, true);
    EXPECT_TRUE(INIWinSaved(store, "RiffPropertiesForm"));
    EXPECT_FALSE(INIWinSaved(store, "MainForm"));
}

TEST(WindowGeometry, AWindowWithoutAPlaceOpensBesideItsOwner) {
    const TWindowGeometry screen{0, 0, 1024, 768};
    const TWindowGeometry box{0, 0, 300, 200};
    struct {
        const char* what;
        TWindowGeometry owner;
        int left, top;
    } cases[] = {{"right of it", {100, 50, 400, 300}, 500, 50},
                 {"exactly up to the screen's edge", {0, 50, 724, 300}, 724, 50},
                 {"left of it when the right has no room", {600, 50, 400, 300}, 300, 50},
                 {"no room either side: at the right edge", {0, 0, 900, 600}, 724, 0},
                 {"level, but not below the screen", {100, 700, 400, 300}, 500, 568},
                 {"level, but not above it", {100, -30, 400, 300}, 500, 0}};
    for (const auto& c : cases) {
        TWindowGeometry placed = PlaceBeside(c.owner, box, screen);
        EXPECT_EQ(placed, (TWindowGeometry{c.left, c.top, 300, 200})) << c.what;
    }
}

TEST(ComboAndGrid, RoundTripsThroughTheStore) {
    TSettingsStore store;
    INIComboSave(store, "Recent", {"b.zvp", {"a.zvp", "b.zvp", "c.zvp"}}, 2);
    TComboContent combo = INIComboLoad(store, "Recent");
    EXPECT_EQ(combo.Text, "b.zvp");
    EXPECT_EQ(combo.Items, (TTexts{"a.zvp", "b.zvp"}));
    store.INIWrite("Recent.2", "");
    EXPECT_EQ(INIComboLoad(store, "Recent").Items, (TTexts{"a.zvp"})) << "empty items are skipped";

    store.INIWriteNum("Broken.Count", 2000000000);
    EXPECT_TRUE(INIComboLoad(store, "Broken").Items.empty()) << "a damaged count reads no junk";
    EXPECT_LT(store.LineCount(), 20);
    store.INIWriteNum("Broken.Count", -5);
    EXPECT_TRUE(INIComboLoad(store, "Broken").Items.empty());

    EXPECT_EQ(INIGridLoad(store, "Grid", {40, 50}), (std::vector<int>{40, 50}));
    INIGridSave(store, "Grid", {70, 80});
    EXPECT_EQ(store.INIReadNum("Grid1", 0), 70);
    EXPECT_EQ(INIGridLoad(store, "Grid", {40, 50, 60}), (std::vector<int>{70, 80, 60}));
}

} // namespace
} // namespace zel
