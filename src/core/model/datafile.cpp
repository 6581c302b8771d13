#include "model/datafile.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/message_service.h"

namespace zel {

namespace {

constexpr size_t ReadBufferSize = 1024;
constexpr size_t WriteBufferSize = 64 * 1024;

thread_local std::string LastError;

void SetLastError(const std::string& path, int error) {
    LastError = path + ": " + std::strerror(error);
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
// exist yet: saving through a link writes the file it points to and keeps the link.
std::string FollowLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        char buffer[PATH_MAX];
        ssize_t n = ::readlink(current.c_str(), buffer, sizeof buffer - 1);
        if (n <= 0)
            return current;
        std::string link(buffer, size_t(n));
        current = link[0] == '/' ? link : DirectoryOf(current) + "/" + link;
    }
    return current;
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

TDataFile::~TDataFile() {
    if (m_writing)
        Abandon();
    else if (m_fd >= 0)
        ::close(m_fd);
}

std::unique_ptr<TDataFile> TDataFile::OpenForReading(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(path, errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        SetLastError(path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        ::close(fd);
        return nullptr;
    }
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
    std::string target = FollowLinks(path);
    mode_t mode = NewFileMode();
    struct stat st {};
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode)) {
            SetLastError(path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
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
    std::string temp = DirectoryOf(target) + "/." + BaseNameOf(target) + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        SetLastError(path, errno);
        return nullptr;
    }
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
    return line;
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
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && ok) {
        SetLastError(m_target, errno);
        ok = false;
    }
    if (ok && ::rename(m_tempPath.c_str(), m_target.c_str()) != 0) {
        SetLastError(m_target, errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(m_tempPath.c_str());
    } else {
        // Make the rename itself durable.
        int dir = ::open(DirectoryOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
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
    if (!m_tempPath.empty())
        ::unlink(m_tempPath.c_str());
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
