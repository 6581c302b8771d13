#include "test_support.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zel::test {

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zelvane-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    m_path = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

TNote Note(uint8_t duration, std::initializer_list<std::pair<int, int>> frets, uint8_t flags) {
    TNote note;
    note.Duration = duration;
    note.Flags = flags;
    for (auto [slot, fret] : frets)
        note.Fret[size_t(slot)] = uint8_t(fret);
    return note;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> NoteTexts(const TRiff& riff) {
    std::vector<std::string> out;
    for (int i = 0; i < NoteCount(riff); ++i) {
        const TNote& n = riff.Notes[size_t(i)];
        std::string text = std::to_string(n.Duration) + ":";
        for (int slot = StringSlots - 1; slot >= 0; --slot)
            if (auto p = SlotPitch(riff, n, slot))
                text += std::to_string(*p) + ",";
        out.push_back(text);
    }
    return out;
}

void SetQuarters(TRiff& riff, int count, int slot) {
    std::vector<TNote> notes;
    for (int i = 0; i < count; ++i)
        notes.push_back(Note(QuarterDuration, {{slot, i % 12}}));
    SetNotes(riff, notes);
}

void SetNotes(TRiff& riff, const std::vector<TNote>& notes) {
    riff.Notes.clear();
    EnsureNotes(riff, int(notes.size()) + 1);
    int i = 0;
    for (const TNote& n : notes)
        riff.Notes[size_t(i++)] = n;
}

void NameTables(TProject& project, const std::vector<std::string>& riffs,
                const std::vector<std::string>& instruments) {
    for (auto [names, captions] : {std::pair{&project.RiffNames, &riffs},
                                   std::pair{&project.InstrumentNames, &instruments}}) {
        if (captions->empty())
            continue;
        names->GrowTo(int(captions->size()));
        for (size_t i = 0; i < captions->size(); ++i)
            names->SetCaption(int(i), (*captions)[i]);
        names->EnsureBlankTab();
    }
}

} // namespace zel::test
