#!/usr/bin/env python3
"""qelrpt-host report -o FILE: the same bytes as standard output, for every
format; FILE is written only whole: a report that fails, or is interrupted
while it reads, leaves FILE as it was and no temporary file beside it.

usage: output_option.py --host HOST --library LIB --data DIR --scratch DIR
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import time


def main():
    parser = argparse.ArgumentParser()
    for name in ("--host", "--library", "--data", "--scratch"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    shutil.rmtree(args.scratch, ignore_errors=True)
    os.makedirs(args.scratch)
    host = [args.host, "--library", args.library, "report"]
    tags = os.path.join(args.data, "tags.csv")
    out = os.path.join(args.scratch, "listing")
    failures = []

    def leftovers():
        return sorted(set(os.listdir(args.scratch)) - {"listing"})

    # The PDF where this build writes one (its dates from SOURCE_DATE_EPOCH).
    os.environ["SOURCE_DATE_EPOCH"] = "1765238400"
    pdf = subprocess.run(host + ["-f", "pdf", tags], capture_output=True, check=False).returncode == 0
    for fmt in ("text", "html", "csv", "json", "jsonl") + (("pdf",) if pdf else ()):
        for option in (["-o", out], ["--output", out], [f"--output={out}"]):
            expected = subprocess.run(host + ["-f", fmt, tags], capture_output=True, check=True).stdout
            done = subprocess.run(host + ["-f", fmt] + option + [tags], capture_output=True, check=False)
            with open(out, "rb") as f:
                written = f.read()
            if done.returncode != 0 or done.stdout or written != expected:
                failures.append(f"{fmt} {option[0]}: status {done.returncode}, {len(done.stdout)} bytes on "
                                f"standard output, the file {'equal to' if written == expected else 'unlike'} "
                                "standard output's listing")
            if leftovers():
                failures.append(f"{fmt}: files left beside the output: {leftovers()}")

    # A report that fails leaves the file as it was.
    with open(out, "wb") as f:
        f.write(b"the previous listing\n")
    for bad in (["nosuch.csv"], [os.path.join(args.data, "bad-header.csv")]):
        done = subprocess.run(host + ["-o", out] + bad, capture_output=True, check=False)
        with open(out, "rb") as f:
            if done.returncode != 2 or f.read() != b"the previous listing\n" or leftovers():
                failures.append(f"a failed report ({bad[0]}) changed the output or left {leftovers()}")

    # Interrupted while it reads standard input: the file as it was, no
    # temporary file left.
    process = subprocess.Popen(host + ["-o", out, "-"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    process.stdin.write(b"name,value,flags\nA.B,1,1\n")
    process.stdin.flush()
    for _ in range(100):
        if leftovers():
            break
        time.sleep(0.05)
    started = leftovers()
    process.send_signal(signal.SIGINT)
    process.wait(timeout=30)
    process.stdin.close()
    with open(out, "rb") as f:
        kept = f.read() == b"the previous listing\n"
    if not started or process.returncode != -signal.SIGINT or not kept or leftovers():
        failures.append(f"interrupted: temporary file {started}, status {process.returncode}, "
                        f"output {'kept' if kept else 'changed'}, left {leftovers()}")

    # A folder that does not exist: one sentence, status 2.
    done = subprocess.run(host + ["-o", os.path.join(args.scratch, "no", "such"), tags], capture_output=True,
                          check=False)
    if done.returncode != 2 or b"cannot write" not in done.stderr:
        failures.append(f"-o into a missing folder: status {done.returncode}, {done.stderr!r}")

    for failure in failures:
        print(failure)
    if failures:
        sys.exit(1)
    print("-o FILE: as standard output in every format; failed and interrupted runs leave FILE as it was")


if __name__ == "__main__":
    main()
