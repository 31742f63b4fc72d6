#!/usr/bin/env bash
# The benchmark workload rendered by lanternslide-render and by MLT's `melt`,
# alternated, with the median wall times and their ratio.
#
# Ours runs twice per round: as it is, and with --every-frame (every frame
# encoded, as before held pictures were encoded once).
#
# Workload: 10 generated photos of about 4000 px, 1280x960 at 30/1, pictures
# held 2.0 s, transitions 1.0 s, a 31 s sound track: 932 frames, H.264
# ("libx264") and MP3 ("libmp3lame") at the libraries' defaults for both.
# melt joins the pictures with luma wipes (generated wipe maps) and opens
# from and closes to black as we do, so both make the same frames.
#
#   bench/compare.sh [ROUNDS]        (default 3 pairs)
#
# Needs melt:  apt-get install melt   (not installed by scripts/setup; tests
# do not need it). Results and inputs go to out/compare/.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}

if ! command -v melt >/dev/null; then
  echo "compare.sh: melt is not installed; install it with: apt-get install melt" >&2
  exit 2
fi
if ! command -v python3 >/dev/null; then
  echo "compare.sh: python3 is needed to draw melt's wipe maps" >&2
  exit 2
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLS_BENCH=OFF >/dev/null
cmake --build build --target lanternslide-render demo-media stream-summary >/dev/null

work=out/compare
mkdir -p "$work"
if [ ! -f "$work/in/tone.wav" ]; then
  build/bin/demo-media --pictures 10 --size 4000x3000 --tone 31 "$work/in" >/dev/null
fi
mapfile -t pictures < <(ls "$work"/in/picture-*.jpg)

# Luma maps for melt: a wipe follows the map from dark to light.
python3 - "$work" <<'PY'
import math, sys
w, h = 1280, 960
def save(name, value):
    with open(f"{sys.argv[1]}/{name}.pgm", "wb") as f:
        f.write(b"P5\n%d %d\n255\n" % (w, h))
        f.write(bytes(value(x, y) for y in range(h) for x in range(w)))
save("wipe-left", lambda x, y: x * 255 // (w - 1))
save("wipe-top", lambda x, y: y * 255 // (h - 1))
save("wipe-iris", lambda x, y: min(255, int(math.hypot(x - w / 2, y - h / 2) * 255 / 800)))
PY
cat > "$work/profile" <<'PROFILE'
description=1280x960 30/1
frame_rate_num=30
frame_rate_den=1
width=1280
height=960
progressive=1
sample_aspect_num=1
sample_aspect_den=1
display_aspect_num=4
display_aspect_den=3
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
melt_args+=(-audio-track "$work/in/tone.wav"
            -consumer "avformat:$work/melt.mp4" vcodec=libx264 acodec=libmp3lame real_time=-2)

ours_args=(--quiet --size 1280x960 --rate 30/1 --picture-delay 2.0 --transition-delay 1.0
           --audio "$work/in/tone.wav" -o "$work/ours.mp4" "${pictures[@]}")

calc() { awk "BEGIN { print $1 }"; }
seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); calc "$e - $s"; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }

# The same show with every frame encoded, as before held pictures were
# encoded once.
every_args=(--every-frame "${ours_args[@]/%ours.mp4/every.mp4}")

ours=() every=() melt=()
for ((i = 1; i <= rounds; i++)); do
  # Alternate which one goes first, so neither always meets a warm cache.
  if ((i % 2)); then
    ours+=("$(seconds build/bin/lanternslide-render "${ours_args[@]}")")
    every+=("$(seconds build/bin/lanternslide-render "${every_args[@]}")")
    melt+=("$(seconds melt "${melt_args[@]}")")
  else
    melt+=("$(seconds melt "${melt_args[@]}")")
    every+=("$(seconds build/bin/lanternslide-render "${every_args[@]}")")
    ours+=("$(seconds build/bin/lanternslide-render "${ours_args[@]}")")
  fi
  printf 'pair %d: lanternslide-render %.2f s (every frame %.2f s), melt %.2f s\n' "$i" \
    "${ours[-1]}" "${every[-1]}" "${melt[-1]}"
done
# melt's fixed start-up (module loading), from a one-frame render.
startup=$(seconds melt -silent -profile "$work/profile" colour:black out=0 \
          -consumer "avformat:$work/melt-startup.mp4" vcodec=libx264 real_time=-2)

mo=$(median "${ours[@]}")
me=$(median "${every[@]}")
mm=$(median "${melt[@]}")
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
