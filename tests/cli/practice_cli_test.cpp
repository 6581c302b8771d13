// zelvane-cli's practice options: the count-in and the metronome in the rendered file.
#include <gtest/gtest.h>

#include "cli_run.h"
#include "sound/notebuffer.h"
#include "test_support.h"

namespace zel::test {
namespace {

TEST(CliPractice, CountInAndMetronomeClickInTheFile) {
    TTempDir dir;
    // One whole rest at tempo 120 in 4/4: silence but for the clicks.
    WriteBytes(dir.File("a.zvp"), "T\tA\t-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\r\n"
                                  "N\t-\t-\t-\t-\t-\t-\t-\t-\t1\t0\r\n"
                                  "s\t1\tA\r\n");
    auto render = [&](std::vector<std::string> options) {
        std::vector<std::string> args = {"export-wav", dir.File("a.zvp"), "-o", dir.File("o.wav")};
        args.insert(args.end(), options.begin(), options.end());
        RunOk(args);
        return LeftChannel(ReadBytes(dir.File("o.wav")));
    };
    const size_t bar = size_t(NoteSamples(120, 1024));
    EXPECT_EQ(render({}).size(), bar);
    std::vector<int16_t> counted = render({"--count-in"});
    ASSERT_EQ(counted.size(), 2 * bar) << "one bar counted in";
    // Four clicks in the count-in bar, none over the rest.
    auto clicks = [](const std::vector<int16_t>& left, size_t from, size_t to) {
        int onsets = 0, quiet = 1000; // sound after 100 silent frames starts a click
        for (size_t i = from; i < to; ++i) {
            onsets += left[i] != 0 && quiet >= 100;
            quiet = left[i] == 0 ? quiet + 1 : 0;
        }
        return onsets;
    };
    EXPECT_EQ(clicks(counted, 0, bar), 4);
    EXPECT_EQ(clicks(counted, bar, 2 * bar), 0);
    EXPECT_EQ(clicks(render({"--metronome"}), 0, bar), 4);
    EXPECT_EQ(RunCli({"export-wav", dir.File("a.zvp"), "-o", dir.File("x.wav"), "--metronome",
                      "--all-riffs"})
                  .Status,
              2);
}

} // namespace
} // namespace zel::test
