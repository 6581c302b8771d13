// The settings store: a flat list of "key TAB value" lines kept in memory during the run and
// written back once, at the end. Also the pure helpers that turn stored values into window
// geometry, drop-down lists and column widths.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zel {

class TSettingsStore {
public:
    // Sets the file, empties the list and loads the file when it exists; returns whether it did.
    bool INIInit(const std::string& filePath);
    const std::string& FilePath() const { return m_filePath; }
    // The file the lines are written to from now on (they are kept as they are).
    void SetFilePath(std::string filePath) { m_filePath = std::move(filePath); }

    std::string INIRead(std::string_view key);
    void INIWrite(std::string_view key, std::string_view value);
    std::string INIReadInit(std::string_view key, std::string_view defaultValue);
    int INIReadNum(std::string_view key, int defaultValue);
    void INIWriteNum(std::string_view key, int value);
    void INIRemove(std::string_view key);
    // The raw line at `index`: "<blank>" for an empty line, empty text past the end.
    std::string INIReadLine(int index) const;
    int LineCount() const { return static_cast<int>(m_lines.size()); }

    // Writes the file now (when a file is set). The folder is created when missing. Returns
    // false when the file could not be written; the old file is then left as it was.
    bool INIBackup();
    // INIBackup, then forgets the file name.
    bool INIUninit();

private:
    // Index of the first line whose key is `key`; appends a line holding only the key when no
    // line matches, so every key the run touches ends up in the file.
    size_t FindOrAdd(std::string_view key);

    std::string m_filePath;
    std::vector<std::string> m_lines;
};

// Where the settings file lives.
struct TSettingsPlace {
    std::string ProgramPath; // the program file, e.g. /opt/zelvane/bin/zelvane
    std::string ConfigHome;  // $XDG_CONFIG_HOME, empty when unset
    std::string Home;        // $HOME
};

// The program's title as the settings file takes it: the program file's name up to its first
// dot, every character after the first in lower case ("ZelvaneEditor.exe" -> "Zelvaneeditor").
std::string SettingsTitle(std::string_view programPath);

// The line that keeps a settings file beside the program where it is (a portable installation).
inline constexpr std::string_view PortableKey = "Portable";

// Whether a settings file beside the program marks a portable installation: it exists and is
// empty (made to say so) or holds the line "Portable TAB 1".
bool IsPortableSettings(const std::string& path);

// The settings file for a name (".ini" added to a name without an extension): a name with a
// folder as it is; otherwise beside the program in a portable installation, else in
// $XDG_CONFIG_HOME/zelvane/ (default ~/.config/zelvane/). Settings left beside the program
// by an older version are read from there until SettleSettingsFile has moved them.
std::string SettingsFilePath(std::string_view name, const TSettingsPlace& place);

// The editor's start: settings beside the program that do not mark a portable installation
// move, every line as it was (recent files, window places), to the config folder when it has
// no settings yet; an empty portable marker gets its "Portable" line. Returns the file to use.
std::string SettleSettingsFile(std::string_view name, const TSettingsPlace& place);

// The place of the running program, from /proc/self/exe and the environment.
TSettingsPlace CurrentSettingsPlace(std::string_view argv0);

struct TWindowGeometry {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TWindowGeometry&) const = default;
};

// A window's place: Left and Top are the outer corner of its frame (where the title bar starts),
// Width and Height the size of its inside. Saved and restored as the same quantities, a window
// opens exactly where it was left.
//
// Reads "Win" + name + "Left"/"Top"/"Width"/"Height" with the current geometry as defaults. A
// window whose left (top) edge + 32 is at or beyond the virtual screen's right (bottom) edge goes
// to its left (top) edge; only sizeable windows take the stored width and height (a size below
// one pixel is damage and keeps the current one). Then the title bar is kept on the screen: the
// top edge not above the screen's, at least 32 pixels of the width on the screen.
TWindowGeometry INIWinLoad(TSettingsStore& store, std::string_view windowName,
                           const TWindowGeometry& current, const TWindowGeometry& virtualScreen,
                           bool sizeable);
// The same for a virtual screen whose top-left corner is (0, 0).
TWindowGeometry INIWinLoad(TSettingsStore& store, std::string_view windowName,
                           const TWindowGeometry& current, int virtualScreenWidth,
                           int virtualScreenHeight, bool sizeable);
// Whether the settings hold a place for the window.
bool INIWinSaved(TSettingsStore& store, std::string_view windowName);
// The window moved (not resized) so that its title bar shows: its top edge at or below the
// screen's top edge and more than 32 pixels above its bottom edge, and at least 32 pixels of its
// width on the screen (more than 32 at the right edge).
TWindowGeometry KeepTitleBarOnScreen(TWindowGeometry window, const TWindowGeometry& screen);
// Where a window that has no saved place first opens: level with the top of `owner` (its outer
// frame), right beside it, or left of it when the right has no room, or else at the screen's
// right edge; always on the screen. `window` gives the outer size of the window to place.
TWindowGeometry PlaceBeside(const TWindowGeometry& owner, const TWindowGeometry& window,
                            const TWindowGeometry& screen);
// Writes the geometry only for a window in its normal state (neither minimised nor maximised),
// so a maximised window keeps the geometry it had before.
void INIWinSave(TSettingsStore& store, std::string_view windowName, const TWindowGeometry& geometry,
                bool normalState);

struct TComboContent {
    std::string Text;
    std::vector<std::string> Items;
};
TComboContent INIComboLoad(TSettingsStore& store, std::string_view prefix);
// Writes at most `maxItems` items (all when negative).
void INIComboSave(TSettingsStore& store, std::string_view prefix, const TComboContent& combo,
                  int maxItems = -1);

// Column widths under prefix + column number (1-based); the current widths are the defaults.
// Grids and list views use the same pair.
std::vector<int> INIGridLoad(TSettingsStore& store, std::string_view prefix,
                             const std::vector<int>& currentWidths);
void INIGridSave(TSettingsStore& store, std::string_view prefix, const std::vector<int>& widths);

} // namespace zel
