#include "model/datafile.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/message_service.h"
#include "model/temp_files.h"

namespace zel {

namespace {

constexpr size_t ReadBufferSize = 1024;
constexpr size_t WriteBufferSize = 64 * 1024;

thread_local std::string LastError;

void SetLastError(const std::string& path, int error) {
    LastError = path + ": " + std::strerror(error);
}

// Folders, pipes, devices and sockets are refused: opening a pipe would wait for a writer
// forever, and a device would be read or written without end.
void SetNotRegularError(const std::string& path, mode_t mode) {
    const char* kind = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a named pipe"
                       : S_ISSOCK(mode)                 ? "a socket"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                                                        : "not a file";
    LastError = path + ": not a regular file (" + kind + ")";
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path names after following symbolic links, also a link to a file that does not
// exist yet: saving through a link writes the file it points to and keeps the link. False (with
// errno ELOOP) for links that go round in a circle, as opening the path would fail.
bool FollowLinks(const std::string& path, std::string& target) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            target = current;
            return true;
        }
        char buffer[PATH_MAX];
        ssize_t n = ::readlink(current.c_str(), buffer, sizeof buffer - 1);
        if (n <= 0) {
            target = current;
            return true;
        }
        std::string link(buffer, size_t(n));
        current = link[0] == '/' ? link : DirectoryOf(current) + "/" + link;
    }
    errno = ELOOP;
    return false;
}

// Temporary files of a save are named ".NAME.XXXXXX.zelvane-tmp" beside the target (XXXXXX six
// random letters or digits). When that would be longer than the folder allows, the name is
// shortened to ".START~HASH.XXXXXX.zelvane-tmp": the first bytes of the name and a hash of the
// whole name, so it still tells the target apart from others.
constexpr std::string_view TempSuffix = ".zelvane-tmp";
constexpr size_t TempRandomLength = 6;
constexpr size_t ShortNameStart = 64;

std::string HashText(std::string_view bytes) {
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// The part of the temporary names of `target` before the random letters.
std::string TempPrefix(const std::string& target) {
    std::string base = BaseNameOf(target);
    long nameMax = ::pathconf(DirectoryOf(target).c_str(), _PC_NAME_MAX);
    if (nameMax <= 0)
        nameMax = NAME_MAX;
    std::string prefix = "." + base + ".";
    if (prefix.size() + TempRandomLength + TempSuffix.size() <= size_t(nameMax))
        return prefix;
    size_t start = std::min(base.size(), ShortNameStart);
    // Not in the middle of a UTF-8 sequence, so the name stays readable.
    while (start > 0 && start < base.size() && (base[start] & 0xC0) == 0x80)
        --start;
    return "." + base.substr(0, start) + "~" + HashText(base) + ".";
}

bool IsTempNameOf(std::string_view name, std::string_view prefix) {
    if (name.size() != prefix.size() + TempRandomLength + TempSuffix.size() ||
        name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - TempSuffix.size()) != TempSuffix)
        return false;
    for (char c : name.substr(prefix.size(), TempRandomLength))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

// Removes what saves of `target` that were killed or crashed left behind. A save holds a lock
// on its temporary file until it has renamed it, so a file that can be locked belongs to no
// running save.
void RemoveStaleTempFiles(const std::string& target) {
    std::string prefix = TempPrefix(target);
    DIR* folder = ::opendir(DirectoryOf(target).c_str());
    if (!folder)
        return;
    int folderFd = ::dirfd(folder);
    while (dirent* entry = ::readdir(folder)) {
        if (!IsTempNameOf(entry->d_name, prefix))
            continue;
        int fd = ::openat(folderFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(folderFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(folder);
}

mode_t NewFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

std::string LastFileError() {
    return LastError;
}

void SetLastFileError(std::string text) {
    LastError = std::move(text);
}

TDataFile::~TDataFile() {
    if (m_writing)
        Abandon();
    else if (m_fd >= 0)
        ::close(m_fd);
}

std::unique_ptr<TDataFile> TDataFile::OpenForReading(const std::string& path) {
    // Without blocking: opening a named pipe would otherwise wait for a writer.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(path, errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        SetLastError(path, errno);
        ::close(fd);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        SetNotRegularError(path, st.st_mode);
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::unique_ptr<TDataFile> file(new TDataFile);
    file->m_fd = fd;
    file->m_target = path;
    return file;
}

std::unique_ptr<TDataFile> TDataFile::FromBytes(std::string bytes) {
    std::unique_ptr<TDataFile> file(new TDataFile);
    file->m_memory = true;
    file->m_buffer = std::move(bytes);
    return file;
}

std::unique_ptr<TDataFile> TDataFile::ToMemory() {
    std::unique_ptr<TDataFile> file(new TDataFile);
    file->m_memory = true;
    file->m_writing = true;
    return file;
}

std::unique_ptr<TDataFile> TDataFile::OpenForWriting(const std::string& path) {
    std::string target;
    if (!FollowLinks(path, target)) {
        SetLastError(path, errno);
        return nullptr;
    }
    mode_t mode = NewFileMode();
    struct stat st {};
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) {
        // A path that cannot be looked at (a loop further down, a folder without access) is
        // not a new file either.
        SetLastError(path, errno);
        return nullptr;
    }
    if (exists) {
        if (!S_ISREG(st.st_mode)) {
            SetNotRegularError(path, st.st_mode);
            return nullptr;
        }
        // A file the user may not write stays as it is, even where the folder would let a
        // new file take its place.
        if (::access(target.c_str(), W_OK) != 0) {
            SetLastError(path, errno);
            return nullptr;
        }
        mode = st.st_mode & 07777;
    }
    std::string temp = DirectoryOf(target) + "/" + TempPrefix(target) +
                       std::string(TempRandomLength, 'X') + std::string(TempSuffix);
    int fd = ::mkostemps(temp.data(), int(TempSuffix.size()), O_CLOEXEC);
    if (fd < 0) {
        SetLastError(path, errno);
        return nullptr;
    }
    // Held until the file is renamed: a later save removes only temporary files nobody holds.
    ::flock(fd, LOCK_EX | LOCK_NB);
    ::fchmod(fd, mode);
    if (exists) {
        // Keeping the old owner and group is best effort: an ordinary user may keep the group.
        [[maybe_unused]] int kept = ::fchown(fd, st.st_uid, st.st_gid);
    }
    std::unique_ptr<TDataFile> file(new TDataFile);
    file->m_fd = fd;
    file->m_writing = true;
    file->m_target = target;
    file->m_tempPath = temp;
    RegisterTempFile(temp.c_str());
    return file;
}

bool TDataFile::FillBuffer() {
    if (m_memory || m_fd < 0)
        return false;
    m_buffer.resize(ReadBufferSize);
    for (;;) {
        ssize_t n = ::read(m_fd, m_buffer.data(), ReadBufferSize);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n < 0) {
                SetLastError(m_target, errno);
                m_failed = true;
            }
            m_buffer.clear();
            m_bufferPos = 0;
            return false;
        }
        m_buffer.resize(size_t(n));
        m_bufferPos = 0;
        return true;
    }
}

bool TDataFile::AtEnd() {
    if (m_writing)
        return true;
    return m_bufferPos >= m_buffer.size() && !FillBuffer();
}

std::string TDataFile::ReadLine() {
    std::string line;
    ReadLine(line);
    return line;
}

void TDataFile::ReadLine(std::string& line) {
    line.clear();
    while (!AtEnd()) {
        size_t cr = m_buffer.find('\r', m_bufferPos);
        if (cr == std::string::npos) {
            line.append(m_buffer, m_bufferPos, std::string::npos);
            m_bufferPos = m_buffer.size();
            continue;
        }
        line.append(m_buffer, m_bufferPos, cr - m_bufferPos);
        m_bufferPos = cr + 1;
        if (!AtEnd())
            ++m_bufferPos; // the byte after CR (normally LF) is dropped unread
        break;
    }
}

std::string TDataFile::ReadAllBytes() {
    std::string bytes;
    while (!AtEnd()) {
        bytes.append(m_buffer, m_bufferPos, std::string::npos);
        m_bufferPos = m_buffer.size();
    }
    return bytes;
}

std::string TDataFile::ReadAllBytes(size_t maxBytes, bool& tooLarge) {
    std::string bytes;
    tooLarge = false;
    while (!AtEnd()) {
        size_t available = m_buffer.size() - m_bufferPos;
        if (available > maxBytes - bytes.size()) {
            tooLarge = true; // stop before holding more than the caller takes
            return bytes;
        }
        bytes.append(m_buffer, m_bufferPos, std::string::npos);
        m_bufferPos = m_buffer.size();
    }
    return bytes;
}

bool TDataFile::FlushBuffer() {
    if (m_failed)
        return false;
    if (!WriteAll(m_fd, m_buffer.data(), m_buffer.size())) {
        SetLastError(m_target, errno);
        m_failed = true;
    }
    m_buffer.clear();
    return !m_failed;
}

void TDataFile::WriteBytes(std::string_view bytes) {
    if (!m_writing || m_failed)
        return;
    m_buffer.append(bytes);
    if (!m_memory && m_buffer.size() >= WriteBufferSize)
        FlushBuffer();
}

void TDataFile::StartWriteback() {
    if (!m_writing || m_memory || !FlushBuffer())
        return;
#if defined(__linux__)
    // Only starts the disk writes of what the file holds so far; failures show at Commit.
    ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

void TDataFile::WriteLine(std::string_view text) {
    if (!m_writing || m_failed)
        return;
    m_buffer.append(text);
    m_buffer.append("\r\n");
    if (!m_memory && m_buffer.size() >= WriteBufferSize)
        FlushBuffer();
}

bool TDataFile::Commit() {
    if (!m_writing || m_memory)
        return true;
    bool ok = FlushBuffer();
    if (ok && ::fsync(m_fd) != 0) {
        SetLastError(m_target, errno);
        ok = false;
    }
    // Renamed while still open, so the lock keeps other saves from taking the file for a
    // leftover; every byte is on disk already.
    if (ok && ::rename(m_tempPath.c_str(), m_target.c_str()) != 0) {
        SetLastError(m_target, errno);
        ok = false;
    }
    if (!ok)
        ::unlink(m_tempPath.c_str());
    ForgetTempFile(m_tempPath.c_str());
    int fd = m_fd;
    m_fd = -1;
    ::close(fd);
    if (ok) {
        // Make the rename itself durable.
        int dir = ::open(DirectoryOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        RemoveStaleTempFiles(m_target);
    }
    m_writing = false;
    return ok;
}

void TDataFile::Abandon() {
    if (m_memory)
        return;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        ForgetTempFile(m_tempPath.c_str());
    }
    m_writing = false;
}

std::unique_ptr<TDataFile> OpenDataFile(const std::string& path, bool forWriting) {
    auto file = forWriting ? TDataFile::OpenForWriting(path) : TDataFile::OpenForReading(path);
    if (!file)
        DisplayError(forWriting ? "Failed to Save File" : "Failed to Open File");
    return file;
}

std::string ReadTextLine(TDataFile& file) {
    return file.ReadLine();
}

void WriteTextLine(TDataFile& file, std::string_view text) {
    file.WriteLine(text);
}

bool CloseDataFile(std::unique_ptr<TDataFile> file) {
    if (!file || !file->ForWriting())
        return true;
    if (file->Commit())
        return true;
    DisplayError("Failed to Save File");
    return false;
}

} // namespace zel
