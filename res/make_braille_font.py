#!/usr/bin/env python3
"""Makes the program's braille font: round dots on the 8-dot grid.

Usage: make_braille_font.py OUTPUT.ttf

The 95 printable ASCII characters carry the 6-dot patterns of North-American
computer braille (letters of both cases share a pattern), the Unicode
braille block U+2800..U+28FF carries all 256 8-dot patterns. The face is
"Relivo Braille", bold, so that the program's bold request draws the dots
as they are designed, without a synthetic emboldening.

Geometry, in units of a 1000-unit em: every glyph advances 500; dot centres
in the columns 150 and 350 and in the rows 700, 500, 300 and 100 above the
baseline (dots 1-2-3-7 on the left, 4-5-6-8 on the right), radius 50. At an
em of 20 pixels a cell is 10 pixels wide with dots of 2 x 2 pixels, 2 apart;
at 40 pixels it is 20 wide with dots of 4 pixels, 4 apart. The centres lie
on pixel corners at every even em, so the dots rasterise round and equal.
"""
import math
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.misc.timeTools import timestampSinceEpoch
from fontTools.pens.ttGlyphPen import TTGlyphPen

FAMILY = "Relivo Braille"
STYLE = "Bold"
EM = 1000
ADVANCE = 500
RADIUS = 50
# The font's creation date (2026-01-01, seconds since 1970).
FONT_DATE = 1767225600
COLUMNS = (150, 350)
ROWS = (700, 500, 300, 100)
# Dot n (1..8) at (column, row).
DOTS = {1: (0, 0), 2: (0, 1), 3: (0, 2), 4: (1, 0), 5: (1, 1), 6: (1, 2), 7: (0, 3), 8: (1, 3)}

# Braille ASCII: the character of the 6-dot pattern with bit n - 1 for dot n.
BRAILLE_ASCII = " A1B'K2L@CIF/MSP\"E3H9O6R^DJG>NTQ,*5<-U8V.%[$+X!&;:4\\0Z7(_?W]#Y)="
# Characters that share the pattern of another one.
SAME_AS = {"`": "@", "{": "[", "|": "\\", "}": "]", "~": "^"}


def ascii_patterns():
    patterns = {}
    for bits, char in enumerate(BRAILLE_ASCII):
        patterns[char] = bits
        patterns[char.lower()] = bits
    for char, other in SAME_AS.items():
        patterns[char] = patterns[other]
    assert len(patterns) == 95, len(patterns)
    return patterns


def circle(pen, cx, cy, r):
    """A closed circle of eight quadratic arcs, clockwise as TrueType wants
    an outer contour."""
    n = 8
    step = 2 * math.pi / n
    k = r / math.cos(step / 2)  # off-curve points on the tangents' crossing
    pen.moveTo((round(cx + r), round(cy)))
    for i in range(n):
        a0 = -i * step
        a1 = -(i + 1) * step
        mid = (a0 + a1) / 2
        control = (round(cx + k * math.cos(mid)), round(cy + k * math.sin(mid)))
        end = (round(cx + r * math.cos(a1)), round(cy + r * math.sin(a1)))
        pen.qCurveTo(control, end)
    pen.closePath()


def glyph(bits):
    pen = TTGlyphPen(None)
    for dot, (column, row) in DOTS.items():
        if bits & (1 << (dot - 1)):
            circle(pen, COLUMNS[column], ROWS[row], RADIUS)
    return pen.glyph()


def main(out):
    names = [".notdef", "space"]
    glyphs = {".notdef": glyph(0), "space": glyph(0)}
    cmap = {0x20: "space", 0xA0: "space"}
    for bits in range(256):
        name = "uni%04X" % (0x2800 + bits)
        names.append(name)
        glyphs[name] = glyph(bits)
        cmap[0x2800 + bits] = name
    for char, bits in ascii_patterns().items():
        if char != " ":
            cmap[ord(char)] = "uni%04X" % (0x2800 + bits)

    fb = FontBuilder(EM, isTTF=True)
    fb.setupGlyphOrder(names)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics({name: (ADVANCE, glyphs[name].xMin if hasattr(glyphs[name], "xMin") else 0)
                               for name in names})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    fb.setupNameTable({
        "familyName": FAMILY,
        "styleName": STYLE,
        "uniqueFontIdentifier": FAMILY + " " + STYLE + " 1.0",
        "fullName": FAMILY + " " + STYLE,
        "psName": FAMILY.replace(" ", "") + "-" + STYLE,
        "version": "Version 1.0",
    })
    fb.setupOS2(
        usWeightClass=700,
        fsSelection=0x20,  # bold
        achVendID="RLVX",
        sTypoAscender=800, sTypoDescender=-200, sTypoLineGap=0,
        usWinAscent=800, usWinDescent=200,
        ulCodePageRange1=1,  # Latin 1: the face serves the ANSI character set
        ulUnicodeRange1=1,   # Basic Latin
        ulUnicodeRange3=1 << (82 - 64),  # Braille Patterns
        sxHeight=500, sCapHeight=750,
    )
    fb.setupPost(isFixedPitch=1)
    fb.font["head"].macStyle = 1  # bold
    # The same bytes from every build: fixed dates, not the time of making.
    fb.font.recalcTimestamp = False
    fb.font["head"].created = fb.font["head"].modified = timestampSinceEpoch(FONT_DATE)
    fb.save(out)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
