#!/usr/bin/env python3
"""Draws the executable's pictures from the vector descriptions (*.mvg,
ImageMagick's drawing language) listed in pictures.txt.

    make_pictures.py <pictures.txt> <output folder>

Each description is drawn in its own units (its viewbox) scaled uniformly to
the target size and centred; $LEFT and $RIGHT in a description are the
target's left and right edges in those units. ImageMagick rasterises with
anti-aliasing; this script turns the result into what the program's drawing
needs (masks, 16 colours, monochrome) and assembles the icon files.
"""
import os
import re
import struct
import subprocess
import sys

# 16 and 32 pixels as classic bitmaps (every Windows reads them); the rest
# as PNG, which keeps the large sizes small (Windows Vista and later).
ICON_SIZES = [16, 20, 24, 32, 48, 64, 75, 94, 112, 150, 256]
BITMAP_ICON_SIZES = {16, 32}
# Semi-transparent edge pixels of a masked picture are kept from this
# opacity on and blended over the near-white top of the dialogs.
OPAQUE_FROM = 128
BACKDROP = (250, 250, 250)


def read_viewbox(text):
    m = re.search(r'^viewbox\s+(\S+)\s+(\S+)\s+(\S+)\s+(\S+)', text, re.M)
    return float(m.group(3)), float(m.group(4))


def render_rgba(description, width, height):
    """The description drawn at width x height: bytes, RGBA, top row first."""
    with open(description) as f:
        text = f.read()
    design_w, design_h = read_viewbox(text)
    scale = min(width / design_w, height / design_h)
    dx = (width - design_w * scale) / 2
    dy = (height - design_h * scale) / 2
    text = re.sub(r'^viewbox.*$', '', text, flags=re.M)
    text = text.replace('$LEFT', '%.4f' % (-dx / scale)).replace('$RIGHT', '%.4f' % ((width - dx) / scale))
    mvg = 'push graphic-context\ntranslate %.4f,%.4f\nscale %.6f,%.6f\n%s\npop graphic-context\n' % (
        dx, dy, scale, scale, text)
    # Passed inline: ImageMagick's default policy refuses "@file" arguments.
    out = subprocess.run(['convert', '-size', '%dx%d' % (width, height), 'xc:none',
                          '-draw', mvg, '-depth', '8', 'RGBA:-'],
                         check=True, stdout=subprocess.PIPE).stdout
    assert len(out) == width * height * 4, description
    return out


def blend(r, g, b, a):
    return tuple((c * a + k * (255 - a)) // 255 for c, k in zip((r, g, b), BACKDROP))


def write_bmp(path, width, height, pixels, bits):
    """pixels: rows top first of (r, g, b); bits 1 (black/white) or 4."""
    if bits == 1:
        palette = [(0, 0, 0), (255, 255, 255)]
    else:
        palette = sorted({p for row in pixels for p in row})
        assert len(palette) <= 16, '%s: %d colours' % (path, len(palette))
        palette += [(0, 0, 0)] * (16 - len(palette))
    index = {c: i for i, c in enumerate(palette)}
    stride = ((width * bits + 31) // 32) * 4
    body = bytearray()
    for row in reversed(pixels):
        packed = bytearray(stride)
        for x, p in enumerate(row):
            i = index[p] if bits == 4 else (1 if p == (255, 255, 255) else 0)
            bit = x * bits
            packed[bit // 8] |= i << (8 - bits - bit % 8)
        body += packed
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, len(body), 2835, 2835,
                       len(palette), 0)
    offset = 14 + len(info) + len(colours)
    with open(path, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', offset + len(body), 0, 0, offset) + info + colours + body)


def quantise(colour):
    """Reduces a colour to 4 bits a channel, so a strip stays within 16."""
    return tuple(min(255, ((c + 8) // 17) * 17) for c in colour)


def make_strip(out, width, height, descriptions):
    cells = len(descriptions)
    cell_w, cell_h = width // cells, height // 2
    rows = [[(0, 0, 0)] * width for _ in range(cell_h)] + [[(255, 255, 255)] * width for _ in range(cell_h)]
    for n, description in enumerate(descriptions):
        data = render_rgba(description, cell_w, cell_h)
        for y in range(cell_h):
            for x in range(cell_w):
                r, g, b, a = data[(y * cell_w + x) * 4:(y * cell_w + x) * 4 + 4]
                if a >= OPAQUE_FROM:
                    rows[y][n * cell_w + x] = quantise(blend(r, g, b, a))
                    rows[cell_h + y][n * cell_w + x] = (0, 0, 0)
    colours = sorted({p for row in rows for p in row})
    while len(colours) > 16:
        # Merge the two closest colours until 16 remain.
        best = None
        for i, c in enumerate(colours):
            for d in colours[i + 1:]:
                dist = sum((p - q) ** 2 for p, q in zip(c, d))
                if best is None or dist < best[0]:
                    best = (dist, c, d)
        _, keep, drop = best
        if drop in ((0, 0, 0), (255, 255, 255)):
            keep, drop = drop, keep
        rows = [[keep if p == drop else p for p in row] for row in rows]
        colours.remove(drop)
    write_bmp(out, width, height, rows, 4)


def make_emblem(out, width, height, description):
    data = render_rgba(description, width, height)
    picture, mask = [], []
    for y in range(height):
        prow, mrow = [], []
        for x in range(width):
            r, g, b, a = data[(y * width + x) * 4:(y * width + x) * 4 + 4]
            ink = a >= OPAQUE_FROM
            white = ink and (r + g + b) >= 3 * 128
            prow.append((255, 255, 255) if white else (0, 0, 0))
            mrow.append((0, 0, 0) if ink else (255, 255, 255))
        picture.append(prow)
        mask.append(mrow)
    write_bmp(out + '_picture.bmp', width, height, picture, 1)
    write_bmp(out + '_mask.bmp', width, height, mask, 1)


def icon_bitmap_entry(data, size):
    """A 32-bit icon image: BGRA rows bottom first, then the AND mask."""
    stride = ((size + 31) // 32) * 4
    xor, mask = bytearray(), bytearray()
    for y in reversed(range(size)):
        bits = bytearray(stride)
        for x in range(size):
            r, g, b, a = data[(y * size + x) * 4:(y * size + x) * 4 + 4]
            xor += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def icon_png_entry(description, size):
    data = render_rgba(description, size, size)
    return subprocess.run(['convert', '-size', '%dx%d' % (size, size), '-depth', '8', 'RGBA:-',
                           '-strip', '-define', 'png:compression-level=9', 'PNG32:-'],
                          input=data, check=True, stdout=subprocess.PIPE).stdout


def make_icon(out, description):
    images = []
    for size in ICON_SIZES:
        if size in BITMAP_ICON_SIZES:
            images.append((size, icon_bitmap_entry(render_rgba(description, size, size), size)))
        else:
            images.append((size, icon_png_entry(description, size)))
    offset = 6 + 16 * len(images)
    directory = struct.pack('<HHH', 0, 1, len(images))
    for size, blob in images:
        directory += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(out, 'wb') as f:
        f.write(directory + b''.join(blob for _, blob in images))


def main():
    listing, out_dir = sys.argv[1], sys.argv[2]
    here = os.path.dirname(os.path.abspath(listing))
    os.makedirs(out_dir, exist_ok=True)
    with open(listing) as f:
        for line in f:
            fields = line.split()
            if not fields or fields[0].startswith('#'):
                continue
            kind, name, size = fields[:3]
            descriptions = [os.path.join(here, d) for d in fields[3:]]
            out = os.path.join(out_dir, name)
            if kind == 'icon':
                make_icon(out, descriptions[0])
                continue
            width, height = (int(v) for v in size.split('x'))
            if kind == 'strip':
                make_strip(out, width, height, descriptions)
            elif kind == 'emblem':
                make_emblem(out, width, height, descriptions[0])
            else:
                sys.exit('unknown kind %s' % kind)


if __name__ == '__main__':
    main()
