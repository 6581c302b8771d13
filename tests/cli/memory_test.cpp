// Memory of "zelvane-cli info --json" and what the tool does when memory runs out. This program
// replaces the global allocator with one that can be given a budget: past it, allocations fail
// with std::bad_alloc as they do when the machine has no memory left.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <malloc.h>
#include <new>
#include <optional>
#include <sstream>
#include <streambuf>

#include "info.h"
#include "model/datafile.h"
#include "model/projectfile.h"
#include "out_of_memory.h"

namespace {

size_t LiveBytes = 0;
size_t PeakBytes = 0;
size_t Limit = 0; // 0: no budget

void* Allocate(size_t size) {
    if (Limit != 0 && LiveBytes + size > Limit)
        return nullptr;
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p) {
        LiveBytes += malloc_usable_size(p);
        PeakBytes = std::max(PeakBytes, LiveBytes);
    }
    return p;
}

void Release(void* p) {
    if (!p)
        return;
    LiveBytes -= malloc_usable_size(p);
    std::free(p);
}

// Allocations beyond `budget` more bytes than are live now fail while it exists.
class TMemoryBudget {
public:
    explicit TMemoryBudget(size_t budget) { Limit = LiveBytes + budget; }
    ~TMemoryBudget() { Limit = 0; }
    TMemoryBudget(const TMemoryBudget&) = delete;
    TMemoryBudget& operator=(const TMemoryBudget&) = delete;
};

// The most memory in use at once, beyond what was in use when it started.
class TPeakWatch {
public:
    TPeakWatch() : m_start(LiveBytes) { PeakBytes = LiveBytes; }
    size_t Growth() const { return PeakBytes - m_start; }

private:
    size_t m_start;
};

} // namespace

void* operator new(size_t size) {
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Release(p);
}

namespace zel {
namespace {

// Counts what is written and keeps nothing, as a pipe to another program would.
class TCountingBuffer : public std::streambuf {
public:
    size_t Bytes = 0;

protected:
    int overflow(int c) override {
        ++Bytes;
        return c;
    }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        Bytes += size_t(n);
        return n;
    }
};

// One riff of `notes` chords: JSON of the whole model needs about a kilobyte per note.
TProject ManyNotes(int notes) {
    TProject project;
    TEditorState editor;
    ResetProject(project, editor);
    TRiff& riff = project.Riffs[0];
    EnsureNotes(riff, notes + 1);
    for (int i = 0; i < notes; ++i) {
        TNote& note = riff.Notes[size_t(i)];
        note.Duration = QuarterDuration;
        for (size_t slot = 0; slot < 6; ++slot)
            note.Fret[slot] = uint8_t((i + slot) % 12);
    }
    return project;
}

TEST(InfoJsonMemory, WritingTheJsonNeedsNoMemoryPerNote) {
    TProject project = ManyNotes(30000);
    ASSERT_EQ(NoteCount(project.Riffs[0]), 30000);
    TCountingBuffer counter;
    std::ostream out(&counter);
    size_t streamed = 0;
    {
        TPeakWatch watch;
        WriteProjectJson(project, out);
        streamed = watch.Growth();
    }
    EXPECT_GT(counter.Bytes, size_t(30000) * 100) << "every note was written";
    EXPECT_LT(streamed, size_t(1) << 20) << "bytes in use at once";
    // The JSON held as one value, as it was built before, for scale: the watch does see it.
    TPeakWatch watch;
    ProjectJson(project);
    EXPECT_GT(watch.Growth(), size_t(30000) * 500);
}

TEST(InfoJsonMemory, TheStreamedJsonIsTheJsonValue) {
    TProject project = ManyNotes(300);
    project.RiffNames.SetCaption(0, "Caf\xE9 \"quoted\"\t\x01 \x80");
    project.NotesRtf = "{\\rtf1 line\r\nnext\\par}";
    project.Structure = {"1\tCaf\xE9 \"quoted\"\t\x01 \x80", "", "\t\t\t"};
    std::ostringstream streamed;
    WriteProjectJson(project, streamed);
    EXPECT_EQ(streamed.str(), ProjectJson(project).dump(2) + "\n");
    TProject empty;
    TEditorState editor;
    ResetProject(empty, editor);
    std::ostringstream none;
    WriteProjectJson(empty, none);
    EXPECT_EQ(none.str(), ProjectJson(empty).dump(2) + "\n");
}

TEST(OutOfMemory, AFailedAllocationEndsTheCommandWithAMessage) {
    // A project file whose notes need more memory than the budget leaves.
    std::string text = "T\tBig\r\n";
    for (int i = 0; i < 300000; ++i)
        text += "N\t1\t2\t3\t-\t-\t-\t-\t-\t3\t0\r\n";
    auto load = [&] {
        TProject project;
        TEditorState editor;
        ResetProject(project, editor);
        auto file = TDataFile::FromBytes(text);
        ReadProject(project, *file);
        return NoteCount(project.Riffs[0]) == 300000 ? 0 : 3;
    };
    struct Case {
        const char* name;
        std::function<int()> command;
        size_t budget;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {"a project larger than memory", load, 2 << 20, 1, "zelvane-cli: out of memory\n"},
        {"a size no container can hold",
         [] {
             std::string huge;
             huge.reserve(huge.max_size() + 1);
             return 0;
         },
         2 << 20, 1, "zelvane-cli: out of memory\n"},
        {"enough memory", load, 0, 0, ""}};
    for (const Case& c : cases) {
        std::ostringstream err;
        int status = 0;
        {
            std::optional<TMemoryBudget> budget;
            if (c.budget)
                budget.emplace(c.budget);
            status = cli::RunReportingOutOfMemory(c.command, err);
        }
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(err.str(), c.err) << c.name;
    }
}

} // namespace
} // namespace zel
