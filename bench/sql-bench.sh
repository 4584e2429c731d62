#!/usr/bin/env bash
# Each SQL function's cost per row against the engine's upper(name), over
# the same N tags (default 1,000,000, from qelrpt-gentags), in SQLite and
# in PostgreSQL (one process: no parallel workers).  A query sums the
# lengths of a function's results (or counts its true answers) over the
# table; its time less that of the same query without a function is the
# function's cost, and the ratio is that cost over upper(name)'s.  Each
# query runs three times; the fastest counts.
#
#   bench/sql-bench.sh BUILD_DIR [N]      (called by scripts/bench)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1 rows=${2:-1000000}
bin=$build/bin
work=$(mktemp -d "${TMPDIR:-/tmp}/qelrpt-sql-bench.XXXXXX")
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
"$bin/qelrpt-gentags" --tags "$rows" >"$work/tags.csv"

# name|expression|the line of the same query without a function, with
# the queries without a function first and upper(name) third.
cat >"$work/queries" <<'LIST'
(no function, text)|sum(length(name))|1
(no function, test)|count(*) FILTER (WHERE flags >= 0)|2
upper(name)|sum(length(upper(name)))|1
QELIndentTagHier|sum(length(QELIndentTagHier(previous, name)))|1
QELIndentTagName|sum(length(QELIndentTagName(name)))|1
QELRemoveTagName|sum(length(QELRemoveTagName(name)))|1
QELNumberFootPrint|sum(length(QELNumberFootPrint(value)))|1
QELAlarmFlagSet|count(*) FILTER (WHERE QELAlarmFlagSet(flags))|2
QELLogFlagSet|count(*) FILTER (WHERE QELLogFlagSet(flags))|2
QELPatternMatch|count(*) FILTER (WHERE QELPatternMatch(name, '*Pump*'))|2
LIST

# Prints "name milliseconds" per query, from a timing command's output.
report() {
  local engine=$1 times=$2
  awk -F'|' -v engine="$engine" -v rows="$rows" '
    NR == FNR { best[FNR] = $1; next }
    { name[FNR] = $1; base[FNR] = $3 }
    END {
      upper = best[3] - best[1]
      printf "%s, %d rows: the query, and per row net of the same query without a function\n", engine, rows
      for (i = 1; i <= FNR; i++) {
        net = i <= 2 ? 0 : best[i] - best[base[i]]
        printf "  %-20s %8.1f ms  %7.1f ns/row", name[i], best[i], net * 1e6 / rows
        if (i > 2) printf "  %5.2f x upper(name)", net / upper
        printf "\n"
      }
    }' "$times" "$work/queries"
}

# SQLite: the value as its CSV text, a decimal.
sqlite3 -batch "$work/tags.db" "CREATE TABLE raw(name TEXT, value TEXT, flags INTEGER);" \
  ".import --csv --skip 1 $work/tags.csv raw" \
  "CREATE TABLE tags AS SELECT lag(name) OVER (ORDER BY name) AS previous, name, value, flags FROM raw ORDER BY name;"
: >"$work/sqlite.times"
while IFS='|' read -r name expression base; do
  sqlite_expression=${expression//count(\*) FILTER (WHERE /sum(}
  for _ in 1 2 3; do
    printf '.load %s\n.timer on\nSELECT %s FROM tags;\n' "$bin/libqelrpt_sqlite" "$sqlite_expression" |
      sqlite3 -batch "$work/tags.db" | awk '/^Run Time/ { printf "%.1f\n", $4 * 1000 }'
  done | sort -g | head -n 1 >>"$work/sqlite.times"
done <"$work/queries"
report "SQLite $(sqlite3 --version | cut -d' ' -f1)" "$work/sqlite.times"

# PostgreSQL: the value as numeric.
cat >"$work/postgresql.sh" <<SCRIPT
set -euo pipefail
psql -X -q -v ON_ERROR_STOP=1 -c "CREATE EXTENSION qelrpt" \
  -c "CREATE TABLE raw(name text, value numeric, flags bigint)" \
  -c "\\\\copy raw FROM '$work/tags.csv' CSV HEADER" \
  -c "CREATE TABLE tags AS SELECT lag(name) OVER (ORDER BY name COLLATE \"C\") AS previous, name, value, flags FROM raw" \
  -c "VACUUM ANALYZE tags"
while IFS='|' read -r name expression base; do
  for _ in 1 2 3; do
    psql -X -q -v ON_ERROR_STOP=1 -c "SET max_parallel_workers_per_gather = 0" -c "\\\\timing on" \
      -c "SELECT \$expression FROM tags" | awk '/^Time:/ { print \$2 }'
  done | sort -g | head -n 1
done <"$work/queries" >"$work/postgresql.times"
SCRIPT
tests/sql/with-postgresql.sh "$bin/qelrpt.so" "$build"/postgresql/qelrpt.control "$build"/postgresql/qelrpt--*.sql \
  -- bash "$work/postgresql.sh"
report "PostgreSQL $(psql --version | awk '{ print $3 }')" "$work/postgresql.times"
