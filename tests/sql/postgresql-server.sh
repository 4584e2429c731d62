#!/usr/bin/env bash
# Starts and stops the PostgreSQL 15 server that the SQL tests of a run
# share (CTest's fixture qelrpt_postgresql), with the qelrpt extension of
# the build installable into it:
#
#   tests/sql/postgresql-server.sh start STATE MODULE CONTROL SCRIPT...
#   tests/sql/postgresql-server.sh stop STATE
#
# The server is the installation that pg_config names (PG_CONFIG, default
# PostgreSQL 15's), run as it is: nothing is copied from it, linked to it or
# written into it.  The build's files are found through Debian's
# extension_destdir setting (what pg_virtualenv -p uses): the module and
# the extension files are copied into a folder of the server's own that
# mirrors pg_config's --pkglibdir and --sharedir, and the server looks
# there before it looks in the installation, so that an installed
# postgresql-15-qelrpt is neither used nor touched.
#
# The cluster is UTF-8, with the C locale, in a temporary folder, listening
# on a Unix socket there only; as root the server runs as the unprivileged
# user nobody.  STATE, a file in the build tree, tells with-postgresql.sh
# how to reach it; QELRPT_POSTGRESQL_STATE, where set, names that file
# instead (a test that runs the SQL tests against a server of its own).
# `start` first stops a server that an earlier run left behind in STATE.
set -euo pipefail
command=$1 state=${QELRPT_POSTGRESQL_STATE:-$2}
shift 2
as_server=()
if [ "$(id -u)" -eq 0 ]; then as_server=(runuser -u nobody --); fi

stop() {
  [ -f "$state" ] || return 0
  local PGBINDIR='' QELRPT_PG_WORK=''
  # shellcheck source=/dev/null
  . "$state"
  if [ -f "$QELRPT_PG_WORK/data/postmaster.pid" ]; then
    "${as_server[@]}" "$PGBINDIR/pg_ctl" -D "$QELRPT_PG_WORK/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  case "$QELRPT_PG_WORK" in
    */qelrpt-pg.*) rm -rf "$QELRPT_PG_WORK" ;;
  esac
  rm -f "$state"
}

start() {
  local pg_config=${PG_CONFIG:-/usr/lib/postgresql/15/bin/pg_config}
  local bindir pkglibdir sharedir
  bindir=$("$pg_config" --bindir)
  pkglibdir=$("$pg_config" --pkglibdir)
  sharedir=$("$pg_config" --sharedir)
  if ! grep -q extension_destdir "$sharedir/postgresql.conf.sample"; then
    echo "$sharedir: this PostgreSQL has no extension_destdir (Debian's postgresql-15 has)" >&2
    exit 1
  fi
  local work
  work=$(mktemp -d "${TMPDIR:-/tmp}/qelrpt-pg.XXXXXX")
  chmod 755 "$work"
  local destdir=$work/destdir f
  mkdir -p "$destdir$pkglibdir" "$destdir$sharedir/extension"
  for f in "$@"; do
    case "$f" in
      *.so) cp "$f" "$destdir$pkglibdir/" ;;
      *) cp "$f" "$destdir$sharedir/extension/" ;;
    esac
  done
  chmod -R a+rX "$destdir"
  mkdir "$work/data" "$work/socket" "$work/log"
  [ ${#as_server[@]} -eq 0 ] || chown nobody "$work/data" "$work/socket" "$work/log"
  "${as_server[@]}" "$bindir/initdb" -D "$work/data" -U qelrpt -E UTF8 --no-locale -A trust >"$work/initdb.log" 2>&1 ||
    { cat "$work/initdb.log" >&2; rm -rf "$work"; exit 1; }
  local port=$((20000 + RANDOM % 20000))
  "${as_server[@]}" "$bindir/pg_ctl" -D "$work/data" -l "$work/log/server.log" -w -o "-c listen_addresses= \
-c unix_socket_directories=$work/socket -p $port -c fsync=off -c extension_destdir=$destdir" start >/dev/null ||
    { cat "$work/log/server.log" >&2; rm -rf "$work"; exit 1; }
  printf 'PGHOST=%q\nPGPORT=%q\nPGUSER=qelrpt\nPGBINDIR=%q\nQELRPT_PG_WORK=%q\n' \
    "$work/socket" "$port" "$bindir" "$work" >"$state"
  echo "PostgreSQL $("$pg_config" --version) at $work/socket, port $port (from $pg_config)"
}

case "$command" in
  start) stop; start "$@" ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop STATE [MODULE FILE...]" >&2; exit 2 ;;
esac
