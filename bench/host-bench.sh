#!/usr/bin/env bash
# qelrpt-host report beside the previous release's host: the 1,000,000-tag
# listing of qelrpt-gentags in each input order (shuffled, sorted,
# organ-pipe), as text to /dev/null, each host run RUNS times in turn; the
# median CPU time (user + system) and tags per second of CPU against the
# goal of 1 million; then callgrind's instructions per 100,000 shuffled
# tags for both.  The previous release (PREVIOUS, a commit) is built once
# from `git archive` into BUILD_DIR/host-previous.
#
#   bench/host-bench.sh BUILD_DIR [TAGS] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"
tags="${2:-1000000}"
runs="${3:-7}"
previous=510662f
old="$build/host-previous"

if [ ! -x "$old/build/bin/qelrpt-host" ]; then
  rm -rf "$old" && mkdir -p "$old/src"
  git archive "$previous" | tar -x -C "$old/src"
  (cd "$old/src" && cmake --preset linux -B ../build >/dev/null &&
    cmake --build ../build -j2 --target qelrpt-host qelrpt >/dev/null)
fi
cmake --build "$build" -j2 --target qelrpt-host qelrpt qelrpt-gentags >/dev/null

data="$build/host-bench"
mkdir -p "$data"
for order in shuffled sorted organ-pipe; do
  [ -s "$data/$tags-$order.csv" ] || "$build/bin/qelrpt-gentags" --tags "$tags" --order "$order" >"$data/$tags-$order.csv"
done
[ -s "$data/100000-shuffled.csv" ] || "$build/bin/qelrpt-gentags" --tags 100000 >"$data/100000-shuffled.csv"

# The CPU seconds (user + system) of one run.
cpu() {
  local TIMEFORMAT='%U %S'
  { time "$@" >/dev/null; } 2>&1 | awk '{ printf "%.3f\n", $1 + $2 }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "qelrpt-host report, $tags tags, median CPU time of $runs runs (load $(cut -d' ' -f1-3 /proc/loadavg)):"
printf '  %-11s %-20s %9s %14s  %s\n' order host "CPU s" "tags/s of CPU" "goal >= 1000000"
for order in shuffled sorted organ-pipe; do
  file="$data/$tags-$order.csv"
  : >"$data/new.times"
  : >"$data/old.times"
  for _ in $(seq "$runs"); do
    cpu "$build/bin/qelrpt-host" --library "$build/bin/libqelrpt.so" report "$file" >>"$data/new.times"
    cpu "$old/build/bin/qelrpt-host" --library "$old/build/bin/libqelrpt.so" report "$file" >>"$data/old.times"
  done
  for host in new old; do
    seconds=$(median <"$data/$host.times")
    rate=$(awk -v t="$tags" -v s="$seconds" 'BEGIN { printf "%.0f", t / s }')
    verdict=$([ "$host" = old ] && echo "" || awk -v r="$rate" 'BEGIN { print (r >= 1000000) ? "met" : "NOT MET" }')
    name=$([ "$host" = new ] && echo "this build" || echo "release $previous")
    printf '  %-11s %-20s %9s %14s  %s\n' "$order" "$name" "$seconds" "$rate" "$verdict"
  done
done

if command -v valgrind >/dev/null; then
  echo "Instructions (callgrind Ir) per 100,000 shuffled tags, the whole run:"
  for host in new old; do
    dir=$([ "$host" = new ] && echo "$build" || echo "$old/build")
    ir=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$dir/bin/qelrpt-host" --library "$dir/bin/libqelrpt.so" \
      report "$data/100000-shuffled.csv" 2>&1 >/dev/null | sed -n 's/.*Collected : //p')
    printf '  %-20s %12s\n' "$([ "$host" = new ] && echo "this build" || echo "release $previous")" "$ir"
  done
fi
