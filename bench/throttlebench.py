#!/usr/bin/env python3
"""lintrel-cli --modern against an nginx that allows 20 requests a second per host.

nginx's limit_req lets 20 requests through at once and 20 a second after
(rate 20r/s, burst 19, nodelay) and answers the rest 429 with Retry-After: 1.
One start page names LINKS files; each run checks them with --rate 20 and
without it (the per-host limit that tunes itself alone), alternating. Prints
per crawl the share of the answers that were 429 (from nginx's access log),
the links whose final answer was good, the exit status and the wall time.
Every crawl is ended after --timeout seconds.
"""

import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import sitebench

NGINX_CONF = """worker_processes 1;
daemon off;
pid {work}/nginx.pid;
error_log {work}/error.log warn;
events {{ worker_connections 1024; }}
http {{
    types {{ text/html html; text/plain txt; }}
    log_format status "$status";
    access_log {work}/access.log status;
    keepalive_requests 1000000;
    client_body_temp_path {work}/tmp/body;
    proxy_temp_path {work}/tmp/proxy;
    fastcgi_temp_path {work}/tmp/fastcgi;
    uwsgi_temp_path {work}/tmp/uwsgi;
    scgi_temp_path {work}/tmp/scgi;
    limit_req_zone $server_port zone=perhost:1m rate=20r/s;
    server {{
        listen 127.0.0.1:{port};
        root {site};
        limit_req zone=perhost burst=19 nodelay;
        limit_req_status 429;
        error_page 429 = @throttled;
        location @throttled {{
            add_header Retry-After 1 always;
            return 429 "Too many requests\\n";
        }}
    }}
}}
"""


def make_site(site, links):
    os.makedirs(site)
    with open(os.path.join(site, "index.html"), "w") as page:
        page.write("<!DOCTYPE html><title>throttled</title>\n")
        for n in range(links):
            page.write('<a href="f%d.txt">f%d</a>\n' % (n, n))
    for n in range(links):
        with open(os.path.join(site, "f%d.txt" % n), "w") as text:
            text.write("file %d\n" % n)


def statuses(work):
    with open(os.path.join(work, "access.log")) as log:
        return [line.strip() for line in log if line.strip()]


def crawl(cli, url, extra, work, timeout):
    """One crawl: its answers as nginx logged them, rows and exit status."""
    open(os.path.join(work, "access.log"), "w").close()
    # nginx reopens its log on USR1, so each crawl's answers are its own.
    with open(os.path.join(work, "nginx.pid")) as pid:
        os.kill(int(pid.read()), signal.SIGUSR1)
    time.sleep(0.3)
    command = [cli, "--modern", "--json", *extra, url]
    started = time.perf_counter()
    try:
        done = subprocess.run(command, capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None
    wall = time.perf_counter() - started
    time.sleep(0.3)
    answers = statuses(work)
    rows = json.loads(done.stdout)["rows"]
    good = sum(1 for row in rows if row.get("verdict", "ok" if 200 <= row["status_code"] < 300 else "") == "ok")
    return {"wall": wall, "answers": len(answers), "throttled": answers.count("429"), "links": len(rows),
            "ok": good, "exit": done.returncode}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--nginx", default=shutil.which("nginx") or "/usr/sbin/nginx")
    parser.add_argument("--links", type=int, default=500)
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("--timeout", type=float, default=180, help="seconds a crawl may take before it is ended")
    args, _ = parser.parse_known_args()
    work = tempfile.mkdtemp(prefix="lintrel-throttle-")
    # nginx started by root serves as an unprivileged user, who must read the site.
    os.chmod(work, 0o755)
    os.makedirs(os.path.join(work, "tmp"))
    site = os.path.join(work, "site")
    make_site(site, args.links)
    port = sitebench.free_port("127.0.0.1")
    conf = os.path.join(work, "nginx.conf")
    with open(conf, "w") as out:
        out.write(NGINX_CONF.format(work=work, site=site, port=port))
    nginx = subprocess.Popen([args.nginx, "-p", work, "-c", conf, "-e", os.path.join(work, "error.log")])
    try:
        sitebench.wait_for_port("127.0.0.1", port, nginx, "nginx")
        url = "http://127.0.0.1:%d/index.html" % port
        variants = [("--rate 20", ["--rate", "20"]), ("self-tuning alone", [])]
        print("| crawl | run | answers | 429 answers | share | links ok | exit | wall time |")
        print("|---|---:|---:|---:|---:|---:|---:|---:|")
        for run in range(args.runs):
            for name, extra in variants:
                # The server's allowance refills before each crawl.
                time.sleep(1.5)
                figures = crawl(args.cli, url, extra, work, args.timeout)
                if figures is None:
                    print("| %s | %d | ended after %.0f s | | | | | |" % (name, run + 1, args.timeout))
                    continue
                print("| %s | %d | %d | %d | %.1f %% | %d of %d | %d | %.1f s |" % (
                    name, run + 1, figures["answers"], figures["throttled"],
                    100.0 * figures["throttled"] / max(1, figures["answers"]), figures["ok"], figures["links"],
                    figures["exit"], figures["wall"]))
    finally:
        nginx.send_signal(signal.SIGTERM)
        nginx.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
