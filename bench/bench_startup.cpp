// Start-up of the editor as a user sees it: from exec to the main window mapped on the screen,
// with the demo project and with a project of 400,000 notes. Runs under the X server named by
// DISPLAY (a virtual one with a window manager, from bench/run); polls the window list every
// 10 ms, as a person's eye would not notice less. The median and worst of ten starts each.
//
//   bench_startup ZELVANE DEMO.zvp WORKDIR
#include <xcb/xcb.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bench_riffs.h"
#include "bench_timing.h"
#include "model/projectfile.h"

extern char** environ;

namespace {

using namespace zel::bench;

xcb_atom_t Atom(xcb_connection_t* x, const char* name) {
    auto* reply =
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, uint16_t(std::strlen(name)), name), nullptr);
    xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

struct TAtoms {
    xcb_atom_t ClientList, Pid;
};

std::vector<xcb_window_t> Clients(xcb_connection_t* x, xcb_window_t root, const TAtoms& atoms) {
    std::vector<xcb_window_t> out;
    auto* reply = xcb_get_property_reply(
        x, xcb_get_property(x, 0, root, atoms.ClientList, XCB_ATOM_WINDOW, 0, 4096), nullptr);
    if (reply) {
        auto* ids = static_cast<xcb_window_t*>(xcb_get_property_value(reply));
        out.assign(ids, ids + xcb_get_property_value_length(reply) / 4);
        std::free(reply);
    }
    return out;
}

// A window of the process, mapped, whose title names a project: the main window (the splash
// and message boxes have other titles).
bool MainWindowShown(xcb_connection_t* x, xcb_window_t root, const TAtoms& atoms, pid_t pid) {
    for (xcb_window_t window : Clients(x, root, atoms)) {
        auto* pidReply = xcb_get_property_reply(
            x, xcb_get_property(x, 0, window, atoms.Pid, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        bool ours = pidReply && xcb_get_property_value_length(pidReply) == 4 &&
                    *static_cast<uint32_t*>(xcb_get_property_value(pidReply)) == uint32_t(pid);
        std::free(pidReply);
        if (!ours)
            continue;
        auto* attributes =
            xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, window), nullptr);
        bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        auto* name = xcb_get_property_reply(
            x, xcb_get_property(x, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
            nullptr);
        std::string title;
        if (name)
            title.assign(static_cast<char*>(xcb_get_property_value(name)),
                         size_t(xcb_get_property_value_length(name)));
        std::free(name);
        if (viewable && title.find("Zelvane Editor - ") != std::string::npos)
            return true;
    }
    return false;
}

double StartOnce(xcb_connection_t* x, xcb_window_t root, const TAtoms& atoms,
                 const std::string& zelvane, const std::string& project) {
    std::vector<std::string> args = {zelvane, "-nosplash", project};
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    auto start = Clock::now();
    pid_t pid = 0;
    posix_spawn_file_actions_t quiet; // the editor's messages would garble the table
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    int spawned = posix_spawn(&pid, zelvane.c_str(), &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    double ms = -1;
    while (Ms(Clock::now() - start) < 20000) {
        if (MainWindowShown(x, root, atoms, pid)) {
            ms = Ms(Clock::now() - start);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (ms < 0) {
        std::fprintf(stderr, "the main window did not show within 20 s\n");
        std::exit(1);
    }
    return ms;
}

void Report(const char* what, std::vector<double> rounds, double budget) {
    double worst = *std::max_element(rounds.begin(), rounds.end());
    double median = Median(rounds);
    std::printf("  %-34s median %6.0f ms  worst %6.0f ms  (%.2f of the %.0f ms budget)\n", what,
                median, worst, median / budget, budget);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_startup ZELVANE DEMO.zvp WORKDIR\n");
        return 2;
    }
    const std::string zelvane = argv[1], demo = argv[2], work = argv[3];
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "bench_startup: no X display\n");
        return 1;
    }
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    TAtoms atoms{Atom(x, "_NET_CLIENT_LIST"), Atom(x, "_NET_WM_PID")};

    const std::string big = work + "/big.zvp";
    {
        zel::TProject project;
        MakeSong(project, 800000); // 400,000 note records, each played twice
        if (!zel::SaveProject(project, big))
            return 1;
    }
    std::printf("editor start, exec to the main window shown (10 starts each):\n");
    for (auto [what, path, budget] : {std::tuple{"demo project", demo, 250.0},
                                      std::tuple{"project of 400,000 notes", big, 300.0}}) {
        StartOnce(x, root, atoms, zelvane, path); // settles the settings file and disk caches
        std::vector<double> rounds;
        for (int i = 0; i < 10; ++i)
            rounds.push_back(StartOnce(x, root, atoms, zelvane, path));
        Report(what, rounds, budget);
    }
    std::printf("  (%.1f MB project file)\n", double(std::filesystem::file_size(big)) / 1e6);
    xcb_disconnect(x);
}
