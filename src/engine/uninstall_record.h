// The uninstall record: what makes an installed product removable. In the
// shared folder "<Program Files>BraskUninstall\" it leaves
//   Uninstall-NAME.exe        this program without its package (or the
//                             package's entry "setup.uni", a signed stub),
//                             run with --uninstall=
//   BraskUninstall-NAME.dat   the UninstallLog: setup.dat line for line in the
//                             ANSI code page with CR LF, except that the line
//                             after "[Install To]" holds the folder used;
//                             then a section "[KeptFile]" (one line, the
//                             full path) for every file the install left
//                             alone as newer, which the uninstall keeps,
//                             and a section "[AddedToEnvironment]" (one
//                             line, NAME|kind|VALUE expanded) for every
//                             environment change the product owns, which
//                             the uninstall takes out again
// and registers NAME under HKLM "...\CurrentVersion\Uninstall\NAME". An
// install for this user only keeps them in the user's program folder and
// registers under HKCU (the record's "[Install Scope]" line says "user").
#pragma once

#include "base/lists.h"
#include "base/wstring.h"

// At most once per process; nothing when the script has "[NoUnInstall]".
void WriteUninstallRecord();

// A file the install left as it was (a newer version was there): the record
// lists it, also when it was written before.
void RecordKeptFile(const wchar_t* path);
// An environment change the product owns (it made it, or its installed
// version did): the uninstall reverts it.
void RecordAddedEnvironment(const wchar_t* line);
// The headers of those sections.
extern const wchar_t kKeptFileHeader[];
extern const wchar_t kAddedEnvironmentHeader[];

// Remembered install paths, one value per product, in HKCU and HKLM.
extern const wchar_t kRememberedPathsKey[];
// The HKCU key the install's scope remembers its path under: a user's own
// installs apart from the machine's ("Software\BraskInstall\User").
WString RememberedPathsKey();

WString UninstallFolder();
// The uninstall folders under both program folders (one on 32-bit
// Windows): a record lies in the one its install chose.
void BothUninstallFolders(StringList& folders);
WString UninstallerCopyPath();
WString UninstallLogPath();
WString UninstallKeyPath(const wchar_t* projectName);
