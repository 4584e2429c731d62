#!/usr/bin/env bash
# Runs a command against a PostgreSQL 15 server of its own, started here and
# stopped when the command ends, with the qelrpt extension installable:
#
#   tests/sql/with-postgresql.sh MODULE CONTROL SCRIPT... -- COMMAND [ARG...]
#
# The server runs from a private copy of the installation that pg_config
# names: its programs copied (PostgreSQL finds its share and lib folders
# relative to its own program), everything else linked, plus the built
# module (MODULE) and the extension files, so that CREATE EXTENSION qelrpt
# works without touching the system's folders.  The cluster is UTF-8, with
# the C locale, in a temporary folder, listening on a Unix socket there
# only.  As root, the server runs as the unprivileged user nobody.
#
# COMMAND runs with PGHOST, PGPORT, PGUSER and PGDATABASE set (the database
# qelrpt exists), and PGBINDIR naming the copy's programs.
set -euo pipefail
files=()
while [ "$1" != -- ]; do files+=("$1"); shift; done
shift
pg_config=${PG_CONFIG:-/usr/lib/postgresql/15/bin/pg_config}
bindir=$($pg_config --bindir)
pkglibdir=$($pg_config --pkglibdir)
sharedir=$($pg_config --sharedir)
work=$(mktemp -d "${TMPDIR:-/tmp}/qelrpt-pg.XXXXXX")
chmod 755 "$work"
as_server=()
if [ "$(id -u)" -eq 0 ]; then as_server=(runuser -u nobody --); fi
stop() {
  if [ -f "$work/data/postmaster.pid" ]; then
    "${as_server[@]}" "$PGBINDIR/pg_ctl" -D "$work/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap stop EXIT

# The copy: bin/ beside lib/ and share/ as pg_config lays them out.
root=$work/root
mkdir -p "$root$bindir" "$root$pkglibdir" "$root$sharedir/extension"
for program in postgres initdb pg_ctl; do cp "$bindir/$program" "$root$bindir/"; done
for f in "$pkglibdir"/*; do ln -s "$f" "$root$pkglibdir/"; done
for f in "$sharedir"/*; do [ "$(basename "$f")" = extension ] || ln -s "$f" "$root$sharedir/"; done
for f in "$sharedir"/extension/*; do ln -s "$f" "$root$sharedir/extension/"; done
for f in "${files[@]}"; do
  case "$f" in
    *.so) cp "$f" "$root$pkglibdir/" ;;
    *) cp "$f" "$root$sharedir/extension/" ;;
  esac
done
export PGBINDIR=$root$bindir

mkdir "$work/data" "$work/socket" "$work/log"
[ ${#as_server[@]} -eq 0 ] || chown nobody "$work/data" "$work/socket" "$work/log"
"${as_server[@]}" "$PGBINDIR/initdb" -D "$work/data" -U qelrpt -E UTF8 --no-locale -A trust >"$work/initdb.log" 2>&1 ||
  { cat "$work/initdb.log" >&2; exit 1; }
port=$((20000 + RANDOM % 20000))
"${as_server[@]}" "$PGBINDIR/pg_ctl" -D "$work/data" -l "$work/log/server.log" -w \
  -o "-c listen_addresses= -c unix_socket_directories=$work/socket -p $port -c fsync=off" start >/dev/null ||
  { cat "$work/log/server.log" >&2; exit 1; }
export PGHOST=$work/socket PGPORT=$port PGUSER=qelrpt PGDATABASE=qelrpt
/usr/bin/createdb qelrpt
"$@"
