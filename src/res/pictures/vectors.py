"""Turns a picture's description (*.mvg, the subset of ImageMagick's drawing
language the icons use) into the drawing the program fills at run time, at
whatever size a dialog asks (ui/vector_picture.cpp reads it).

A drawing, all numbers little-endian:
    u8   units        the side of the description's square viewbox
    then operations, each a byte and its operands:
    1    colour r g b (u8 each): fills the shape gathered so far, if any,
         and starts one in this colour
    2    point x y (i16 each)
    3    arc cx cy r from to (i16 each): points along the circle, from
         angle 'from' to 'to' inclusive (1/16 degree, clockwise on screen)
    4    close: the points since the last close are one contour
    0    end: fills the last shape
Coordinates are in 1/64 of a unit. A shape is filled by the nonzero rule:
every contour of ink runs counter-clockwise on screen, a hole clockwise, so
that overlapping strokes join and the inside of an outline stays clear.

Strokes become filled contours here: a line a quadrilateral, an arc an
annular sector, a round cap or join a disc, a square cap a longer line. A
sub-path that runs out and back along itself (ImageMagick strokes every
sub-path closed, so the descriptions draw open curves so) is stroked once,
as the open path it is.
"""
import math
import re
import struct

FIXED = 64
DEGREE = 16
COLOURS = {'white': (255, 255, 255), 'black': (0, 0, 0)}
# A join turning less than this needs no disc: the pieces' overlap hides it.
JOIN_FROM = math.radians(10)


def colour(text):
    text = text.strip("'\"")
    if text in COLOURS:
        return COLOURS[text]
    m = re.fullmatch(r'#([0-9A-Fa-f]{6})', text)
    if not m:
        raise ValueError('colour %r' % text)
    v = int(m.group(1), 16)
    return (v >> 16, (v >> 8) & 255, v & 255)


def numbers(text):
    return [float(n) for n in re.findall(r'-?[\d.]+(?:e-?\d+)?', text)]


def arc_ops(cx, cy, r, start, end):
    return [('arc', cx, cy, r, start, end)]


def circle(cx, cy, r):
    return arc_ops(cx, cy, r, 0, 360)


def flatten(contour):
    """The contour's points, fine enough to tell its orientation."""
    points = []
    for op in contour:
        if op[0] == 'point':
            points.append(op[1:])
        else:
            _, cx, cy, r, a, b = op
            n = max(2, int(abs(b - a) / 5) + 1)
            for k in range(n + 1):
                t = math.radians(a + (b - a) * k / n)
                points.append((cx + r * math.cos(t), cy + r * math.sin(t)))
    return points


def area(contour):
    p = flatten(contour)
    return sum(p[i - 1][0] * p[i][1] - p[i][0] * p[i - 1][1] for i in range(len(p))) / 2


def reverse(contour):
    return [op if op[0] == 'point' else op[:4] + (op[5], op[4]) for op in reversed(contour)]


def oriented(contour, hole=False):
    """Ink counter-clockwise on screen (negative area with y down), holes
    clockwise."""
    return reverse(contour) if (area(contour) > 0) != hole else contour


def round_rectangle(x0, y0, x1, y1, r):
    r = max(0.0, min(r, (x1 - x0) / 2, (y1 - y0) / 2))
    if r == 0:
        return [('point', x0, y0), ('point', x1, y0), ('point', x1, y1), ('point', x0, y1)]
    return (arc_ops(x1 - r, y0 + r, r, -90, 0) + arc_ops(x1 - r, y1 - r, r, 0, 90) +
            arc_ops(x0 + r, y1 - r, r, 90, 180) + arc_ops(x0 + r, y0 + r, r, 180, 270))


def quad(p, q, half, first, last):
    """A stroked line from p to q: its quadrilateral, lengthened past an end
    of the path (first, last) by a square cap."""
    dx, dy = q[0] - p[0], q[1] - p[1]
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    p = (p[0] - ux * half * first, p[1] - uy * half * first)
    q = (q[0] + ux * half * last, q[1] + uy * half * last)
    nx, ny = -uy * half, ux * half
    return [('point', p[0] + nx, p[1] + ny), ('point', q[0] + nx, q[1] + ny),
            ('point', q[0] - nx, q[1] - ny), ('point', p[0] - nx, p[1] - ny)]


class Piece:
    """One piece of a sub-path: a line, or an arc of a circle."""

    def __init__(self, start, end, arc=None):
        self.start, self.end, self.arc = start, end, arc  # arc: cx, cy, r, from, to (degrees)

    def key(self):
        ends = sorted([tuple(round(c, 3) for c in self.start), tuple(round(c, 3) for c in self.end)])
        return tuple(ends)

    def direction(self, at_end):
        """The unit tangent at its start or end, in the direction of travel."""
        if not self.arc:
            dx, dy = self.end[0] - self.start[0], self.end[1] - self.start[1]
        else:
            _, _, _, a, b = self.arc
            t = math.radians(b if at_end else a)
            s = 1 if b > a else -1
            dx, dy = -math.sin(t) * s, math.cos(t) * s
        n = math.hypot(dx, dy)
        return dx / n, dy / n


def svg_arc(p, q, rx, ry, large, sweep):
    """The centre and angles of an SVG elliptical arc, which here is always
    a circular one (rx == ry)."""
    if abs(rx - ry) > 1e-6:
        raise ValueError('elliptical arc')
    r = rx
    mx, my = (p[0] - q[0]) / 2, (p[1] - q[1]) / 2
    d2 = mx * mx + my * my
    r = max(r, math.sqrt(d2))
    factor = math.sqrt(max(0.0, (r * r - d2) / d2))
    if large == sweep:
        factor = -factor
    cx = (p[0] + q[0]) / 2 + factor * my
    cy = (p[1] + q[1]) / 2 - factor * mx
    a = math.degrees(math.atan2(p[1] - cy, p[0] - cx))
    b = math.degrees(math.atan2(q[1] - cy, q[0] - cx))
    if sweep and b < a:
        b += 360
    if not sweep and b > a:
        b -= 360
    return cx, cy, r, a, b


def path_pieces(text):
    """The sub-paths of an SVG path, each a list of Pieces."""
    tokens = re.findall(r'[MLHVAQZmlhvaqz]|-?[\d.]+', text)
    subpaths, pieces, at, i = [], [], (0.0, 0.0), 0

    def take(n):
        nonlocal i
        values = [float(v) for v in tokens[i:i + n]]
        i += n
        return values

    while i < len(tokens):
        command = tokens[i]
        i += 1
        if command == 'M':
            if pieces:
                subpaths.append(pieces)
            pieces = []
            at = tuple(take(2))
        elif command in 'LHV':
            if command == 'L':
                to = tuple(take(2))
            elif command == 'H':
                to = (take(1)[0], at[1])
            else:
                to = (at[0], take(1)[0])
            pieces.append(Piece(at, to))
            at = to
        elif command == 'A':
            rx, ry, _, large, sweep, x, y = take(7)
            to = (x, y)
            pieces.append(Piece(at, to, svg_arc(at, to, rx, ry, int(large), int(sweep))))
            at = to
        elif command == 'Q':
            cx, cy, x, y = take(4)
            for k in range(1, 9):
                t = k / 8
                to = ((1 - t) ** 2 * at[0] + 2 * (1 - t) * t * cx + t * t * x,
                      (1 - t) ** 2 * at[1] + 2 * (1 - t) * t * cy + t * t * y)
                pieces.append(Piece(pieces[-1].end if k > 1 else at, to))
            at = (x, y)
        else:
            raise ValueError('path command %s' % command)
    if pieces:
        subpaths.append(pieces)
    return subpaths


def open_path(pieces):
    """A sub-path that comes back along itself, as the way out alone."""
    half = len(pieces) // 2
    if len(pieces) % 2 == 0 and all(pieces[k].key() == pieces[-1 - k].key() for k in range(half)):
        return pieces[:half]
    return pieces


def merged(pieces):
    """Arcs that continue one another on one circle as one: abutting
    sectors would leave a seam where their rounded ends do not meet."""
    out = []
    for piece in pieces:
        last = out[-1] if out else None
        if last and last.arc and piece.arc and all(abs(a - b) < 0.1 for a, b in zip(last.arc[:3], piece.arc[:3])) \
                and (last.arc[4] - last.arc[3]) * (piece.arc[4] - piece.arc[3]) > 0:
            cx, cy, r, a, b = last.arc
            turn = piece.arc[3] - b
            turn -= 360 * round(turn / 360)
            out[-1] = Piece(last.start, piece.end, (cx, cy, r, a, b + turn + piece.arc[4] - piece.arc[3]))
        else:
            out.append(piece)
    return out


def stroke_path(pieces, half, cap, join):
    pieces = merged(pieces)
    contours = []
    for piece in pieces:
        if piece.arc:
            cx, cy, r, a, b = piece.arc
            contours.append(arc_ops(cx, cy, r + half, a, b) + arc_ops(cx, cy, r - half, b, a))
        else:
            square = cap == 'square'
            contours.append(quad(piece.start, piece.end, half, square and piece is pieces[0],
                                 square and piece is pieces[-1]))
    if join == 'round':
        for before, after in zip(pieces, pieces[1:]):
            u, v = before.direction(True), after.direction(False)
            if math.acos(max(-1.0, min(1.0, u[0] * v[0] + u[1] * v[1]))) > JOIN_FROM:
                contours.append(circle(before.end[0], before.end[1], half))
    if cap == 'round':
        for p in (pieces[0].start, pieces[-1].end):
            contours.append(circle(p[0], p[1], half))
    return [oriented(c) for c in contours]


def stroke_outline(outline, grow):
    """A closed outline's stroke: the outline grown by half the width, less
    the outline shrunk by it."""
    return [oriented(outline(grow)), oriented(outline(-grow), hole=True)]


def shapes(text):
    """The description's shapes in painting order: (colour, contours)."""
    fill, stroke, width, cap, join = (0, 0, 0), None, 1.0, 'butt', 'miter'
    out = []
    units = None
    for line in text.splitlines():
        line = line.strip()
        if not line or line.startswith('#'):
            continue
        word, _, rest = line.partition(' ')
        v = numbers(rest)
        if word == 'viewbox':
            if v[0] or v[1] or v[2] != v[3]:
                raise ValueError('only square viewboxes from 0,0')
            units = int(v[2])
        elif word in ('fill', 'stroke'):
            value = None if rest.strip() == 'none' else colour(rest.strip())
            if word == 'fill':
                fill = value
            else:
                stroke = value
        elif word == 'stroke-width':
            width = v[0]
        elif word == 'stroke-linecap':
            cap = rest.strip()
        elif word == 'stroke-linejoin':
            join = rest.strip()
        elif word in ('circle', 'roundrectangle', 'rectangle'):
            if word == 'circle':
                r = math.hypot(v[2] - v[0], v[3] - v[1])

                def outline(grow, v=v, r=r):
                    return circle(v[0], v[1], r + grow)
            else:
                corner = v[4] if word == 'roundrectangle' else 0.0

                def outline(grow, v=v, corner=corner):
                    return round_rectangle(v[0] - grow, v[1] - grow, v[2] + grow, v[3] + grow,
                                           corner + grow if corner else 0.0)
            if fill:
                out.append((fill, [oriented(outline(0))]))
            if stroke:
                out.append((stroke, stroke_outline(outline, width / 2)))
        elif word == 'polygon':
            points = [('point', v[k], v[k + 1]) for k in range(0, len(v), 2)]
            if fill:
                out.append((fill, [oriented(points)]))
            if stroke:
                raise ValueError('stroked polygon')
        elif word in ('line', 'path'):
            if fill and word == 'path':
                raise ValueError('filled path')
            if not stroke:
                continue
            subpaths = [[Piece((v[0], v[1]), (v[2], v[3]))]] if word == 'line' else path_pieces(rest.strip("' "))
            contours = []
            for pieces in subpaths:
                contours += stroke_path(open_path(pieces), width / 2, cap, join)
            out.append((stroke, contours))
        else:
            raise ValueError('%s is not drawn at run time' % word)
    if units is None:
        raise ValueError('no viewbox')
    return units, out


def encode_strip(width, height, texts):
    """A strip's bytes: its cell size and count, then each cell's drawing
    after its length."""
    out = bytearray([width, height, len(texts)])
    for text in texts:
        drawing = encode(text)
        out += struct.pack('<H', len(drawing)) + drawing
    return bytes(out)


def encode(text):
    """The drawing's bytes."""
    units, painted = shapes(text)
    out = bytearray([units])

    def fixed(*values):
        return struct.pack('<%dh' % len(values), *(int(round(x)) for x in values))

    for paint, contours in painted:
        out += bytes([1]) + bytes(paint)
        for contour in contours:
            for op in contour:
                if op[0] == 'point':
                    out += bytes([2]) + fixed(op[1] * FIXED, op[2] * FIXED)
                else:
                    _, cx, cy, r, a, b = op
                    out += bytes([3]) + fixed(cx * FIXED, cy * FIXED, r * FIXED, a * DEGREE, b * DEGREE)
            out.append(4)
    out.append(0)
    return bytes(out)
