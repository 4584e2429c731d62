#!/usr/bin/env python3
"""qelrpt-host report on a real pseudo-terminal shared by standard output and
standard error, as a user runs it: the screen, as a terminal draws the bytes,
must show the listing exactly as it is written to a file, with no trace of the
progress line; and the progress line, shown from the start here
(QELRPT_PROGRESS_DELAY_MS=0), must count the tags read whatever --match keeps
and name the sorting.

usage: progress_terminal.py --host HOST --library LIB --gentags GENTAGS --scratch DIR
"""
import argparse
import os
import pty
import re
import select
import subprocess
import sys

TAGS = 200000


def screen(data):
    """The lines a terminal shows for `data`: printable characters overwrite
    the cell under the cursor, CR goes to column 0, LF to the next line (the
    terminal's own CR LF translation included), nothing wraps."""
    lines = [[]]
    row = column = 0
    for char in data.decode("utf-8", errors="replace"):
        if char == "\r":
            column = 0
        elif char == "\n":
            row += 1
            if row == len(lines):
                lines.append([])
        else:
            line = lines[row]
            if column >= len(line):
                line.extend(" " * (column - len(line) + 1))
            line[column] = char
            column += 1
    return ["".join(line).rstrip(" ") for line in lines]


def on_terminal(command, environment):
    """Runs `command` with standard output and error on one pseudo-terminal;
    returns the exit status and every byte the terminal received."""
    master, slave = pty.openpty()
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=slave, stderr=slave,
                               env=environment, close_fds=True)
    os.close(slave)
    received = bytearray()
    while True:
        ready, _, _ = select.select([master], [], [], 120)
        if not ready:
            process.kill()
            sys.exit("no output from the host for 120 s")
        try:
            chunk = os.read(master, 65536)
        except OSError:  # EIO: the last writer closed the terminal
            break
        if not chunk:
            break
        received += chunk
    os.close(master)
    return process.wait(), bytes(received)


def main():
    parser = argparse.ArgumentParser()
    for name in ("--host", "--library", "--gentags", "--scratch"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    os.makedirs(args.scratch, exist_ok=True)
    csv = os.path.join(args.scratch, "tags.csv")
    with open(csv, "wb") as out:
        subprocess.run([args.gentags, "--tags", str(TAGS)], stdout=out, check=True)
    environment = dict(os.environ, QELRPT_PROGRESS_DELAY_MS="0")
    failures = []
    cases = [["--match", "*Tank01*"], ["--match", "nomatch"], ["--keep-order", "--match", "*Silo*"]]
    for options in cases:
        command = [args.host, "--library", args.library, "report"] + options + [csv]
        expected = subprocess.run(command, stdout=subprocess.PIPE, check=True).stdout.decode("utf-8")
        status, received = on_terminal(command, environment)
        shown = screen(received)
        wanted = expected.split("\n")
        if status != 0:
            failures.append(f"{options}: exit status {status}")
        if shown != wanted:
            first = next((i for i, (a, b) in enumerate(zip(shown, wanted)) if a != b), min(len(shown), len(wanted)))
            failures.append(f"{options}: screen line {first + 1} is "
                            f"{shown[first] if first < len(shown) else '(none)'!r}, "
                            f"the listing's {wanted[first] if first < len(wanted) else '(none)'!r}")
        progress = re.findall(r"qelrpt-host: ([^\r\n]*)", received.decode("utf-8", errors="replace"))
        progress = [text.rstrip(" ") for text in progress]
        if not progress:
            failures.append(f"{options}: no progress line was shown")
        # After reading, every line counts all the tags read.
        later = [text for text in progress if re.search(r"tags read, (sort|match)", text)]
        if not later or any(not text.startswith(f"{TAGS} tags read, ") for text in later):
            failures.append(f"{options}: the progress after reading does not count the {TAGS} tags read: {progress}")
        if "--keep-order" not in options and not any(text.endswith("sorting") for text in progress):
            failures.append(f"{options}: the progress never said it was sorting: {progress}")
    for failure in failures:
        print(failure)
    if failures:
        sys.exit(1)
    print(f"{len(cases)} listings of {TAGS} tags on a terminal: screen as the listing, progress counted right")


if __name__ == "__main__":
    main()
