"""Folder sections: a [CopyFile] naming a folder or a pattern of FILES_DIR,
written out by the builder. The table: what each form takes, in which order,
to which destination, and what the check says of it, through the native
builder, and all of it alike through the Windows one. Then a product's tree
(nested folders, a Windows-1252 name, an empty folder, names differing only
in letter case): both builders write it out byte for byte as the
hand-written script, the installers are the same bytes, and it installs
under Wine and is removed.
    folder_sections_test.py NATIVE_BKPACK BIN_DIR WORK_DIR"""
import os
import subprocess
import time

from builders import start, check, fail, finish, install_silently, read, write

builders, work, kind = start()

NAMED = '[Project Name]\r\nT\r\n'
LONG_DIR, LONG_FILE = 'n' * 130, 'f' * 125 + '.txt'


def section(entry, destination, exclusions=None):
    return '[CopyFile]\r\n%s\r\n%s\r\n' % (entry, destination) + ('' if exclusions is None else exclusions + '\r\n')


def written(*pairs):
    """The plain sections a folder section becomes."""
    return '\r\n'.join(section(entry, destination) for entry, destination in pairs)


def below(destination, pairs):
    return [('app\\' + name, destination + name) for name in pairs]


def stage(root, names):
    for name in names:
        write(os.path.join(root, *name.split('\\')), ('file %s\r\n' % name).encode('cp1252'))


table_files = os.path.join(work, 'table', 'files')
stage(table_files, ['app\\Main.pdb', 'app\\README', 'app\\lib\\core.dll', 'app\\lib\\core.map', 'app\\lib\\deep\\x.txt',
                    'app\\main.exe', 'docs\\a.txt', 'docs\\b.html', 'docs\\sub\\c.html', 'cases\\File.txt',
                    'cases\\FILE.TXT', 'top.txt', 'long\\%s\\%s' % (LONG_DIR, LONG_FILE)])
APP = ['Main.pdb', 'README', 'lib\\core.dll', 'lib\\core.map', 'lib\\deep\\x.txt', 'main.exe']

# (what, the script after [Project Name], what it is packed as, [(line, a part of that line's one warning)]);
# the script's line 3 is the first below.
rows = [
    ('a folder: all below it, folders depth first, names in byte order',
     section('app\\', '<Destination>'), written(*below('<Destination>', APP)), []),
    ('exclusions: names in every folder, letter case ignored, and a folder below the named one',
     section('app\\', '<Destination>bin\\', '*.pdb; *.MAP ;lib\\deep\\'),
     written(*below('<Destination>bin\\', ['README', 'lib\\core.dll', 'main.exe'])), []),
    ('a name with one backslash at its end leaves out folders of that name at any depth',
     section('app\\', '<Destination>', 'DEEP\\'),
     written(*below('<Destination>', ['Main.pdb', 'README', 'lib\\core.dll', 'lib\\core.map', 'main.exe'])), []),
    ('a pattern takes the files of its folder alone; the destination gets its backslash',
     section('docs\\*.html', '<Destination>help'), written(('docs\\b.html', '<Destination>help\\b.html')), []),
    ('** takes the subfolders too',
     section('docs\\**.html', '<Destination>help\\'),
     written(('docs\\b.html', '<Destination>help\\b.html'), ('docs\\sub\\c.html', '<Destination>help\\sub\\c.html')), []),
    ('? is one character, letter case is ignored',
     section('docs\\A.TX?', '<Destination>'), written(('docs\\a.txt', '<Destination>a.txt')), []),
    ('*.* takes a name without a dot too',
     section('app\\*.*', '<Destination>'), written(*below('<Destination>', ['Main.pdb', 'README', 'main.exe'])), []),
    ('a pattern at the top of FILES_DIR',
     section('*.txt', '<Destination>'), written(('top.txt', '<Destination>top.txt')), []),
    ('the 64-bit marker goes before each file\'s extension (a name without one gets ".")',
     section('app\\*', '<Destination>__BKI_WIN64\\'),
     written(('app\\Main.pdb', '<Destination>Main__BKI_WIN64.pdb'), ('app\\README', '<Destination>README__BKI_WIN64.'),
             ('app\\main.exe', '<Destination>main__BKI_WIN64.exe')), []),
    ('the Unicode marker in a folder of the destination',
     section('app\\lib\\*.dll', '<Destination>lib__BKI_UNICODE\\'),
     written(('app\\lib\\core.dll', '<Destination>lib\\core__BKI_UNICODE.dll')), []),
    ('a plain section keeps its two lines: the text after it is no exclusion',
     section('top.txt', '<Destination>top.txt') + 'not a pattern\r\n',
     section('top.txt', '<Destination>top.txt') + 'not a pattern\r\n', []),
    ('a folder that is not there', section('nosuch\\', '<Destination>'), '',
     [(4, "the folder 'nosuch' is not in FILES_DIR, so this section installs nothing")]),
    ('a pattern that matches nothing', section('docs\\*.pdf', '<Destination>'), '',
     [(4, "'docs\\*.pdf' matches no file in FILES_DIR, so this section installs nothing")]),
    ('every match left out', section('docs\\*.txt', '<Destination>', '*.txt'), '',
     [(4, "'docs\\*.txt' matches no file in FILES_DIR that '*.txt' leaves in")]),
    ('two sections install one file',
     section('docs\\*.txt', '<Destination>') + section('top.txt', '<Destination>A.TXT'),
     written(('docs\\a.txt', '<Destination>a.txt')) + section('top.txt', '<Destination>A.TXT'),
     [(8, "'<Destination>A.TXT' is a destination of line 5 already ('docs\\a.txt'), so two sections install one file")]),
    ('names that differ only in letter case',
     section('cases\\', '<Destination>'),
     written(('cases\\FILE.TXT', '<Destination>FILE.TXT'), ('cases\\File.txt', '<Destination>File.txt')),
     [(4, "'cases\\FILE.TXT' and 'cases\\File.txt' differ only in letter case, and the package looks names up "
          "ignoring it: both sections would install 'cases\\FILE.TXT'")]),
    ('a name over the package\'s limit once written out',
     section('long\\', '<Destination>'),
     written(('long\\%s\\%s' % (LONG_DIR, LONG_FILE), '<Destination>%s\\%s' % (LONG_DIR, LONG_FILE))),
     [(4, 'is 265 bytes long; a package holds names of at most 254 bytes')]),
    ('a mistake in the destination is told once',
     section('docs\\', '<Destinaton>'),
     written(('docs\\a.txt', '<Destinaton>a.txt'), ('docs\\b.html', '<Destinaton>b.html'),
             ('docs\\sub\\c.html', '<Destinaton>sub\\c.html')),
     [(5, "'<Destinaton>' is not a path placeholder")]),
    ('a line a warning names is the script\'s own',
     section('docs\\*.txt', '<Destination>', '*.html') + '\r\n[CreateIcon]\r\n<Destination>a.txt\r\n[Action]\r\nx\r\n',
     written(('docs\\a.txt', '<Destination>a.txt')) + '\r\n[CreateIcon]\r\n<Destination>a.txt\r\n[Action]\r\nx\r\n',
     [(8, "'[CreateIcon]' needs 4 lines after it (target; shortcut path; arguments; options), but line 10 is the "
          "header '[Action]'")]),
]

table_script = os.path.join(work, 'table', 'setup.dat')
for what, body, packed, warnings in rows:
    write(table_script, (NAMED + body).encode('cp1252'))
    listed, said = builders.expand(False, table_script, table_files)
    check(listed == (NAMED + packed).encode('cp1252'), '%s: packed as\n%s' % (what, listed.decode('cp1252')))
    check(len(said) == len(warnings), '%s: the check said %s' % (what, said))
    for (line, part), text in zip(warnings, said):
        check(text.startswith('setup.dat:%d: warning: ' % line) and part in text, '%s: the check said %s' % (what, text))

# Every row in one script: the Windows builder lists and matches alike.
write(table_script, (NAMED + '\r\n'.join(row[1] for row in rows)).encode('cp1252'))
check(builders.expand(True, table_script, table_files) == builders.expand(False, table_script, table_files),
      'the builders write the table\'s script out differently')

# A product's tree, its exclusion a pattern of names.
tree = os.path.join(work, 'tree')
files = os.path.join(tree, 'files')
name1252 = 'caf\u00e9 \u20ac.txt'  # 0xE9 and 0x80 in Windows-1252
contents = {'tool.bin': bytes(range(256)) * 40, 'readme.txt': b'Read me.\r\n', 'data\\Case.txt': b'mixed case\r\n',
            'data\\CASE.TXT': b'upper case\r\n', 'lang\\' + name1252: name1252.encode('cp1252'),
            'plugins\\alpha\\alpha.plug': b'alpha\r\n', 'plugins\\beta\\beta.plug': b'beta\r\n',
            'plugins\\beta\\beta.pdb': b'symbols\r\n'}
for name, data in contents.items():
    write(os.path.join(files, 'product', *name.split('\\')), data)
os.makedirs(os.path.join(files, 'product', 'empty'))
product = 'Brask Folders ' + kind
folder = 'BraskFolders-' + kind
head = '[Project Name]\r\n%s\r\n\r\n[Install To]\r\nC:\\%s\\\r\n\r\n' % (product, folder)
script = os.path.join(tree, 'setup.dat')
write(script, (head + section('product\\', '<Destination>', '*.pdb')).encode('cp1252'))
# Folders depth first, names in byte order; the empty folder gives nothing.
order = ['data\\CASE.TXT', 'data\\Case.txt', 'lang\\' + name1252, 'plugins\\alpha\\alpha.plug',
         'plugins\\beta\\beta.plug', 'readme.txt', 'tool.bin']
hand_written = (head + written(*[('product\\' + name, '<Destination>' + name) for name in order])).encode('cp1252')
hand = os.path.join(tree, 'hand', 'setup.dat')
write(hand, hand_written)
# A name outside ASCII in an ANSI script, and two differing only in case.
tree_warnings = ["setup.dat:8: warning: the script holds characters outside ASCII",
                 "setup.dat:8: warning: 'product\\data\\CASE.TXT' and 'product\\data\\Case.txt' differ only in letter case"]
for windows in [False, True]:
    listed, said = builders.expand(windows, script, files)
    check(listed == hand_written, '%s builder wrote the tree out as\n%s' % (['the native', 'the Windows'][windows],
                                                                          listed.decode('cp1252')))
    check(len(said) == len(tree_warnings) and all(t.startswith(w) for t, w in zip(said, tree_warnings)),
          'the tree\'s check said %s' % said)

out = lambda name: os.path.join(tree, name)
from_folder = builders.build(False, script, files, out('folder.exe'))
check(from_folder == builders.build(False, hand, files, out('hand.exe')),
      'the installer of the folder section is not the one of the hand-written script')
check(from_folder == builders.build(True, script, files, out('windows.exe')),
      'the Windows builder made another installer of the folder section')
check(not os.path.exists(out('folder.exe.setup.dat')), 'the written-out script was left beside the installer')

# Installed: every file but the excluded one; the two names differing in
# case are one file, with the content of the entry packed first.
target = install_silently(out('folder.exe'), folder)
expected = {name.lower(): data for name, data in contents.items() if not name.endswith('.pdb')}
expected['data\\case.txt'] = contents['data\\CASE.TXT']
installed = {}
for root, _, names in os.walk(target):
    for name in names:
        path = os.path.join(root, name)
        installed[os.path.relpath(path, target).replace(os.sep, '\\').lower()] = read(path)
check(installed == expected, 'installed %s' % sorted(installed))

# Removed with the command the Uninstall entry holds.
key = 'HKLM\\Software\\%sMicrosoft\\Windows\\CurrentVersion\\Uninstall\\%s' % (
    'Wow6432Node\\' if kind == 'win64' else '', product)
query = subprocess.run(['wine', 'reg', 'query', key, '/v', 'QuietUninstallString'], capture_output=True)
quiet = [line.split('REG_SZ', 1)[1].strip() for line in query.stdout.decode('utf-8', 'replace').splitlines()
         if 'REG_SZ' in line]
if not quiet:
    fail('no QuietUninstallString under %s: %s' % (key, query.stdout))
drive_c = os.path.join(os.environ['WINEPREFIX'], 'drive_c')
write(os.path.join(drive_c, folder + '-remove.bat'), ('start /wait "" %s\r\n' % quiet[0]).encode('cp1252'))
subprocess.run(['wine', 'cmd', '/c', 'C:\\%s-remove.bat' % folder], capture_output=True)
os.remove(os.path.join(drive_c, folder + '-remove.bat'))
for _ in range(60):
    if not os.path.exists(target):
        break
    time.sleep(1)
check(not os.path.exists(target), 'the uninstall left %s' % [os.path.join(r, n) for r, _, ns in os.walk(target)
                                                             for n in ns])
finish('folder_sections_test')
