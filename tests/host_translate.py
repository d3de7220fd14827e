"""The host's own braille translator, for the tests: translates the UTF-8
text of a file with a table list in dots mode and writes one byte per cell,
the cell's dot pattern (bit n for dot n + 1).

Usage: host_translate.py TABLES IN OUT
"""
import sys

import louis


def main():
    tables, source, target = sys.argv[1:4]
    with open(source, "rb") as f:
        text = f.read().decode("utf-8")
    cells = louis.translateString([tables], text, mode=louis.dotsIO)
    with open(target, "wb") as f:
        f.write(bytes(ord(c) & 0xFF for c in cells))


if __name__ == "__main__":
    main()
