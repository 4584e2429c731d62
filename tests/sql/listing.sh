#!/usr/bin/env bash
# Runs docs/sql.md's listing queries in SQLite and PostgreSQL over CSV
# files of tags, and over 100,000 tags that qelrpt-gentags writes, and
# compares their lines with qelrpt-host report's, for all tags and for two
# --match patterns:
#
#   tests/sql/listing.sh DOC HOST GENTAGS PLUGIN SQLITE_EXTENSION CSV...
#
# PostgreSQL is the server of with-postgresql.sh (the libpq environment).
set -euo pipefail
doc=$1 host=$2 gentags=$3 plugin=$4 extension=$5
shift 5
work=$(mktemp -d "${TMPDIR:-/tmp}/qelrpt-listing.XXXXXX")
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
"$gentags" --tags 100000 --seed 7 >"$work/gentags.csv"

# The sql block of the document that starts with the line "$1".
query() {
  awk -v first="$1" '
    /^```/ { if (inside) exit; if ($0 == "```sql") { started = 1 } next }
    started && !inside { if ($0 != first) { started = 0; next } inside = 1 }
    inside { print }' "$doc"
}
query "-- The listing in SQLite" >"$work/sqlite.sql"
query "-- The listing in PostgreSQL" >"$work/postgresql.sql"
[ -s "$work/sqlite.sql" ] && [ -s "$work/postgresql.sql" ] || { echo "no listing queries in $doc" >&2; exit 1; }

psql -X -q -v ON_ERROR_STOP=1 -c "CREATE EXTENSION IF NOT EXISTS qelrpt"
failures=0
for csv in "$@" "$work/gentags.csv"; do
  rm -f "$work/tags.db"
  sqlite3 -batch "$work/tags.db" "CREATE TABLE tags(name TEXT, value TEXT, flags INTEGER);" \
    ".import --csv --skip 1 $csv tags"
  psql -X -q -v ON_ERROR_STOP=1 -c "DROP TABLE IF EXISTS tags" \
    -c "CREATE TABLE tags(pos bigint GENERATED ALWAYS AS IDENTITY, name text, value numeric, flags bigint)" \
    -c "\\copy tags(name, value, flags) FROM '$csv' CSV HEADER"
  for pattern in '' '*Pump*' 'Plant1\*.%%%%'; do
    match=()
    [ -z "$pattern" ] || match=(--match "$pattern")
    "$host" report --library "$plugin" "${match[@]}" "$csv" >"$work/report.txt"
    quoted=${pattern//\'/\'\'}
    sqlite3 -batch "$work/tags.db" ".load ${extension%.so}" ".parameter init" \
      "INSERT INTO temp.sqlite_parameters(key, value) VALUES (':pattern', '$quoted');" \
      ".read $work/sqlite.sql" >"$work/sqlite.txt"
    psql -X -q -At -v ON_ERROR_STOP=1 -v pattern="$pattern" -f "$work/postgresql.sql" >"$work/postgresql.txt"
    for engine in sqlite postgresql; do
      if ! diff -u "$work/report.txt" "$work/$engine.txt" >"$work/diff" ; then
        echo "$engine differs from qelrpt-host report on $csv, pattern '$pattern':" >&2
        head -n 20 "$work/diff" >&2
        failures=$((failures + 1))
      fi
    done
    echo "$csv '$pattern': $(wc -l <"$work/report.txt") lines alike"
  done
done
[ "$failures" -eq 0 ]
