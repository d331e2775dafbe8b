// The whole script captured on the plain paths, on the fast paths with one thread and with two, and
// with the plain paths chosen from the environment: every frame's hash is the same.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "common/capture_run.h"

TEST(SpeedCapture, WholeRunSameOnEveryPathAndThreadCount)
{
    struct stat st;
    if (stat((std::string(QUORVELLE_BINARY_DIR) + "/data/octopus.ase").c_str(), &st) != 0)
        GTEST_SKIP() << "the build has no generated data";
    // Five frames a second keeps the run short and still visits every entry of the script.
    const CaptureResult fast = capture_hashes("--fps 5");
    ASSERT_EQ(fast.exit_code, 0);
    ASSERT_GT(fast.lines.size(), 900u);
    const char* others[] = {"--fps 5 --plain", "--fps 5 --threads 2", "--fps=5 --threads=2 --plain"};
    for (const char* args : others) {
        const CaptureResult other = capture_hashes(args);
        ASSERT_EQ(other.exit_code, 0) << args;
        EXPECT_EQ(other.lines, fast.lines) << args;
    }
    // The environment chooses the plain paths as --plain does.
    setenv("QUORVELLE_PLAIN", "1", 1);
    const CaptureResult from_environment = capture_hashes("--fps 5 --threads 2 --to 40000");
    unsetenv("QUORVELLE_PLAIN");
    ASSERT_EQ(from_environment.exit_code, 0);
    ASSERT_LE(from_environment.lines.size(), fast.lines.size());
    for (size_t i = 0; i < from_environment.lines.size(); ++i) EXPECT_EQ(from_environment.lines[i], fast.lines[i]);
    // Thread counts outside 1 to 8 are refused as bad arguments.
    for (const char* args : {"--threads 0", "--threads 9", "--threads x"})
        EXPECT_EQ(capture_hashes(args).exit_code, 2) << args;
}
