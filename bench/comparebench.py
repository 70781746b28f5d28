#!/usr/bin/env python3
"""Compares two lintrel-cli builds on the nginx benchmark site, in one run.

The generated site of bench/sitebench.py, served by nginx, with no delay and
with --delay-ms through the delay proxy; each build crawls it with the
defaults in the default mode and with --modern, the two builds alternating,
RUNS times. Prints the medians side by side; each mode's rows and report
must be byte-identical across both builds and every run.
"""

import os
import shutil
import statistics
import sys
import tempfile

import gensite
import sitebench

MODES = [("default mode", []), ("--modern", ["--modern"])]


def main():
    parser = sitebench.one_site_parser(__doc__.splitlines()[0])
    parser.add_argument("--baseline-cli", required=True, help="the lintrel-cli to compare with (a Release build)")
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="lintrel-compare-")
    os.chmod(work, 0o755)
    servers = sitebench.Servers(args.nginx, args.proxy, work)
    ports = (sitebench.free_port("127.0.0.1"), sitebench.free_port("127.0.0.2"))
    env = dict(os.environ)
    if args.invalid_names:
        env["LD_PRELOAD"] = os.path.abspath(args.invalid_names)
    url = "http://127.0.0.1:%d/index.html" % ports[0]
    builds = [("before", args.baseline_cli), ("after", args.cli)]
    table = []
    identical = True
    try:
        site = os.path.join(work, "site")
        gensite.generate(site, args.pages, args.links, 270 / 2320, 50 / 2320, ports[1])
        for delay in (0, args.delay_ms):
            servers.start(site, ports, delay)
            for mode, extra in MODES:
                figures = {name: [] for name, _ in builds}
                reference = None
                for run in range(args.runs):
                    for name, cli in builds:
                        result, rows, report = sitebench.run_crawl(cli, url, None, work, servers, env, extra)
                        figures[name].append(result)
                        reference = reference or (rows, report)
                        identical = identical and reference == (rows, report)
                        print("  %g ms, %s, run %d, %s: %.3f s wall" % (delay, mode, run + 1, name, result["wall"]),
                              file=sys.stderr)
                medians = {name: {key: statistics.median(f[key] for f in runs) for key in runs[0]}
                           for name, runs in figures.items()}
                table.append(("%g ms" % delay, mode, medians))
    finally:
        servers.stop()
        shutil.rmtree(work, ignore_errors=True)
    print()
    print("| %d x %d | mode | figure | before | after | after / before |" % (args.pages, args.links))
    print("|---|---|---|---:|---:|---:|")
    for delay, mode, medians in table:
        for label, fmt, key in (("wall time", "%.3f s", "wall"), ("CPU time", "%.3f s", "cpu"),
                                ("peak memory", "%.1f MiB", "peak"), ("requests answered", "%d", "requests")):
            before, after = medians["before"][key], medians["after"][key]
            ratio = "%.3f" % (after / before) if before else "-"
            print("| %s | %s | %s | %s | %s | %s |" % (delay, mode, label, fmt % before, fmt % after, ratio))
    print("| rows and report identical | | | %s | | |" % ("yes" if identical else "NO"))
    return 0 if identical else 1


if __name__ == "__main__":
    sys.exit(main())
