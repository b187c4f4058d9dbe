"""A signed installer: signed with osslsigncode under a throw-away
certificate, it verifies, bkpack still reads and verifies it, signing
changed nothing but the checksum and the certificate table (the package
inside is the same bytes), and it installs silently under Wine. A stub
signed the same way, given as the uninstaller, is what the install leaves;
without one, the install leaves itself without its package and signature.
All of it with the package in its resource and after the image.
    signed_installer_test.py NATIVE_BKPACK BIN_DIR WORK_DIR"""
import glob
import os
import shutil
import struct
import subprocess

from builders import start, check, fail, finish, install_script, install_silently, read, write

builders, work, kind = start()
files = os.path.join(work, 'files')
contents = {'app.exe': b'MZ' + bytes(range(256)) * 300, 'readme.txt': b'Signed and sealed.\r\n'}
for name, data in contents.items():
    write(os.path.join(files, name), data)
folder = 'BraskSigned-' + kind
script = os.path.join(work, 'setup.dat')
write(script, install_script(folder, list(contents)))

def path(name):
    return os.path.join(work, form, name)

def run(*command):
    done = subprocess.run(command, capture_output=True, text=True)
    if done.returncode != 0:
        fail('%s failed: %s%s' % (command[0], done.stdout, done.stderr))
    return done.stdout

for form, outside_from in [('resource', ''), ('after', '0')]:
    os.environ['BKPACK_OUTSIDE_FROM'] = outside_from
    os.makedirs(path(''), exist_ok=True)
    unsigned = builders.build(False, script, files, path('setup.exe'))
    # After the image, the package's trailer ends the file.
    check((unsigned[-8:] == struct.pack('<II', 0x03345283, 0x0EFFF343)) == (form == 'after'),
          'the package does not lie where its form says')
    run('openssl', 'req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-days', '2', '-subj', '/CN=Brask test publisher',
        '-keyout', path('key.pem'), '-out', path('cert.pem'))
    run('osslsigncode', 'sign', '-certs', path('cert.pem'), '-key', path('key.pem'), '-n', 'Native',
        '-in', path('setup.exe'), '-out', path('signed.exe'))
    verified = subprocess.run(['osslsigncode', 'verify', '-CAfile', path('cert.pem'), '-in', path('signed.exe')],
                              capture_output=True, text=True)
    check(verified.returncode == 0, 'osslsigncode verify failed: ' + verified.stdout + verified.stderr)

    # Signing pads the file to 8 bytes and appends the certificate table; in the
    # headers only the checksum and the table's directory entry change.
    signed = read(path('signed.exe'))
    pe = struct.unpack_from('<I', unsigned, 0x3C)[0]
    checksum, certificate = pe + 24 + 64, pe + 24 + 96 + 8 * 4
    changed = [i for i in range(len(unsigned)) if signed[i] != unsigned[i]]
    allowed = set(range(checksum, checksum + 4)) | set(range(certificate, certificate + 8))
    check(len(signed) > len(unsigned) and set(changed) <= allowed,
          'signing changed bytes outside the checksum and the certificate entry: %s' % changed[:8])
    table = struct.unpack_from('<I', signed, certificate)[0]
    check(table >= len(unsigned) and not any(signed[len(unsigned):table]), 'the certificate table is not appended')

    for windows in [False, True]:
        code, output = builders.run(windows, ['verify', ('path', path('signed.exe'))], ok=False)
        check(code == 0, 'bkpack verify of the signed installer: ' + output)
    check(builders.run(False, ['list', ('path', path('signed.exe'))]) ==
          builders.run(False, ['list', ('path', path('setup.exe'))]), 'bkpack lists the signed installer otherwise')

    target = install_silently(path('signed.exe'), folder)
    for name, data in contents.items():
        installed = os.path.join(target, name)
        check(os.path.exists(installed) and read(installed) == data, '%s installed wrong' % name)
    shutil.rmtree(target, ignore_errors=True)

    # A signed uninstaller: the publisher signs the stub and builds with it as
    # the uninstaller; the install writes those very bytes, signature and all.
    # Without it the install writes the signed installer cut before its package,
    # which drops the certificate table with the package.
    run('osslsigncode', 'sign', '-certs', path('cert.pem'), '-key', path('key.pem'), '-n', 'Native',
        '-in', builders.stub, '-out', path('signed-stub.exe'))
    product = 'BraskSignedUninstaller-' + kind
    removable = path('removable.dat')
    write(removable, install_script(folder, list(contents)).replace(b'[NoUnInstall]\r\n', b'')
          .replace(b'Native', product.encode()))
    drive_c = os.path.join(os.environ['WINEPREFIX'], 'drive_c')
    for given in [True, False]:
        builders.build(False, removable, files, path('removable.exe'),
                       *(['--uninstaller', ('path', path('signed-stub.exe'))] if given else []))
        signed_installer = path('removable-signed-%d.exe' % given)
        run('osslsigncode', 'sign', '-certs', path('cert.pem'), '-key', path('key.pem'), '-n', 'Native',
            '-in', path('removable.exe'), '-out', signed_installer)
        target = install_silently(signed_installer, folder)
        copies = glob.glob(os.path.join(drive_c, 'Program Files*', 'BraskUninstall', 'Uninstall-%s.exe' % product))
        check(len(copies) == 1, 'the uninstaller copy: %s' % copies)
        if given:
            check(read(copies[0]) == read(path('signed-stub.exe')), 'the uninstaller is not the signed stub')
            verified = subprocess.run(['osslsigncode', 'verify', '-CAfile', path('cert.pem'), '-in', copies[0]],
                                      capture_output=True, text=True)
            check(verified.returncode == 0, 'the uninstaller does not verify: ' + verified.stdout + verified.stderr)
        else:
            check(struct.unpack_from('<II', read(copies[0]), certificate) == (0, 0),
                  'the uninstaller names a certificate table')
        folder_win = 'C:\\' + os.path.relpath(os.path.dirname(copies[0]), drive_c).replace('/', '\\') + '\\'
        done = subprocess.run(['wine', folder_win + 'Uninstall-%s.exe' % product, '--silent',
                               '--uninstall=%sBraskUninstall-%s.dat' % (folder_win, product)], capture_output=True)
        check(done.returncode == 0 and not os.path.exists(target), 'the uninstaller ended with %d' % done.returncode)
        os.remove(copies[0])
finish('signed_installer_test')
