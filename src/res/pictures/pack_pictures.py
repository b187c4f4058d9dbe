#!/usr/bin/env python3
"""Packs the pictures the dialogs draw (drawn/, as listed in store.txt) into
the one LZMA stream the stub carries (packed/pictures.lzma), and checks it.

    pack_pictures.py          writes packed/pictures.lzma
    pack_pictures.py --check  fails unless packed/pictures.lzma holds exactly
                              the drawn files as they are now

The stream holds records one after another, each a little-endian header
    u16 type   2 bitmap (the resource type), 100 drawing, 101 strip
    u16 id     the resource id the program asks for
    u32 size   bytes that follow
and then the bytes: a bitmap as a resource holds it (without its file
header), a drawing or a strip of drawings as vectors.py writes them. One stream compresses the
bitmaps' likenesses across sizes, which separate resources cannot.
The repository keeps the packed stream, as the stub's bytes must not depend
on the building machine's liblzma. Its header states the unpacked size.
"""
import os
import re
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
import packed_stream  # noqa: E402
import vectors  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
PACKED = os.path.join(HERE, 'packed', 'pictures.lzma')
IDS = os.path.join(HERE, '..', 'resource_ids.h')
RT_BITMAP, DRAWING, STRIP = 2, 100, 101


def resource_ids():
    ids = {}
    with open(IDS) as f:
        for line in f:
            m = re.match(r'#define (\w+) (\d+)\s*$', line)
            if m:
                ids[m.group(1)] = int(m.group(2))
    return ids


def record(kind, ident, data):
    return struct.pack('<HHI', kind, ident, len(data)) + data


def joined():
    ids = resource_ids()
    out = b''
    with open(os.path.join(HERE, 'store.txt')) as f:
        lines = [l.split() for l in f if l.strip() and not l.startswith('#')]
    for name, kind, *files in lines:
        if kind == 'BITMAP':
            with open(os.path.join(HERE, 'drawn', files[0]), 'rb') as f:
                out += record(RT_BITMAP, ids[name], f.read()[14:])
            continue
        texts = []
        for file in files[kind == 'STRIP':]:
            with open(os.path.join(HERE, file)) as f:
                texts.append(f.read())
        if kind == 'STRIP':
            width, height = (int(v) for v in files[0].split('x'))
            out += record(STRIP, ids[name], vectors.encode_strip(width, height, texts))
        else:
            out += record(DRAWING, ids[name], vectors.encode(texts[0]))
    return out


def main():
    packed_stream.write_or_check(PACKED, joined(), 'drawn pictures',
                                 'run pack_pictures.py (cmake --build build --target redraw_pictures runs it)',
                                 dict_size=1 << 20, lc=3, lp=0, pb=0)


if __name__ == '__main__':
    main()
