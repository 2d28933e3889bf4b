#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Size and speed of the status page documents (a benchmark, not a test).

  documents_bench.py [BUILD_DIR] [RUNS] [PROFILE]

BUILD_DIR is a build tree that has assembled the documents (default: build);
RUNS the number of timed runs of each document (default 15); PROFILE a
printer profile (tests/documents/profiles/*.ps) that Ghostscript runs before
the full document, to time the page of a printer with more to report.

Sizes: the assembled full and minimal documents against their targets
(64 KiB and 48 KiB; the reference documents of this format are 261,717 and
213,470 bytes).

Speed: Ghostscript renders the full document to a 300 dpi grey page, and,
alternately, a plain peer document that shows the same strings at the same
places with nothing but moveto/show. The peer is made from the text
Ghostscript itself placed on the full page (txtwrite), so both draw the same
text; the full document also asks the printer for its status, draws the
header boxes and the table rules. Prints the medians and their ratio against
the target of 1.5.
"""
import html
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

GS = ["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sPAPERSIZE=letter"]


def spans(document):
    out = subprocess.run(GS + ["-sDEVICE=txtwrite", "-dTextFormat=0", "-sstdout=%stderr", "-o", "-"] + document,
                         check=True, capture_output=True, text=True, encoding="latin-1").stdout
    result, current = [], None
    for line in out.splitlines():
        m = re.match(r'<span bbox="([-\d.]+) ([-\d.]+) [-\d.]+ [-\d.]+" font="[^"]*" size="([\d.]+)"', line)
        if m:
            current = [float(m.group(1)), float(m.group(2)), float(m.group(3)), ""]
            result.append(current)
            continue
        m = re.match(r'<char bbox="[^"]*" c="(.*)"/>', line)
        if m and current is not None:
            current[3] += html.unescape(m.group(1))
    return result


def ps_string(text):
    out = "("
    for ch in text:
        c = ord(ch)
        if ch in "()\\":
            out += "\\" + ch
        elif 32 <= c < 127:
            out += ch
        else:
            out += "\\%03o" % (c & 0xFF)
    return out + ")"


def peer_document(spans_):
    lines = ["%!PS-Adobe-2.0",
             "/Helvetica findfont dup length dict begin {1 index /FID ne {def} {pop pop} ifelse} forall",
             "/Encoding ISOLatin1Encoding 256 array copy dup 45 /hyphen put def",
             "currentdict end /Helvetica-ISOLatin1 exch definefont pop",
             "/F {/Helvetica-ISOLatin1 findfont exch scalefont setfont} bind def"]
    size = None
    for x, y, s, text in spans_:
        if s != size:
            lines.append("%g F" % s)
            size = s
        lines.append("%g %g moveto %s show" % (x, 792 - y, ps_string(text)))
    lines.append("showpage")
    return "\r\n".join(lines) + "\r\n"


def timed(document):
    start = time.perf_counter()
    subprocess.run(GS + ["-sDEVICE=pnggray", "-r300", "-o", "/dev/null"] + document, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    full = os.path.join(build, "resources", "documents", "status.ps")
    minimal = os.path.join(build, "resources", "documents", "minstatus.ps")
    profile = sys.argv[3:4]
    for name, path, target in (("full", full, 64 * 1024), ("minimal", minimal, 48 * 1024)):
        size = os.path.getsize(path)
        print("%-8s document: %7d bytes  (target <= %d: %s)" % (name, size, target, "met" if size <= target else "MISSED"))

    with tempfile.TemporaryDirectory() as tmp:
        peer = os.path.join(tmp, "peer.ps")
        full_spans = spans(profile + [full])
        with open(peer, "w", encoding="latin-1", newline="") as f:
            f.write(peer_document(full_spans))
        print("peer document: %d bytes, the same %d strings" % (os.path.getsize(peer), len(full_spans)))
        timed(profile + [full]), timed([peer])  # warm the file cache
        ours, theirs = [], []
        for _ in range(runs):
            ours.append(timed(profile + [full]))
            theirs.append(timed([peer]))
    a, b = statistics.median(ours), statistics.median(theirs)
    print("gs, 300 dpi grey page, median of %d runs:" % runs)
    print("  full document  %6.1f ms" % (a * 1000))
    print("  plain peer     %6.1f ms" % (b * 1000))
    print("  ratio          %6.2f   (target <= 1.50: %s)" % (a / b, "met" if a / b <= 1.5 else "MISSED"))


if __name__ == "__main__":
    main()
