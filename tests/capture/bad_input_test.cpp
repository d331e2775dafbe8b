// The programs under bad input and faults, as a careful or a hostile user meets them: damaged,
// endless or blocking data files, unplayable music, a full disk, an interrupt, odd output names and
// working folders. Every case ends promptly with its exit code and its one line, and an earlier
// output file stays as it was unless the run succeeded.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>

#include "common/capture_run.h"
#include "e2e/xvfb.h"

namespace {

const std::string k_bin = QUORVELLE_BINARY_DIR;

struct BadInput {
    const char* what;
    const char* replaces;  // the data file or the music the case takes away, if any
    std::string setup;     // shell commands in the scratch folder, which holds links to the data
    std::string run;       // $C is the capture tool, $P the player (in a private X server)
    int code;
    std::string says;      // how stderr begins; "" for nothing at all
    int lines;             // lines on stderr; -1: the usage follows
    const char* out;       // the earlier output the run must leave as it was, or replace when it succeeds
    bool root = false;     // needs root (a device node, another user): skipped without it
};

const std::string k_hash = "$C --to 100 --format hash --out old.out";
const std::string k_video = "$C --from 1000 --to 1500 --out old.mp4";
const std::string k_player = "$P & p=$!; sleep 3; kill -TERM $p; wait $p";
const std::string k_silent = "; running silently on the system clock";
const std::string k_long(300, 'n');
const std::string k_hash_line = "'^[0-9]{6} [0-9a-f]{16} [0-9]+ [0-9]+$'";
const std::string k_bogus_audio = "A=bogus; ";   // the player's one notice: no audio device

const std::string k_mesh = "data/octopus.ase", k_music = "music.mp3";
const std::string k_picture = "data/plumhelm234x257.raw";

const BadInput k_cases[] = {
    {"mesh: endless device", "data/octopus.ase", "ln -s /dev/zero " + k_mesh, k_hash, 1,
     "quorvelle-capture: cannot read ./data/octopus.ase: it is a device", 1, "old.out"},
    {"mesh: FIFO", "data/octopus.ase", "mkfifo " + k_mesh, k_hash, 1,
     "quorvelle-capture: cannot read ./data/octopus.ase: it is a pipe", 1, "old.out"},
    {"mesh: empty", "data/octopus.ase", "touch " + k_mesh, k_hash, 1,
     "quorvelle-capture: ./data/octopus.ase holds no object to draw: 0 vertices and 0 visible edges", 1, "old.out"},
    {"mesh: UTF-16", "data/octopus.ase", "printf '\\377\\376*\\0M\\0' >" + k_mesh, k_hash, 1,
     "quorvelle-capture: ./data/octopus.ase holds no object to draw", 1, "old.out"},
    {"mesh: 100 MB", "data/octopus.ase", "truncate -s 100M " + k_mesh, k_hash, 1,
     "quorvelle-capture: ./data/octopus.ase is too long: 104857600 bytes, at most 67108864 expected", 1, "old.out"},
    {"picture: half", k_picture.c_str(), "head -c 30069 $D/plumhelm234x257.raw >" + k_picture, k_hash, 1,
     "quorvelle-capture: ./data/plumhelm234x257.raw is too short: 30069 bytes, 60138 expected", 1, "old.out"},
    {"picture: folder", "data/gloomfield97x73.raw", "mkdir data/gloomfield97x73.raw", k_hash, 1,
     "quorvelle-capture: cannot read ./data/gloomfield97x73.raw: it is a folder", 1, "old.out"},
    {"picture: endless", "data/fuzzyballs512x384x32.raw", "ln -s /dev/zero data/fuzzyballs512x384x32.raw", k_hash, 1,
     "quorvelle-capture: cannot read ./data/fuzzyballs512x384x32.raw: it is a device", 1, "old.out"},
    {"font: missing", "data/font209x25.raw", "", k_hash, 1,
     "quorvelle-capture: cannot open ./data/font209x25.raw: No such file or directory", 1, "old.out"},
    {"full disk", "", "", "ulimit -f 4; $C --to 10000 --format hash --out old.out", 1,
     "quorvelle-capture: writing old.out failed: File too large", 1, "old.out"},
    {"full disk: picture", "", "mkdir shots && echo earlier >shots/frame_000000.png",
     "ulimit -f 40; $C --frames 0 --to 100 --out shots", 1,
     "quorvelle-capture: writing shots/frame_000000.png failed: File too large", 1, "shots/frame_000000.png"},
    {"interrupt: hash list", "", "", "$C --format hash --out old.out & p=$!; sleep 2; kill -INT $p; wait $p", 130,
     "quorvelle-capture: interrupted by SIGINT; old.out is left as it was", 1, "old.out"},
    {"interrupt: video", "", "",
     "$C --out old.mp4 & p=$!; sleep 3; kill -TERM $p; wait $p; s=$?; pgrep -f 'old[.]mp4[.][0-9]*[.]part' && s=9; "
     "exit $s",
     143, "quorvelle-capture: interrupted by SIGTERM; old.mp4 is left as it was", 1, "old.mp4"},
    {"video: endless music", "music.mp3", "ln -s /dev/zero " + k_music, k_video, 0,
     "quorvelle-capture: cannot use music.mp3 in $W (it is not a regular file): the video has no sound", 2, ""},
    {"video: garbage music", "music.mp3", "head -c 100000 /dev/urandom >" + k_music, k_video, 0,
     "quorvelle-capture: cannot use music.mp3 in $W (it holds no MP3 sound)", 2, ""},
    {"video: music shorter than the video", "music.mp3",
     "ffmpeg -v error -f lavfi -i sine=duration=1.5 -c:a libmp3lame " + k_music,
     "$C --to 3000 --out v.mp4 && ffprobe -v error -show_entries stream=nb_frames,duration -of csv=p=0 v.mp4 | "
     "awk -F, '$1 < 2.95 || (NR == 1 && $2 != 180) { exit 1 }'",
     0, "quorvelle-capture: wrote 180 frames", 1, ""},
    {"video: a name beginning with '-'", "", "", "$C --from 1000 --to 1100 --out -x.mp4 && test -s ./-x.mp4", 0,
     "quorvelle-capture: wrote 6 frames", 1, ""},
    {"standard output for pictures", "", "", "$C --to 100 --out -", 2,
     "quorvelle-capture: --out - (the standard output) takes only a hash list or a flash report\nusage:", -1, ""},
    {"output: missing folder", "", "", "$C --frames 3 --out missing/clip.mp4", 1,
     "quorvelle-capture: cannot write missing/clip.mp4: the folder missing does not exist", 1, ""},
    {"output: pictures into a file", "", "echo earlier >file", "$C --frames 3 --out file", 1,
     "quorvelle-capture: cannot write pictures into file: it is a file, not a folder", 1, "file"},
    {"output: a file as a folder", "", "echo earlier >file", "$C --frames 3 --out file/shots", 1,
     "quorvelle-capture: cannot write file/shots: file is not a folder", 1, "file"},
    {"output: a hash list named as a folder", "", "mkdir dir", "$C --frames 3 --format hash --out dir", 1,
     "quorvelle-capture: cannot write dir: it names a folder, and a hash list is a file", 1, ""},
    {"deleted working folder", "", "mkdir gone", "cd gone && rmdir ../gone && $C --to 100 --format hash --out x", 1,
     "quorvelle-capture: cannot write x: the working folder cannot be named (No such file or directory)", 1, ""},
    {"name too long", "", "", "$C --to 100 --format hash --out " + k_long + "/x", 1,
     "quorvelle-capture: cannot write " + k_long + "/x: File name too long", 1, ""},
    {"output: a FIFO, written in place", "", "mkfifo f",
     "cat f >got & $C --to 100 --format hash --out f && wait $! && test -p f && test $(grep -cE " + k_hash_line +
         " got) = 6",
     0, "quorvelle-capture: wrote 6 frames", 1, ""},
    {"output: links followed, the files they name replaced", "", "mkdir sub && ln -s old.out a && ln -s sub/new b",
     "$C --to 100 --format hash --out a && $C --to 100 --format hash --out b && test -L a && test -L b && "
     "test $(cat old.out sub/new | wc -l) = 12 && ! ls -a sub | grep -q part",
     0, "quorvelle-capture: wrote 6 frames", 2, ""},
    {"output: /dev/stdout, a pipe or a file added to", "", "",
     "$C --to 100 --format hash --out /dev/stdout | grep -cE " + k_hash_line +
         " | grep -qx 6 && $C --to 100 --format hash --out /dev/stdout >>old.out && test -L /dev/stdout && "
         "test $(grep -cE " + k_hash_line + " old.out) = 6 && head -1 old.out | grep -qx earlier",
     0, "quorvelle-capture: wrote 6 frames", 2, ""},
    {"output: a device node, written in place", "", "mknod -m 666 null c 1 3",
     "$C --to 100 --format hash --out null && test -c null", 0, "quorvelle-capture: wrote 6 frames", 1, "", true},
    {"output: a video into a pipe", "", "mkfifo v.mp4", "$C --frames 3 --out v.mp4", 1,
     "quorvelle-capture: cannot make v.mp4: it is a pipe, and a video needs a regular file", 1, ""},
    {"output: another user's file in a sticky folder, before rendering", "",
     // The other user gets copies of the data: the build's may sit in a folder only root can enter.
     "chmod 755 . && for f in data/*; do cp --remove-destination \"$(readlink -f $f)\" $f; done && "
     "mkdir -m 1777 sticky && echo earlier >sticky/r.txt",
     "setpriv --reuid=65534 --regid=65534 --clear-groups $C --format hash --out sticky/r.txt", 1,
     "quorvelle-capture: cannot write sticky/r.txt: it belongs to another user, and sticky lets only a file's "
     "owner replace it", 1, "sticky/r.txt", true},
    {"output: another user's link in a sticky folder", "",
     "chmod 755 . && mkdir -m 1777 sl && setpriv --reuid=65534 --regid=65534 --clear-groups ln -s ../old.out sl/x",
     "$C --to 100 --format hash --out sl/x", 1,
     "quorvelle-capture: cannot write sl/x: it is another user's link in a sticky folder open to all", 1, "old.out", true},
    {"output: two captures making one folder", k_mesh.c_str(), "touch " + k_mesh,
     "for i in $(seq 40); do rm -rf s; $C --to 20 --out s 2>e1 & $C --to 20 --out s 2>e2; wait $!; cat e1 e2; done | "
     "sort -u >&2",
     0,
     "quorvelle-capture: ./data/octopus.ase holds no object to draw", 1, ""},
    {"output: standard output's reader gone", "", "",
     "{ $C --format hash --out -; echo $? >st; } | head -3 >/dev/null; exit $(cat st)", 141, "", 0, ""},
    {"standard error closed: the hash list exact", "", "",
     "$C --to 15000 --format hash --out h 2>&- && test $(grep -cvE " + k_hash_line + " h) = 0 && test $(wc -l <h) = 900",
     0, "", 0, ""},
    {"a stray data/ folder in the working folder", "", "mkdir -p home/data",
     "cd home && $C --to 100 --format hash --out x && test $(wc -l <x) = 6", 0, "quorvelle-capture: wrote 6 frames",
     1, ""},
    {"player: a stray data/ folder", "", "mkdir -p home/data", "cd home && $P", 255,
     "quorvelle: no data/ folder in $W/home (its data/ has no octopus.ase): run it from " + k_bin, 1, ""},
    {"player: standard error closed", "", "",
     k_bogus_audio + "$P 2>&- & p=$!; sleep 3; kill -TERM $p; (sleep 5; kill -KILL $p) 2>/dev/null & wait $p", 0, "", 0,
     ""},
    {"player: notice into a closed pipe", "", "",
     k_bogus_audio + "{ $P 2>&1 >/dev/null & p=$!; sleep 3; kill -TERM $p; wait $p; echo $? >st; } | true; exit $(cat st)",
     0, "", 0, ""},
    {"player: SIGHUP", "", "", "$P & p=$!; sleep 3; kill -HUP $p; wait $p", 0, "", 0, ""},
    {"player: endless mesh", "data/octopus.ase", "ln -s /dev/zero " + k_mesh, "$P", 255,
     "quorvelle: cannot read ./data/octopus.ase: it is a device", 1, ""},
    {"player: FIFO picture", k_picture.c_str(), "mkfifo " + k_picture, "$P", 255,
     "quorvelle: cannot read ./data/plumhelm234x257.raw: it is a pipe", 1, ""},
    {"player: garbage music", "music.mp3", "head -c 100000 /dev/urandom >" + k_music, k_player, 0,
     "quorvelle: cannot play music.mp3: it holds no MP3 sound" + k_silent, 1, ""},
    {"player: ID3 header alone", "music.mp3", "printf 'ID3\\4\\0\\0\\0\\0\\0\\0' >" + k_music, k_player, 0,
     "quorvelle: cannot play music.mp3: it holds no MP3 sound" + k_silent, 1, ""},
    {"player: music a folder", "music.mp3", "mkdir " + k_music, k_player, 0,
     "quorvelle: cannot play music.mp3: it is a folder" + k_silent, 1, ""},
    {"player: SIGTERM in the start-up", "", "", "$P & p=$!; sleep 0.3; kill -TERM $p; wait $p", 0, "", 0, ""},
    {"player: display past the last", "", "", "$P --display 1001", 255,
     "quorvelle: --display 1001: this desktop has 1 display, numbered from 0", 1, ""},
};

// Stderr without the progress lines of a long capture.
std::string messages(const std::string& err)
{
    std::istringstream in(err);
    std::string kept;
    for (std::string line; std::getline(in, line);)
        if (line.find("%  writing frame") == std::string::npos) kept += line + "\n";
    return kept;
}

void replace_all(std::string* s, const std::string& from, const std::string& to)
{
    for (size_t at = s->find(from); at != std::string::npos; at = s->find(from, at + to.size()))
        s->replace(at, from.size(), to);
}

}  // namespace

TEST(BadInput, EndsPromptlyWithItsCodeAndOneLineAndKeepsEarlierOutput)
{
    Xvfb xvfb;
    ASSERT_TRUE(xvfb_start(&xvfb, 1024, 768));
    char scratch[] = "/tmp/quorvelle-bad-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    const std::string w = scratch;
    const std::string data = k_bin + "/data";
    for (const BadInput& c : k_cases) {
        if (c.root && geteuid() != 0) {
            std::printf("skipped without root: %s\n", c.what);
            continue;
        }
        // A fresh folder of links to the real data and music; each case replaces one of them.
        command_run(w, "rm -rf ./* && mkdir data && ln -s '" + data + "'/* data/ && ln -s '" + k_bin +
                           "/music.mp3' . && echo earlier >old.out && echo earlier >old.mp4");
        std::string setup = "rm -f '" + std::string(c.replaces) + "'; " + c.setup, run = c.run, says = c.says;
        replace_all(&setup, "$D", data);
        replace_all(&run, "$C", "'" + k_bin + "/quorvelle-capture'");
        replace_all(&run, "$P",
                    "DISPLAY=" + xvfb.display + " SDL_AUDIODRIVER=${A:-disk} SDL_DISKAUDIOFILE=/dev/null '" + k_bin +
                        "/quorvelle'");
        replace_all(&says, "$W", w);
        ASSERT_EQ(command_run(w, setup).exit_code, 0) << c.what;
        const auto started = std::chrono::steady_clock::now();
        CommandResult r = command_run(w, run);
        r.err = messages(r.err);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        EXPECT_EQ(r.exit_code, c.code) << c.what << ": " << r.err;
        EXPECT_EQ(r.err.rfind(says, 0), 0u) << c.what << ": " << r.err;
        if (c.lines >= 0) {
            EXPECT_EQ(line_count(r.err), c.lines) << c.what << ": " << r.err;
        }
        EXPECT_LT(seconds, 15.0) << c.what;
        // A failed run leaves the earlier output; every run leaves no temporary file behind.
        if (c.code != 0 && *c.out) {
            EXPECT_EQ(file_text(w + "/" + c.out), "earlier\n") << c.what;
        }
        EXPECT_EQ(command_run(w, "ls -a | grep -c '\\.part$'").out, "0\n") << c.what;
    }
    xvfb_stop(&xvfb);
    command_run("/tmp", "rm -rf '" + w + "'");
}
