#!/usr/bin/env bash
# Writes the ABI baseline of libqelrpt.so (tests/abi-baseline/libqelrpt.abi)
# from the linux build.  The test qelrpt_abi_baseline compares the built
# library against it with abidiff: any change to the exports or to the
# record layouts of include/qelrpt.h fails that test until this script is
# run on purpose and its result committed with the change (and a new
# version in CHANGELOG.md).
#
#   tests/abi-baseline/update.sh      (after: cmake --build --preset linux)
set -euo pipefail
cd "$(dirname "$0")/../.."
library=build/linux/bin/libqelrpt.so
[ -f "$library" ] || { echo "$library not built: cmake --preset linux && cmake --build --preset linux" >&2; exit 1; }
abidw --headers-dir include --drop-private-types --no-corpus-path --no-comp-dir-path --no-show-locs \
  --out-file tests/abi-baseline/libqelrpt.abi "$library"
echo "wrote tests/abi-baseline/libqelrpt.abi from $library"
