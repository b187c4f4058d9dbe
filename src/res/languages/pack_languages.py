#!/usr/bin/env python3
"""Packs the built-in translations (*.lng beside this script) into the one
LZMA stream the stub carries (packed/languages.lzma), and checks that stream.

    pack_languages.py          writes packed/languages.lzma
    pack_languages.py --check  fails unless packed/languages.lzma holds
                               exactly the *.lng files as they are now

The stream holds the files in name order, each under a line "[TAG]" (the
file's name without ".lng"). The repository keeps the packed stream, as it
keeps the drawn pictures: the stub's bytes must not depend on the release
of liblzma that the building machine has. Its header states the unpacked
size, as the installer's decoder wants.
"""
import lzma
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PACKED = os.path.join(HERE, 'packed', 'languages.lzma')


def joined():
    out = b''
    for name in sorted(n for n in os.listdir(HERE) if n.endswith('.lng')):
        with open(os.path.join(HERE, name), 'rb') as f:
            text = f.read()
        if text.startswith(b'\xef\xbb\xbf'):
            text = text[3:]
        if not text.endswith(b'\n'):
            text += b'\n'
        out += b'[' + name[:-4].encode('ascii') + b']\n' + text
    return out


def pack(data):
    filters = [{'id': lzma.FILTER_LZMA1, 'preset': 9 | lzma.PRESET_EXTREME, 'dict_size': 1 << 16}]
    stream = bytearray(lzma.compress(data, format=lzma.FORMAT_ALONE, filters=filters))
    stream[5:13] = struct.pack('<Q', len(data))
    return bytes(stream)


def main():
    data = joined()
    if '--check' in sys.argv[1:]:
        with open(PACKED, 'rb') as f:
            stream = f.read()
        # The decoder wants "size unknown" or a size with no end marker
        # check; give it the former, as the encoder wrote it.
        unpacked = lzma.decompress(stream[:5] + b'\xff' * 8 + stream[13:], format=lzma.FORMAT_ALONE)
        if unpacked != data or struct.unpack_from('<Q', stream, 5)[0] != len(data):
            sys.exit('packed/languages.lzma is older than the .lng files: run pack_languages.py '
                     '(or cmake --build build --target pack_languages) and commit it')
        print('packed/languages.lzma holds the %d bytes of the .lng files in %d' % (len(data), len(stream)))
        return
    os.makedirs(os.path.dirname(PACKED), exist_ok=True)
    with open(PACKED, 'wb') as f:
        f.write(pack(data))


if __name__ == '__main__':
    main()
