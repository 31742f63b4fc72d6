#!/usr/bin/env bash
# The benchmark workload rendered by lanternslide-render, by MLT's `melt`
# and by the floor (bench_pipeline: the libraries called directly, every
# frame through libswscale and libx264), in paired runs, with medians.
#
# Against melt, ours runs as it is and with --every-frame (every frame
# encoded, as before held pictures were encoded once). Against the floor,
# bench_pipeline runs ours with each saving on and off (LS_BENCH_SPEED:
# "colour" = libyuv for the plain colour conversion, "held" = held pictures
# encoded once; the renderer has no switch for the colour path), CPU time
# and peak memory included.
#
# Workload: 10 generated photos of about 4000 px, 1280x960 (or 1920x1080
# with --hd) at 30/1, pictures held 2.0 s, transitions 1.0 s, a 31 s sound
# track: 932 frames, H.264 ("libx264") at the library's defaults. melt
# joins the pictures with luma wipes (generated wipe maps) and opens from
# and closes to black as we do, so both make the same frames; the floor's
# runs use the plain left-to-right wipe (BM_Wipe).
#
#   bench/compare.sh [--hd] [ROUNDS]        (default 3 pairs)
#
# Needs melt:  apt-get install melt   (not installed by scripts/setup; tests
# do not need it). Results and inputs go to out/compare/.
set -euo pipefail
cd "$(dirname "$0")/.."
width=1280 height=960 aspect=(4 3) workload=full
if [ "${1:-}" = "--hd" ]; then
  width=1920 height=1080 aspect=(16 9) workload=hd
  shift
fi
rounds=${1:-3}
source bench/timing.sh

if ! command -v melt >/dev/null; then
  echo "compare.sh: melt is not installed; install it with: apt-get install melt" >&2
  exit 2
fi
if ! command -v python3 >/dev/null; then
  echo "compare.sh: python3 is needed to draw melt's wipe maps" >&2
  exit 2
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLS_BENCH=ON >/dev/null
cmake --build build --target lanternslide-render demo-media stream-summary bench_pipeline >/dev/null

work=out/compare/${width}x$height
mkdir -p "$work"
if [ ! -f out/compare/in/tone.wav ]; then
  build/bin/demo-media --pictures 10 --size 4000x3000 --tone 31 out/compare/in >/dev/null
fi
mapfile -t pictures < <(ls out/compare/in/picture-*.jpg)

# Luma maps for melt: a wipe follows the map from dark to light.
python3 - "$work" "$width" "$height" <<'PY'
import math, sys
w, h = int(sys.argv[2]), int(sys.argv[3])
def save(name, value):
    with open(f"{sys.argv[1]}/{name}.pgm", "wb") as f:
        f.write(b"P5\n%d %d\n255\n" % (w, h))
        f.write(bytes(value(x, y) for y in range(h) for x in range(w)))
save("wipe-left", lambda x, y: x * 255 // (w - 1))
save("wipe-top", lambda x, y: y * 255 // (h - 1))
save("wipe-iris", lambda x, y: min(255, int(math.hypot(x - w / 2, y - h / 2) * 255 / 800)))
PY
cat > "$work/profile" <<PROFILE
description=${width}x$height 30/1
frame_rate_num=30
frame_rate_den=1
width=$width
height=$height
progressive=1
sample_aspect_num=1
sample_aspect_den=1
display_aspect_num=${aspect[0]}
display_aspect_den=${aspect[1]}
colorspace=601
PROFILE

# melt's playlist: black, each picture for hold + both transitions (120
# frames; a mix of 30 overlaps neighbours), black again with the 2 tail
# frames: 30 + 10 x 120 + 32 - 11 x 30 = 932 frames.
melt_args=(-silent -profile "$work/profile" colour:black out=29)
maps=(wipe-left wipe-top wipe-iris)
k=0
for p in "${pictures[@]}" "colour:black"; do
  length=119
  [ "$p" = "colour:black" ] && length=31
  melt_args+=("$p" "out=$length" -mix 30 -mixer luma "resource=$work/${maps[k % 3]}.pgm")
  k=$((k + 1))
done
melt_args+=(-audio-track out/compare/in/tone.wav
            -consumer "avformat:$work/melt.mp4" vcodec=libx264 acodec=libmp3lame real_time=-2)

ours_args=(--quiet --size "${width}x$height" --rate 30/1 --picture-delay 2.0 --transition-delay 1.0
           --audio out/compare/in/tone.wav "${pictures[@]}")

ours() { build/bin/lanternslide-render "${ours_args[@]}" -o "$work/ours.mp4"; }
every_frame() { build/bin/lanternslide-render --every-frame "${ours_args[@]}" -o "$work/every.mp4"; }
melt_run() { melt "${melt_args[@]}"; }

echo "== ${width}x$height: lanternslide-render against melt (wall time)"
alternate "$rounds" ours every_frame melt_run
# melt's fixed start-up (module loading), from a one-frame render.
startup=$(seconds melt -silent -profile "$work/profile" colour:black out=0 \
          -consumer "avformat:$work/melt-startup.mp4" vcodec=libx264 real_time=-2)

mo=$(median_of ours)
me=$(median_of every_frame)
mm=$(median_of melt_run)
echo
# Both leave rate control at libx264's defaults; the sizes show the work
# the encoder did is alike.
echo "lanternslide-render ($(stat -c %s "$work/ours.mp4") bytes):"
build/bin/stream-summary "$work/ours.mp4" | sed 's/^/  /'
echo "melt ($(stat -c %s "$work/melt.mp4") bytes):"
build/bin/stream-summary "$work/melt.mp4" | sed 's/^/  /'
echo
printf 'median lanternslide-render %.2f s, melt %.2f s, ratio %.2f (below 1: we are faster)\n' \
  "$mo" "$mm" "$(calc "$mo / $mm")"
printf 'median with every frame encoded %.2f s, ratio to melt %.2f\n' "$me" "$(calc "$me / $mm")"
printf 'melt start-up %.2f s; without it melt %.2f s, ratio %.2f\n' "$startup" \
  "$(calc "$mm - $startup")" "$(calc "$mo / ($mm - $startup)")"

echo
echo "== ${width}x$height: ours against the floor, each saving on and off ($rounds pairs each, medians)"
counter() { grep -o "$1=[0-9.e+-]*" <<<"$2" | cut -d= -f2; }
printf '%-12s %9s %9s %9s %10s %9s %9s\n' savings "ours cpu" "floor cpu" "cpu ratio" \
  "wall ratio" "ours MiB" "floor MiB"
for speed in colour,held held colour none; do
  result=$(LS_BENCH_WORKLOAD=$workload LS_BENCH_SPEED=$speed LS_BENCH_PAIRS=$rounds \
           build/bin/bench_pipeline --benchmark_filter=BM_Wipe 2>/dev/null | grep BM_Wipe)
  printf '%-12s %8.2fs %8.2fs %9.3f %10.3f %9.0f %9.0f\n' "$speed" \
    "$(counter ours_cpu_s "$result")" "$(counter floor_cpu_s "$result")" \
    "$(counter cpu_ratio "$result")" "$(counter wall_ratio "$result")" \
    "$(counter ours_peak_MiB "$result")" "$(counter floor_peak_MiB "$result")"
done
