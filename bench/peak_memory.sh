#!/usr/bin/env bash
# Peak resident memory of a 100-picture show with the look of issue work
# (pan and zoom, pictures over a blurred copy, captions) against the same
# show without it, rendered in alternating pairs; medians of each and their
# difference, which should stay within about one decoded picture (4000 x 3000
# in 32-bit colour: 46 MiB; the pictures work checks against 51 MiB): the
# slides keep copies of about the frame's size, two slides at a time.
#
# Workload: 100 generated photos of 4000x3000 (portrait and panorama ones
# among them), 1920x1080 at 30/1, holds 0.5 s, transitions 0.3 s: 2400
# frames; H.264 at --speed fastest on both sides, so the encoder's share is
# the same and small. A caption for every picture.
#
#   bench/peak_memory.sh [ROUNDS]        (default 2 pairs)
#
# Inputs and results go to out/peak-memory/.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-2}

cmake --build build --target lanternslide-render demo-media >/dev/null

work=out/peak-memory
mkdir -p "$work"
if [ "$(ls "$work"/in/picture-*.jpg 2>/dev/null | wc -l)" -ne 100 ]; then
  rm -rf "$work/in"
  build/bin/demo-media --pictures 100 --size 4000x3000 --tone 1 "$work/in" >/dev/null
fi
mapfile -t pictures < <(ls "$work"/in/picture-*.jpg)
if [ "${#pictures[@]}" -ne 100 ]; then
  echo "peak_memory.sh: expected 100 pictures in $work/in, found ${#pictures[@]}" >&2
  exit 2
fi
for i in $(seq 1 100); do echo "Picture $i: a caption long enough to wrap onto a second line at this size, café, Ελλάδα"; done \
  >"$work/captions.txt"

common=(--quiet --size 1920x1080 --rate 30/1 --picture-delay 0.5 --transition-delay 0.3 --speed fastest)
look=(--motion auto --fit blur --captions "$work/captions.txt")

# Peak resident set of one run, in KiB.
peak() {
  local log="$work/time.log"
  /usr/bin/time -v -o "$log" build/bin/lanternslide-render "$@" >/dev/null
  awk -F': ' '/Maximum resident set size/ {print $2}' "$log"
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

plain=() withLook=()
for ((r = 1; r <= rounds; r++)); do
  # Alternate which side goes first, so drift in the machine's load evens out.
  if ((r % 2)); then
    p=$(peak "${common[@]}" -o "$work/plain.mp4" "${pictures[@]}")
    l=$(peak "${common[@]}" "${look[@]}" -o "$work/look.mp4" "${pictures[@]}")
  else
    l=$(peak "${common[@]}" "${look[@]}" -o "$work/look.mp4" "${pictures[@]}")
    p=$(peak "${common[@]}" -o "$work/plain.mp4" "${pictures[@]}")
  fi
  plain+=("$p") withLook+=("$l")
  printf 'pair %d: plain %.1f MiB, motion+blur+captions %.1f MiB\n' "$r" "$(bc -l <<<"$p/1024")" "$(bc -l <<<"$l/1024")"
done

p=$(printf '%s\n' "${plain[@]}" | median)
l=$(printf '%s\n' "${withLook[@]}" | median)
bound=$((51 * 1024))
printf 'median peak: plain %.1f MiB, motion+blur+captions %.1f MiB, difference %.1f MiB (bound %.1f MiB)\n' \
  "$(bc -l <<<"$p/1024")" "$(bc -l <<<"$l/1024")" "$(bc -l <<<"($l-$p)/1024")" "$(bc -l <<<"$bound/1024")"
if ((l - p > bound)); then
  echo "over the bound" >&2
  exit 1
fi
