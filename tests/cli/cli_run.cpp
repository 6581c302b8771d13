#include "cli_run.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "test_support.h"

namespace zel::test {

namespace {

std::vector<std::string> Environment(const TRunOptions& options) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        bool replaced = false;
        for (const auto& [name, value] : options.Environment)
            replaced = replaced || entry.rfind(name + "=", 0) == 0;
        if (!replaced)
            env.push_back(entry);
    }
    for (const auto& [name, value] : options.Environment)
        if (value)
            env.push_back(name + "=" + *value);
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Forks and executes the tool; everything the child needs is prepared before the fork.
pid_t Spawn(std::vector<std::string> args, const std::string& out, const std::string& err,
            const TRunOptions& options) {
    args.insert(args.begin(), ZELVANE_CLI);
    std::vector<char*> argv = Pointers(args);
    std::vector<std::string> envTexts = Environment(options);
    std::vector<char*> envp = Pointers(envTexts);
    pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (outFd < 0 || errFd < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0)
        ::_exit(126);
    if (options.FileSizeLimit) {
        struct rlimit limit {
            rlim_t(*options.FileSizeLimit), rlim_t(*options.FileSizeLimit)
        };
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(126);
    }
    ::execve(ZELVANE_CLI, argv.data(), envp.data());
    ::_exit(127);
}

} // namespace

TRun RunCli(std::vector<std::string> args, const TRunOptions& options) {
    TTempDir dir;
    std::string out = options.StdoutPath.empty() ? dir.File("out") : options.StdoutPath;
    std::string err = dir.File("err");
    TRun run;
    pid_t pid = Spawn(std::move(args), out, err, options);
    if (pid > 0) {
        auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(options.TimeoutSeconds);
        int status = 0;
        pid_t done = 0;
        while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (done == pid) {
            run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        } else {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
    }
    if (options.StdoutPath.empty())
        run.Out = ReadBytes(out);
    run.Err = ReadBytes(err);
    return run;
}

TRun RunCli(std::vector<std::string> args, const std::string& stdoutPath) {
    TRunOptions options;
    options.StdoutPath = stdoutPath;
    return RunCli(std::move(args), options);
}

pid_t StartCli(std::vector<std::string> args) {
    return Spawn(std::move(args), "/dev/null", "/dev/null", {});
}

} // namespace zel::test
