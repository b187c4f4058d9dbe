"""The two package builders (native and, under Wine, Windows) and a silent
install under Wine, for the tests that compare what they make."""
import os
import shutil
import subprocess
import sys


def winpath(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


class Builders:
    def __init__(self, native, bin_dir):
        self.native = native
        self.bin_dir = bin_dir
        self.windows = os.path.join(bin_dir, 'bkpack.exe')
        self.stub = os.path.join(bin_dir, 'bkstub.exe')

    def command(self, windows, args):
        """args: strings, or ('path', p) for a path each builder spells its way."""
        spelt = [winpath(a[1]) if windows and isinstance(a, tuple) else a[1] if isinstance(a, tuple) else a
                 for a in args]
        return (['wine', self.windows] if windows else [self.native]) + spelt

    def run(self, windows, args, ok=True):
        command = self.command(windows, args)
        done = subprocess.run(command, capture_output=True)
        output = done.stdout.decode('utf-8', 'replace') + done.stderr.decode('utf-8', 'replace')
        if ok and done.returncode != 0:
            fail('%s failed (%d): %s' % (' '.join(command), done.returncode, output))
        return done.returncode, output

    def expand(self, windows, script, files):
        """The script as 'pack --list-expanded' prints it, and the warnings from
        'SCRIPT_NAME:' on (the path before it is spelt by each builder)."""
        name = os.path.basename(script) + ':'
        done = subprocess.run(self.command(windows, ['pack', ('path', script), ('path', files), '--list-expanded']),
                              capture_output=True)
        if done.returncode != 0:
            fail('--list-expanded failed (%d): %s' % (done.returncode, done.stderr.decode('utf-8', 'replace')))
        return done.stdout, [line[line.index(name):] for line in done.stderr.decode('cp1252', 'replace').splitlines()
                             if name in line]

    def build(self, windows, script, files, out, *extra):
        self.run(windows, ['build', ('path', script), ('path', files), '--stub', ('path', self.stub),
                           '-o', ('path', out), '--quiet'] + list(extra))
        return read(out)


def start():
    """What each script starts with, from its arguments NATIVE_BKPACK BIN_DIR
    WORK_DIR: the builders, WORK_DIR emptied, and the Wine prefix's kind."""
    native, bin_dir, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    return Builders(native, bin_dir), work, os.environ.get('BRASK_PREFIX_KIND', 'win64')


def install_silently(installer, folder_name):
    """Runs installer --silent in $WINEPREFIX; the path it installed into."""
    drive_c = os.path.join(os.environ['WINEPREFIX'], 'drive_c')
    target = os.path.join(drive_c, folder_name)
    shutil.rmtree(target, ignore_errors=True)
    copy = os.path.join(drive_c, folder_name + '-setup.exe')
    shutil.copyfile(installer, copy)
    done = subprocess.run(['wine', 'C:\\' + folder_name + '-setup.exe', '--silent'], capture_output=True)
    os.remove(copy)
    if done.returncode != 0:
        fail('the silent install of %s ended with %d' % (installer, done.returncode))
    return target


def install_script(folder_name, names):
    lines = ['[Project Name]', 'Native', '[NoUnInstall]', '[Install To]', 'C:\\%s\\' % folder_name]
    for name in names:
        lines += ['[CopyFile]', name, '<Destination>' + name.split('\\')[-1]]
    return ('\r\n'.join(lines) + '\r\n').encode('cp1252')


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print('FAIL: ' + message)


def fail(message):
    print('FAIL: ' + message)
    sys.exit(1)


def finish(name):
    if failures:
        sys.exit('%s: %d failure(s)' % (name, len(failures)))
    print('%s: passed' % name)
