// A JACK server of the test's own (dummy driver: no sound card, real MIDI ports), under a
// name no other program uses, so tests and benchmarks can play into the editor's MIDI input
// through the real service. Clients of this process find it through JACK_DEFAULT_SERVER.
#pragma once

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

extern char** environ;

namespace zel::test {

class TPrivateJack {
public:
    ~TPrivateJack() { Stop(); }

    // Starts the server and waits until it takes clients; false when there is no jackd or it
    // would not start (the caller then skips).
    bool Start() {
        std::string name = "zelvane-test-" + std::to_string(getpid());
        setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        std::string jackd = FindJackd();
        if (jackd.empty())
            return false;
        const char* argv[] = {jackd.c_str(), "-n",    name.c_str(), "--no-realtime",
                              "-d",          "dummy", "-r",         "44100",
                              "-p",          "256",   nullptr};
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
        int failed =
            posix_spawn(&m_pid, jackd.c_str(), &files, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&files);
        if (failed) {
            m_pid = 0;
            return false;
        }
        jack_set_error_function([](const char*) {});
        for (int attempt = 0; attempt < 100; ++attempt) {
            jack_status_t status;
            if (jack_client_t* client = jack_client_open("probe", JackNoStartServer, &status)) {
                jack_client_close(client);
                return true;
            }
            int exited = 0;
            if (waitpid(m_pid, &exited, WNOHANG) == m_pid) {
                m_pid = 0;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Stop();
        return false;
    }

    // Stops the server as a crash or a user would: its clients see it go away.
    void Stop() {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = 0;
    }

private:
    static std::string FindJackd() {
        for (const char* path : {"/usr/bin/jackd", "/usr/local/bin/jackd"})
            if (access(path, X_OK) == 0)
                return path;
        return {};
    }

    pid_t m_pid = 0;
};

} // namespace zel::test
