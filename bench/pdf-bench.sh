#!/usr/bin/env bash
# qelrpt-host report --format pdf beside its goals: the 480-tag sample in
# under 1 s; 100,000 generated tags in at most 30 s of CPU and 300 MB of
# peak resident memory.  CPU is user + system time and peak memory the
# maximum resident set, both as /usr/bin/time -v reports them for the
# whole run (reading, sorting, the library's calls and the PDF); each size
# runs three times and the median CPU time counts.  The text listing of
# the same files is timed beside it, and callgrind counts the instructions
# of the sample's PDF (all of the run, and RenderPdf's share of it).
#
# With --browser, the HTML page of the same files is printed to PDF by
# headless Chromium (--print-to-pdf) for comparison, each run cut off
# after BROWSER_LIMIT seconds (default 600): wall time, the CPU time of
# Chromium and the processes it waited for, and the peak of the largest.
# BROWSER_SIZES picks the listings (default "sample t1000 t100000"; the
# 100,000 tags take Chromium more than ten minutes and gigabytes).
#
#   bench/pdf-bench.sh BUILD_DIR [--browser] [--no-callgrind]
set -euo pipefail
cd "$(dirname "$0")/.."

build="$1"
shift
browser=no
callgrind=yes
for option in "$@"; do
  case "$option" in
    --browser) browser=yes ;;
    --no-callgrind) callgrind=no ;;
    *) echo "usage: $0 BUILD_DIR [--browser] [--no-callgrind]" >&2; exit 2 ;;
  esac
done
host="$build/bin/qelrpt-host"
library="$build/bin/libqelrpt.so"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp examples/tags.csv "$work/sample.csv"
"$build/bin/qelrpt-gentags" --tags 1000 >"$work/t1000.csv"
"$build/bin/qelrpt-gentags" --tags 100000 >"$work/t100000.csv"

# One run of COMMAND...: sets cpu (s), wall (s) and peak (MB), or fails.
timed() {
  /usr/bin/time -v -o "$work/time" "$@" >"$work/out" 2>"$work/err" || {
    echo "failed: $*" >&2
    cat "$work/err" >&2
    return 1
  }
  cpu=$(awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.2f", s }' "$work/time")
  wall=$(awk '/Elapsed \(wall clock\)/ { n = split($NF, t, ":"); s = 0
    for (i = 1; i <= n; i++) s = s * 60 + t[i]; printf "%.2f", s }' "$work/time")
  peak=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$work/time")
}

# Three runs of `report --format FORMAT FILE`: the median CPU time, its
# run's wall time, and the largest peak.
median_of_three() {
  local format="$1" file="$2" runs=()
  local top=0
  for _ in 1 2 3; do
    timed "$host" --library "$library" report --quiet --format "$format" "$file"
    runs+=("$cpu $wall")
    top=$(awk -v a="$top" -v b="$peak" 'BEGIN { print (b > a) ? b : a }')
  done
  read -r cpu wall < <(printf '%s\n' "${runs[@]}" | sort -n | sed -n 2p)
  peak=$top
}

verdict() { awk "BEGIN { exit !($1) }" && echo "met" || echo "MISSED"; }

echo "qelrpt-host report --format pdf (median of 3 runs; CPU = user + system; peak = maximum resident set):"
printf '  %-22s %9s %9s %9s %7s   %s\n' "listing" "CPU s" "wall s" "peak MB" "pages" "goal"
for size in sample t1000 t100000; do
  median_of_three pdf "$work/$size.csv"
  pages=$(pdfinfo "$work/out" 2>/dev/null | awk '/^Pages:/ { print $2 }' || true)
  pdf_cpu=$cpu
  case "$size" in
    sample) name="sample, 480 tags"
      goal="under 1 s: $(verdict "$cpu < 1 && $wall < 1")" ;;
    t1000) name="1,000 tags"; goal="" ;;
    t100000) name="100,000 tags"
      goal="at most 30 s CPU and 300 MB: $(verdict "$cpu <= 30 && $peak <= 300")" ;;
  esac
  printf '  %-22s %9s %9s %9s %7s   %s\n' "$name" "$cpu" "$wall" "$peak" "${pages:-?}" "$goal"
  median_of_three text "$work/$size.csv"
  printf '  %-22s %9s %9s %9s %7s   %s\n' "  the text listing" "$cpu" "$wall" "$peak" "" \
    "(the PDF takes $(awk -v p="$pdf_cpu" -v t="$cpu" 'BEGIN { printf "%.2f", p - t }') s more)"
done

if [ $callgrind = yes ]; then
  valgrind --tool=callgrind --callgrind-out-file="$work/cg" \
    "$host" --library "$library" report --quiet --format pdf "$work/sample.csv" >/dev/null 2>"$work/err"
  total=$(awk '/^summary:/ { print $2 }' "$work/cg")
  render=$(callgrind_annotate --inclusive=yes "$work/cg" 2>/dev/null |
    awk '/qhost::RenderPdf\(/ && !done { gsub(",", "", $1); print $1; done = 1 }')
  echo "  callgrind, the sample's PDF: ${total} instructions (Ir) in all, ${render:-?} of them in RenderPdf"
fi

if [ $browser = yes ]; then
  chromium=$(command -v chromium || true)
  if [ -z "$chromium" ]; then
    echo "headless Chromium: not installed (scripts/deps.sh test installs it); not measured"
    exit 0
  fi
  limit="${BROWSER_LIMIT:-600}"
  echo "The HTML page printed by headless Chromium (--print-to-pdf), for comparison (cut off after ${limit} s):"
  printf '  %-22s %9s %9s %9s %7s\n' "listing" "CPU s" "wall s" "peak MB" "pages"
  for size in ${BROWSER_SIZES:-sample t1000 t100000}; do
    "$host" --library "$library" report --quiet --format html "$work/$size.csv" >"$work/$size.html"
    mkdir -p "$work/home" "$work/profile"
    if timed timeout "$limit" env HOME="$work/home" "$chromium" --headless --no-sandbox --disable-gpu \
      --disable-background-networking --disable-component-update --disable-sync --no-first-run \
      --user-data-dir="$work/profile" --no-pdf-header-footer --print-to-pdf="$work/$size-browser.pdf" \
      "file://$work/$size.html" 2>/dev/null; then
      pages=$(pdfinfo "$work/$size-browser.pdf" 2>/dev/null | awk '/^Pages:/ { print $2 }' || true)
      printf '  %-22s %9s %9s %9s %7s\n' "$size" "$cpu" "$wall" "$peak" "${pages:-?}"
    else
      printf '  %-22s not done within %s s\n' "$size" "$limit"
    fi
  done
fi
