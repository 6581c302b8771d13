// Helpers shared by the core tests: temporary folders, whole-file reads and writes, and a
// message service that records what would have been shown.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "base/debug_log.h"
#include "base/message_service.h"
#include "model/song.h"

namespace zel::test {

// Lines of text, as many checks compare them.
using TTexts = std::vector<std::string>;

class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// A note of `duration` with frets as (slot, fret) pairs.
TNote Note(uint8_t duration, std::initializer_list<std::pair<int, int>> frets = {},
           uint8_t flags = 0);

// The riff's cursor and the other end of its selection.
inline std::pair<int, int> CursorAndAnchor(const TRiff& riff) {
    return {riff.Cursor, riff.Anchor};
}

// The riff's notes as "duration:pitch,pitch," texts, pitches from the highest string down.
std::vector<std::string> NoteTexts(const TRiff& riff);
// The riff holds exactly these notes (and the end record after them).
void SetNotes(TRiff& riff, const std::vector<TNote>& notes);
// Names the first riffs and instruments of the tables (an empty list leaves a table alone);
// each named table ends with its blank tab.
void NameTables(TProject& project, const std::vector<std::string>& riffs,
                const std::vector<std::string>& instruments = {});

// A project as a new one starts: the default riffs, instruments and names.
inline TProject NewProject() {
    TProject project;
    TEditorState editor;
    ResetProject(project, editor);
    return project;
}

// Records every diagnostic line and its colour.
class TRecordingSink : public TDebugSink {
public:
    void DebugLine(std::string_view text, uint32_t colour) override {
        Lines.emplace_back(text);
        Colours.push_back(colour);
    }
    std::vector<std::string> Lines;
    std::vector<uint32_t> Colours;
};

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// How often `part` stands in `text`, overlapping ones counted.
inline size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// A riff of `count` quarter notes on string slot `slot`, frets 0 to 11 over and over.
void SetQuarters(TRiff& riff, int count, int slot);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// Names of the entries of a folder, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

struct TRecordedMessage {
    int Kind;
    std::string Text;
    std::string Buttons;
};

class TRecordingMessages : public TMessageService {
public:
    int DisplayMany(int kind, std::string_view text, std::string_view buttons) override {
        Messages.push_back({kind, std::string(text), std::string(buttons)});
        return Answer;
    }
    std::vector<TRecordedMessage> Messages;
    int Answer = 0;
};

// Installs a recording service for the lifetime of the object.
struct TCapturedMessages {
    TRecordingMessages Service;
    TScopedMessageService Install{Service};
    const std::vector<TRecordedMessage>& operator*() const { return Service.Messages; }
    const std::vector<TRecordedMessage>* operator->() const { return &Service.Messages; }
};

} // namespace zel::test
