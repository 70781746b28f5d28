#!/usr/bin/env python3
"""Writes a deterministic test site for the crawl benchmark.

OUT/main is the site on the first loopback host: index.html and p1.html to
pN-1.html, every page reachable from index.html. OUT/other is the second
loopback host (127.0.0.2), where a few good pages live. Every page carries
LINKS links: the start page, the next page, one of the extra URLs (good
pages on the second host, or broken ones: missing pages on either host and
hosts under .invalid that never resolve) and pages picked at random. The
same arguments always give the same files.
"""

import argparse
import os
import random

# Of the broken URLs: missing on the second host, under .invalid; the rest
# are missing on the site's own host.
SECOND_HOST_SHARE = 0.30
INVALID_SHARE = 0.15
WORDS = ("link checker site page text crawl anchor index table status report "
         "queue request header answer server browser document section").split()


def page_name(index):
    return "index.html" if index == 0 else "p%d.html" % index


def extra_urls(pages, broken_share, external_share, second_port):
    """Good pages on the second host and broken URLs, so that of all
    distinct URLs the given shares are broken and external."""
    total = pages / (1.0 - broken_share - external_share)
    broken = round(total * broken_share)
    external = round(total * external_share)
    on_second = round(broken * SECOND_HOST_SHARE)
    invalid = round(broken * INVALID_SHARE)
    missing = broken - on_second - invalid
    second = "http://127.0.0.2:%d" % second_port
    urls = ["%s/ext/%d.html" % (second, n) for n in range(external)]
    urls += ["missing/%d.html" % n for n in range(missing)]
    urls += ["%s/gone/%d.html" % (second, n) for n in range(on_second)]
    urls += ["http://host-%d.invalid/page.html" % n for n in range(invalid)]
    return urls, external


def page_text(rng, index, hrefs):
    words = " ".join(rng.choice(WORDS) for _ in range(40))
    items = "\n".join('<li><a href="%s">%s</a></li>' % (href, href) for href in hrefs)
    return ("<!DOCTYPE html>\n<html><head><title>Page %d</title></head>\n<body>\n<h1>Page %d</h1>\n"
            "<p>%s</p>\n<ul>\n%s\n</ul>\n</body></html>\n" % (index, index, words, items))


def generate(out, pages, links, broken_share, external_share, second_port, seed=1):
    rng = random.Random(seed)
    extras, external = extra_urls(pages, broken_share, external_share, second_port)
    os.makedirs(os.path.join(out, "main"), exist_ok=True)
    os.makedirs(os.path.join(out, "other", "ext"), exist_ok=True)
    for index in range(pages):
        hrefs = [page_name(0), page_name((index + 1) % pages), extras[index % len(extras)]]
        hrefs += [page_name(rng.randrange(pages)) for _ in range(max(0, links - len(hrefs)))]
        rng.shuffle(hrefs)
        with open(os.path.join(out, "main", page_name(index)), "w") as page:
            page.write(page_text(rng, index, hrefs[:links]))
    for n in range(external):
        with open(os.path.join(out, "other", "ext", "%d.html" % n), "w") as page:
            page.write("<html><body><p>External page %d</p></body></html>\n" % n)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--pages", type=int, default=2000)
    parser.add_argument("--links", type=int, default=25)
    parser.add_argument("--broken-share", type=float, default=270 / 2320,
                        help="share of the distinct URLs that are broken")
    parser.add_argument("--external-share", type=float, default=50 / 2320,
                        help="share of the distinct URLs that are good pages on the second host")
    parser.add_argument("--second-port", type=int, required=True, help="port of the second host, 127.0.0.2")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    generate(args.out, args.pages, args.links, args.broken_share, args.external_share, args.second_port, args.seed)


if __name__ == "__main__":
    main()
