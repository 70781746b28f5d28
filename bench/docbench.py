#!/usr/bin/env python3
"""A whole crawl of a real documentation set nobody here wrote: the Python
3.11 documentation as Debian packages it (python3.11-doc), copied to a
temporary folder and served by nginx on 127.0.0.1. Each round crawls it with
the modern mode of two builds (--before, --cli), the default mode and
wget --spider -r, in turn, under /usr/bin/time -v; prints the median wall
time and peak memory of each, and whether the two modern builds wrote the
same rows and exit status.
  bench/docbench.py --cli NEW/lintrel-cli --before OLD/lintrel-cli [--runs 3]"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from sitebench import free_port, wait_for_port  # noqa: E402

DOCS = "/usr/share/doc/python3.11/html"

NGINX_CONF = """worker_processes 2;
daemon off;
pid {work}/nginx.pid;
error_log {work}/error.log warn;
events {{ worker_connections 1024; }}
http {{
    types {{ text/html html; text/css css; application/javascript js; image/png png; image/svg+xml svg;
             text/plain txt; application/zip zip; application/x-bzip2 bz2; }}
    default_type application/octet-stream;
    access_log off;
    keepalive_requests 1000000;
    client_body_temp_path {work}/tmp/body;
    proxy_temp_path {work}/tmp/proxy;
    fastcgi_temp_path {work}/tmp/fastcgi;
    uwsgi_temp_path {work}/tmp/uwsgi;
    scgi_temp_path {work}/tmp/scgi;
    server {{ listen 127.0.0.1:{port}; root {site}; }}
}}
"""


def timed(command, cwd):
    """Wall seconds, peak MiB, exit status and standard output of one run."""
    started = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-v", *command], cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if done.returncode not in (0, 1, 8):  # wget: 8 when a link is broken
        sys.exit("%s ended with %d: %s" % (" ".join(command), done.returncode, done.stderr.decode()[-500:]))
    wall = time.perf_counter() - started
    peak = int(re.search(rb"Maximum resident set size \(kbytes\): (\d+)", done.stderr).group(1)) / 1024.0
    return wall, peak, done.returncode, done.stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--before", required=True)
    parser.add_argument("--nginx", default=shutil.which("nginx") or "/usr/sbin/nginx")
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    args.cli, args.before = os.path.abspath(args.cli), os.path.abspath(args.before)
    if not os.path.isdir(DOCS):
        sys.exit("no %s: apt-get install python3.11-doc" % DOCS)
    work = tempfile.mkdtemp(prefix="lintrel-docbench-")
    os.chmod(work, 0o755)  # nginx's workers read the site as nobody
    site = os.path.join(work, "site")
    shutil.copytree(DOCS, site, symlinks=False, ignore_dangling_symlinks=True)
    os.makedirs(os.path.join(work, "tmp"))
    port = free_port("127.0.0.1")
    conf = os.path.join(work, "nginx.conf")
    with open(conf, "w") as out:
        out.write(NGINX_CONF.format(work=work, site=site, port=port))
    nginx = subprocess.Popen([args.nginx, "-p", work, "-c", conf, "-e", os.path.join(work, "error.log")])
    try:
        wait_for_port("127.0.0.1", port, nginx, "nginx")
        url = "http://127.0.0.1:%d/index.html" % port
        commands = {
            "modern, before": [args.before, "-m", "-r", url],
            "modern, after": [args.cli, "-m", "-r", url],
            "default mode": [args.cli, "-r", url],
            "wget --spider -r": ["wget", "--spider", "-r", "-np", "-nv", "-o", os.devnull, url],
        }
        results = {name: [] for name in commands}
        outputs = {}
        for _ in range(args.runs):
            for name, command in commands.items():
                wall, peak, status, output = timed(command, work)
                results[name].append((wall, peak))
                outputs.setdefault(name, set()).add((status, output))
        html = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(site) for f in fs if f.endswith(".html"))
        print("%s: %d MB of HTML, median of %d runs" % (DOCS, html // 1000000, args.runs))
        print("| crawl | wall | peak memory |")
        print("|---|---:|---:|")
        for name, rows in results.items():
            print("| %s | %.2f s | %.1f MiB |" % (name, statistics.median(r[0] for r in rows),
                                                 statistics.median(r[1] for r in rows)))
        same = outputs["modern, before"] == outputs["modern, after"] and len(outputs["modern, after"]) == 1
        status, output = next(iter(outputs["modern, after"]))
        if os.environ.get("DOCBENCH_SHOW"):
            sys.stdout.write(output.decode()[:600])
        print("modern rows and exit status the same before and after: %s (exit %d, %d lines)"
              % ("yes" if same else "NO", status, output.count(b"\n")))
    finally:
        nginx.terminate()
        nginx.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
