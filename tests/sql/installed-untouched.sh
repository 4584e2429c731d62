#!/usr/bin/env bash
# Runs the build's PostgreSQL tests (CTest's label "postgresql": the server
# fixture and the tests that use it) against an installation of their own
# that already holds the extension as postgresql-15-qelrpt installs it, and
# checks that they leave those files as they were:
#
#   tests/sql/installed-untouched.sh PG_CONFIG BUILD_SQL_DIR
#
# The installation, under a temporary folder, mirrors the one PG_CONFIG
# names: its programs copied (the server finds its share and lib folders
# relative to its own program), every other file linked to the real one,
# and as regular files of their own a qelrpt.so, qelrpt.control and
# qelrpt--1.0.sql that would fail if the tests used them (the module is
# not a shared object, the script divides by zero).  A pg_config stand-in
# (PG_CONFIG) names the copy; the tests run with their own server state
# and CTest folder, so the run that started this test is not disturbed.
set -euo pipefail
real_config=$1 build_dir=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/qelrpt-installed.XXXXXX")
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
bindir=$("$real_config" --bindir)
pkglibdir=$("$real_config" --pkglibdir)
sharedir=$("$real_config" --sharedir)
tree=$work/tree
mkdir -p "$tree$bindir" "$tree$pkglibdir" "$tree$sharedir/extension"
for program in postgres initdb pg_ctl; do cp "$bindir/$program" "$tree$bindir/"; done
for f in "$pkglibdir"/*; do [ "$(basename "$f")" = qelrpt.so ] || ln -s "$f" "$tree$pkglibdir/"; done
for f in "$sharedir"/*; do [ "$(basename "$f")" = extension ] || ln -s "$f" "$tree$sharedir/"; done
for f in "$sharedir"/extension/*; do
  case "$(basename "$f")" in qelrpt.control | qelrpt--*) ;; *) ln -s "$f" "$tree$sharedir/extension/" ;; esac
done
installed=("$tree$pkglibdir/qelrpt.so" "$tree$sharedir/extension/qelrpt.control"
  "$tree$sharedir/extension/qelrpt--1.0.sql")
echo "qelrpt.so of an installed postgresql-15-qelrpt" >"${installed[0]}"
printf "default_version = '1.0'\nmodule_pathname = '\$libdir/qelrpt'\nrelocatable = true\n" >"${installed[1]}"
echo "SELECT 1 / 0;" >"${installed[2]}"
chmod -R a+rX "$tree"

cat >"$work/pg_config" <<EOF
#!/bin/sh
case "\$1" in
  --bindir) echo "$tree$bindir" ;;
  --pkglibdir) echo "$tree$pkglibdir" ;;
  --sharedir) echo "$tree$sharedir" ;;
  *) exec "$real_config" "\$@" ;;
esac
EOF
chmod 755 "$work/pg_config"

sums() { sha256sum "${installed[@]}"; stat -c '%F %n' "${installed[@]}"; }
sums >"$work/before"

# A CTest folder of its own that reads the build's SQL tests.
mkdir "$work/ctest"
echo "subdirs(\"$build_dir\")" >"$work/ctest/CTestTestfile.cmake"
status=0
PG_CONFIG=$work/pg_config QELRPT_POSTGRESQL_STATE=$work/server.env \
  ctest --test-dir "$work/ctest" -L '^postgresql$' --no-tests=error --output-on-failure || status=$?

sums >"$work/after"
if ! diff -u "$work/before" "$work/after"; then
  echo "the tests changed the installed extension's files" >&2
  exit 1
fi
echo "the installed qelrpt.so, qelrpt.control and qelrpt--1.0.sql are as they were"
exit $status
