#!/usr/bin/env python3
"""Packs the pictures the dialogs draw (drawn/, as listed in store.txt) into
the one LZMA stream the stub carries (packed/pictures.lzma), and checks it.

    pack_pictures.py          writes packed/pictures.lzma
    pack_pictures.py --check  fails unless packed/pictures.lzma holds exactly
                              the drawn files as they are now

The stream holds records one after another, each a little-endian header
    u16 type   2 bitmap, 3 icon image, 14 icon group (the resource types)
    u16 id     the resource id the program asks for
    u32 size   bytes that follow
and then the bytes as a resource of that type would hold them: a bitmap
without its file header, an icon group in the resource layout (images named
by id, numbered from 1 in the order of store.txt), each icon image as in
the .ico file. One stream compresses the pictures' likenesses across sizes,
which separate resources cannot: the PNG images are therefore stored with
their deflate blocks uncompressed, and LZMA compresses their filtered rows.
The repository keeps the packed stream, as the stub's bytes must not depend
on the building machine's liblzma. Its header states the unpacked size.
"""
import os
import re
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
import packed_stream  # noqa: E402
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
PACKED = os.path.join(HERE, 'packed', 'pictures.lzma')
IDS = os.path.join(HERE, '..', 'resource_ids.h')
RT_BITMAP, RT_ICON, RT_GROUP_ICON = 2, 3, 14


def resource_ids():
    ids = {}
    with open(IDS) as f:
        for line in f:
            m = re.match(r'#define (\w+) (\d+)\s*$', line)
            if m:
                ids[m.group(1)] = int(m.group(2))
    return ids


def stored_png(png):
    """The same PNG with its image data in uncompressed deflate blocks."""
    at, kept, rows = 8, [], b''
    while at < len(png):
        length, kind = struct.unpack_from('>I4s', png, at)
        body = png[at + 8:at + 8 + length]
        if kind == b'IDAT':
            rows += body
        elif kind in (b'IHDR', b'PLTE', b'tRNS'):
            kept.append((kind, body))
        at += 12 + length
    rows = zlib.decompress(rows)
    blocks = b'\x78\x01'
    for start in range(0, len(rows), 65535):
        part = rows[start:start + 65535]
        last = 1 if start + 65535 >= len(rows) else 0
        blocks += struct.pack('<BHH', last, len(part), len(part) ^ 0xffff) + part
    blocks += struct.pack('>I', zlib.adler32(rows))
    kept.append((b'IDAT', blocks))
    kept.append((b'IEND', b''))
    out = png[:8]
    for kind, body in kept:
        out += struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    return out


def record(kind, ident, data):
    return struct.pack('<HHI', kind, ident, len(data)) + data


def icon_records(data, group_id, next_image):
    count = struct.unpack_from('<H', data, 4)[0]
    group = struct.pack('<HHH', 0, 1, count)
    images = b''
    for i in range(count):
        w, h, colours, reserved, planes, bits, size, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * i)
        image = data[offset:offset + size]
        if image.startswith(b'\x89PNG'):
            image = stored_png(image)
        group += struct.pack('<BBBBHHIH', w, h, colours, reserved, planes, bits, len(image), next_image)
        images += record(RT_ICON, next_image, image)
        next_image += 1
    return images + record(RT_GROUP_ICON, group_id, group), next_image


def joined():
    ids = resource_ids()
    out, next_image = b'', 1
    with open(os.path.join(HERE, 'store.txt')) as f:
        lines = [l.split() for l in f if l.strip() and not l.startswith('#')]
    for names, kind, file in lines:
        ident = sum(ids[n] for n in names.split('+'))
        with open(os.path.join(HERE, 'drawn', file), 'rb') as f:
            data = f.read()
        if kind == 'BITMAP':
            out += record(RT_BITMAP, ident, data[14:])
        else:
            icons, next_image = icon_records(data, ident, next_image)
            out += icons
    return out


def main():
    packed_stream.write_or_check(PACKED, joined(), 'drawn pictures',
                                 'run pack_pictures.py (cmake --build build --target redraw_pictures runs it)',
                                 dict_size=1 << 20, lc=3, lp=0, pb=0)


if __name__ == '__main__':
    main()
