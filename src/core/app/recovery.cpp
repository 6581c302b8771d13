#include "app/recovery.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "app/project_lifecycle.h"
#include "model/datafile.h"
#include "model/projectfile.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view HeaderStart = "Z\tZelvane recovery\t1\t";

// TAB, CR and LF would end the field or the line; '%' starts an escape.
std::string EscapePath(std::string_view path) {
    std::string out;
    for (char c : path) {
        if (c == '%' || c == '\t' || c == '\r' || c == '\n') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", unsigned(static_cast<unsigned char>(c)));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> UnescapePath(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        unsigned value = 0;
        if (i + 3 > text.size() ||
            std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16).ptr !=
                text.data() + i + 3)
            return std::nullopt;
        out += char(value);
        i += 2;
    }
    return out;
}

std::optional<int64_t> Number(std::string_view text) {
    int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

uint64_t Fnv1a(std::string_view text) {
    uint64_t hash = 1469598103934665603ull;
    for (char c : text)
        hash = (hash ^ uint8_t(c)) * 1099511628211ull;
    return hash;
}

// The modification time of a regular file, seconds since 1970; nothing when there is none.
std::optional<int64_t> ModifiedTime(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return int64_t(info.st_mtime);
}

// The header and whether the rest of the bytes are a project; an empty text when they are.
std::string Examine(const std::string& file, TRecoveryInfo& info) {
    auto reader = TDataFile::OpenForReading(file);
    if (!reader)
        return LastFileError();
    std::string header = reader->ReadLine();
    auto parsed = ParseRecoveryHeader(header);
    if (!parsed)
        return "The file has no recovery header.";
    std::string body = reader->ReadAllBytes();
    if (reader->ReadFailed())
        return LastFileError();
    std::string problem = ProjectFileProblem(body);
    if (!problem.empty())
        return problem;
    info = *parsed;
    return {};
}

// A free name for the damaged copy beside it: "X.damaged", "X.2.damaged", ...
std::string SetAside(const std::string& file) {
    std::string target = file + DamagedExtension;
    for (int n = 2; fs::exists(target) && n < 1000; ++n)
        target = file + "." + std::to_string(n) + DamagedExtension;
    std::error_code error;
    fs::rename(file, target, error);
    return error ? file : target;
}

} // namespace

std::string RecoveryFolder(const char* stateHome, const char* home) {
    fs::path base;
    if (stateHome && *stateHome == '/')
        base = stateHome;
    else if (home && *home == '/')
        base = fs::path(home) / ".local" / "state";
    else
        return {};
    return (base / "zelvane" / "recovery").string();
}

std::string RecoveryFileName(std::string_view projectPath, std::string_view runTag) {
    std::string name = ProjectDisplayName(projectPath);
    // The file name stays a plain name in the folder.
    for (char& c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32)
            c = '_';
    name.resize(std::min<size_t>(name.size(), 100)); // folders limit a name to 255 bytes
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx",
                  static_cast<unsigned long long>(Fnv1a(projectPath)));
    return name + "." + hash + "." + std::string(runTag) + RecoveryExtension;
}

std::string RecoveryHeader(const TRecoveryInfo& info) {
    return std::string(HeaderStart) + std::to_string(info.Time) + "\t" + std::to_string(info.Pid) +
           "\t" + EscapePath(info.ProjectPath);
}

std::optional<TRecoveryInfo> ParseRecoveryHeader(std::string_view line) {
    if (line.substr(0, HeaderStart.size()) != HeaderStart)
        return std::nullopt;
    std::string_view rest = line.substr(HeaderStart.size());
    size_t tab1 = rest.find('\t');
    size_t tab2 = tab1 == std::string_view::npos ? tab1 : rest.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos)
        return std::nullopt;
    auto time = Number(rest.substr(0, tab1));
    auto pid = Number(rest.substr(tab1 + 1, tab2 - tab1 - 1));
    auto path = UnescapePath(rest.substr(tab2 + 1));
    if (!time || !pid || !path)
        return std::nullopt;
    return TRecoveryInfo{*path, *time, *pid};
}

std::string WriteRecoveryCopy(const std::string& file, const TRecoveryInfo& info,
                              const TProject& project) {
    std::error_code error;
    fs::create_directories(fs::path(file).parent_path(), error);
    if (error)
        return fs::path(file).parent_path().string() + ": " + error.message();
    auto writer = TDataFile::OpenForWriting(file);
    if (!writer)
        return LastFileError();
    WriteTextLine(*writer, RecoveryHeader(info));
    WriteProject(project, *writer);
    if (!writer->Commit())
        return LastFileError();
    return {};
}

TRecoveryScan ScanRecoveryFolder(const std::string& folder,
                                 const std::function<bool(int64_t pid)>& isRunning) {
    TRecoveryScan scan;
    std::error_code error;
    std::vector<std::string> files;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == RecoveryExtension && it->is_regular_file())
            files.push_back(it->path().string());
    for (const std::string& file : files) {
        TRecoveryInfo info;
        std::string problem = Examine(file, info);
        if (!problem.empty()) {
            std::string aside = SetAside(file);
            scan.Problems.push_back("\\bA recovery file is damaged and was not opened.\\b\n" +
                                    problem + "\nIt was kept as " + aside);
            continue;
        }
        if (isRunning && isRunning(info.Pid))
            continue;
        auto saved = info.ProjectPath.empty() ? std::nullopt : ModifiedTime(info.ProjectPath);
        if (saved && *saved > info.Time) {
            fs::remove(file, error); // the project was saved after this copy was made
            continue;
        }
        scan.Offers.push_back({file, info});
    }
    std::stable_sort(
        scan.Offers.begin(), scan.Offers.end(),
        [](const TRecoveryCopy& a, const TRecoveryCopy& b) { return a.Info.Time > b.Info.Time; });
    return scan;
}

bool EditorRunning(int64_t pid) {
    if (pid <= 0 || pid == int64_t(::getpid()))
        return false; // this run has made no copy yet: one with its number is an earlier run's
    std::error_code error;
    fs::path other = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
    if (error)
        return ::access(("/proc/" + std::to_string(pid)).c_str(), F_OK) == 0 &&
               !fs::exists("/proc/self/exe");
    return other == fs::read_symlink("/proc/self/exe", error);
}

std::string RecoveryQuestion(const TRecoveryInfo& info) {
    std::time_t time = std::time_t(info.Time);
    std::tm local{};
    char when[64] = "an unknown time";
    if (localtime_r(&time, &local))
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
    return std::string("\\b") + ApplicationTitle +
           " did not close properly. Recover the unsaved changes to \\4" +
           ProjectDisplayName(info.ProjectPath) + "\\0 from " + when + "?";
}

} // namespace zel
