#!/usr/bin/env python3
"""Times --modern --file on a large local folder, whole and with --changed of one page.

The folder is a copy of a packaged documentation set (python3.11-doc's
/usr/share/doc/python3.11/html by default) in a temporary folder. Only file
links are kept (--include '^file:'), so no request leaves the machine: the
figures are reading pages, resolving their links and looking at the files.
Prints the median of RUNS runs of each, wall and CPU time, in MB of HTML
per second.
"""

import argparse
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def html_bytes(folder):
    """The bytes of the *.html and *.htm files under folder, and how many."""
    total = 0
    count = 0
    for root, _, names in os.walk(folder):
        for name in names:
            if name.endswith((".html", ".htm")):
                total += os.path.getsize(os.path.join(root, name))
                count += 1
    return total, count


def cpu_seconds():
    """User and system time of the children that ended so far."""
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed_run(command):
    """Wall and CPU seconds of one run, and its rows; the machine may be
    shared, so the CPU time is the steadier figure."""
    start = time.monotonic()
    cpu = cpu_seconds()
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    elapsed = time.monotonic() - start
    if result.returncode not in (0, 1):
        sys.exit("lintrel-cli failed: " + result.stderr.decode(errors="replace"))
    return elapsed, cpu_seconds() - cpu, result.stdout.count(b"\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", default="build/release/src/cli/lintrel-cli")
    parser.add_argument("--docs", default="/usr/share/doc/python3.11/html")
    parser.add_argument("--changed", default="library/os.html", help="the one changed page, relative to the folder")
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as temp:
        folder = os.path.join(temp, "html")
        shutil.copytree(args.docs, folder)
        size, pages = html_bytes(folder)
        base = [args.cli, "-m", "--tsv", "--include", "^file:", "--file", folder]
        print("%d pages, %.1f MB of HTML" % (pages, size / 1e6))
        for name, extra in (("whole folder", []), ("--changed " + args.changed, ["--changed", args.changed])):
            walls = []
            cpus = []
            rows = 0
            for _ in range(args.runs):
                elapsed, cpu, rows = timed_run(base + extra)
                walls.append(elapsed)
                cpus.append(cpu)
            wall = statistics.median(walls)
            cpu = statistics.median(cpus)
            print("%-30s wall %6.2f s %6.1f MB/s   CPU %6.2f s %6.1f MB/s   %d rows"
                  % (name, wall, size / 1e6 / wall, cpu, size / 1e6 / cpu, rows))


if __name__ == "__main__":
    main()
