# Shared by the bench/ scripts (source it): wall times of commands run in
# alternating rounds, and their medians. Timings on a busy machine swing by
# 15 %, so every comparison is paired and quoted as medians.

calc() { awk "BEGIN { print $1 }"; }
# Wall seconds of one command, its output dropped.
seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); calc "$e - $s"; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }

# alternate ROUNDS NAME...: runs the shell functions NAME... ROUNDS times,
# in the order given in odd rounds and reversed in even ones, so that none
# always meets a warm cache. Each one's seconds go into times[NAME] (space
# separated) and each round is printed.
declare -A times=()
alternate() {
  local rounds=$1 i k name line
  shift
  local order=("$@") reversed=()
  for ((k = ${#order[@]} - 1; k >= 0; k--)); do reversed+=("${order[k]}"); done
  for ((i = 1; i <= rounds; i++)); do
    local this=("${order[@]}")
    ((i % 2)) || this=("${reversed[@]}")
    for name in "${this[@]}"; do times[$name]+=" $(seconds "$name")"; done
    line="round $i:"
    for name in "${order[@]}"; do
      line+=" $name $(printf '%.2f' "${times[$name]##* }") s"
    done
    echo "$line"
  done
}

# The median of NAME's times.
median_of() { median ${times[$1]}; }
