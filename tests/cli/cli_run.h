// Runs the built zelvane-cli as a user would: arguments, environment, limits, captured output.
#pragma once

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

#include "model/projectfile.h"
#include "test_support.h"

namespace zel::test {

struct TRun {
    int Status = -1; // exit status, 128 + signal when killed, -1 when it did not end in time
    std::string Out;
    std::string Err;
};

struct TRunOptions {
    // Standard output goes here instead of into TRun::Out.
    std::string StdoutPath;
    // Variables set for the tool (a value) or removed (no value).
    std::vector<std::pair<std::string, std::optional<std::string>>> Environment;
    // RLIMIT_FSIZE in bytes, when given.
    std::optional<long> FileSizeLimit;
    // A tool still running after this long is killed and the run counts as hanging.
    int TimeoutSeconds = 120;
};

TRun RunCli(std::vector<std::string> args, const TRunOptions& options = {});
// Standard output goes to `stdoutPath`.
TRun RunCli(std::vector<std::string> args, const std::string& stdoutPath);
// Starts the tool with its output thrown away and returns at once; the caller waits for it.
pid_t StartCli(std::vector<std::string> args);

// The demo project and a short MIDI scale the command-line tests read.
inline const std::string Demo = ZELVANE_DEMO_PROJECT;
inline const std::string Scale = std::string(ZELVANE_TEST_DATA) + "/scale.mid";

// Left-channel samples of a 16-bit stereo WAV file written by the program.
inline std::vector<int16_t> LeftChannel(const std::string& wav) {
    std::vector<int16_t> left;
    for (size_t at = 44; at + 3 < wav.size(); at += 4)
        left.push_back(int16_t(uint16_t(uint8_t(wav[at]) | uint8_t(wav[at + 1]) << 8)));
    return left;
}

// Runs the tool and checks that it succeeds; the run is returned for further checks.
inline TRun RunOk(const std::vector<std::string>& args, const TRunOptions& options = {}) {
    TRun run = RunCli(args, options);
    EXPECT_EQ(run.Status, 0) << args.front() << ": " << run.Err;
    return run;
}

// Runs the tool and checks that it ends with `status` and says `message` on its error output.
inline void ExpectFails(const std::vector<std::string>& args, int status,
                        const std::string& message, const TRunOptions& options = {}) {
    TRun run = RunCli(args, options);
    std::string joined;
    for (const auto& arg : args)
        joined += arg + " ";
    EXPECT_EQ(run.Status, status) << joined << "(-1: it hung)";
    EXPECT_TRUE(Contains(run.Err, message)) << joined << "\n" << run.Err;
}

// The project a file holds, checked to load.
inline TProject Loaded(const std::string& path) {
    TProject project = NewProject();
    EXPECT_TRUE(LoadProject(project, path)) << path;
    return project;
}

} // namespace zel::test
