#!/usr/bin/env bash
# Makes the contact sheet shown at the top of the README: one captured frame of each of the 20
# scenes that draw something (scene_black is left out), each labelled with the scene's name and the
# frame's time in the script, four to a row, at half size.
# Usage: scripts/contact_sheet.sh [BUILD_DIR [OUT.png]]   (defaults: build/ and docs/contact_sheet.png)
# Needs a built BUILD_DIR (the capture tool and its data) and ffmpeg with the DejaVu fonts, which
# scripts/bootstrap.sh installs. Refresh docs/ with it whenever a scene changes how it looks.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
out="${2:-$root/docs/contact_sheet.png}"
fps=60

# Each scene and a moment (ms of the script) inside one of its entries where it shows itself well.
moments=(
  "scene_static_flicker 100"
  "scene_name_strobe 9083"
  "scene_name_fade 7500"
  "scene_polygons_2 21600"
  "scene_objects_1 24600"
  "scene_objects_3 33600"
  "scene_polygons_4 42500"
  "scene_wave_floor 57000"
  "scene_terrain_1 64700"
  "scene_terrain_2 66200"
  "scene_terrain_3 71000"
  "scene_terrain_4 80000"
  "scene_polygons_3 94000"
  "scene_static 100500"
  "scene_fade_plumhelm 122700"
  "scene_objects_2 135000"
  "scene_mesh 153000"
  "scene_objects_4 165000"
  "scene_polygons_1 181300"
  "scene_fade_gloomfield 182300"
)

font="$(fc-match -f '%{file}' 'DejaVu Sans Mono' 2>/dev/null || true)"
[ -f "$font" ] || font=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf
[ -f "$font" ] || { echo "contact_sheet: no DejaVu Sans Mono font (apt-get install fonts-dejavu-core)" >&2; exit 1; }
[ -x "$build/quorvelle-capture" ] || { echo "contact_sheet: no quorvelle-capture in $build: build it first" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Frame j of the capture clock shows the moment j * 1000 / fps ms: take the first at or after each.
frames=()
for m in "${moments[@]}"; do
  ms=${m#* }
  frames+=($(( (ms * fps + 999) / 1000 )))
done
list=$(IFS=,; echo "${frames[*]}")
(cd "$build" && ./quorvelle-capture --fps "$fps" --frames "$list" --out "$work/frames")

for i in "${!moments[@]}"; do
  name=${moments[$i]% *}
  j=${frames[$i]}
  t=$(( j * 1000 / fps ))
  label_time=$(printf '%d.%03d s' $((t / 1000)) $((t % 1000)))
  ffmpeg -hide_banner -loglevel error -nostdin -y -i "$work/frames/$(printf 'frame_%06d.png' "$j")" \
    -vf "scale=256:192:flags=area,pad=256:214:0:0:color=0x181818,\
drawtext=fontfile=$font:text=$name:x=6:y=198:fontsize=11:fontcolor=0xE0E0E0,\
drawtext=fontfile=$font:text=$label_time:x=w-tw-6:y=198:fontsize=11:fontcolor=0x909090" \
    "$work/$(printf 'tile_%02d.png' "$i")"
done

mkdir -p "$(dirname "$out")"
ffmpeg -hide_banner -loglevel error -nostdin -y -framerate 1 -i "$work/tile_%02d.png" \
  -vf "tile=4x5:margin=8:padding=8:color=0x181818" -frames:v 1 -update 1 "$out"
echo "contact_sheet: wrote $out ($(( ${#moments[@]} )) scenes)"
