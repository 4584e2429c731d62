#!/usr/bin/env bash
# Each SQL function's cost per row against the engine's own upper(name), for
# every SQL type a Number argument takes, in SQLite and in PostgreSQL (one
# process: no parallel workers), over tags from qelrpt-gentags.
#
# A query counts a function's results (or its true answers) over a table;
# its cost less that of the same query without a function is the
# function's cost, and the ratio is that cost over
# upper(name)'s.  Two measures:
#   - time, over N rows (default 1,000,000), the fastest of three runs;
#   - instructions, by callgrind over the first C rows (default 20,000):
#     the sqlite3 shell, and PostgreSQL's backend in single-user mode, each
#     counted whole, so the difference of two queries is what the function
#     costs.  Instruction counts do not move with the machine's load.
# The goal: every function, with every type, at most 2 x upper(name) by
# instructions.
#
#   bench/sql-bench.sh BUILD_DIR [N [C]]      (called by scripts/bench)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "$1" && pwd) rows=${2:-1000000} counted=${3:-20000}
bin=$build/bin
work=$(mktemp -d "${TMPDIR:-/tmp}/qelrpt-sql-bench.XXXXXX")
chmod 755 "$work"
mkdir -m 777 "$work/cg"
trap 'rm -rf "$work"' EXIT
"$bin/qelrpt-gentags" --tags "$rows" >"$work/tags.csv"

# The queries of an engine whose Number columns are value_T and flags_T for
# each type T given: "name|expression|line of the same query without a
# function", the two queries without a function first, upper(name) third.
queries() {
  cat <<'LIST'
(no function, text)|count(name)|1
(no function, test)|count(*) FILTER (WHERE true)|2
upper(name)|count(upper(name))|1
QELIndentTagHier|count(QELIndentTagHier(previous, name))|1
QELIndentTagName|count(QELIndentTagName(name))|1
QELRemoveTagName|count(QELRemoveTagName(name))|1
QELPatternMatch|count(*) FILTER (WHERE QELPatternMatch(name, '*Pump*'))|2
LIST
  local type
  for type in "$@"; do
    echo "QELNumberFootPrint($type)|count(QELNumberFootPrint(value_$type))|1"
    echo "QELAlarmFlagSet($type)|count(*) FILTER (WHERE QELAlarmFlagSet(flags_$type))|2"
    echo "QELLogFlagSet($type)|count(*) FILTER (WHERE QELLogFlagSet(flags_$type))|2"
  done
}

# The total of a callgrind output file.
instructions() { awk '/^(summary|totals):/ { print $2; exit }' "$1"; }

# Prints the table of an engine from its files of times (ms) and of
# instruction counts, one line per query in the order of `queries`.
report() {
  local engine=$1 list=$2 times=$3 counts=$4
  paste -d'|' "$list" "$times" "$counts" | awk -F'|' -v engine="$engine" -v rows="$rows" -v counted="$counted" '
    { name[NR] = $1; base[NR] = $3; ms[NR] = $4; ir[NR] = $5 }
    END {
      printf "%s: per row, net of the same query without a function (time over %d rows, instructions over %d)\n", engine, rows, counted
      upper_ms = ms[3] - ms[1]; upper_ir = (ir[3] - ir[1]) / counted
      worst = 0
      for (i = 3; i <= NR; i++) {
        net_ms = ms[i] - ms[base[i]]; net_ir = (ir[i] - ir[base[i]]) / counted
        ratio = net_ir / upper_ir
        if (i > 3 && ratio > worst) worst = ratio
        printf "  %-30s %7.1f ns/row %5.2f x   %7.0f Ir/row %5.2f x upper(name)\n", name[i], net_ms * 1e6 / rows, net_ms / upper_ms, net_ir, ratio
      }
      printf "  goal: every function at most 2 x upper(name) by instructions: worst %.2f x, %s\n", worst, worst <= 2 ? "met" : "NOT MET"
    }'
}

# SQLite: each Number column as TEXT (its decimal), REAL and INTEGER.
queries text real integer >"$work/sqlite.queries"
sqlite3 -batch "$work/tags.db" "CREATE TABLE raw(name TEXT, value TEXT, flags TEXT);" \
  ".import --csv --skip 1 $work/tags.csv raw" \
  "CREATE TABLE tags AS SELECT lag(name) OVER (ORDER BY name) AS previous, name,
     value AS value_text, CAST(value AS REAL) AS value_real, CAST(round(value) AS INTEGER) AS value_integer,
     flags AS flags_text, CAST(flags AS REAL) AS flags_real, CAST(flags AS INTEGER) AS flags_integer
     FROM raw ORDER BY name;
   CREATE TABLE counted AS SELECT * FROM tags LIMIT $counted;"
: >"$work/sqlite.times"
: >"$work/sqlite.counts"
while IFS='|' read -r name expression base; do
  sqlite_expression=${expression//count(\*) FILTER (WHERE /sum(}
  for _ in 1 2 3; do
    printf '.load %s\n.timer on\nSELECT %s FROM tags;\n' "$bin/libqelrpt_sqlite" "$sqlite_expression" |
      sqlite3 -batch "$work/tags.db" | awk '/^Run Time/ { printf "%.1f\n", $4 * 1000 }'
  done | sort -g | head -n 1 >>"$work/sqlite.times"
  printf '.load %s\nSELECT %s FROM counted;\n' "$bin/libqelrpt_sqlite" "$sqlite_expression" |
    valgrind --tool=callgrind --callgrind-out-file="$work/cg/sqlite" sqlite3 -batch "$work/tags.db" >/dev/null 2>&1
  instructions "$work/cg/sqlite" >>"$work/sqlite.counts"
done <"$work/sqlite.queries"
report "SQLite $(sqlite3 --version | cut -d' ' -f1)" "$work/sqlite.queries" "$work/sqlite.times" "$work/sqlite.counts"

# PostgreSQL: each Number column as numeric, double precision and bigint,
# on a server of the bench's own (tests/sql/postgresql-server.sh).  The
# times come from the server; the instruction counts from the backend in
# single-user mode on the same data, once the server has stopped.
queries numeric double bigint >"$work/postgresql.queries"
state=$work/postgresql.env
trap 'tests/sql/postgresql-server.sh stop "$state"; rm -rf "$work"' EXIT
tests/sql/postgresql-server.sh start "$state" "$bin/qelrpt.so" "$build"/postgresql/qelrpt.control \
  "$build"/postgresql/qelrpt--*.sql >/dev/null
# shellcheck source=/dev/null
. "$state"
export PGHOST PGPORT PGUSER PGDATABASE=qelrpt_bench
createdb "$PGDATABASE"
psql -X -q -v ON_ERROR_STOP=1 -c "CREATE EXTENSION qelrpt" \
  -c "CREATE TABLE raw(name text, value numeric, flags bigint)" \
  -c "\\copy raw FROM '$work/tags.csv' CSV HEADER" \
  -c "CREATE TABLE tags AS SELECT lag(name) OVER (ORDER BY name COLLATE \"C\") AS previous, name,
        value AS value_numeric, value::double precision AS value_double, round(value)::bigint AS value_bigint,
        flags::numeric AS flags_numeric, flags::double precision AS flags_double, flags AS flags_bigint
        FROM raw" \
  -c "CREATE TABLE counted AS SELECT * FROM tags LIMIT $counted" \
  -c "VACUUM ANALYZE tags" -c "VACUUM ANALYZE counted"
while IFS='|' read -r name expression base; do
  for _ in 1 2 3; do
    psql -X -q -v ON_ERROR_STOP=1 -c "SET max_parallel_workers_per_gather = 0" -c "\\timing on" \
      -c "SELECT $expression FROM tags" | awk '/^Time:/ { print $2 }'
  done | sort -g | head -n 1
done <"$work/postgresql.queries" >"$work/postgresql.times"
as_server=()
if [ "$(id -u)" -eq 0 ]; then as_server=(runuser -u nobody --); fi
"${as_server[@]}" "$PGBINDIR/pg_ctl" -D "$QELRPT_PG_WORK/data" -m fast -w stop >/dev/null
while IFS='|' read -r name expression base; do
  printf 'SELECT %s FROM counted;\n' "$expression" |
    "${as_server[@]}" valgrind --tool=callgrind --callgrind-out-file="$work/cg/postgresql" \
      "$PGBINDIR/postgres" --single -D "$QELRPT_PG_WORK/data" -c max_parallel_workers_per_gather=0 \
      -c "extension_destdir=$QELRPT_PG_WORK/destdir" "$PGDATABASE" >/dev/null 2>&1
  instructions "$work/cg/postgresql"
done <"$work/postgresql.queries" >"$work/postgresql.counts"
report "PostgreSQL $(psql --version | awk '{ print $3 }')" "$work/postgresql.queries" "$work/postgresql.times" \
  "$work/postgresql.counts"
