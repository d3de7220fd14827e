#!/usr/bin/env python3
"""Prints the lines of test code against the lines of program code."""
import os, re, subprocess, sys

root = sys.argv[1]
files = subprocess.run(["git", "-C", root, "ls-files", "--cached", "--others", "--exclude-standard"],
                       capture_output=True, text=True).stdout.split()
src = re.compile(r"\.(c|cc|cpp|cxx|h|hpp|hxx)$")
test = re.compile(r"(^|/)(tests?|fuzz)/|_test\.|test_")
blank = re.compile(r"^\s*(//.*)?$")
counts = {"test": 0, "program": 0}
for f in files:
    if not src.search(f):
        continue
    try:
        with open(os.path.join(root, f), encoding="utf-8", errors="replace") as fh:
            n = sum(1 for line in fh if not blank.match(line))
    except OSError:
        continue
    counts["test" if test.search(f) else "program"] += n
t, p = counts["test"], counts["program"]
share = t / (t + p) if t + p else 0
print(f"lines of test code: {t}, of program code: {p} (tests are {share:.0%} of all)")
