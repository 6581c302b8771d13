#include "app/settings.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

#include "model/datafile.h"
#include "model/text_fields.h"

namespace zel {

namespace {

constexpr size_t MaxValueLength = 9999;

std::string_view KeyOf(std::string_view line) {
    return line.substr(0, line.find('\t'));
}

std::string FolderOf(std::string_view path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string_view::npos)
        return ".";
    return slash == 0 ? "/" : std::string(path.substr(0, slash));
}

bool MakeFolders(const std::string& folder) {
    if (folder.empty())
        return false;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    std::string parent = FolderOf(folder);
    if (parent != folder && !MakeFolders(parent))
        return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

} // namespace

bool TSettingsStore::INIInit(const std::string& filePath) {
    m_filePath = filePath;
    m_lines.clear();
    std::ifstream in(filePath, std::ios::binary);
    if (!in)
        return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            m_lines.push_back(bytes.substr(start));
            break;
        }
        m_lines.push_back(bytes.substr(start, end - start));
        start = end +
                ((bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1);
    }
    return true;
}

size_t TSettingsStore::FindOrAdd(std::string_view key) {
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (KeyOf(m_lines[i]) == key)
            return i;
    m_lines.emplace_back(key);
    return m_lines.size() - 1;
}

std::string TSettingsStore::INIRead(std::string_view key) {
    const std::string& line = m_lines[FindOrAdd(key)];
    size_t tab = line.find('\t');
    if (tab == std::string::npos)
        return {};
    return line.substr(tab + 1, MaxValueLength);
}

void TSettingsStore::INIWrite(std::string_view key, std::string_view value) {
    std::string line(key);
    line += '\t';
    // A line break would split the line and lose the rest of the value.
    for (char c : value)
        line += (c == '\r' || c == '\n') ? ' ' : c;
    m_lines[FindOrAdd(key)] = std::move(line);
}

std::string TSettingsStore::INIReadInit(std::string_view key, std::string_view defaultValue) {
    std::string value = INIRead(key);
    return value.empty() ? std::string(defaultValue) : value;
}

int TSettingsStore::INIReadNum(std::string_view key, int defaultValue) {
    std::string value = INIRead(key);
    return value.empty() ? defaultValue : ReadLeadingInt(value);
}

void TSettingsStore::INIWriteNum(std::string_view key, int value) {
    INIWrite(key, std::to_string(value));
}

void TSettingsStore::INIRemove(std::string_view key) {
    m_lines.erase(m_lines.begin() + std::ptrdiff_t(FindOrAdd(key)));
}

std::string TSettingsStore::INIReadLine(int index) const {
    if (index < 0 || size_t(index) >= m_lines.size())
        return {};
    const std::string& line = m_lines[size_t(index)];
    return line.empty() ? "<blank>" : line;
}

bool TSettingsStore::INIBackup() {
    if (m_filePath.empty())
        return false;
    MakeFolders(FolderOf(m_filePath));
    auto file = TDataFile::OpenForWriting(m_filePath);
    if (!file)
        return false;
    for (const auto& line : m_lines)
        file->WriteLine(line);
    return file->Commit();
}

bool TSettingsStore::INIUninit() {
    bool written = INIBackup();
    m_filePath.clear();
    return written;
}

std::string SettingsTitle(std::string_view programPath) {
    std::string_view name = programPath.substr(programPath.find_last_of('/') + 1);
    name = name.substr(0, name.find('.'));
    std::string title(name);
    for (size_t i = 1; i < title.size(); ++i)
        if (title[i] >= 'A' && title[i] <= 'Z')
            title[i] = char(title[i] + 32);
    return title;
}

namespace {

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

struct TSettingsFiles {
    std::string Named;  // a name with a folder: that file
    std::string Beside; // beside the program
    std::string Config; // in the config folder
};

TSettingsFiles SettingsFiles(std::string_view name, const TSettingsPlace& place) {
    std::string path(name);
    std::string_view base = name.substr(name.find_last_of('/') + 1);
    if (base.find('.') == std::string_view::npos)
        path += ".ini";
    if (name.find('/') != std::string_view::npos)
        return {path, {}, {}};
    std::string configHome = place.ConfigHome;
    if (configHome.empty() || configHome[0] != '/')
        configHome = place.Home + "/.config";
    return {{}, FolderOf(place.ProgramPath) + "/" + path, configHome + "/zelvane/" + path};
}

} // namespace

bool IsPortableSettings(const std::string& path) {
    if (!FileExists(path))
        return false;
    TSettingsStore store;
    store.INIInit(path);
    if (store.LineCount() == 0)
        return true;
    for (int i = 0; i < store.LineCount(); ++i)
        if (store.INIReadLine(i) == std::string(PortableKey) + "\t1")
            return true;
    return false;
}

std::string SettingsFilePath(std::string_view name, const TSettingsPlace& place) {
    TSettingsFiles files = SettingsFiles(name, place);
    if (!files.Named.empty())
        return files.Named;
    if (IsPortableSettings(files.Beside) || (FileExists(files.Beside) && !FileExists(files.Config)))
        return files.Beside;
    return files.Config;
}

std::string SettleSettingsFile(std::string_view name, const TSettingsPlace& place) {
    TSettingsFiles files = SettingsFiles(name, place);
    if (!files.Named.empty() || !FileExists(files.Beside))
        return SettingsFilePath(name, place);
    TSettingsStore store;
    store.INIInit(files.Beside);
    if (IsPortableSettings(files.Beside)) {
        if (store.LineCount() == 0) {
            store.INIWriteNum(PortableKey, 1);
            store.INIBackup();
        }
    } else if (!FileExists(files.Config)) {
        // Written in full before the old file goes: a failure keeps it where it was.
        store.SetFilePath(files.Config);
        if (store.INIBackup())
            ::unlink(files.Beside.c_str());
    }
    return SettingsFilePath(name, place);
}

TSettingsPlace CurrentSettingsPlace(std::string_view argv0) {
    TSettingsPlace place;
    char exe[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    place.ProgramPath = n > 0 ? std::string(exe, size_t(n)) : std::string(argv0);
    if (const char* config = std::getenv("XDG_CONFIG_HOME"))
        place.ConfigHome = config;
    if (const char* home = std::getenv("HOME"))
        place.Home = home;
    return place;
}

namespace {

// How much of a window must show for it to be grabbed and moved back.
constexpr int64_t Grip = 32;

int64_t Right(const TWindowGeometry& g) {
    return int64_t(g.Left) + g.Width;
}
int64_t Bottom(const TWindowGeometry& g) {
    return int64_t(g.Top) + g.Height;
}

} // namespace

TWindowGeometry INIWinLoad(TSettingsStore& store, std::string_view windowName,
                           const TWindowGeometry& current, const TWindowGeometry& virtualScreen,
                           bool sizeable) {
    std::string prefix = "Win" + std::string(windowName);
    TWindowGeometry g = current;
    g.Left = store.INIReadNum(prefix + "Left", current.Left);
    if (int64_t(g.Left) + Grip >= Right(virtualScreen))
        g.Left = virtualScreen.Left;
    g.Top = store.INIReadNum(prefix + "Top", current.Top);
    if (int64_t(g.Top) + Grip >= Bottom(virtualScreen))
        g.Top = virtualScreen.Top;
    if (sizeable) {
        g.Width = store.INIReadNum(prefix + "Width", current.Width);
        g.Height = store.INIReadNum(prefix + "Height", current.Height);
        if (g.Width < 1)
            g.Width = current.Width;
        if (g.Height < 1)
            g.Height = current.Height;
    }
    return KeepTitleBarOnScreen(g, virtualScreen);
}

TWindowGeometry INIWinLoad(TSettingsStore& store, std::string_view windowName,
                           const TWindowGeometry& current, int virtualScreenWidth,
                           int virtualScreenHeight, bool sizeable) {
    return INIWinLoad(store, windowName, current,
                      TWindowGeometry{0, 0, virtualScreenWidth, virtualScreenHeight}, sizeable);
}

bool INIWinSaved(TSettingsStore& store, std::string_view windowName) {
    std::string prefix = "Win" + std::string(windowName);
    return !store.INIRead(prefix + "Left").empty() && !store.INIRead(prefix + "Top").empty();
}

TWindowGeometry KeepTitleBarOnScreen(TWindowGeometry window, const TWindowGeometry& screen) {
    // The least move that shows the top edge and a grip's width of the window; at the right and
    // bottom edges the same bounds as INIWinLoad's reset rule.
    int64_t highestTop = std::max(int64_t(screen.Top), Bottom(screen) - Grip - 1);
    window.Top = int(std::clamp(int64_t(window.Top), int64_t(screen.Top), highestTop));
    int64_t leftmost = int64_t(screen.Left) - std::max<int64_t>(0, int64_t(window.Width) - Grip);
    int64_t rightmost = std::max(leftmost, Right(screen) - Grip - 1);
    window.Left = int(std::clamp(int64_t(window.Left), leftmost, rightmost));
    return window;
}

TWindowGeometry PlaceBeside(const TWindowGeometry& owner, const TWindowGeometry& window,
                            const TWindowGeometry& screen) {
    TWindowGeometry placed = window;
    if (Right(owner) + window.Width <= Right(screen))
        placed.Left = int(Right(owner));
    else if (int64_t(owner.Left) - window.Width >= screen.Left)
        placed.Left = owner.Left - window.Width;
    else
        placed.Left = int(std::max(int64_t(screen.Left), Right(screen) - window.Width));
    int64_t lowest = std::max(int64_t(screen.Top), Bottom(screen) - window.Height);
    placed.Top = int(std::clamp(int64_t(owner.Top), int64_t(screen.Top), lowest));
    return placed;
}

void INIWinSave(TSettingsStore& store, std::string_view windowName, const TWindowGeometry& geometry,
                bool normalState) {
    if (!normalState)
        return;
    std::string prefix = "Win" + std::string(windowName);
    store.INIWriteNum(prefix + "Left", geometry.Left);
    store.INIWriteNum(prefix + "Top", geometry.Top);
    store.INIWriteNum(prefix + "Width", geometry.Width);
    store.INIWriteNum(prefix + "Height", geometry.Height);
}

TComboContent INIComboLoad(TSettingsStore& store, std::string_view prefix) {
    std::string p(prefix);
    TComboContent combo;
    combo.Text = store.INIRead(p + ".Text");
    // Every item is a line of the store, so a count beyond the lines is damage, not items.
    int count = std::clamp(store.INIReadNum(p + ".Count", 0), 0, store.LineCount());
    for (int i = 1; i <= count; ++i) {
        std::string item = store.INIRead(p + "." + std::to_string(i));
        if (!item.empty())
            combo.Items.push_back(std::move(item));
    }
    return combo;
}

void INIComboSave(TSettingsStore& store, std::string_view prefix, const TComboContent& combo,
                  int maxItems) {
    std::string p(prefix);
    int count = static_cast<int>(combo.Items.size());
    if (maxItems >= 0 && count > maxItems)
        count = maxItems;
    store.INIWrite(p + ".Text", combo.Text);
    store.INIWriteNum(p + ".Count", count);
    for (int i = 1; i <= count; ++i)
        store.INIWrite(p + "." + std::to_string(i), combo.Items[size_t(i - 1)]);
}

std::vector<int> INIGridLoad(TSettingsStore& store, std::string_view prefix,
                             const std::vector<int>& currentWidths) {
    std::vector<int> widths = currentWidths;
    for (size_t i = 0; i < widths.size(); ++i)
        widths[i] = store.INIReadNum(std::string(prefix) + std::to_string(i + 1), widths[i]);
    return widths;
}

void INIGridSave(TSettingsStore& store, std::string_view prefix, const std::vector<int>& widths) {
    for (size_t i = 0; i < widths.size(); ++i)
        store.INIWriteNum(std::string(prefix) + std::to_string(i + 1), widths[i]);
}

} // namespace zel
