#!/usr/bin/env python3
"""Times lintrel-cli on a small server: a generated site served by python3 -m http.server.

That server answers over HTTP/1.0, closes every connection and listens with
a queue of 5: connections opened faster than it accepts them are dropped,
and the kernel tries each again only after a second. Each round crawls the
site (--recursive --tsv) in both modes at the defaults and with
--per-host 2, and with wget --spider -r (with and without keep-alive), in turn; medians of RUNS rounds.
The default mode's rows must be byte-identical in every run, and so must
the modern mode's.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import gensite
import sitebench

CRAWLS = [
    ("default mode, defaults", "lintrel", []),
    ("default mode, --per-host 2", "lintrel", ["--per-host", "2"]),
    ("--modern, defaults", "lintrel", ["--modern"]),
    ("--modern, --per-host 2", "lintrel", ["--modern", "--per-host", "2"]),
    ("wget --spider -r", "wget", []),
    ("wget --spider -r --no-http-keep-alive", "wget", ["--no-http-keep-alive"]),
]


class PythonServers:
    """python3 -m http.server for each loopback host of the site, each logging a line per request."""

    def __init__(self, site, ports, work):
        self.logs = [os.path.join(work, "main.log"), os.path.join(work, "other.log")]
        self.processes = []
        for folder, host, port, log in zip(("main", "other"), ("127.0.0.1", "127.0.0.2"), ports, self.logs):
            with open(log, "wb") as out:
                process = subprocess.Popen(
                    [sys.executable, "-m", "http.server", "--bind", host, "--directory", os.path.join(site, folder),
                     str(port)], stdout=subprocess.DEVNULL, stderr=out)
            self.processes.append(process)
            sitebench.wait_for_port(host, port, process, "python3 -m http.server")

    def answered(self):
        """Requests logged so far by both servers."""
        total = 0
        for log in self.logs:
            with open(log, "rb") as lines:
                total += sum(1 for line in lines if b'"' in line)
        return total

    def stop(self):
        for process in self.processes:
            process.terminate()
            process.wait()


def crawl(args, tool, extra, url, work, servers, env):
    """One crawl: wall time, requests answered, and its rows (none for wget)."""
    rows_path = os.path.join(work, "rows.tsv")
    if tool == "wget":
        command = [args.wget, *extra, "--spider", "-r", "-l", "inf", "-nv", "-o", os.path.join(work, "wget.log"), url]
    else:
        command = [os.path.abspath(args.cli), *extra, "--recursive", "--tsv", url]
    before = servers.answered()
    started = time.perf_counter()
    with open(rows_path, "wb") as rows:
        code = subprocess.run(command, stdout=rows, stderr=subprocess.DEVNULL, env=env, cwd=work).returncode
    wall = time.perf_counter() - started
    # wget's 8 and lintrel-cli's 1: broken links found, as the site has.
    if code not in (0, 1, 8):
        sys.exit("%s ended with %d" % (" ".join(command), code))
    time.sleep(0.2)  # the servers' last log lines
    with open(rows_path, "rb") as rows:
        row_bytes = rows.read()
    return wall, servers.answered() - before, row_bytes


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="the lintrel-cli to time (a Release build)")
    parser.add_argument("--wget", default=shutil.which("wget") or "/usr/bin/wget")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--pages", type=int, default=300)
    parser.add_argument("--links", type=int, default=25)
    parser.add_argument("--invalid-names", help="lintrel_invalid_names, preloaded so names under .invalid fail at once")
    parser.add_argument("--proxy", help="unused; bench/run.sh passes it to every benchmark")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="lintrel-small-")
    ports = (sitebench.free_port("127.0.0.1"), sitebench.free_port("127.0.0.2"))
    site = os.path.join(work, "site")
    gensite.generate(site, args.pages, args.links, 270 / 2320, 50 / 2320, ports[1])
    env = dict(os.environ)
    if args.invalid_names:
        env["LD_PRELOAD"] = os.path.abspath(args.invalid_names)
    url = "http://127.0.0.1:%d/index.html" % ports[0]
    servers = PythonServers(site, ports, work)
    figures = {name: [] for name, _, _ in CRAWLS}
    reference = {}
    identical = True
    try:
        for run in range(args.runs):
            for name, tool, extra in CRAWLS:
                wall, answered, rows = crawl(args, tool, extra, url, work, servers, env)
                figures[name].append((wall, answered))
                if tool != "wget":
                    mode = "--modern" in extra
                    identical = identical and reference.setdefault(mode, rows) == rows
                print("  run %d, %s: %.3f s, %d requests" % (run + 1, name, wall, answered), file=sys.stderr)
    finally:
        servers.stop()
        shutil.rmtree(work, ignore_errors=True)
    print()
    print("| %d x %d, python3 -m http.server | wall time (median) | fastest | slowest | requests answered |"
          % (args.pages, args.links))
    print("|---|---:|---:|---:|---:|")
    for name, _, _ in CRAWLS:
        walls = [wall for wall, _ in figures[name]]
        print("| %s | %.3f s | %.3f s | %.3f s | %d |" % (name, statistics.median(walls), min(walls), max(walls),
                                                         statistics.median(n for _, n in figures[name])))
    print("| rows identical in each mode | %s | | | |" % ("yes" if identical else "NO"))
    return 0 if identical else 1


if __name__ == "__main__":
    sys.exit(main())
