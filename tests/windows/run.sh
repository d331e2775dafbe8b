#!/usr/bin/env bash
# The Windows programs under Wine, against the Linux build: run inside an X server of 1280x1024
#   xvfb-run -a -s "-screen 0 1280x1024x24" bash tests/windows/run.sh LINUX_BUILD WINDOWS_BUILD
# where WINDOWS_BUILD holds the folder made by scripts/build_windows.sh. One Wine prefix is made for
# the run and removed after it. Each test prints one line with its time; the last line reads
# "windows: N passed, M failed", and the exit code is 1 when anything failed.
# QUORVELLE_WINDOWS_KEEP=DIR keeps the screenshots and the logs in DIR.
set -uo pipefail
cd "$(dirname "$0")/../.."
linux=$(realpath "$1")
win=$(realpath "$2")
folder="$win/quorvelle-windows"
work=$(mktemp -d /tmp/quorvelle-windows-XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
# No audio driver: Wine's sound drivers stay out unless a test asks for one.
no_audio="winealsa.drv,winepulse.drv,wineoss.drv=d"
export WINEDLLOVERRIDES="mscoree,mshtml=;$no_audio"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
screen_w=1280
screen_h=1024
passed=0
failed=0

finish() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  if [ -n "${QUORVELLE_WINDOWS_KEEP:-}" ]; then
    mkdir -p "$QUORVELLE_WINDOWS_KEEP"
    cp "$work"/*.png "$work"/*.txt "$QUORVELLE_WINDOWS_KEEP"/ 2>/dev/null
  fi
  rm -rf "$work"
}
trap finish EXIT

now() { date +%s.%N; }
# result NAME START [REASON]: one line; a reason that is not empty means the test failed.
result() {
  local took
  took=$(awk -v a="$2" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }')
  if [ -z "${3:-}" ]; then
    echo "windows: ok   $1 (${took} s)"
    passed=$((passed + 1))
  else
    echo "windows: FAIL $1 (${took} s): $3"
    failed=$((failed + 1))
  fi
}
crlf_strip() { tr -d '\r' < "$1"; }
window_id() { xdotool search --name '^quorvelle$' 2>/dev/null | head -n 1; }
# Waits up to $1 seconds for process $2 to end; its exit code, or 124 after killing it.
wait_for() {
  local i
  for ((i = 0; i < $1 * 10; ++i)); do
    kill -0 "$2" 2>/dev/null || { wait "$2"; return $?; }
    sleep 0.1
  done
  kill "$2" 2>/dev/null
  wait "$2"
  return 124
}

start=$(now)
g++ -std=c++17 -O2 -Wall -Wextra -I tests -o "$work/check" tests/windows/check.cpp -lmpg123 &&
  "$wine" wineboot --init >"$work/wineboot.txt" 2>&1 && wineserver -w
if [ $? -ne 0 ] || [ ! -f "$folder/quorvelle.exe" ]; then
  result "set-up: Wine prefix and the Linux checker" "$start" "see $work/wineboot.txt"
  echo "windows: $passed passed, $failed failed"
  exit 1
fi
result "set-up: Wine prefix and the Linux checker" "$start"

# --- The programs need only Windows' own DLLs.
start=$(now)
bad=""
for program in quorvelle quorvelle-capture; do
  for dll in $(x86_64-w64-mingw32-objdump -p "$folder/$program.exe" | sed -n 's/.*DLL Name: //p'); do
    case "${dll,,}" in
      kernel32.dll|user32.dll|gdi32.dll|winmm.dll|msacm32.dll|dwmapi.dll|msvcrt.dll|ole32.dll) ;;
      *) bad="$bad $program.exe:$dll" ;;
    esac
  done
done
result "programs import only Windows' own DLLs" "$start" "${bad:+also$bad}"

# --- Every frame of a whole capture, drawn on every core (mingw's POSIX threads), hashes as on
# Linux (the Linux capture runs alongside).
start=$(now)
"$linux/quorvelle-capture" --format hash --out "$work/linux.hash" 2>"$work/linux-capture.txt" &
linux_pid=$!
(cd "$folder" && "$wine" ./quorvelle-capture.exe --format hash --out "$work/windows.hash" \
  2>"$work/windows-capture.txt")
windows_code=$?
wait "$linux_pid"
linux_code=$?
frames=$(wc -l < "$work/linux.hash")
if [ "$windows_code" -ne 0 ] || [ "$linux_code" -ne 0 ]; then
  result "capture: all $frames frame hashes equal Linux's" "$start" "exit codes $windows_code (Windows), $linux_code (Linux)"
elif ! crlf_strip "$work/windows.hash" | cmp -s - "$work/linux.hash"; then
  first=$(crlf_strip "$work/windows.hash" | diff - "$work/linux.hash" | sed -n 2p)
  result "capture: all $frames frame hashes equal Linux's" "$start" "first difference: $first"
else
  result "capture: all $frames frame hashes equal Linux's" "$start"
fi

# --- Pictures: PPM files byte for byte, PNG files (Windows' own encoder) pixel for pixel.
start=$(now)
list=0,300,1234,1500
why=""
(cd "$folder" && "$wine" ./quorvelle-capture.exe --to 25100 --frames $list --format ppm --out "$work/wppm" 2>/dev/null &&
  "$wine" ./quorvelle-capture.exe --to 25100 --frames 1234 --scale 2 --out "$work/wpng" 2>/dev/null) || why="the Windows capture failed"
"$linux/quorvelle-capture" --to 25100 --frames $list --format ppm --out "$work/lppm" 2>/dev/null &&
  "$linux/quorvelle-capture" --to 25100 --frames 1234 --scale 2 --out "$work/lpng" 2>/dev/null || why="the Linux capture failed"
for f in "$work"/lppm/*.ppm; do
  [ -n "$why" ] && break
  cmp -s "$f" "$work/wppm/$(basename "$f")" || why="$(basename "$f") differs"
done
pixels() { ffmpeg -v error -i "$1" -f rawvideo -pix_fmt rgb24 - | md5sum; }
if [ -z "$why" ] && [ "$(pixels "$work/wpng/frame_001234.png")" != "$(pixels "$work/lpng/frame_001234.png")" ]; then
  why="the PNG pictures differ"
fi
result "capture: PPM frames byte-identical, PNG frames pixel-identical" "$start" "$why"

# --- The capture tool's mistakes end as on Linux.
start=$(now)
why=""
(cd "$folder" && "$wine" ./quorvelle-capture.exe --fps 0 --out x >/dev/null 2>&1); [ $? -eq 2 ] || why="a bad --fps did not exit with 2"
(cd "$folder" && "$wine" ./quorvelle-capture.exe --frames 0 --format ppm --out "$work/no/such" >/dev/null 2>"$work/err.txt")
code=$?
[ $code -eq 1 ] && grep -q "does not exist" "$work/err.txt" || why="$why; a missing folder: exit $code, $(head -c 200 "$work/err.txt")"
result "capture: bad arguments exit with 2, an unwritable output with 1" "$start" "$why"

# --- A video: ffmpeg.exe (a stand-in that counts the frame bytes into its output file) started
# with the arguments as given, spaces included; and, killed outright, the capture takes it along.
start=$(now)
why=""
mkdir -p "$work/bin"
cat >"$work/ffmpeg.c" <<'C'
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
int main(int argc, char** argv)
{
    static char buf[1 << 16];
    DWORD n;
    unsigned long long total = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &n, NULL) && n) total += n;
    if (getenv("STANDIN_LINGER")) Sleep(INFINITE);
    FILE* f = fopen(argv[argc - 1] + 5, "w");
    return !f || fprintf(f, "%llu\n", total) < 0 || fclose(f) != 0;
}
C
x86_64-w64-mingw32-gcc -O2 -o "$work/bin/ffmpeg.exe" "$work/ffmpeg.c" || why="the stand-in did not build"
export WINEPATH="$work/bin"
(cd "$folder" && "$wine" ./quorvelle-capture.exe --frames 0-9 --out "$work/a video.mp4" 2>"$work/err.txt") ||
  why="$why; the video failed: $(head -c 300 "$work/err.txt")"
[ "$(crlf_strip "$work/a video.mp4" 2>/dev/null)" = $((10 * 512 * 384 * 4)) ] || why="$why; ffmpeg took other bytes"
(cd "$folder" && STANDIN_LINGER=1 exec "$wine" ./quorvelle-capture.exe --out "$work/killed.mp4" 2>/dev/null) &
capture=$!
disown "$capture"   # its death below is the point: no job notice for it
# Wine shows each program's Windows command line; the output's name makes these two ours.
encoder="ffmpeg -hide_banner.*$work/killed[.]mp4"
for ((i = 0; i < 100; ++i)); do pgrep -f "$encoder" >/dev/null && break; sleep 0.1; done
pgrep -f "$encoder" >/dev/null || why="$why; ffmpeg.exe did not start"
sleep 1
pkill -KILL -f "quorvelle-capture[.]exe --out $work/killed[.]mp4"
wait_for 10 "$capture" >/dev/null 2>&1
for ((i = 0; i < 50; ++i)); do pgrep -f "$encoder" >/dev/null || break; sleep 0.1; done
if pgrep -f "$encoder" >/dev/null; then
  why="$why; ffmpeg.exe outlived the capture"
  pkill -KILL -f "$encoder"
fi
unset WINEPATH
result "capture: a video through ffmpeg.exe, which ends with a capture killed outright" "$start" "${why#; }"

# --- The soundtrack decoded by Windows' own codec lines up with the Linux player's samples.
start=$(now)
if (cd "$folder" && "$wine" "$win/quorvelle-sound-decode.exe" music.mp3 "$work/windows.raw" >"$work/decode.txt" 2>&1) &&
  "$work/check" sound "$folder/music.mp3" "$work/windows.raw" >"$work/sound.txt" 2>&1; then
  result "sound: the ACM decoder's samples line up with libmpg123's ($(sed 's/^[^;]*; //' "$work/sound.txt" | tr -d '\n'))" "$start"
else
  result "sound: the ACM decoder's samples line up with libmpg123's" "$start" "$(cat "$work/decode.txt" "$work/sound.txt" | tr '\n' ' ')"
fi

# --- The demo's options, read before anything opens, and the start-ups that end at once.
start=$(now)
why=""
demo_bare() { (cd "$1" && "$wine" "$folder/quorvelle.exe" "${@:2}" >"$work/out.txt" 2>"$work/err.txt"); }
demo_bare "$folder" --help; [ $? -eq 0 ] && crlf_strip "$work/out.txt" | grep -q "^usage: quorvelle" || why="--help"
demo_bare "$folder" --version; [ $? -eq 0 ] && [ "$(crlf_strip "$work/out.txt")" = "quorvelle 1.0.0" ] || why="$why --version"
demo_bare "$folder" --bogus; [ $? -eq 2 ] && crlf_strip "$work/err.txt" | grep -q "unknown option --bogus" || why="$why --bogus"
mkdir -p "$work/empty"
demo_bare "$work/empty"; [ $? -eq 255 ] && [ "$(crlf_strip "$work/err.txt" | wc -l)" -eq 1 ] &&
  grep -q "no data.* folder in .*: run it from " "$work/err.txt" || why="$why no-data: $(head -c 300 "$work/err.txt")"
demo_bare "$folder" --display 3; [ $? -eq 255 ] &&
  [ "$(crlf_strip "$work/err.txt")" = "quorvelle: --display 3: this desktop has 1 display, numbered from 0" ] ||
  why="$why --display 3: $(head -c 300 "$work/err.txt")"
result "demo: --help, --version, a bad option, no data/ and --display 3 end at once as on Linux" "$start" "$why"

# --- A run with no audio device: one line, the fallback clock, the frame scaled into the screen,
# and the window's close message (WM_CLOSE, from taskkill) ends it through the normal shutdown.
start=$(now)
why=""
(cd "$folder" && exec "$wine" ./quorvelle.exe 2>"$work/run-err.txt" >/dev/null) &
demo=$!
# Past the start-up and the pause, into the script; a slow start gets two more looks.
sleep 12
for look in 1 2 3; do
  ffmpeg -hide_banner -loglevel error -nostdin -y -f x11grab -video_size ${screen_w}x${screen_h} -i "$DISPLAY" \
    -frames:v 1 "$work/windows-demo.ppm" && "$work/check" screen "$work/windows-demo.ppm" $screen_w $screen_h \
    >"$work/screen.txt" 2>&1 && break
  sleep 3
done
ffmpeg -v error -y -i "$work/windows-demo.ppm" "$work/windows-demo.png"
"$work/check" screen "$work/windows-demo.ppm" $screen_w $screen_h >"$work/screen.txt" 2>&1 || why="$why $(cat "$work/screen.txt")"
closed=$(now)
"$wine" taskkill /IM quorvelle.exe >/dev/null 2>&1
wait_for 20 $demo
code=$?
quit=$(awk -v a="$closed" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }')
[ $code -eq 0 ] || why="$why exit code $code"
[ "$(crlf_strip "$work/run-err.txt")" = "quorvelle: no audio device could be opened; running silently on the system clock" ] ||
  why="$why stderr: $(head -c 300 "$work/run-err.txt")"
if [ -z "$why" ]; then result "demo: no audio device, fallback clock, $(cut -d, -f1 "$work/screen.txt"), window close ends it with 0 in ${quit} s" "$start"
else result "demo: no audio device, fallback clock, frame on screen, window close ends it with 0" "$start" "$why"; fi

# --- --window: a window of the largest whole multiple of the frame within nine tenths of the
# screen; F11 and Alt+Enter turn it full screen and back; Escape ends the muted run, which says nothing.
start=$(now)
why=""
geometry() { xdotool getwindowgeometry "$1" | awk '/Position/ { p = $2 } /Geometry/ { g = $2 } END { print g "+" p }'; }
(cd "$folder" && exec "$wine" ./quorvelle.exe --mute --window 2>"$work/mute-err.txt" >/dev/null) &
demo=$!
sleep 8
id=$(window_id)
if [ -z "$id" ]; then
  why="no window"
else
  g=$(geometry "$id"); [ "${g%%+*}" = 1024x768 ] || why="window $g"
  xdotool windowfocus --sync "$id" key F11 && sleep 1
  g=$(geometry "$id"); [ "$g" = "1280x1024+0,0" ] || why="$why; after F11 $g"
  xdotool windowfocus --sync "$id" key alt+Return && sleep 1
  g=$(geometry "$id"); [ "${g%%+*}" = 1024x768 ] || why="$why; after Alt+Enter $g"
  xdotool windowfocus --sync "$id" key Escape 2>/dev/null
fi
wait_for 20 $demo
code=$?
[ $code -eq 0 ] || why="$why; exit code $code"
[ -s "$work/mute-err.txt" ] && why="$why; stderr: $(head -c 300 "$work/mute-err.txt")"
result "demo: --window 1024x768, F11 and Alt+Enter toggle full screen, Escape ends it with 0" "$start" "$why"

# --- A device whose clock races ahead of real time (ALSA's null device takes samples at once) is
# dropped for the fallback clock, with one line.
start=$(now)
why=""
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$work/asound.conf"
(cd "$folder" && WINEDLLOVERRIDES="mscoree,mshtml=;winepulse.drv=d" ALSA_CONFIG_PATH="$work/asound.conf" \
  exec "$wine" ./quorvelle.exe 2>"$work/drift-err.txt" >/dev/null) &
demo=$!
sleep 10
"$wine" taskkill /IM quorvelle.exe >/dev/null 2>&1
wait_for 20 $demo
code=$?
[ $code -eq 0 ] || why="$why exit code $code"
[ "$(crlf_strip "$work/drift-err.txt" | grep -v '^ALSA lib')" = \
  "quorvelle: the audio device's clock runs far from real time; running silently on the system clock" ] ||
  why="$why stderr: $(head -c 300 "$work/drift-err.txt")"
result "demo: an audio clock far from real time gives way to the fallback clock" "$start" "$why"

# --- With a device that plays in real time (a private PulseAudio server with a null sink), the
# music plays through waveOut, unbroken and in order as the sink's monitor records it, and the
# clock stays on the device: the run says nothing.
start=$(now)
why=""
pulse="$work/pulse"
mkdir -p "$pulse"
export PULSE_SERVER="unix:$pulse/native"
XDG_RUNTIME_DIR="$pulse" HOME="$pulse" pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
  -L "module-native-protocol-unix socket=$pulse/native auth-anonymous=1" -L module-null-sink >"$pulse/log.txt" 2>&1 &
pulse_pid=$!
for ((i = 0; i < 50; ++i)); do [ -S "$pulse/native" ] && break; sleep 0.1; done
(cd "$folder" && WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv=d" exec "$wine" ./quorvelle.exe 2>"$work/device-err.txt" >/dev/null) &
demo=$!
sleep 8
pactl list short sink-inputs 2>/dev/null | grep -q "s16le 2ch 44100Hz" || why="no 44100 Hz stereo stream on the sink"
parec --device=null.monitor --format=s16le --rate=44100 --channels=2 --raw >"$work/recorded.raw" 2>/dev/null &
recorder=$!
sleep 4
kill $recorder 2>/dev/null
wait $recorder 2>/dev/null
"$work/check" played "$folder/music.mp3" "$work/recorded.raw" >"$work/played.txt" 2>&1 ||
  why="$why; $(tr '\n' ' ' < "$work/played.txt")"
sleep 4
"$wine" taskkill /IM quorvelle.exe >/dev/null 2>&1
wait_for 20 $demo
code=$?
kill $pulse_pid 2>/dev/null
wait $pulse_pid 2>/dev/null
unset PULSE_SERVER
[ $code -eq 0 ] || why="$why; exit code $code"
[ -s "$work/device-err.txt" ] && why="$why; stderr: $(head -c 300 "$work/device-err.txt")"
if [ -z "$why" ]; then result "demo: plays through a real-time device on its clock, silent on stderr ($(tr -d '\n' < "$work/played.txt"))" "$start"
else result "demo: plays through a real-time device on its clock, silent on stderr" "$start" "$why"; fi

echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
