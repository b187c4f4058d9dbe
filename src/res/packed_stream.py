"""The one LZMA stream a resource of the stub holds (the translations, the
pictures), shared by their packing scripts: written with the unpacked size
in its header, as the installer's decoder wants, or checked against what it
should hold."""
import lzma
import os
import struct
import sys


def write_or_check(path, data, what, remedy, **properties):
    """With --check on the command line, fails unless path holds data; else
    writes it. properties are the LZMA filter's (dict_size, lc, lp, pb)."""
    if '--check' in sys.argv[1:]:
        with open(path, 'rb') as f:
            stream = f.read()
        # The decoder wants "size unknown" or a size with no end marker
        # check; give it the former, as the encoder wrote it.
        unpacked = lzma.decompress(stream[:5] + b'\xff' * 8 + stream[13:], format=lzma.FORMAT_ALONE)
        if unpacked != data or struct.unpack_from('<Q', stream, 5)[0] != len(data):
            sys.exit('%s is older than the %s: %s and commit it' % (os.path.basename(path), what, remedy))
        print('%s holds the %d bytes of the %s in %d' % (os.path.basename(path), len(data), what, len(stream)))
        return
    filters = [dict({'id': lzma.FILTER_LZMA1, 'preset': 9 | lzma.PRESET_EXTREME}, **properties)]
    stream = bytearray(lzma.compress(data, format=lzma.FORMAT_ALONE, filters=filters))
    stream[5:13] = struct.pack('<Q', len(data))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(stream)
