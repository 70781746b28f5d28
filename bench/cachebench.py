#!/usr/bin/env python3
"""Times a first --modern --cache crawl against a second one on the same cache.

On the generated site served by nginx with a fixed delay per request (through
lintrel_delay_proxy), each of RUNS rounds crawls once without a cache, then
starts from no cache file, crawls once to fill it and once more to use it; it
prints the medians side by side,
and what the second crawls asked, from nginx's access log (a page asked
whether it changed answers 304). Every second run's --tsv rows must be
byte-identical to its first run's.
"""

import collections
import os
import shutil
import statistics
import sys
import tempfile

import gensite
import sitebench


def read_new_log_lines(log, offset):
    """The access log's lines after offset, as "method status", and the new offset.
    The status counter's own questions are not the crawl's."""
    with open(log, "rb") as text:
        text.seek(offset)
        data = text.read()
    tally = collections.Counter()
    for line in data.decode("latin-1").splitlines():
        # log_format: "$request_method $status $uri"
        method, status, uri = line.split()[:3]
        if uri != "/status":
            tally["%s %s" % (method, status)] += 1
    return tally, offset + len(data)


def main():
    args = sitebench.one_site_parser(__doc__.splitlines()[0]).parse_args()

    work = tempfile.mkdtemp(prefix="lintrel-cachebench-")
    os.chmod(work, 0o755)
    log = os.path.join(work, "access.log")
    template = sitebench.NGINX_CONF
    # Here each request is one log line: what the second crawl asks is the figure.
    sitebench.NGINX_CONF = template.replace(
        "access_log off;", "log_format methods '$request_method $status $uri'; access_log %s methods;" % log)
    servers = sitebench.Servers(args.nginx, args.proxy, work)
    ports = (sitebench.free_port("127.0.0.1"), sitebench.free_port("127.0.0.2"))
    env = dict(os.environ)
    if args.invalid_names:
        env["LD_PRELOAD"] = os.path.abspath(args.invalid_names)
    cache = os.path.join(work, "lintrel-cache")
    results = {"no cache": [], "first": [], "second": []}
    asked = collections.Counter()
    identical = True
    try:
        site = os.path.join(work, "site")
        gensite.generate(site, args.pages, args.links, 270 / 2320, 50 / 2320, ports[1])
        servers.start(site, ports, args.delay_ms)
        url = "http://127.0.0.1:%d/index.html" % ports[0]
        options = ["--modern", "--cache", cache]
        offset = 0
        for run in range(args.runs):
            for suffix in ("", "-wal", "-shm"):
                if os.path.exists(cache + suffix):
                    os.remove(cache + suffix)
            rows = {}
            for name in ("no cache", "first", "second"):
                _, offset = read_new_log_lines(log, offset)
                figures, rows[name], _ = sitebench.run_crawl(
                    args.cli, url, None, work, servers, env, options if name != "no cache" else ["--modern"])
                tally, offset = read_new_log_lines(log, offset)
                if name == "second":
                    asked += tally
                results[name].append(figures)
                print("  run %d, %s crawl: %.3f s wall, %.3f s CPU, %d requests" % (
                    run + 1, name, figures["wall"], figures["cpu"], figures["requests"]), file=sys.stderr)
            identical = identical and rows["no cache"] == rows["first"] == rows["second"]
        servers.stop()
    finally:
        servers.stop()
        sitebench.NGINX_CONF = template
        shutil.rmtree(work, ignore_errors=True)
    medians = {name: {key: statistics.median(f[key] for f in runs) for key in runs[0]}
               for name, runs in results.items()}
    label = "%d x %d, %g ms" % (args.pages, args.links, args.delay_ms)
    print()
    print("| %s | no cache | first run | second run | second / first |" % label)
    print("|---|---:|---:|---:|---:|")
    for title, fmt, key in [("wall time", "%.3f s", "wall"), ("CPU time", "%.3f s", "cpu"),
                            ("peak memory", "%.1f MiB", "peak"), ("requests answered", "%d", "requests"),
                            ("links checked", "%d", "links")]:
        first, second = medians["first"][key], medians["second"][key]
        ratio = "%.3f" % (second / first) if first else "-"
        print("| %s | %s | %s | %s | %s |" % (title, fmt % medians["no cache"][key], fmt % first, fmt % second, ratio))
    print("| rows identical | %s | | | |" % ("yes" if identical else "NO"))
    print()
    print("Second runs asked, per run: " + ", ".join(
        "%s: %g" % (key, count / args.runs) for key, count in sorted(asked.items())))
    return 0 if identical else 1


if __name__ == "__main__":
    sys.exit(main())
