// Start-up of zelvane-cli: "zelvane-cli help" run 50 times, against starting /bin/true (the
// cost of any process start on this machine). Prints the fastest and the median wall time of
// each and the processor time the tool used (its own work, whatever else the machine runs),
// against the 20 ms the tool's start must stay under. The fastest run is the one least
// disturbed by other processes and is held to the budget.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int Rounds = 50;
constexpr double BudgetMs = 20;

struct TTimes {
    double Wall = 0, Cpu = 0; // milliseconds
};

// From starting the program to its end, its output thrown away.
TTimes Run(const char* program, const char* argument) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(program), const_cast<char*>(argument), nullptr};
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program, &actions, nullptr, argv, environ) != 0)
        return {};
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    posix_spawn_file_actions_destroy(&actions);
    auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return {
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
        ms(usage.ru_utime) + ms(usage.ru_stime)};
}

struct TSummary {
    double Fastest = 0, Median = 0, MedianCpu = 0;
};

TSummary Measure(const char* program, const char* argument) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < Rounds; ++i) {
        TTimes times = Run(program, argument);
        wall.push_back(times.Wall);
        cpu.push_back(times.Cpu);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall.front(), wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

} // namespace

int main() {
    TSummary tool = Measure(ZELVANE_CLI, "help");
    TSummary baseline = Measure("/bin/true", nullptr);
    std::printf("zelvane-cli help, %d runs: fastest %.1f ms (budget %.0f ms), median %.1f ms, "
                "processor time %.1f ms\n/bin/true: fastest %.1f ms, median %.1f ms; ratio of "
                "the fastest %.1f\n",
                Rounds, tool.Fastest, BudgetMs, tool.Median, tool.MedianCpu, baseline.Fastest,
                baseline.Median, tool.Fastest / baseline.Fastest);
    std::printf("%s\n", tool.Fastest < BudgetMs ? "within the budget"
                                                : "OVER the budget (a busy machine shows as a "
                                                  "wall time far above the processor time)");
    return 0;
}
