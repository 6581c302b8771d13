// Data files (projects, instruments, settings): lines read through a small buffer, and writing
// that never destroys what was there. A writer fills a temporary file beside the target and
// renames it over the target only when every byte is on disk; on any failure the temporary file
// is removed and the old file stays as it was. Temporary files end in ".zelvane-tmp"; those that
// a killed save of the same target left behind are removed by its next successful save. Only
// regular files are read or written: folders, pipes and devices are refused.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace zel {

class TDataFile {
public:
    ~TDataFile();
    TDataFile(const TDataFile&) = delete;
    TDataFile& operator=(const TDataFile&) = delete;

    // Opens a file without showing anything; nullptr on failure (LastFileError says why).
    static std::unique_ptr<TDataFile> OpenForReading(const std::string& path);
    static std::unique_ptr<TDataFile> OpenForWriting(const std::string& path);
    // A reader over bytes held in memory (tests, fuzzing, the clipboard).
    static std::unique_ptr<TDataFile> FromBytes(std::string bytes);
    // A writer that keeps the lines in memory (clipboard texts, fuzzing); see Bytes().
    static std::unique_ptr<TDataFile> ToMemory();
    // What a memory writer holds so far.
    const std::string& Bytes() const { return m_buffer; }

    bool ForWriting() const { return m_writing; }
    // The next line without its terminator: bytes up to the first CR, the byte after the CR
    // dropped. Empty at the end of the file.
    std::string ReadLine();
    // The same into `line`, reusing its room.
    void ReadLine(std::string& line);
    bool AtEnd();
    // True when reading stopped at an error rather than at the end of the file.
    bool ReadFailed() const { return !m_writing && m_failed; }
    // Every byte not read yet (binary files such as MIDI files).
    std::string ReadAllBytes();
    // The same for at most `maxBytes`: with more in the file, `tooLarge` is set and reading
    // stops there.
    std::string ReadAllBytes(size_t maxBytes, bool& tooLarge);
    void WriteLine(std::string_view text);
    // Writes bytes as they are (binary files such as WAV exports).
    void WriteBytes(std::string_view bytes);
    // Writers: starts putting what was written so far on disk without waiting for it, so a
    // long file's Commit has less left to wait for.
    void StartWriteback();
    // Writers: puts the file in place. False (and nothing changed on disk) on any failure.
    bool Commit();

private:
    TDataFile() = default;
    bool FillBuffer();
    bool FlushBuffer();
    void Abandon();

    int m_fd = -1;
    bool m_writing = false;
    bool m_failed = false;
    bool m_memory = false;
    std::string m_buffer;
    size_t m_bufferPos = 0;
    std::string m_target;
    std::string m_tempPath;
};

// Opens a data file; on failure shows "Failed to Save File" (writing) or "Failed to Open File"
// (reading) through the message service and returns nullptr.
std::unique_ptr<TDataFile> OpenDataFile(const std::string& path, bool forWriting);
std::string ReadTextLine(TDataFile& file);
// Writes the text and CR LF.
void WriteTextLine(TDataFile& file, std::string_view text);
// Finishes a file. A writer is committed; when that fails "Failed to Save File" is shown and
// false returned.
bool CloseDataFile(std::unique_ptr<TDataFile> file);

// Why the last open, write or commit of a data file failed ("path: reason"), on this thread.
std::string LastFileError();
// Hands a worker thread's LastFileError to the thread that reports it.
void SetLastFileError(std::string text);

} // namespace zel
