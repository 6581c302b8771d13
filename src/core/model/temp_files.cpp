#include "model/temp_files.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace zel {

namespace {

struct TSlot {
    std::atomic<bool> Used{false};
    char Path[PATH_MAX] = {};
};

constexpr int SlotCount = 4;
TSlot Slots[SlotCount];

extern "C" void RemoveAndExit(int signal) {
    for (TSlot& slot : Slots)
        if (slot.Used.load(std::memory_order_acquire))
            ::unlink(slot.Path);
    ::_exit(128 + signal);
}

} // namespace

void RegisterTempFile(const char* path) {
    if (std::strlen(path) >= PATH_MAX)
        return;
    for (TSlot& slot : Slots) {
        if (slot.Used.load(std::memory_order_relaxed))
            continue;
        std::strcpy(slot.Path, path);
        slot.Used.store(true, std::memory_order_release);
        return;
    }
}

void ForgetTempFile(const char* path) {
    for (TSlot& slot : Slots)
        if (slot.Used.load(std::memory_order_relaxed) && std::strcmp(slot.Path, path) == 0) {
            slot.Used.store(false, std::memory_order_release);
            return;
        }
}

void RemoveTempFilesOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemoveAndExit;
    sigemptyset(&action.sa_mask);
    // Both signals are held while one is handled, so the files are removed once.
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

} // namespace zel
