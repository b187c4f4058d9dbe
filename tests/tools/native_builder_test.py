"""The native builder against the Windows one: the same inputs give the same
installer, byte for byte, whatever the thread count; the installer is a
program the binutils and icoutils read, carries the stub's resources
unchanged, and installs under Wine.
    native_builder_test.py NATIVE_BKPACK BIN_DIR WORK_DIR"""
import os
import random
import shutil
import subprocess

from builders import start, check, finish, install_script, install_silently, read, write

builders, work, kind = start()
files = os.path.join(work, 'files')

# Many small entries (so threads share them out), an incompressible one, and
# a name outside ASCII, which both builders must store as the same byte.
rng = random.Random(20)
names = ['bin\\app.exe', 'caf\u00e9.txt'] + ['doc\\part%02d.txt' % i for i in range(24)]
contents = {names[0]: bytes(rng.getrandbits(8) for _ in range(150000)), names[1]: 'caf\u00e9\r\n'.encode('cp1252')}
for i, name in enumerate(names[2:]):
    contents[name] = ('part %d: %s\r\n' % (i, 'words ' * rng.randint(10, 4000))).encode()
for name, data in contents.items():
    write(os.path.join(files, *name.split('\\')), data)
folder = 'BraskNative-' + kind
script = os.path.join(work, 'setup.dat')
write(script, install_script(folder, names))
licence = os.path.join(work, 'licence.txt')
write(licence, b'Use it well.\r\n')

def out(name):
    return os.path.join(work, name)

common = ['--licence', ('path', licence)]
linux = builders.build(False, script, files, out('linux.exe'), *common)
windows = builders.build(True, script, files, out('windows.exe'), *common)
check(linux == windows, 'the Linux and the Windows builder made different installers')
for threads in ['1', '3']:
    again = builders.build(False, script, files, out('linux-%s.exe' % threads), '--threads', threads, *common)
    check(again == linux, 'the native build with --threads %s differs' % threads)
check(builders.build(True, script, files, out('windows-1.exe'), '--threads', '1', *common) == linux,
      'the Windows build with --threads 1 differs')
# The classic layout, one stream per entry, alike from both builders too.
classic = builders.build(False, script, files, out('classic.exe'), '--classic', *common)
check(builders.build(True, script, files, out('classic-w.exe'), '--classic', '--threads', '1', *common) == classic,
      'the two builders made different classic installers')
check(classic != linux, 'the default layout is not the solid one')

# The package inside is exactly the bare package 'pack' writes.
pkg = out('bare.pkg')
builders.run(False, ['pack', ('path', script), ('path', files), '--licence', ('path', licence), '-o', ('path', pkg),
                     '--quiet'])
def resource(path, rtype, name, language):
    return subprocess.run(['wrestool', '-x', '--raw', '--type=%s' % rtype, '--name=%s' % name,
                           '--language=%s' % language, path], capture_output=True, check=True).stdout
check(resource(out('linux.exe'), 10, 24356, 0) == read(pkg), 'the embedded package is not the bare one')

# A UTF-8 script's Japanese name: alike from both builders, flagged in the
# solid header; a classic package, which cannot say so, is refused.
utf8_files, utf8_script = os.path.join(work, 'utf8-files'), os.path.join(work, 'utf8.dat')
write(os.path.join(utf8_files, '\u8aac\u660e.txt'), b'setsumei')
write(utf8_script, '\ufeff[CopyFile]\r\n\u8aac\u660e.txt\r\n<Destination>a.txt\r\n'.encode('utf-8'))
utf8 = builders.build(False, utf8_script, utf8_files, out('utf8.exe'))
check(builders.build(True, utf8_script, utf8_files, out('utf8-w.exe')) == utf8, 'the builders differ on a UTF-8 script')
check(resource(out('utf8.exe'), 10, 24356, 0)[12] & 1, 'the solid header does not flag UTF-8 names')
check(builders.run(False, ['build', ('path', utf8_script), ('path', utf8_files), '--stub', ('path', builders.stub),
                           '-o', ('path', out('utf8-classic.exe')), '--classic'], ok=False)[0] == 1,
      'a classic package took a UTF-8 name')

# Other tools read it, and every resource of the stub is there unchanged but
# the version resource, which the script's product gets.
dump = subprocess.run(['i686-w64-mingw32-objdump', '-p', out('linux.exe')], capture_output=True, text=True)
check(dump.returncode == 0 and 'Resource Directory [.rsrc]' in dump.stdout, 'objdump -p cannot read the installer')
def listed(path):
    lines = subprocess.run(['wrestool', '-l', path], capture_output=True, text=True, check=True).stdout.splitlines()
    return [tuple(part.split('=')[1] for part in line.split()[:3]) for line in lines]
stub_resources = listed(builders.stub)
installer_resources = listed(out('linux.exe'))
check(sorted(installer_resources) == sorted(stub_resources + [('10', '24356', '0')]),
      'wrestool lists other resources than the stub\'s and the package')
for rtype, name, language in stub_resources:
    if (rtype, name) == ('16', '1'):
        continue
    check(resource(builders.stub, rtype, name, language) == resource(out('linux.exe'), rtype, name, language),
          'resource %s/%s/%s changed' % (rtype, name, language))

# An installer given as the stub: its package is replaced, not kept.
small = os.path.join(work, 'small.dat')
write(small, install_script(folder, [names[1]]))
builders.stub, stub = out('linux.exe'), builders.stub
rebuilt = builders.build(False, small, files, out('rebuilt.exe'))
builders.stub = stub
_, listing = builders.run(False, ['list', ('path', out('rebuilt.exe'))])
check([line.split()[0][:4] for line in listing.splitlines()] == ['setu', 'caf\ufffd'],
      'the rebuilt installer lists: ' + listing)
check(len(rebuilt) < len(linux), 'the rebuilt installer kept the old package')

# A program without resources, its relocations last: they move after the
# new resource section, where objdump still finds every block of them.
def relocations(path):
    dump = subprocess.run(['i686-w64-mingw32-objdump', '-p', path], capture_output=True, text=True, check=True).stdout
    return [line for line in dump.splitlines() if line.startswith('Virtual Address:')]
plain = os.path.join(builders.bin_dir, 'examples', 'hello', 'hello.exe')
builders.stub = plain
builders.build(False, small, files, out('plain.exe'))
builders.stub = stub
check(listed(plain) == [] and sorted(listed(out('plain.exe'))) == [('10', '24356', '0'), ('16', '1', '0')],
      'the program without resources lists: %s' % listed(out('plain.exe')))
check(relocations(plain) and relocations(out('plain.exe')) == relocations(plain), 'the relocations were lost')
check(builders.run(True, ['verify', ('path', out('plain.exe'))], ok=False)[0] == 0, 'the Windows builder cannot read it')

# Built on Linux, installed under Wine.
target = install_silently(out('linux.exe'), folder)
for name, data in contents.items():
    installed = os.path.join(target, name.split('\\')[-1])
    check(os.path.exists(installed) and read(installed) == data, '%s installed wrong' % name)
shutil.rmtree(target, ignore_errors=True)

# Bytes that do not compress are stored: found by coding a small block, by
# a sample of a large one. The package in the resource or after the image;
# the two builders alike either way.
noise_files, noise_script = os.path.join(work, 'noise'), os.path.join(work, 'noise.dat')
write(noise_script, install_script(folder, ['noise.bin']))
for size, outside_from in [(200000, ''), (3 << 20, '0')]:
    os.environ['BKPACK_OUTSIDE_FROM'] = outside_from
    noise = rng.randbytes(size)
    write(os.path.join(noise_files, 'noise.bin'), noise)
    _, lines = builders.run(False, ['build', ('path', noise_script), ('path', noise_files), '--stub',
                                    ('path', builders.stub), '-o', ('path', out('noise.exe'))])
    check([line for line in lines.splitlines() if 'noise.bin' in line and ' stored, ' in line],
          'the block of %d random bytes is not stored: %s' % (size, lines))
    check(builders.build(True, noise_script, noise_files, out('noise-w.exe')) == read(out('noise.exe')),
          'the builders differ on %d random bytes' % size)
    target = install_silently(out('noise.exe'), folder)
    check(read(os.path.join(target, 'noise.bin')) == noise, 'the stored block of %d bytes installed wrong' % size)
    shutil.rmtree(target, ignore_errors=True)
del os.environ['BKPACK_OUTSIDE_FROM']
finish('native_builder_test')
