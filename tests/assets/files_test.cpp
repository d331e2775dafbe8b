// The generated files: exact sizes in the build directory, byte-identical output from two runs,
// and the tool's failures reported by exit code and one line on stderr.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "asset_files.h"

namespace {

const char* const k_outputs[] = {"data/font209x25.raw",   "data/marrowvale512x384x32.raw", "data/marrowvaleagain512x384x32.raw",
                                 "data/fuzzyballs512x384x32.raw", "data/plumhelm234x257.raw", "data/gloomfield97x73.raw",
                                 "data/octopus.ase",      "music.mp3"};

std::string temp_dir()
{
    char name[] = "/tmp/quorvelle-assets-XXXXXX";
    return ::mkdtemp(name) ? name : "";
}

std::vector<std::string> lines_of(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

}  // namespace

TEST(AssetFiles, TwoRunsWriteIdenticalBytes)
{
    const std::string a = temp_dir(), b = temp_dir();
    ASSERT_FALSE(a.empty() || b.empty());
    ASSERT_EQ(run_tool("--out " + a, a + "/err"), 0);
    ASSERT_EQ(run_tool("--out " + b, b + "/err"), 0);
    for (const char* name : k_outputs) {
        const std::vector<unsigned char> first = read_bytes(a + "/" + name);
        EXPECT_FALSE(first.empty()) << name;
        EXPECT_TRUE(first == read_bytes(b + "/" + name)) << name << " differs between runs";
    }
    std::system(("rm -rf '" + a + "' '" + b + "'").c_str());
}

TEST(AssetFiles, FailuresExitNonZeroWithOneLine)
{
    const std::string dir = temp_dir();
    ASSERT_FALSE(dir.empty());
    const struct {
        std::string args;
    } cases[] = {{""}, {"--bogus x"}, {"--out"}, {"--out /proc/no/such/dir"}, {"--preview /proc/no/such/dir"}};
    for (const auto& c : cases) {
        EXPECT_NE(run_tool(c.args, dir + "/err"), 0) << c.args;
        const std::vector<std::string> lines = lines_of(dir + "/err");
        ASSERT_EQ(lines.size(), 1u) << c.args;
        EXPECT_EQ(lines[0].rfind("quorvelle-assets: ", 0), 0u) << lines[0];
    }
    EXPECT_EQ(run_tool("--preview " + dir + "/preview", dir + "/err"), 0);
    for (const char* png : {"marrowvale512x384x32.png", "fuzzyballs512x384x32.png", "font209x25.png", "octopus.png"}) {
        const std::vector<unsigned char> bytes = read_bytes(dir + "/preview/" + png);
        ASSERT_GT(bytes.size(), 8u) << png;
        EXPECT_EQ(bytes[1], 'P');
    }
    std::system(("rm -rf '" + dir + "'").c_str());
}
