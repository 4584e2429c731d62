#!/usr/bin/env bash
# Runs a command against a PostgreSQL 15 server with the qelrpt extension
# installable (postgresql-server.sh), in a database of its own, created
# here and dropped when the command ends:
#
#   tests/sql/with-postgresql.sh STATE -- COMMAND [ARG...]
#       the server of the run, started by `postgresql-server.sh start STATE`
#       (QELRPT_POSTGRESQL_STATE, where set, names STATE instead)
#   tests/sql/with-postgresql.sh --own MODULE CONTROL SCRIPT... -- COMMAND [ARG...]
#       a server of its own, started here and stopped when the command ends
#
# COMMAND runs with PGHOST, PGPORT, PGUSER and PGDATABASE set, and PGBINDIR
# naming the server's programs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ "$1" = --own ]; then
  shift
  files=()
  while [ "$1" != -- ]; do files+=("$1"); shift; done
  own=$(mktemp -d "${TMPDIR:-/tmp}/qelrpt-pg-state.XXXXXX")
  state=$own/server.env
  trap 'QELRPT_POSTGRESQL_STATE="" "$here/postgresql-server.sh" stop "$state"; rm -rf "$own"' EXIT
  QELRPT_POSTGRESQL_STATE='' "$here/postgresql-server.sh" start "$state" "${files[@]}" >/dev/null
else
  state=${QELRPT_POSTGRESQL_STATE:-$1}
  shift
fi
[ "$1" = -- ] || { echo "usage: $0 STATE -- COMMAND..., or --own MODULE FILE... -- COMMAND..." >&2; exit 2; }
shift
[ -f "$state" ] || { echo "no PostgreSQL server: $state is missing (postgresql-server.sh start)" >&2; exit 1; }
# shellcheck source=/dev/null
. "$state"
export PGHOST PGPORT PGUSER PGBINDIR
export PGDATABASE=qelrpt_$$
/usr/bin/createdb "$PGDATABASE"
status=0
"$@" || status=$?
/usr/bin/dropdb --if-exists "$PGDATABASE" || status=1
exit $status
