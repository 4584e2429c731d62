#!/usr/bin/env bash
# Makes sure the Debian packages that the build and the tests need are
# installed.  As root it installs whatever is missing (apt-get update once,
# then only the missing packages); otherwise it names what is missing and
# fails.
#
#   scripts/deps.sh main    what the native plug-in and the stand-in host need
#   scripts/deps.sh test    everything the test command needs
#   scripts/deps.sh fuzz    the fuzzing build (clang, libFuzzer)
#   scripts/deps.sh coverage  the coverage build (clang, llvm-cov)
#   scripts/deps.sh bench   the benchmarks (native build, valgrind, poppler-utils)
#   scripts/deps.sh package   what scripts/package needs: the native and the
#                           32-bit Windows builds of the packaged files only
#
# For the tests, what runs the 32-bit programs depends on the machine
# (scripts/starts-x86-32): where the kernel starts them, 32-bit Wine runs
# the win32 tests; where it does not, qemu-i386 runs the linux-x86 tests and
# the win32 ones are checked as files only.  64-bit Wine runs the win64
# tests everywhere.
set -euo pipefail
cd "$(dirname "$0")/.."

# qelrpt-host writes PDF with Cairo and Pango, found through pkg-config.
main_packages=(cmake ninja-build g++ libc6-dev libcli11-dev nlohmann-json3-dev
  pkg-config libcairo2-dev libpango1.0-dev)
# help2man writes the manual pages; dpkg-dev gives Debian's hardening flags;
# the SQLite extension and the PostgreSQL module are built against
# libsqlite3-dev and postgresql-server-dev-15.  The COM library's type
# library is compiled by widl (mingw-w64-tools) from IDL that imports Wine's
# oaidl.idl (libwine-dev, which brings Wine's stdole2.tlb), under faketime;
# the Windows toolchain files ask for Wine's loaders.
package_packages=("${main_packages[@]}" help2man dpkg-dev git zip
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64
  mingw-w64-tools libwine-dev faketime
  libsqlite3-dev postgresql-server-dev-15)
test_packages=("${package_packages[@]}" googletest libbenchmark-dev g++-multilib
  clang-format clang-tidy valgrind locales
  gdb lintian chromium poppler-utils python3 jq
  sqlite3 postgresql-15 libpq-dev)
fuzz_packages=(cmake ninja-build clang libclang-rt-14-dev)
coverage_packages=("${main_packages[@]}" googletest clang llvm)
bench_packages=("${main_packages[@]}" googletest libbenchmark-dev valgrind poppler-utils
  sqlite3 libsqlite3-dev postgresql-15 postgresql-server-dev-15 libpq-dev)

# Prints the packages among "$@" that are not installed.
missing() {
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || echo "$pkg"
  done
}

updated=no
# Installs the missing packages among "$@" (apt-get options first, up to --).
install() {
  local options=()
  while [ "$1" != -- ]; do options+=("$1"); shift; done
  shift
  local pkgs
  mapfile -t pkgs < <(missing "$@")
  [ ${#pkgs[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing Debian packages: ${pkgs[*]}" >&2
    echo "install them as root: apt-get install ${options[*]} ${pkgs[*]}" >&2
    exit 1
  fi
  echo "installing missing Debian packages: ${pkgs[*]}"
  local pkg
  for pkg in "${pkgs[@]}"; do
    if [[ "$pkg" == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386
      updated=no
    fi
  done
  export DEBIAN_FRONTEND=noninteractive
  if [ $updated = no ]; then apt-get update -qq; updated=yes; fi
  apt-get install -y -qq "${options[@]}" "${pkgs[@]}" >/dev/null
}

case "${1:-test}" in
  main) install -- "${main_packages[@]}" ;;
  test)
    install -- "${test_packages[@]}" "${fuzz_packages[@]}"
    if scripts/starts-x86-32; then
      # 32-bit Wine runs the win32 tests.  Where it cannot be installed (as
      # root: the i386 packages cannot be had, say a broken mirror index)
      # the test command goes on and checks the DLL as a file only, and
      # says so; without root its absence fails here like any other.
      if ! install -- wine32:i386; then
        echo "deps.sh: 32-bit Wine (wine32:i386) could not be installed: the win32 tests" \
          "will check the DLL as a file only" >&2
      fi
    else
      # Without its recommended binfmt handler: programs that merely start
      # under emulation must not pass for native ones.
      install --no-install-recommends -- qemu-user
    fi
    ;;
  fuzz) install -- "${fuzz_packages[@]}" ;;
  coverage) install -- "${coverage_packages[@]}" ;;
  bench) install -- "${bench_packages[@]}" ;;
  package) install -- "${package_packages[@]}" ;;
  *) echo "usage: $0 [main|test|fuzz|coverage|bench|package]" >&2; exit 2 ;;
esac
