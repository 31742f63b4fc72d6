#!/usr/bin/env bash
# The benchmark workload rendered in one run, and as N parts plus the sound
# part rendered at once (--segment K/N, --segment sound) and joined
# (--join), alternated in pairs, with the median wall times, CPU times
# (user + system of every process) and their ratio, and the load average
# around them (the machine may be shared). That the joined video plays as
# the one run is the test's job (tests/cli/split_show_test.cpp).
#
# Workload: as bench/compare.sh (10 generated photos of about 4000 px,
# 1280x960 at 30/1, held 2.0 s, transitions 1.0 s, a 31 s sound track),
# random effects drawn from one seed.
#
#   bench/segments.sh [ROUNDS] [PARTS]     (default 3 pairs, 4 parts)
#
# Results and inputs go to out/segments/.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
parts=${2:-4}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target lanternslide-render demo-media stream-summary >/dev/null

work=out/segments
mkdir -p "$work"
if [ ! -f "$work/in/tone.wav" ]; then
  build/bin/demo-media --pictures 10 --size 4000x3000 --tone 31 "$work/in" >/dev/null
fi
mapfile -t pictures < <(ls "$work"/in/picture-*.jpg)
show=(--quiet --seed 25 --size 1280x960 --rate 30/1 --picture-delay 2.0 --transition-delay 1.0
      --audio "$work/in/tone.wav" "${pictures[@]}")
render=build/bin/lanternslide-render

one_run() { "$render" "${show[@]}" -o "$work/one.mp4"; }
split_run() {
  local k pids=()
  rm -f "$work"/part*.mp4
  "$render" "${show[@]}" --segment sound -o "$work/sound.mp4" & pids+=($!)
  for ((k = 1; k <= parts; k++)); do
    "$render" "${show[@]}" --segment "$k/$parts" -o "$work/part$k.mp4" & pids+=($!)
  done
  for k in "${pids[@]}"; do wait "$k"; done
  "$render" "${show[@]}" -o "$work/joined.mp4" --join "$work"/part*.mp4 "$work/sound.mp4"
}

source bench/timing.sh
# CPU seconds (user + system) of this shell's finished children, from the
# file the builtin `times` wrote (in this shell: a subshell counts its own).
child_cpu() { awk 'NR == 2 { gsub(/[ms]/, " "); print $1 * 60 + $2 + $3 * 60 + $4 }' "$1"; }
# Runs a step and prints its wall and CPU seconds.
measure() {
  local s e
  times >"$work/times0"; s=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  e=$(date +%s.%N); times >"$work/times1"
  echo "$(calc "$e - $s") $(calc "$(child_cpu "$work/times1") - $(child_cpu "$work/times0")")"
}
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
one=() split=() one_cpu=() split_cpu=()
for ((i = 1; i <= rounds; i++)); do
  # Alternate which one goes first, so neither always meets a warm cache.
  if ((i % 2)); then
    read -r w c < <(measure one_run); one+=("$w"); one_cpu+=("$c")
    read -r w c < <(measure split_run); split+=("$w"); split_cpu+=("$c")
  else
    read -r w c < <(measure split_run); split+=("$w"); split_cpu+=("$c")
    read -r w c < <(measure one_run); one+=("$w"); one_cpu+=("$c")
  fi
  printf 'pair %d: one run %.2f s (CPU %.2f s), %d parts at once and joined %.2f s (CPU %.2f s)\n' \
    "$i" "${one[-1]}" "${one_cpu[-1]}" "$parts" "${split[-1]}" "${split_cpu[-1]}"
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "one run:"
build/bin/stream-summary "$work/one.mp4" | sed 's/^/  /'
echo "joined:"
build/bin/stream-summary "$work/joined.mp4" | sed 's/^/  /'
mo=$(median "${one[@]}")
ms=$(median "${split[@]}")
printf 'median one run %.2f s, %d parts %.2f s, ratio %.2f (below 1: the split is faster) on %d cores\n' \
  "$mo" "$parts" "$ms" "$(calc "$ms / $mo")" "$(nproc)"
printf 'median CPU one run %.2f s, %d parts %.2f s\n' "$(median "${one_cpu[@]}")" "$parts" "$(median "${split_cpu[@]}")"
