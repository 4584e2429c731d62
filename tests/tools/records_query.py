#!/usr/bin/env python3
""""Which tags are in alarm?" answered three ways for each FILE, which must
agree: jq over `report --format json` (and over `--format jsonl`), Python's
csv module over `report --format csv`, and the text listing that a person
reads (its Alarm column, row by row).  A tag with blank flags is in none of
the answers.

usage: records_query.py --host HOST --library LIB --jq JQ FILE...
"""
import argparse
import csv
import io
import json
import subprocess
import sys


def report(args, path, *options):
    done = subprocess.run([args.host, "--library", args.library, "report", *options, path],
                          capture_output=True, check=False)
    if done.returncode not in (0, 1):
        sys.exit(f"report {options} {path} exited with {done.returncode}: {done.stderr.decode(errors='replace')}")
    return done.stdout


def by_jq(args, path, fmt, program):
    done = subprocess.run([args.jq, "-r", program], input=report(args, path, "--format", fmt),
                          capture_output=True, check=True)
    return done.stdout.decode("utf-8").splitlines()


def by_csv(args, path):
    rows = csv.DictReader(io.StringIO(report(args, path, "--format", "csv").decode("utf-8"), newline=""))
    return [row["name"] for row in rows if row["alarm"] == "true"]


def by_text(args, path):
    """The names of the rows of the text listing whose Alarm column says
    alarm.  The listing shows indented leaves, not names: its rows are
    matched to the records' names through the header lines before each
    (as many as the record's headers_text holds) and its leaf text."""
    lines = report(args, path).decode("utf-8").split("\n")
    head = lines[0]
    alarm_column = head.index("Alarm")
    records = json.loads(report(args, path, "--format", "json"))
    at, names = 1, []
    for record in records:
        if record["headers_text"]:
            at += record["headers_text"].count("\n") + 1
        row = lines[at]
        if not row.startswith(record["leaf_text"]):
            sys.exit(f"{path}: text row {at + 1} {row!r} is not the record of {record['name']!r}")
        # Names wider than the tag column push their line to the right.
        shift = max(0, len(record["leaf_text"]) - (head.index("Value") - 6))
        if row[alarm_column + shift:alarm_column + shift + 5] == "alarm":
            names.append(record["name"])
        at += 1
    return names


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--library", required=True)
    parser.add_argument("--jq", required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    for path in args.files:
        answers = {
            "jq over JSON": by_jq(args, path, "json", ".[] | select(.alarm) | .name"),
            "jq over JSON Lines": by_jq(args, path, "jsonl", "select(.alarm == true) | .name"),
            "Python's csv": by_csv(args, path),
            "the text listing": by_text(args, path),
        }
        first = answers["the text listing"]
        for how, names in answers.items():
            if names != first:
                sys.exit(f"{path}: {how} answers {names}, the text listing {first}")
        if not first:
            sys.exit(f"{path}: no tag in alarm; the question tests nothing")
        print(f"{path}: {len(first)} tags in alarm, alike by jq, csv and the text listing")


if __name__ == "__main__":
    main()
