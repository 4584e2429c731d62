#!/usr/bin/env python3
"""qelrpt-host report --format csv (--csv-raw), --format json and --format
jsonl, read back with Python's csv and json modules: all give the same
records, and each record holds its tag's data (the name, the value as read,
the flags) and what the library gives for it, asked one formula at a time
with qelrpt-host eval (the header lines against the previous listed tag, the
indented name, the footprint, the alarm and log flags, the parent).

  formats_roundtrip.py --host PATH --library PATH [--emulator CMD]...
                       [--ascii-arguments] [--checked FILE]... FILE...

Every FILE is read back in both formats; the files given with --checked are
also checked against eval, call by call (each call starts the host once).
With --ascii-arguments (Windows programs get their arguments in the ANSI
code page, not as UTF-8) only the tags whose name and previous name are
ASCII are checked against eval.
"""
import argparse
import csv
import io
import json
import subprocess
import sys

FIELDS = ["name", "value", "flags", "alarm", "log", "depth", "parent", "headers_text", "leaf_text", "value_text",
          "cut"]


def run(args, command):
    done = subprocess.run(args.emulator + [args.host, "--library", args.library] + command,
                          capture_output=True, check=False)
    # A report that skipped malformed records ends with 1.
    if done.returncode not in ((0, 1) if command[0] == "report" else (0,)):
        sys.exit(f"{command} exited with {done.returncode}: {done.stderr.decode(errors='replace')}")
    return done.stdout.decode("utf-8")


def from_json(text, lines=False):
    records = [json.loads(line) for line in text.splitlines()] if lines else json.loads(text)
    for record in records:
        if list(record) != FIELDS:
            sys.exit(f"JSON record with fields {list(record)}, not {FIELDS}")
    return records


def from_csv(text):
    if not text.startswith(",".join(FIELDS) + "\r\n") or not text.endswith("\r\n"):
        sys.exit("CSV without its header row or CR LF line ends")
    rows = list(csv.reader(io.StringIO(text, newline="")))
    if rows[0] != FIELDS:
        sys.exit(f"CSV header {rows[0]}, not {FIELDS}")
    flags = {"true": True, "false": False, "": None}
    records = []
    for row in rows[1:]:
        if len(row) != len(FIELDS) or any(row[i] not in flags for i in (3, 4, 10)):
            sys.exit(f"CSV record that is not {FIELDS}: {row}")
        record = dict(zip(FIELDS, row))
        record["value"] = float(record["value"]) if record["value"] else None
        record["flags"] = int(record["flags"]) if record["flags"] else None
        record["depth"] = int(record["depth"])
        for key in ("alarm", "log", "cut"):
            record[key] = flags[record[key]]
        records.append(record)
    return records


def quoted(text):
    return '"' + text.replace('"', '""') + '"'


def evaluate(args, formula):
    return run(args, ["eval", formula])[:-1]  # its line feed


def expected(args, path):
    """The records as the library gives them, tag by tag, in name order
    (None for a tag that cannot be asked about)."""
    with open(path, newline="", encoding="utf-8") as f:
        tags = sorted(csv.DictReader(f), key=lambda t: t["name"].encode())
    records, previous = [], ""
    for t in tags:
        if args.ascii_arguments and not (t["name"] + previous).isascii():
            records.append(None)
            previous = t["name"]
            continue
        name = quoted(t["name"])
        record = {
            "name": t["name"],
            "value": float(t["value"]),
            "flags": int(t["flags"]),
            "alarm": evaluate(args, f"QELAlarmFlagSet({t['flags']})") == "True",
            "log": evaluate(args, f"QELLogFlagSet({t['flags']})") == "True",
            "depth": sum(t["name"].count(c) for c in "\\."),
            "parent": evaluate(args, f"QELRemoveTagName({name})"),
            "headers_text": evaluate(args, f"QELIndentTagHier({quoted(previous)}, {name})"),
            "leaf_text": evaluate(args, f"QELIndentTagName({name})"),
            "value_text": evaluate(args, f"QELNumberFootPrint({t['value']})"),
        }
        record["cut"] = any(len(record[k]) >= 255 for k in ("parent", "headers_text", "leaf_text", "value_text"))
        records.append(record)
        previous = t["name"]
    return records


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--library", required=True)
    parser.add_argument("--emulator", action="append", default=[])
    parser.add_argument("--checked", action="append", default=[])
    parser.add_argument("--ascii-arguments", action="store_true")
    parser.add_argument("files", nargs="*")
    args = parser.parse_args()
    for path in args.files + args.checked:
        as_json = from_json(run(args, ["report", "--format", "json", path]))
        as_lines = from_json(run(args, ["report", "--format", "jsonl", path]), lines=True)
        as_csv = from_csv(run(args, ["report", "--format", "csv", "--csv-raw", path]))
        if as_json != as_csv or as_json != as_lines:
            sys.exit(f"{path}: the CSV, JSON and JSON Lines records differ:\n{as_csv}\n{as_json}\n{as_lines}")
        note = ""
        if path in args.checked:
            wanted = expected(args, path)
            asked = [i for i, record in enumerate(wanted) if record is not None]
            if len(wanted) != len(as_json) or len(asked) * 2 < len(wanted) or \
                    any(as_json[i] != wanted[i] for i in asked):
                sys.exit(f"{path}: the records differ from what eval gives:\n{as_json}\n{wanted}")
            note = f", {len(asked)} of them as eval gives them"
        print(f"{path}: {len(as_json)} records read back alike from CSV, JSON and JSON Lines{note}")


if __name__ == "__main__":
    main()
