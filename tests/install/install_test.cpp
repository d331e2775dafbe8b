// `cmake --install` into a temporary prefix, then the installed programs as a user runs them from
// another folder: a short capture, and the demo through its launcher (also by a symbolic link).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "common/capture_run.h"
#include "e2e/xvfb.h"

namespace {

bool executable(const std::string& path)
{
    return access(path.c_str(), X_OK) == 0;
}

class Installed : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/quorvelle-install-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        tmp_ = tmpl;
        prefix_ = tmp_ + "/prefix";
        elsewhere_ = tmp_ + "/elsewhere";
        ASSERT_EQ(mkdir(elsewhere_.c_str(), 0777), 0);
        const CommandResult r = command_run(tmp_, "'" QUORVELLE_CMAKE "' --install '" QUORVELLE_BINARY_DIR
                                                  "' --prefix '" + prefix_ + "'");
        ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    }
    void TearDown() override
    {
        ASSERT_EQ(std::system(("rm -rf '" + tmp_ + "'").c_str()), 0);
    }
    std::string tmp_, prefix_, elsewhere_;
};

}  // namespace

TEST_F(Installed, ProgramsDataAndMusicAreInPlace)
{
    for (const char* program : {"/bin/quorvelle", "/bin/quorvelle-capture", "/bin/quorvelle-bench",
                                "/libexec/quorvelle/quorvelle"})
        EXPECT_TRUE(executable(prefix_ + program)) << program;
    for (const char* file : {"/share/quorvelle/music.mp3", "/share/quorvelle/data/font209x25.raw",
                             "/share/quorvelle/data/octopus.ase", "/share/quorvelle/data/marrowvale512x384x32.raw"}) {
        struct stat st;
        EXPECT_EQ(stat((prefix_ + file).c_str(), &st), 0) << file;
    }
}

TEST_F(Installed, CaptureRunsFromAnotherFolderAndMatchesTheBuild)
{
    const CommandResult r =
        command_run(elsewhere_, "'" + prefix_ + "/bin/quorvelle-capture' --to 500 --format hash --out hashes.txt");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const CaptureResult built = capture_hashes("--to 500");
    ASSERT_EQ(built.exit_code, 0);
    std::string expected;
    for (const std::string& line : built.lines) expected += line + "\n";
    EXPECT_EQ(file_text(elsewhere_ + "/hashes.txt"), expected);
    EXPECT_EQ(built.lines.size(), 30u);
}

TEST_F(Installed, LauncherRunsTheDemoFromAnotherFolder)
{
    ASSERT_EQ(symlink((prefix_ + "/bin/quorvelle").c_str(), (elsewhere_ + "/demo-link").c_str()), 0);
    const CommandResult version = command_run(elsewhere_, "./demo-link --version");
    EXPECT_EQ(version.out, "quorvelle 1.0.0\n");

    // SDL's own variable picks its invisible video driver on purpose; no sound device.
    const Child demo = child_start(elsewhere_, {"SDL_VIDEODRIVER=dummy"},
                                   "exec ./demo-link --mute 2>'" + tmp_ + "/stderr.txt'");
    sleep(3);   // start-up done (a missing data file ends it at once), in the pause before the music
    kill(demo.pid, SIGTERM);
    double seconds = 0;
    EXPECT_EQ(child_wait(demo, &seconds), 0);
    EXPECT_EQ(file_text(tmp_ + "/stderr.txt"), "");

    // The demo program itself, started without the launcher, names the folder to run it from.
    const CommandResult bare = command_run(elsewhere_, "'" + prefix_ + "/libexec/quorvelle/quorvelle'");
    EXPECT_EQ(bare.exit_code, 255);
    EXPECT_NE(bare.err.find("run it from " + prefix_ + "/share/quorvelle\n"), std::string::npos) << bare.err;
}
