#!/usr/bin/env python3
"""Judges a soak run and writes its report: soak_report.py OUTDIR

Reads OUTDIR/counts.csv (the samples of the driver) and OUTDIR/result.txt
(its checks), writes OUTDIR/report.txt and OUTDIR/counts.png (the counts
over time), and exits with 1 when the run failed.

The rule: the program answered at the end, closed with the device blanked,
damaged no file, and every count of both processes is flat. Flat: from the
first idle sample after the warm-up (a third of the run, at least one and
at most ten minutes) to the last one, a count grows by at most 1 % of its
level per 10 minutes plus a fixed slack for one-off caches (handles 10,
GDI objects 20, USER objects 5, private memory 2 MB). Idle samples are
taken at the end of every round, when every view is closed, so that they
compare the same state.

Handles the platform keeps are not the program's: Wine 8 keeps an event of
every filter graph, registry keys of every enumeration of the video
devices and one of every file chosen in a file dialog (the driver measures
all three in its own process in the same run, and the report shows them).
The registry keys and events the program gains during the acts that use
those parts (the camera view, the files) are counted by the driver and
taken off the handle growth; every other handle kind, and those kinds in
every other act, must stay flat. Plain Python, no libraries: the PNG is
written with zlib.
"""
import csv
import os
import struct
import sys
import zlib

COUNTS = [("handles", "handles", 10), ("gdi", "GDI objects", 20), ("user", "USER objects", 5),
          ("private_kb", "private memory KB", 2048)]
GROWTH_PER_10_MIN = 0.01
PROCESSES = [("RelivoX", (200, 40, 40)), ("stills", (40, 90, 200))]


def read_samples(path):
    if not os.path.exists(path):  # the driver ended before its first sample
        return []
    with open(path, newline="") as f:
        rows = list(csv.DictReader(f))
    for r in rows:
        r["seconds"] = float(r["seconds"])
        r["quiet"] = r["quiet"] == "1"
        r["platform"] = int(r.get("platform") or 0)
        for key, _, _ in COUNTS:
            r[key] = int(r[key])
    return rows


def read_result(path):
    result = {}
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                if "=" in line:
                    key, value = line.rstrip("\n").split("=", 1)
                    result[key] = value
    return result


def judge(rows, duration):
    warmup = min(600.0, max(60.0, duration / 3))
    verdicts = []
    for process, _ in PROCESSES:
        idle = [r for r in rows if r["process"] == process and r["quiet"] and r["seconds"] >= warmup]
        if len(idle) < 2:
            verdicts.append((process, None, "too few idle samples after the warm-up", False))
            continue
        first, last = idle[0], idle[-1]
        minutes = (last["seconds"] - first["seconds"]) / 60
        for key, name, slack in COUNTS:
            growth = last[key] - first[key]
            allowed = slack + GROWTH_PER_10_MIN * first[key] * minutes / 10
            platform = last["platform"] - first["platform"] if key == "handles" else 0
            ok = growth - platform <= allowed
            note = (", of which %+d registry keys and events kept by the platform in the camera view and the file "
                    "dialogs" % platform) if platform else ""
            verdicts.append((process, name, "%d -> %d over %.1f min (growth %+d%s, allowed %.0f)" %
                             (first[key], last[key], minutes, growth, note, allowed), ok))
    return warmup, verdicts


# ---- a small PNG canvas ------------------------------------------------------

FONT = {  # 3 x 5 glyphs, rows top down, bits left to right
    "0": "111101101101111", "1": "010110010010111", "2": "111001111100111", "3": "111001111001111",
    "4": "101101111001001", "5": "111100111001111", "6": "111100111101111", "7": "111001010010010",
    "8": "111101111101111", "9": "111101111001111", ".": "000000000000010", "-": "000000111000000",
    " ": "000000000000000", ":": "000010000010000", "(": "010100100100010", ")": "010001001001010",
    "A": "010101111101101", "B": "110101110101110", "C": "011100100100011", "D": "110101101101110",
    "E": "111100110100111", "F": "111100110100100", "G": "011100101101011", "H": "101101111101101",
    "I": "111010010010111", "J": "001001001101010", "K": "101101110101101", "L": "100100100100111",
    "M": "101111111101101", "N": "110101101101101", "O": "010101101101010", "P": "110101110100100",
    "Q": "010101101110011", "R": "110101110101101", "S": "011100010001110", "T": "111010010010010",
    "U": "101101101101111", "V": "101101101101010", "W": "101101111111101", "X": "101101010101101",
    "Y": "101101010010010", "Z": "111001010100111", "/": "001001010100100", "%": "101001010100101",
}


class Canvas:
    def __init__(self, width, height):
        self.w, self.h = width, height
        self.px = bytearray(b"\xff" * (width * height * 3))

    def dot(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            i = (y * self.w + x) * 3
            self.px[i:i + 3] = bytes(c)

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.dot(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.dot(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def text(self, x, y, s, c=(0, 0, 0), scale=2):
        for ch in s.upper():
            glyph = FONT.get(ch, FONT[" "])
            for i, bit in enumerate(glyph):
                if bit == "1":
                    self.rect(x + (i % 3) * scale, y + (i // 3) * scale, x + (i % 3 + 1) * scale,
                              y + (i // 3 + 1) * scale, c)
            x += 4 * scale

    def png(self, path):
        raw = b"".join(b"\x00" + bytes(self.px[y * self.w * 3:(y + 1) * self.w * 3]) for y in range(self.h))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0)) +
                    chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def plot(rows, duration, warmup, path):
    width, panel, margin = 900, 190, 70
    canvas = Canvas(width, 30 + panel * len(COUNTS))
    canvas.text(10, 8, "SOAK RUN: %.0f MIN   RED RELIVOX   BLUE STILLS PROCESS   DOTS: IDLE SAMPLES" % (duration / 60))
    span = max(duration, 1.0)
    for n, (key, name, _) in enumerate(COUNTS):
        top = 30 + n * panel
        x0, x1, y0, y1 = margin, width - 20, top + 25, top + panel - 25
        values = [r[key] for r in rows] or [0]
        lo, hi = min(values), max(values)
        if hi == lo:
            hi = lo + 1
        canvas.rect(x0, y0, x0 + int((x1 - x0) * min(warmup, span) / span), y1, (238, 238, 238))
        canvas.line(x0, y1, x1, y1, (0, 0, 0))
        canvas.line(x0, y0, x0, y1, (0, 0, 0))
        canvas.text(x0, top + 8, name)
        canvas.text(4, y0, str(hi), scale=1)
        canvas.text(4, y1 - 6, str(lo), scale=1)
        canvas.text(x1 - 60, y1 + 6, "%.0f MIN" % (duration / 60), scale=1)

        def at(r):
            return (x0 + int((x1 - x0) * r["seconds"] / span), y1 - int((y1 - y0) * (r[key] - lo) / (hi - lo)))
        for process, colour in PROCESSES:
            mine = [r for r in rows if r["process"] == process]
            for a, b in zip(mine, mine[1:]):
                canvas.line(*at(a), *at(b), colour)
            for r in mine:
                if r["quiet"]:
                    x, y = at(r)
                    canvas.rect(x - 2, y - 2, x + 3, y + 3, colour)
    canvas.png(path)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    out = sys.argv[1]
    rows = read_samples(os.path.join(out, "counts.csv"))
    result = read_result(os.path.join(out, "result.txt"))
    duration = max((r["seconds"] for r in rows), default=0.0)
    warmup, verdicts = judge(rows, duration)
    plot(rows, duration, warmup, os.path.join(out, "counts.png"))

    checks = [("the program answered at the end", result.get("answers") == "1"),
              ("it closed", result.get("exited") == "1"),
              ("the device was blanked at the end", result.get("blanked") == "1"),
              ("no file was damaged", result.get("files_intact") == "1"),
              ("the device was found again every time it went away",
               result.get("device_lost") == result.get("device_back")),
              ("the driver's own checks", result.get("driver_failures") == "0")]
    lines = ["soak run of %.1f minutes, %s rounds, %d samples" % (duration / 60, result.get("rounds", "?"),
                                                                   len(rows)),
             "warm-up: the first %.0f s; counts: handles from %s, GDI objects from %s, USER objects from %s" %
             (warmup, result.get("handles_from", "?"), result.get("gdi_from", "?"), result.get("user_from", "?")),
             "device away %s times, found again %s times; noticed after %s ms (median), %s ms (most); "
             "found again %s ms (median), %s ms (most) after it was back" %
             (result.get("device_lost", "?"), result.get("device_back", "?"), result.get("noticed_ms_median", "?"),
              result.get("noticed_ms_max", "?"), result.get("back_ms_median", "?"), result.get("back_ms_max", "?")),
             "the slowest answer of the program to a posted command: %s ms (a hang is no answer within 5 minutes)" %
             result.get("slowest_answer_ms", "?"),
             ""]
    passed = True
    for what, ok in checks:
        lines.append("%s %s" % ("ok  " if ok else "FAIL", what))
        passed &= ok
    for process, name, text, ok in verdicts:
        lines.append("%s %s %s: %s" % ("ok  " if ok else "FAIL", process, name or "", text))
        passed &= ok
    lines.append("")
    lines.append("handles by kind after the warm-up: %s" % result.get("kinds_first", "?"))
    lines.append("handles by kind at the end:       %s" % result.get("kinds_last", "?"))
    lines.append("measured now, the platform keeps %s handles of every filter graph, %s of every enumeration of the "
                 "video devices, %s of every file chosen in a file dialog" %
                 (result.get("platform_keeps_per_graph", "?"), result.get("platform_keeps_per_enumeration", "?"),
                  result.get("platform_keeps_per_chosen_file", "?")))
    lines.append("")
    lines.append("PASSED" if passed else "FAILED")
    with open(os.path.join(out, "report.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    print("\n".join(lines))
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
