#!/usr/bin/env python3
"""Reports what a Windows executable's bytes are spent on, and checks it
against a size budget.

    stub_size.py EXE                 the report: sections, resources by kind
    stub_size.py EXE --budget FILE   the same, failing when EXE is larger than
                                     the budget FILE gives for its name

The budget file holds "name bytes" lines; '#' starts a comment.
"""
import os
import struct
import sys

KINDS = {1: 'cursor', 2: 'bitmap', 3: 'icon image', 4: 'menu', 5: 'dialog', 6: 'string', 10: 'data',
         12: 'cursor group', 14: 'icon group', 16: 'version', 24: 'manifest'}


def sections(image):
    pe = struct.unpack_from('<I', image, 0x3c)[0]
    count = struct.unpack_from('<H', image, pe + 6)[0]
    optional = struct.unpack_from('<H', image, pe + 20)[0]
    table = pe + 24 + optional
    result = []
    for i in range(count):
        name, virtual_size, address, raw_size, raw_at = struct.unpack_from('<8sIIII', image, table + 40 * i)
        result.append((name.rstrip(b'\0').decode(), virtual_size, address, raw_size, raw_at))
    return result, table + 40 * count


def resource_bytes(image, rsrc):
    """Bytes of resource data per type, and the number of resources."""
    _, _, base, _, raw_at = rsrc
    totals = {}

    def directory(at):
        named, numbered = struct.unpack_from('<HH', image, raw_at + at + 12)
        for n in range(named + numbered):
            ident, target = struct.unpack_from('<II', image, raw_at + at + 16 + 8 * n)
            yield ident, target

    for kind, types in directory(0):
        kind = KINDS.get(kind, str(kind)) if not kind & 0x80000000 else 'named'
        for _, names in directory(types & 0x7fffffff):
            for _, leaf in directory(names & 0x7fffffff):
                _, size = struct.unpack_from('<II', image, raw_at + leaf)
                count, total = totals.get(kind, (0, 0))
                totals[kind] = (count + 1, total + size)
    return totals


def report(path):
    with open(path, 'rb') as f:
        image = f.read()
    table, headers_end = sections(image)
    name = os.path.basename(path)
    print('%s: %d bytes' % (name, len(image)))
    print('  %-10s %8d' % ('headers', table[0][4] if table else headers_end))
    for section in table:
        print('  %-10s %8d' % (section[0], section[3]))
    for section in table:
        if section[0] == '.rsrc':
            print('  resources by kind (data bytes, count):')
            for kind, (count, total) in sorted(resource_bytes(image, section).items(), key=lambda k: -k[1][1]):
                print('    %-12s %8d  %3d' % (kind, total, count))
    return name, len(image)


def budget_of(path, name):
    with open(path) as f:
        for line in f:
            fields = line.split('#')[0].split()
            if len(fields) == 2 and fields[0] == name:
                return int(fields[1])
    sys.exit('%s: no budget for %s' % (path, name))


def main():
    args = sys.argv[1:]
    if len(args) not in (1, 3) or (len(args) == 3 and args[1] != '--budget'):
        sys.exit(__doc__)
    name, size = report(args[0])
    if len(args) == 3:
        budget = budget_of(args[2], name)
        print('budget %d bytes: %s' % (budget, 'within, %d to spare' % (budget - size) if size <= budget else
                                       'EXCEEDED by %d' % (size - budget)))
        if size > budget:
            sys.exit(1)


if __name__ == '__main__':
    main()
