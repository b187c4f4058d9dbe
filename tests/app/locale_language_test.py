"""Without --language the user's UI language decides, then its primary
language, then English. Wine takes the UI language from the locale
variables of the process it starts, which a test program under Wine cannot
set for its children: this test starts the stub itself. The stub without a
package says, in a box its silent run logs, that it cannot extract its files.
    locale_language_test.py BIN_DIR WORK_DIR"""
import os
import shutil
import subprocess
import sys

bin_dir, work = sys.argv[1:3]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
log = os.path.join(work, 'locale.log')
cases = [
    ('de_DE.UTF-8', '"Setup": "Eine Datei konnte nicht aus der Installation entpackt werden.'),
    ('pt_PT.UTF-8', '"Instala\u00e7\u00e3o": "N\u00e3o foi poss\u00edvel extrair um arquivo'),  # Brazilian
    ('fr_CA.UTF-8', '"Installation": "Impossible d\'extraire un fichier'),
    ('ja_JP.UTF-8', '"\u30bb\u30c3\u30c8\u30a2\u30c3\u30d7": "\u30a4\u30f3\u30b9\u30c8\u30fc\u30e9\u30fc'),
    ('nl_NL.UTF-8', '"Setup": "Unable to extract a file from install'),  # no Dutch: English
]
failed = 0
for locale, says in cases:
    if os.path.exists(log):
        os.remove(log)
    env = dict(os.environ, LC_ALL=locale)
    subprocess.run(['wine', os.path.join(bin_dir, 'bkstub.exe'), '--silent', '--log=Z:' + log.replace('/', '\\')],
                   env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=120)
    text = open(log, encoding='utf-8').read() if os.path.exists(log) else ''
    if 'message box not shown (silent) ' + says not in text:
        print('%s: expected %r in the log:\n%s' % (locale, says, text))
        failed += 1
print('%d passed, %d failed' % (len(cases) - failed, failed))
sys.exit(1 if failed else 0)
