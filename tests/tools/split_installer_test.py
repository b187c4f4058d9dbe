"""An installer whose blocks lie in data files beside it (--split): the two
builders write the same files; it installs with all of them there and
sound; with one missing or damaged the silent install logs its name, ends
with 1603 and installs nothing.
    split_installer_test.py NATIVE_BKPACK BIN_DIR WORK_DIR"""
import os
import random
import shutil
import subprocess

from builders import start, check, finish, install_script, read, write

builders, work, kind = start()
files = os.path.join(work, 'files')
rng = random.Random(7)
# Over 8 MiB, so two blocks, each in a data file of its own; setup.dat
# stays in the installer.
contents = {'a.bin': rng.randbytes(5 << 20), 'b.txt': b'words ' * 20000, 'c.bin': rng.randbytes(5 << 20)}
for name, data in contents.items():
    write(os.path.join(files, name), data)
folder = 'BraskSplit-' + kind
script = os.path.join(work, 'setup.dat')
write(script, install_script(folder, list(contents)))

def built(windows, name):
    out = os.path.join(work, name, 'setup.exe')
    os.makedirs(os.path.dirname(out), exist_ok=True)
    builders.build(windows, script, files, out, '--split', '6M')
    return {f: read(os.path.join(work, name, f)) for f in sorted(os.listdir(os.path.join(work, name)))}

linux = built(False, 'linux')
check(len(linux) == 3 and all('setup-%d.bin' % k in linux for k in range(1, len(linux))),
      'the data files: %s' % sorted(linux))
check(built(True, 'windows') == linux, 'the Linux and the Windows builder wrote different files')

drive_c = os.path.join(os.environ['WINEPREFIX'], 'drive_c')
target = os.path.join(drive_c, folder)
for case, change in [('whole', None), ('missing', lambda b: None), ('damaged', lambda b: b[:-1] + bytes([b[-1] ^ 1])),
                     ('cut short', lambda b: b[:-1])]:
    place = os.path.join(drive_c, folder + '-setup')
    shutil.rmtree(place, ignore_errors=True)
    shutil.rmtree(target, ignore_errors=True)
    for name, data in linux.items():
        data = change(data) if change and name == 'setup-2.bin' else data
        if data is not None:
            write(os.path.join(place, name), data)
    log = os.path.join(place, 'setup.log')
    done = subprocess.run(['wine', 'C:\\%s-setup\\setup.exe' % folder, '--silent', '--log=C:\\%s-setup\\setup.log' % folder],
                          capture_output=True)
    logged = read(log).decode('utf-8', 'replace') if os.path.exists(log) else ''
    if change is None:
        check(done.returncode == 0, '%s: the install ended with %d' % (case, done.returncode))
        for name, data in contents.items():
            check(read(os.path.join(target, name)) == data, '%s: %s installed wrong' % (case, name))
        continue
    named = "the data file 'C:\\%s-setup\\setup-2.bin' is %s" % (folder, 'missing' if case == 'missing' else 'damaged')
    check(done.returncode == 1603 & 0xFF, '%s: the install ended with %d' % (case, done.returncode))
    check(named in logged, '%s: the log does not say "%s":\n%s' % (case, named, logged))
    check(not os.path.exists(target), '%s: something was installed' % case)
shutil.rmtree(target, ignore_errors=True)
finish('split_installer_test')
