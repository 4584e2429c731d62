#!/usr/bin/env bash
# Builds the committed sources twice, from two clean clones at different
# paths (the second with another umask and time zone), and compares what
# the release is made of byte for byte: the plug-in and qelrpt-host as
# linked (with their debug information), and every file of the package
# folders (the packages, the symbols archives, SHA256SUMS), for the linux
# and the win32 builds, with the packaging presets: only what the packages
# hold is built (the plug-in, the programs, the manual pages, and for
# linux the SQL extensions), tests and benchmarks left out.
#
#   tests/package/reproducible.sh [SOURCE_DIR]
#
# Uncommitted changes in SOURCE_DIR are not part of the comparison: the
# clones hold its HEAD commit.  Exits 0 when everything is identical.
set -euo pipefail
source_dir=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
commit=$(git -C "$source_dir" rev-parse HEAD)
work=$(mktemp -d "${TMPDIR:-/tmp}/qelrpt-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
presets=(package-linux package-win32 package-win64)
start=$SECONDS

# build DIR: clones the commit into DIR and builds and packages each preset.
build() {
  local dir=$1 preset
  git clone -q --no-checkout "$source_dir" "$dir"
  git -C "$dir" checkout -q --detach "$commit"
  for preset in "${presets[@]}"; do
    (
      cd "$dir"
      cmake --preset "$preset" >/dev/null
      cmake --build --preset "$preset" >/dev/null
      cd "build/$preset"
      cpack --config CPackConfig.cmake >/dev/null
    ) || { echo "building $preset in $dir failed" >&2; exit 1; }
  done
}

unset SOURCE_DATE_EPOCH
first=$work/a/qelrpt
second=$work/second-build/elsewhere/qelrpt-copy
# The two clones build side by side: each build has steps that keep one
# core only (configuring, linking, the manual pages, packing), which the
# other fills.
build "$first" &
first_build=$!
(umask 0077 && export TZ=Pacific/Chatham && build "$second") &
second_build=$!
built=yes
wait $first_build || built=no
wait $second_build || built=no
[ $built = yes ] || exit 1

# The files compared, relative to a clone.
compared=()
for preset in "${presets[@]}"; do
  for f in "$first/build/$preset/bin/"{qelrpt.dll,qelrptcom.dll,libqelrpt.so,qelrpt-host,qelrpt-host.exe,qelrpt-gentags,qelrpt-gentags.exe,libqelrpt_sqlite.so,qelrpt.so} \
    "$first/build/$preset/man/"*.1; do
    [ -f "$f" ] && compared+=("${f#"$first"/}")
  done
  for f in "$first/build/$preset/packages/"*; do
    [ -f "$f" ] && compared+=("${f#"$first"/}")
  done
  (cd "$first/build/$preset/packages" && sha256sum --strict --quiet -c SHA256SUMS) ||
    { echo "SHA256SUMS of $preset does not verify" >&2; exit 1; }
done
if [ ${#compared[@]} -lt 14 ]; then
  echo "expected at least 14 files to compare, found: ${compared[*]}" >&2
  exit 1
fi

status=0
for f in "${compared[@]}"; do
  if cmp -s "$first/$f" "$second/$f"; then
    echo "identical: $f ($(sha256sum <"$first/$f" | cut -c1-16))"
  else
    echo "DIFFERS:   $f" >&2
    cmp -l "$first/$f" "$second/$f" 2>&1 | head -n 5 >&2 || true
    status=1
  fi
done
times >"$work/times"  # in this shell: a subshell would report its own
cpu=$(tail -n 1 "$work/times" | tr -s 'ms' '  ' | awk '{ printf "%.0f", $1 * 60 + $2 + $3 * 60 + $4 }')
echo "two builds of $commit compared in $((SECONDS - start)) s ($cpu s CPU; load average $(cut -d' ' -f1-3 /proc/loadavg))"
exit $status
