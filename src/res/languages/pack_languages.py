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
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
import packed_stream  # noqa: E402

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


def main():
    packed_stream.write_or_check(PACKED, joined(), '.lng files',
                                 'run pack_languages.py (or cmake --build build --target pack_languages)',
                                 dict_size=1 << 16)


if __name__ == '__main__':
    main()
