#!/usr/bin/env python3
"""Times lintrel-cli --recursive on generated sites served by a real nginx.

For each site (and, for the first, with a fixed delay per request through
lintrel_delay_proxy) it runs the crawl RUNS times with --jobs 1 and with the
defaults, alternating, and prints the medians side by side: wall time, CPU
time, peak memory, requests the servers answered and links checked. Every
run's --tsv rows and report must be byte-identical to the first run's.
"""

import argparse
import os
import re
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

import gensite

NGINX_CONF = """worker_processes 2;
daemon off;
pid {work}/nginx.pid;
error_log {work}/error.log warn;
events {{ worker_connections 1024; }}
http {{
    types {{ text/html html; }}
    default_type application/octet-stream;
    access_log off;
    keepalive_requests 1000000;
    keepalive_timeout 60s;
    client_body_temp_path {work}/tmp/body;
    proxy_temp_path {work}/tmp/proxy;
    fastcgi_temp_path {work}/tmp/fastcgi;
    uwsgi_temp_path {work}/tmp/uwsgi;
    scgi_temp_path {work}/tmp/scgi;
    server {{ listen 127.0.0.1:{main_port}; root {site}/main; }}
    server {{ listen 127.0.0.2:{second_port}; root {site}/other; }}
    server {{ listen 127.0.0.1:{status_port}; location = /status {{ stub_status; }} }}
}}
"""


def free_port(host):
    with socket.socket() as probe:
        probe.bind((host, 0))
        return probe.getsockname()[1]


def wait_for_port(host, port, process, what):
    deadline = time.time() + 10
    while time.time() < deadline:
        if process.poll() is not None:
            sys.exit("%s ended at start; see %s" % (what, process.args))
        try:
            socket.create_connection((host, port), timeout=0.2).close()
            return
        except OSError:
            time.sleep(0.02)
    sys.exit("%s does not listen on %s:%d" % (what, host, port))


class Servers:
    """nginx for the site, with or without the delay proxy in front."""

    def __init__(self, nginx, proxy, work):
        self.nginx, self.proxy, self.work = nginx, proxy, work
        self.processes = []
        self.status_port = free_port("127.0.0.1")
        os.makedirs(os.path.join(work, "tmp"), exist_ok=True)

    def start(self, site, ports, delay_ms):
        self.stop()
        main_port, second_port = ports
        if delay_ms:
            main_port, second_port = free_port("127.0.0.1"), free_port("127.0.0.2")
        conf = os.path.join(self.work, "nginx.conf")
        with open(conf, "w") as out:
            out.write(NGINX_CONF.format(work=self.work, site=site, main_port=main_port, second_port=second_port,
                                        status_port=self.status_port))
        nginx = subprocess.Popen([self.nginx, "-p", self.work, "-c", conf, "-e", os.path.join(self.work, "error.log")])
        self.processes.append(nginx)
        wait_for_port("127.0.0.1", main_port, nginx, "nginx")
        wait_for_port("127.0.0.2", second_port, nginx, "nginx")
        if delay_ms:
            proxy = subprocess.Popen([self.proxy, str(delay_ms), "127.0.0.1:%d=127.0.0.1:%d" % (ports[0], main_port),
                                      "127.0.0.2:%d=127.0.0.2:%d" % (ports[1], second_port)], stdout=subprocess.DEVNULL)
            self.processes.append(proxy)
            wait_for_port("127.0.0.1", ports[0], proxy, "the delay proxy")
            wait_for_port("127.0.0.2", ports[1], proxy, "the delay proxy")

    def answered(self):
        """Requests nginx answered so far, this question included: its status
        counter costs the server nothing per request, a log would."""
        with socket.create_connection(("127.0.0.1", self.status_port)) as status:
            status.sendall(b"GET /status HTTP/1.0\r\n\r\n")
            text = b""
            while True:
                chunk = status.recv(4096)
                if not chunk:
                    break
                text += chunk
        return int(re.search(rb"\n\s*\d+\s+\d+\s+(\d+)", text).group(1))

    def stop(self):
        for process in reversed(self.processes):
            process.send_signal(signal.SIGTERM)
            process.wait()
        self.processes = []


def one_site_parser(description):
    """The options of a benchmark that crawls one generated site behind the delay proxy."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--proxy", required=True)
    parser.add_argument("--nginx", default=shutil.which("nginx") or "/usr/sbin/nginx")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--pages", type=int, default=2000)
    parser.add_argument("--links", type=int, default=25)
    parser.add_argument("--delay-ms", type=float, default=5.0)
    parser.add_argument("--invalid-names")
    return parser


def run_crawl(cli, url, jobs, out_dir, servers, env, extra=()):
    """One crawl under /usr/bin/time -v: its figures, rows and report."""
    tsv, report = os.path.join(out_dir, "rows.tsv"), os.path.join(out_dir, "report.html")
    command = ["/usr/bin/time", "-v", cli, *extra, "--recursive", "--tsv", "--report", report, url]
    if jobs:
        command[3 + len(extra):3 + len(extra)] = ["--jobs", str(jobs)]
    # The second question counts the first.
    before = servers.answered()
    started = time.perf_counter()
    with open(tsv, "wb") as rows, open(os.path.join(out_dir, "time.txt"), "wb") as err:
        process = subprocess.Popen(command, stdout=rows, stderr=err, env=env)
        # wait4 counts the waited-for crawl's CPU time to the microsecond.
        _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - started
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode not in (0, 1):
        sys.exit("%s ended with %d; see %s" % (" ".join(command), process.returncode, out_dir))
    with open(os.path.join(out_dir, "time.txt")) as err:
        peak_kib = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", err.read()).group(1))
    with open(tsv, "rb") as rows:
        row_bytes = rows.read()
    with open(report, "rb") as page:
        report_bytes = page.read()
    checked = sum(1 for line in row_bytes.split(b"\n") if line and line.split(b"\t")[2] != b"-1")
    return {"wall": wall, "cpu": usage.ru_utime + usage.ru_stime, "peak": peak_kib / 1024.0,
            "requests": servers.answered() - before - 1, "links": checked}, row_bytes, report_bytes


def measure(cli, url, runs, out_dir, servers, label, env):
    """Medians for --jobs 1 and the defaults, and whether all outputs agree."""
    results = {1: [], None: []}
    reference = None
    identical = True
    for run in range(runs):
        for jobs in (1, None):
            figures, rows, report = run_crawl(cli, url, jobs, out_dir, servers, env)
            results[jobs].append(figures)
            if reference is None:
                reference = (rows, report)
            elif (rows, report) != reference:
                identical = False
                shutil.copy(os.path.join(out_dir, "rows.tsv"), os.path.join(out_dir, "differs-%s.tsv" % (jobs or "default")))
            print("  %s run %d, jobs %s: %.3f s wall, %.3f s CPU" % (label, run + 1, jobs or "default",
                                                                     figures["wall"], figures["cpu"]), file=sys.stderr)
    medians = {jobs: {key: statistics.median(f[key] for f in runs_) for key in runs_[0]} for jobs, runs_ in results.items()}
    return medians, identical


def print_table(rows, links_per_page):
    print()
    print("| site | delay | figure | --jobs 1 | defaults | ratio |")
    print("|------|-------|--------|---------:|---------:|------:|")
    for site, pages, delay, medians, identical in rows:
        seq, par = medians[1], medians[None]
        lines = [("wall time", "%.3f s", "wall"), ("CPU time", "%.3f s", "cpu"), ("peak memory", "%.1f MiB", "peak"),
                 ("requests answered", "%d", "requests"), ("links checked", "%d", "links")]
        for name, fmt, key in lines:
            ratio = "%.3f" % (par[key] / seq[key]) if seq[key] else "-"
            print("| %s | %s | %s | %s | %s | %s |" % (site, delay, name, fmt % seq[key], fmt % par[key], ratio))
        links = par["links"] or 1
        print("| %s | %s | CPU per link checked | %.1f us | %.1f us | |" % (site, delay, seq["cpu"] / links * 1e6,
                                                                          par["cpu"] / links * 1e6))
        read = pages * links_per_page
        print("| %s | %s | CPU per link read (%d on the pages) | %.1f us | %.1f us | |" % (
            site, delay, read, seq["cpu"] / read * 1e6, par["cpu"] / read * 1e6))
        print("| %s | %s | rows and report identical | %s | | |" % (site, delay, "yes" if identical else "NO"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="the lintrel-cli to time (a Release build)")
    parser.add_argument("--proxy", required=True, help="lintrel_delay_proxy")
    parser.add_argument("--nginx", default=shutil.which("nginx") or "/usr/sbin/nginx")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--sizes", default="2000,20000", help="pages of each site, comma-separated")
    parser.add_argument("--links", type=int, default=25)
    parser.add_argument("--delay-ms", type=float, default=5.0, help="delay per request for the first site; 0 for none")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    parser.add_argument("--invalid-names", help="lintrel_invalid_names, preloaded so names under .invalid fail at once")
    parser.add_argument("--system-dns", action="store_true", help="resolve .invalid names through the system after all")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="lintrel-bench-")
    # nginx started by root serves as an unprivileged user, who must read the site.
    os.chmod(work, 0o755)
    servers = Servers(args.nginx, args.proxy, work)
    ports = (free_port("127.0.0.1"), free_port("127.0.0.2"))
    table = []
    identical_all = True
    env = dict(os.environ)
    if args.invalid_names and not args.system_dns:
        env["LD_PRELOAD"] = os.path.abspath(args.invalid_names)
    try:
        sizes = [int(size) for size in args.sizes.split(",")]
        for size in sizes:
            site = os.path.join(work, "site-%d" % size)
            gensite.generate(site, size, args.links, 270 / 2320, 50 / 2320, ports[1])
            delays = [0] + ([args.delay_ms] if args.delay_ms and size == sizes[0] else [])
            for delay in delays:
                servers.start(site, ports, delay)
                label = "%d x %d%s" % (size, args.links, ", %g ms" % delay if delay else "")
                medians, identical = measure(args.cli, "http://127.0.0.1:%d/index.html" % ports[0], args.runs,
                                             work, servers, label, env)
                identical_all = identical_all and identical
                table.append(("%d x %d" % (size, args.links), size, "%g ms" % delay, medians, identical))
        servers.stop()
        print_table(table, args.links)
    finally:
        servers.stop()
        if args.keep:
            print("work folder kept: %s" % work, file=sys.stderr)
        else:
            shutil.rmtree(work, ignore_errors=True)
    return 0 if identical_all else 1


if __name__ == "__main__":
    sys.exit(main())
