#!/usr/bin/env python3
"""Peak memory of the modern mode reading a gzip bomb: a page of 2 GiB of
text sent as about 2 MB of gzip from a server on 127.0.0.1, which the
crawl's 64 MiB bound cuts short; each build given is run in turn under
/usr/bin/time -v.
  bench/bombbench.py OLD/lintrel-cli NEW/lintrel-cli [--runs 3]"""
import argparse
import http.server
import re
import statistics
import subprocess
import threading
import zlib

SIZE = 2 << 30


def bomb():
    packer = zlib.compressobj(9, zlib.DEFLATED, 31)
    chunk = b"<p>" + b"x" * (1 << 20)
    parts = [packer.compress(chunk) for _ in range(SIZE // len(chunk))]
    parts.append(packer.flush())
    return b"".join(parts)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("cli", nargs="+")
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    body = bomb()

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Encoding", "gzip")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            try:
                self.wfile.write(body)
            except OSError:
                pass

        def do_HEAD(self):
            self.send_response(200)
            self.end_headers()

        def log_message(self, *_):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/" % server.server_address[1]
    print("gzip body %d bytes for %d bytes of page" % (len(body), SIZE))
    peaks = {cli: [] for cli in args.cli}
    for _ in range(args.runs):
        for cli in args.cli:
            done = subprocess.run(["/usr/bin/time", "-v", cli, "-m", url], capture_output=True)
            peaks[cli].append(int(re.search(rb"Maximum resident set size \(kbytes\): (\d+)", done.stderr).group(1)))
    for cli, kib in peaks.items():
        print("%s: peak %.1f MiB (median of %d)" % (cli, statistics.median(kib) / 1024.0, args.runs))
    server.shutdown()


if __name__ == "__main__":
    main()
