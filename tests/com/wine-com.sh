#!/usr/bin/env bash
# The COM library under Wine, as an administrator and a report engine use
# it, in a Wine prefix that this script makes and removes (inside WORK, in
# the build tree; never ~/.wine):
#   1. the registry's HKLM\Software\Classes is exported;
#   2. Wine's regsvr32 registers qelrptcom.dll;
#   3. the automation client (client.h) runs its tests, in the ANSI code
#      page 1252 and, where LOCALES holds a compiled ja_JP.UTF-8, again in
#      932 for the tests that depend on the code page;
#   4. a VBScript written from the README's examples (readme-examples.cmake)
#      makes the object with CreateObject and prints every example, run by
#      Wine's cscript and compared with the README's answers;
#   5. regsvr32 /u unregisters it, and the registry's export must equal the
#      first, byte for byte: nothing of the library is left, nothing else
#      was removed.
# The Wine of the DLL's width runs every step: for an i686 DLL the 32-bit
# regsvr32, cscript and client.  Where that Wine cannot start programs of
# that width (no 32-bit Wine installed), the script says so and exits 77,
# which CTest reports as skipped; the DLL's file checks run everywhere.
#
#   wine-com.sh WINE BIN CLIENT README WORK [LOCALES]
#     WINE     the Wine loader of the DLL's width
#     BIN      the folder of qelrptcom.dll, qelrpt.dll and the client
#     CLIENT   the client program's file name
#     README   README.md, whose examples the VBScript prints
#     WORK     a scratch folder, made anew (the prefix lies inside)
#     LOCALES  a folder of compiled glibc locales (LOCPATH), or empty
set -euo pipefail
wine=$1 bin=$(cd "$2" && pwd) client=$3 readme=$4 work=$5 locales=${6:-}
here=$(cd "$(dirname "$0")" && pwd)
start=$SECONDS

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
finish() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap finish EXIT
cd "$work"

step() { echo "== $* ($((SECONDS - start)) s)"; }

step "starting Wine in a prefix of its own: $WINEPREFIX"
# A 64-bit Wine without its 32-bit part "runs" a 32-bit program by exiting
# at once with status 0 and no output: the client must list its tests.
probe=$("$wine" "$bin/$client" --gtest_list_tests 2>&1) || true
if ! grep -q '^Com\.' <<<"$probe"; then
  echo "NOT RUN: this Wine ($wine) does not start $client here; it printed:" >&2
  echo "$probe" | tail -n 3 >&2
  echo "(a 32-bit DLL needs 32-bit Wine, Debian's wine32:i386; the DLL's file checks ran)" >&2
  exit 77
fi

# Wine's script host registers its own type library when it first runs:
# before the registry is exported, not between the exports.
echo 'WScript.Echo "cscript runs"' > first.vbs
"$wine" cscript //nologo first.vbs

step "exporting HKLM\\Software\\Classes before registration"
"$wine" reg export 'HKLM\Software\Classes' before.reg /y >/dev/null

step "regsvr32 qelrptcom.dll"
"$wine" regsvr32 /s "$bin/qelrptcom.dll" || { echo "regsvr32 failed ($?)" >&2; exit 1; }

step "the automation client, ANSI code page 1252"
(cd "$bin" && "$wine" "$client" --gtest_brief=1) || { echo "the client failed" >&2; exit 1; }

if [ -n "$locales" ] && [ -d "$locales/ja_JP.UTF-8" ]; then
  step "the automation client, ANSI code page 932 (locale ja_JP.UTF-8)"
  (cd "$bin" && LOCPATH=$locales LC_ALL=ja_JP.UTF-8 "$wine" "$client" --gtest_brief=1 \
    --gtest_filter='Com.GeneratedCalls*:Com.TextRule*:Com.NullBstr*') || { echo "the client failed in 932" >&2; exit 1; }
else
  echo "NOT RUN: the client in code page 932: no compiled ja_JP.UTF-8 locale in '${locales}'" >&2
fi

step "cscript: the README's examples through CreateObject"
cmake -DREADME="$readme" -DSCRIPT="$work/examples.vbs" -DEXPECTED="$work/expected.txt" \
  -P "$here/readme-examples.cmake"
"$wine" cscript //nologo examples.vbs | tr -d '\r' > printed.txt
if ! diff -u expected.txt printed.txt; then
  echo "the VBScript's output differs from the README's examples" >&2
  exit 1
fi
echo "the VBScript printed the README's $(wc -l < expected.txt) examples"

step "regsvr32 /u qelrptcom.dll"
"$wine" regsvr32 /u /s "$bin/qelrptcom.dll" || { echo "regsvr32 /u failed ($?)" >&2; exit 1; }
"$wine" reg export 'HKLM\Software\Classes' after.reg /y >/dev/null
if ! cmp -s before.reg after.reg; then
  echo "the registry differs after unregistration:" >&2
  diff <(iconv -f UTF-16LE -t UTF-8 before.reg) <(iconv -f UTF-16LE -t UTF-8 after.reg) | head -n 40 >&2 || true
  exit 1
fi
echo "HKLM\\Software\\Classes after regsvr32 /u equals the export before registration"
step "done"
