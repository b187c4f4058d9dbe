#!/usr/bin/env python3
"""Draws the executable's bitmaps and the icon the shell shows from the
vector descriptions (*.mvg, ImageMagick's drawing language) listed in
pictures.txt. The dialogs' other icons are drawn by the program itself from
the same descriptions (vectors.py, pack_pictures.py).

    make_pictures.py <pictures.txt> <output folder>

The build takes the drawn files from drawn/, kept in the repository: the
same description drawn by two ImageMagick releases differs by kilobytes, and
the shipped stub must not change with the machine that builds it. Redraw
with the build's target redraw_pictures after editing a description.

Each description is drawn in its own units (its viewbox) scaled uniformly to
the target size and centred; $LEFT and $RIGHT in a description are the
target's left and right edges in those units. ImageMagick rasterises with
anti-aliasing; this script turns the result into what the program's drawing
needs (masks, 16 colours, monochrome, run-length compressed) and assembles
the icon file.
"""
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import zlib

# Icon images are PNG (read from Windows Vista on) unless pictures.txt marks
# them "b": a 32-bit bitmap instead, which Windows XP reads.
ICON_MARKS = {'': 'png', 'b': 'bitmap'}
# The emblem's semi-transparent edge pixels are ink from this opacity on.
OPAQUE_FROM = 128


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


def rle4_row(indices):
    """One row in BI_RLE4: runs of a colour, absolute stretches between."""
    out = bytearray()
    literal = []

    def flush():
        while literal:
            chunk = literal[:255] if len(literal) != 256 else literal[:254]
            del literal[:len(chunk)]
            if len(chunk) < 3:
                for i in chunk:
                    out.extend((1, i << 4))
                continue
            packed = bytearray((len(chunk) + 1) // 2)
            for n, i in enumerate(chunk):
                packed[n // 2] |= i << (4 if n % 2 == 0 else 0)
            if len(packed) % 2:
                packed.append(0)
            out.extend((0, len(chunk)))
            out.extend(packed)

    x = 0
    while x < len(indices):
        run = 1
        while x + run < len(indices) and run < 255 and indices[x + run] == indices[x]:
            run += 1
        if run >= 4:
            flush()
            out.extend((run, indices[x] << 4 | indices[x]))
        else:
            literal.extend(indices[x:x + run])
        x += run
    flush()
    return out


def write_bmp(path, width, height, pixels, colours):
    """pixels: rows top first of (r, g, b); stored as 4 bits a pixel, run-length
    compressed (BI_RLE4). colours: the palette, at most 16; black and white
    for the monochrome pictures, which need no more than two of its entries."""
    palette = colours or sorted({p for row in pixels for p in row})
    assert len(palette) <= 16, '%s: %d colours' % (path, len(palette))
    index = {c: i for i, c in enumerate(palette)}
    rows = [rle4_row([index[p] for p in row]) for row in reversed(pixels)]
    body = b'\0\0'.join(rows) + b'\0\1'
    colour_table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 2, len(body), 2835, 2835,
                       len(palette), 0)
    offset = 14 + len(info) + len(colour_table)
    with open(path, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', offset + len(body), 0, 0, offset) + info + colour_table + body)


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
    monochrome = [(0, 0, 0), (255, 255, 255)]
    write_bmp(out + '_picture.bmp', width, height, picture, monochrome)
    write_bmp(out + '_mask.bmp', width, height, mask, monochrome)


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


def deflate(raw):
    """zlib data of raw, as small as zopfli makes it (the pictures are drawn
    once and carried by every installer)."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, 'rows')
        with open(path, 'wb') as f:
            f.write(raw)
        return subprocess.run(['zopfli', '--zlib', '-c', path], check=True, stdout=subprocess.PIPE).stdout


def png_entry(data, size):
    """A PNG of the RGBA rows: 8-bit RGBA, or indexed colour where the
    picture has at most 256 colours (opacity included) and that is smaller;
    both decode to the same pixels. Rows unfiltered: the pictures are flat
    colours, which deflate compresses best as they are."""
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))

    def png(colour_type, rows, extra=b''):
        raw = b''.join(b'\0' + row for row in rows)
        return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, colour_type, 0, 0, 0)) +
                extra + chunk(b'IDAT', deflate(raw)) + chunk(b'IEND', b''))

    stride = size * 4
    best = png(6, [data[y * stride:(y + 1) * stride] for y in range(size)])
    pixels = [data[i:i + 4] for i in range(0, len(data), 4)]
    # Translucent colours first, so that the opacity table ends early.
    colours = sorted(set(pixels), key=lambda c: (c[3] == 255, c))
    if len(colours) <= 256:
        index = {c: bytes((i,)) for i, c in enumerate(colours)}
        rows = [b''.join(index[p] for p in pixels[y * size:(y + 1) * size]) for y in range(size)]
        opacity = bytes(c[3] for c in colours if c[3] != 255)
        indexed = png(3, rows, chunk(b'PLTE', b''.join(c[:3] for c in colours)) +
                      (chunk(b'tRNS', opacity) if opacity else b''))
        if len(indexed) < len(best):
            best = indexed
    return best


def make_icon(out, sizes, description):
    """sizes: comma-separated, each with its mark of ICON_MARKS."""
    images = []  # (size, colours of the directory entry, bits a pixel, image)
    for token in sizes.split(','):
        size, form = int(token.rstrip('b')), ICON_MARKS[token.lstrip('0123456789')]
        data = render_rgba(description, size, size)
        if form == 'bitmap':
            images.append((size, 0, 32, icon_bitmap_entry(data, size)))
            continue
        images.append((size, 0, 32, png_entry(data, size)))
    offset = 6 + 16 * len(images)
    directory = struct.pack('<HHH', 0, 1, len(images))
    for size, colours, bits, blob in images:
        directory += struct.pack('<BBBBHHII', size % 256, size % 256, colours, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    with open(out, 'wb') as f:
        f.write(directory + b''.join(blob for *_, blob in images))


SOURCES = 'SOURCES'


def write_sources(here, out_dir):
    """Hashes of what the pictures were drawn from, in sha256sum's format,
    so a test can tell when a description changed and nobody redrew."""
    names = sorted(n for n in os.listdir(here) if n.endswith('.mvg')) + ['make_pictures.py', 'pictures.txt']
    with open(os.path.join(out_dir, SOURCES), 'w') as f:
        for name in names:
            with open(os.path.join(here, name), 'rb') as source:
                f.write('%s  %s\n' % (hashlib.sha256(source.read()).hexdigest(), name))


def main():
    listing, out_dir = sys.argv[1], sys.argv[2]
    here = os.path.dirname(os.path.abspath(listing))
    os.makedirs(out_dir, exist_ok=True)
    write_sources(here, out_dir)
    with open(listing) as f:
        for line in f:
            fields = line.split()
            if not fields or fields[0].startswith('#'):
                continue
            kind, name, size = fields[:3]
            descriptions = [os.path.join(here, d) for d in fields[3:]]
            out = os.path.join(out_dir, name)
            if kind == 'icon':
                make_icon(out, size, descriptions[0])
                continue
            width, height = (int(v) for v in size.split('x'))
            if kind == 'emblem':
                make_emblem(out, width, height, descriptions[0])
            else:
                sys.exit('unknown kind %s' % kind)


if __name__ == '__main__':
    main()
