#!/usr/bin/env bash
# Makes sure the Debian packages that the build and the tests need are
# installed.  As root it installs whatever is missing (apt-get update once,
# then only the missing packages); otherwise it names what is missing and
# fails.
#
#   scripts/deps.sh main    what the native build and the stand-in host need
#   scripts/deps.sh test    everything the test command needs
#   scripts/deps.sh fuzz    the fuzzing build (clang, libFuzzer)
#   scripts/deps.sh coverage  the coverage build (clang, llvm-cov)
#   scripts/deps.sh bench   the benchmarks (native build, valgrind)
set -euo pipefail

main_packages=(cmake ninja-build g++ libc6-dev googletest libbenchmark-dev)
test_packages=("${main_packages[@]}" g++-multilib g++-mingw-w64-i686-posix
  binutils-mingw-w64-i686 wine wine32:i386 clang-format clang-tidy valgrind locales git)

fuzz_packages=(cmake ninja-build clang libclang-rt-14-dev)
coverage_packages=("${main_packages[@]}" clang llvm)
bench_packages=("${main_packages[@]}" valgrind)

case "${1:-test}" in
  main) wanted=("${main_packages[@]}") ;;
  test) wanted=("${test_packages[@]}" "${fuzz_packages[@]}") ;;
  fuzz) wanted=("${fuzz_packages[@]}") ;;
  coverage) wanted=("${coverage_packages[@]}") ;;
  bench) wanted=("${bench_packages[@]}") ;;
  *) echo "usage: $0 [main|test|fuzz|coverage|bench]" >&2; exit 2 ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages: ${missing[*]}" >&2
  echo "install them as root: apt-get install ${missing[*]}" >&2
  exit 1
fi

echo "installing missing Debian packages: ${missing[*]}"
for pkg in "${missing[@]}"; do
  if [[ "$pkg" == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
done
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
