// Very wide structure rows: a project whose one row is 10 MB wide, loaded from disk and shown by
// "zelvane-cli info" (the summary and the JSON), against plainly splitting the same file into
// lines. Each should stay under a second; a cost per column that grows with the row's width
// would take minutes here.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <streambuf>
#include <string>
#include <unistd.h>

#include "base/message_service.h"
#include "info.h"
#include "model/datafile.h"
#include "model/projectfile.h"

namespace {

using Clock = std::chrono::steady_clock;

double BestMs(int repeats, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        auto start = Clock::now();
        work();
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

// Counts the messages a load shows instead of printing them.
class TCountingMessages : public zel::TMessageService {
public:
    int DisplayMany(int, std::string_view, std::string_view) override {
        ++Count;
        return -1;
    }
    int Count = 0;
};

// Output that is thrown away, as into a pipe to a fast reader.
class TNullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

constexpr size_t RowBytes = 10'000'000;

const char* const Header = "T\tVerse\t-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\r\n"
                           "N\t0\t-\t-\t-\t-\t-\t-\t-\t3\t0\r\n"
                           "I\tLead\t0\t50\t0\t0\t0\t0\t100\t0\t0\t0\t100\t100\t0\t0\t0\t0\r\n";

std::string Repeated(const std::string& piece, size_t bytes) {
    std::string text;
    text.reserve(bytes + piece.size());
    while (text.size() < bytes)
        text += piece;
    return text;
}

struct TCase {
    const char* Name;
    std::string Line; // the wide line, without its line end
};

} // namespace

int main() {
    const TCase cases[] = {
        {"row of filled cells", "s\t" + Repeated("2\tVerse\t", RowBytes)},
        {"row of empty cells", "s\t" + std::string(RowBytes, '\t')},
        {"old S line, every item a clash", "S\t" + Repeated("Verse Lead ", RowBytes)},
    };
    std::string path = (std::filesystem::temp_directory_path() /
                        ("zelvane-bench-wide-" + std::to_string(::getpid()) + ".zvp"))
                           .string();
    TCountingMessages messages;
    zel::TScopedMessageService install(messages);
    TNullBuffer null;
    std::ostream out(&null);
    const int repeats = 3;
    std::printf("one structure line of %.0f MB (target: under 1000 ms each)\n", RowBytes / 1e6);
    for (const TCase& c : cases) {
        std::string bytes = std::string(Header) + c.Line + "\r\n";
        {
            std::ofstream file(path, std::ios::binary);
            file << bytes;
        }
        double splitMs = BestMs(repeats, [&] {
            auto file = zel::TDataFile::FromBytes(bytes);
            size_t total = 0;
            while (!file->AtEnd())
                total += zel::ReadTextLine(*file).size();
            if (total == 0)
                std::puts("");
        });
        zel::TEditorState editor;
        zel::TProject project;
        messages.Count = 0;
        double loadMs = BestMs(repeats, [&] {
            zel::ResetProject(project, editor);
            zel::LoadProject(project, path);
        });
        int shown = messages.Count / repeats;
        size_t summaryBytes = zel::ProjectSummary(project).size();
        double summaryMs = BestMs(repeats, [&] { zel::WriteProjectSummary(project, out); });
        double jsonMs = BestMs(repeats, [&] { zel::WriteProjectJson(project, out); });
        std::printf("%s (%d messages on load, summary %.1f MB):\n", c.Name, shown,
                    summaryBytes / 1e6);
        std::printf("  %-30s %9.1f ms\n", "split into lines (baseline)", splitMs);
        std::printf("  %-30s %9.1f ms  %7.2f x baseline\n", "load from disk", loadMs,
                    loadMs / splitMs);
        std::printf("  %-30s %9.1f ms  %7.2f x baseline\n", "info (summary)", summaryMs,
                    summaryMs / splitMs);
        std::printf("  %-30s %9.1f ms  %7.2f x baseline\n", "info --json", jsonMs,
                    jsonMs / splitMs);
    }
    std::filesystem::remove(path);
    return 0;
}
