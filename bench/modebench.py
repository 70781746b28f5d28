#!/usr/bin/env python3
"""Compares the default mode with --modern on one generated site served by nginx.

Three figures sets, each the median of RUNS crawls with the defaults:
  1. http with a fixed delay per request (through lintrel_delay_proxy):
     the default mode against --modern, alternating;
  2. the same site over https from nginx with HTTP/2 on: --modern with
     HTTP/2 against --modern --http1.1, alternating.
The certificate authority and the server's certificate are made with the
openssl command in the work folder; the crawls trust them with --cacert.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile

import gensite
import sitebench

TLS_SERVER = """    server {{
        listen 127.0.0.1:{tls_port} ssl http2;
        ssl_certificate {work}/server.pem;
        ssl_certificate_key {work}/server.key;
        root {site}/main;
    }}
"""


def make_certificates(work):
    """A CA and a server certificate for 127.0.0.1, signed by it."""
    def openssl(*args):
        subprocess.run(["openssl", *args], check=True, cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Lintrel bench CA",
            "-keyout", "ca.key", "-out", "ca.pem")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", "server.key", "-out", "server.csr")
    with open(os.path.join(work, "san.ext"), "w") as ext:
        ext.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial", "-days", "2",
            "-extfile", "san.ext", "-out", "server.pem")
    return os.path.join(work, "ca.pem")


class TlsServers(sitebench.Servers):
    """The benchmark's nginx with one more server: the site over https."""

    def __init__(self, nginx, proxy, work, tls_port):
        super().__init__(nginx, proxy, work)
        self.tls_port = tls_port

    def start(self, site, ports, delay_ms):
        template = sitebench.NGINX_CONF
        extra = TLS_SERVER.format(tls_port=self.tls_port, work=self.work, site=site)
        sitebench.NGINX_CONF = template.replace("    server {{ listen 127.0.0.1:{status_port}",
                                                extra.replace("{", "{{").replace("}", "}}")
                                                + "    server {{ listen 127.0.0.1:{status_port}")
        try:
            super().start(site, ports, delay_ms)
        finally:
            sitebench.NGINX_CONF = template
        sitebench.wait_for_port("127.0.0.1", self.tls_port, self.processes[0], "nginx (https)")


def crawl(cli, options, url, out_dir, servers, env):
    """One crawl of the defaults with extra options, timed as sitebench times it."""
    figures, rows, _ = sitebench.run_crawl(cli, url, None, out_dir, servers, env, options)
    return figures, rows


def compare(label, cli, variants, url, runs, out_dir, servers, env):
    """Medians per variant, runs alternating between the variants."""
    results = {name: [] for name, _ in variants}
    for run in range(runs):
        for name, options in variants:
            figures, _ = crawl(cli, options, url, out_dir, servers, env)
            results[name].append(figures)
            print("  %s run %d, %s: %.3f s wall, %.3f s CPU, %.1f MiB" % (
                label, run + 1, name, figures["wall"], figures["cpu"], figures["peak"]), file=sys.stderr)
    return {name: {key: statistics.median(f[key] for f in runs_) for key in runs_[0]} for name, runs_ in results.items()}


def print_table(label, medians):
    names = list(medians)
    print()
    print("| %s | %s | ratio |" % (label, " | ".join(names)))
    print("|---|%s---:|" % ("---:|" * len(names)))
    lines = [("wall time", "%.3f s", "wall"), ("CPU time", "%.3f s", "cpu"), ("peak memory", "%.1f MiB", "peak"),
             ("requests answered", "%d", "requests"), ("links checked", "%d", "links")]
    first, last = medians[names[0]], medians[names[-1]]
    for title, fmt, key in lines:
        ratio = "%.3f" % (last[key] / first[key]) if first[key] else "-"
        print("| %s | %s | %s |" % (title, " | ".join(fmt % medians[name][key] for name in names), ratio))


def main():
    args = sitebench.one_site_parser(__doc__.splitlines()[0]).parse_args()

    work = tempfile.mkdtemp(prefix="lintrel-modebench-")
    os.chmod(work, 0o755)
    ca_file = make_certificates(work)
    for name in ("server.key", "server.pem"):
        os.chmod(os.path.join(work, name), 0o644)
    servers = TlsServers(args.nginx, args.proxy, work, sitebench.free_port("127.0.0.1"))
    ports = (sitebench.free_port("127.0.0.1"), sitebench.free_port("127.0.0.2"))
    env = dict(os.environ)
    if args.invalid_names:
        env["LD_PRELOAD"] = os.path.abspath(args.invalid_names)
    try:
        site = os.path.join(work, "site")
        gensite.generate(site, args.pages, args.links, 270 / 2320, 50 / 2320, ports[1])
        servers.start(site, ports, args.delay_ms)
        label = "%d x %d, http, %g ms" % (args.pages, args.links, args.delay_ms)
        modes = compare(label, args.cli, [("default mode", []), ("--modern", ["--modern"])],
                        "http://127.0.0.1:%d/index.html" % ports[0], args.runs, work, servers, env)
        servers.start(site, ports, 0)
        tls_url = "https://127.0.0.1:%d/index.html" % servers.tls_port
        tls = compare("%d x %d, https" % (args.pages, args.links), args.cli,
                      [("--modern, HTTP/2", ["--modern", "--cacert", ca_file]),
                       ("--modern --http1.1", ["--modern", "--cacert", ca_file, "--http1.1"])],
                      tls_url, args.runs, work, servers, env)
        servers.stop()
        print_table(label, modes)
        print_table("%d x %d, https, no delay" % (args.pages, args.links), tls)
    finally:
        servers.stop()
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
