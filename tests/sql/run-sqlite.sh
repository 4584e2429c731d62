#!/usr/bin/env bash
# Runs an SQL file in the sqlite3 shell with the extension loaded, and
# compares what the shell prints (standard output and errors) with the
# expected output (unbuffered, so that each error follows its statement):
#
#   tests/sql/run-sqlite.sh EXTENSION SQL EXPECTED [ACTUAL]
#
# ACTUAL (default: a temporary file) keeps what the shell printed.
set -euo pipefail
extension=$1 sql=$2 expected=$3
actual=${4:-$(mktemp)}
stdbuf -o0 -e0 sqlite3 -batch -echo :memory: ".load ${extension%.so}" ".read $sql" >"$actual" 2>&1 || true
diff -u "$expected" "$actual"
