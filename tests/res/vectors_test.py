#!/usr/bin/env python3
"""The descriptions' conversion into drawings (src/res/pictures/vectors.py):
ink runs one way round and holes the other, so that the program's nonzero
fill joins strokes and keeps outlines hollow; arcs find their centres; a
sub-path drawn out and back is stroked once; what the program cannot draw
is refused."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'src', 'res', 'pictures'))
import vectors  # noqa: E402

HEAD = 'viewbox 0 0 100 100\n'

# description, then per shape: the signs of its contours' areas (- ink, + hole)
ROWS = [
    ("fill white\nroundrectangle 10,10 90,90 14,14", [['-']]),
    ("fill none\nstroke black\nstroke-width 8\nroundrectangle 10,10 90,90 14,14", [['-', '+']]),
    ("fill none\nstroke black\nstroke-width 8\ncircle 50,50 50,10", [['-', '+']]),
    # A tick with round caps and a round join: two lines, three discs.
    ("fill none\nstroke black\nstroke-width 12\nstroke-linecap round\nstroke-linejoin round\n"
     "path 'M 28,52 L 44,67 L 73,36'", [['-'] * 5]),
    # Out and back along two arcs of one circle: one sector, stroked once.
    ("fill none\nstroke black\nstroke-width 12\n"
     "path 'M 73,34.7 A 30,30 0 0 1 44.8,83.5 A 30,30 0 0 1 35,28 A 30,30 0 0 0 44.8,83.5 A 30,30 0 0 0 73,34.7'",
     [['-']]),
    ("fill white\npolygon 10,10 90,10 50,90\nfill '#102030'\nrectangle 0,0 10,10", [['-'], ['-']]),
]


def check(text, expected):
    units, shapes = vectors.shapes(HEAD + text)
    assert units == 100, units
    signs = [['-' if vectors.area(c) < 0 else '+' for c in contours] for _, contours in shapes]
    assert signs == expected, (text, signs)


def main():
    for text, expected in ROWS:
        check(text, expected)
    cx, cy, r, start, end = vectors.svg_arc((73, 34.7), (44.8, 83.5), 30, 30, 0, 1)
    assert abs(cx - 50) < 0.1 and abs(cy - 54) < 0.1 and r == 30 and end > start, (cx, cy, start, end)
    # The encoding ends with its end operation; the colour comes first.
    data = vectors.encode(HEAD + "fill '#2E9E4F'\ncircle 50,50 50,5")
    assert data[0] == 100 and data[1:5] == bytes([1, 0x2E, 0x9E, 0x4F]) and data[-1] == 0, data
    for refused in ["text 1,1 'A'", "fill none\nstroke black\npolygon 1,1 2,2 3,1", "fill white\npath 'M 1,1 L 2,2'"]:
        try:
            vectors.shapes(HEAD + refused)
        except ValueError:
            continue
        raise AssertionError('accepted: ' + refused)
    print('%d descriptions converted as expected' % len(ROWS))


if __name__ == '__main__':
    main()
