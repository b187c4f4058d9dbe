#include "engine/uninstall_record.h"

#include <windows.h>

#include "app/installer_state.h"
#include "app/language.h"
#include "base/disk_file.h"
#include "base/folders.h"
#include "base/line_reader.h"
#include "base/registry.h"
#include "base/run_log.h"
#include "base/temp_files.h"
#include "engine/install_journal.h"
#include "engine/install_scope.h"
#include "engine/logon_delete.h"
#include "engine/path_macros.h"
#include "engine/pending_delete.h"
#include "package/image_check.h"
#include "package/image_cut.h"
#include "package/install_package.h"
#include "package/package_format.h"
#include "package/setup_files.h"

const wchar_t kRememberedPathsKey[] = L"Software\\BraskInstall";
const wchar_t kKeptFileHeader[] = L"[KeptFile]";
const wchar_t kAddedEnvironmentHeader[] = L"[AddedToEnvironment]";

namespace {

// Sections noted before the record was written, header and line by turns
// (namespace scope: the guard of a function-local static drags in the
// exception runtime).
StringList pendingSections;
// The record is in the script's encoding: a UTF-8 script's (marked) holds
// text of any language, an ANSI script's stays readable by earlier
// uninstallers. Lines appended later follow it.
bool recordInUtf8 = false;

void WriteLine(DiskFile& log, const wchar_t* text) { log.WriteText(WString(text).ToAnsi(recordInUtf8), true); }

void WriteSection(DiskFile& log, const wchar_t* header, const wchar_t* line) {
    WriteLine(log, header);
    WriteLine(log, line);
}

// A section after the script's: appended, or kept until the record is
// written.
void RecordSection(const wchar_t* header, const wchar_t* line) {
    if (!state.allowUninstall) return;
    if (!state.uninstallRecordWritten) {
        pendingSections.AddString(header);
        pendingSections.AddString(line);
        return;
    }
    DiskFile log;
    log.SetPath(UninstallLogPath());
    log.Open(FILE_APPEND_DATA, OPEN_EXISTING, false);
    if (log.IsOpen()) WriteSection(log, header, line);
}

void CopyScriptToLog() {
    if (!state.package) return;
    DiskFile script;
    script.SetPath(WString(state.package->Folder()).Append(L"setup.dat"));
    script.Open(GENERIC_READ, OPEN_EXISTING, false);
    if (!script.IsOpen()) return;
    DiskFile log;
    log.SetPath(UninstallLogPath());
    WString path = log.Path();
    Journal().BeforeWrite(path, true);
    log.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    if (!log.IsOpen()) return;
    WString line;
    bool first = true;
    while (ReadLine(script, line, false)) {
        if (first) {
            recordInUtf8 = script.Encoding() == DiskFile::kUtf8Text;
            if (recordInUtf8) log.Write("\xEF\xBB\xBF", 3);
            first = false;
        }
        if (Compare(line, L"[Install To]", false) == 0) {
            WString discarded;
            ReadLine(script, discarded, false);
            log.WriteText("[Install To]", true);
            WriteLine(log, state.installPath);
        } else if (Compare(line, L"[Install Scope]", false) == 0) {
            // The scope taken, so that the uninstaller knows where to look.
            WString discarded;
            ReadLine(script, discarded, false);
            log.WriteText("[Install Scope]", true);
            WriteLine(log, ScopeName());
        } else {
            WriteLine(log, line);
        }
    }
    for (int32_t i = 0; i + 1 < pendingSections.Count(); i += 2)
        WriteSection(log, pendingSections[i], pendingSections[i + 1]);
}

// The uninstaller, each way checked in place until one starts: the one the
// publisher packed (a signed stub), this program without its package, or
// this whole installer (its resources laid out by another tool). False,
// and none left, when no way gave a program that starts.
bool WriteUninstaller(const WString& temporary, const WString& copy) {
    InstallPackage* package = state.package ? state.package->Package() : nullptr;
    WString entry = WString::FromAnsi(package_format::kUninstallerEntry, false);
    wchar_t self[261] = {0};
    GetModuleFileNameW(nullptr, self, 260);
    PackageEntry found;
    const wchar_t* ways[] = {L"the package's", L"this program without its package", L"this whole installer"};
    for (int way = 0; way < 3; way++) {
        bool written = way == 0 ? package && package->FindEntry(entry, &found) &&
                                      package->ExtractEntry(entry, temporary)
                       : way == 1 ? WriteImageWithoutPackage(temporary)
                                  : CopyFileW(self, temporary, FALSE) != 0;
        if (!written) continue;
        bool starts = CopyFileW(temporary, copy, FALSE) && IsStartableImage(copy);
        RunLog("uninstaller: %s%s", ways[way], starts ? L"" : L", which would not start");
        if (starts) return true;
    }
    DeleteFileW(copy);
    return false;
}

// The record's values, each journalled: an install that does not finish
// leaves the Uninstall entry of the version before it.
void Put(const wchar_t* text, const wchar_t* name, HKEY root, const WString& key) {
    Journal().Value(root, 0, key, name);
    WriteString(text, name, root, key);
}

void Put(const wchar_t* text, const wchar_t* name, const WString& key) { Put(text, name, ScopeRoot(), key); }

void WriteDword(const wchar_t* name, DWORD value, const WString& key) {
    Journal().Value(ScopeRoot(), 0, key, name);
    WriteValue(&value, sizeof value, REG_DWORD, name, ScopeRoot(), key);
}

}  // namespace

WString RememberedPathsKey() {
    return state.userScope ? WString(kRememberedPathsKey).Append(L"\\User") : WString(kRememberedPathsKey);
}

WString UninstallFolder() {
    WString folder(L"<Program Files>BraskUninstall\\");
    ExpandPathMacros(folder);
    return folder;
}

void BothUninstallFolders(StringList& folders) {
    bool chosen = state.use64BitLocations;
    for (int side = 0; side < 2; side++) {
        state.use64BitLocations = side != 0;
        WString folder = UninstallFolder();
        if (!folders.Contains(folder, true)) folders.AddString(folder);
    }
    state.use64BitLocations = chosen;
}

WString UninstallerCopyPath() {
    return UninstallFolder().Append(L"Uninstall-").Append(state.projectName).Append(L".exe");
}

WString UninstallLogPath() {
    return WString::Formatted(L"%sBraskUninstall-%s.dat", (const wchar_t*)UninstallFolder(),
                              (const wchar_t*)state.projectName);
}

WString UninstallKeyPath(const wchar_t* projectName) {
    return WString::Formatted(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s", projectName);
}

void RecordKeptFile(const wchar_t* path) { RecordSection(kKeptFileHeader, path); }

void RecordAddedEnvironment(const wchar_t* line) { RecordSection(kAddedEnvironmentHeader, line); }

void WriteUninstallRecord() {
    if (!state.allowUninstall || state.uninstallRecordWritten) {
        pendingSections.DeleteAll();
        return;
    }
    state.uninstallRecordWritten = true;

    WString temporary;
    MakeTempFile(temporary, "Ins", nullptr);
    StringList made;
    CreateFolderTree(UninstallFolder(), &made);
    Journal().Folders(made);
    WString copy = UninstallerCopyPath();
    // An uninstaller of this product that ran since the last restart has
    // scheduled its own deletion (and that of the folder): the restart must
    // not take the copy written now.
    WString folder = UninstallFolder();
    folder.StripTrailingBackslashes();
    CancelPendingDelete(folder);
    CancelPendingDelete(copy);
    if (state.userScope) CancelLogonDelete(state.projectName);
    Journal().BeforeWrite(copy, true);
    bool removable = WriteUninstaller(temporary, copy);
    DeleteTempFile(temporary);
    CopyScriptToLog();
    WString language = RecordedLanguagePath(UninstallLogPath());
    Journal().BeforeWrite(language, true);
    RecordLanguage(UninstallLogPath());
    pendingSections.DeleteAll();
    // An Uninstall entry is no use without a program to run.
    if (!removable) return;

    WString key = UninstallKeyPath(state.projectName);
    WString log = UninstallLogPath();
    WString uninstall = WString::Formatted(L"\"%s\" --uninstall=\"%s\"", (const wchar_t*)copy, (const wchar_t*)log);
    RunLog("Uninstall entry %s\\%s: uninstaller '%s', record '%s'", state.userScope ? L"HKCU" : L"HKLM",
           (const wchar_t*)key, (const wchar_t*)copy, (const wchar_t*)log);
    Put(state.projectName, L"DisplayName", key);
    if (!state.uninstallSettings.IsEmpty())
        Put(state.uninstallSettings, L"Publisher", key);
    if (!state.programVersion.IsEmpty())
        Put(state.programVersion, L"DisplayVersion", key);
    Put(state.installPath, L"InstallLocation", key);
    Put(copy, L"DisplayIcon", key);
    WriteDword(L"NoModify", 1, key);
    WriteDword(L"NoRepair", 1, key);
    WriteDword(L"EstimatedSize", (DWORD)state.requiredKB, key);
    Put(uninstall, L"UninstallString", key);
    // Deployment tools remove products without a window through this one.
    // The record's path is quoted, so switches such as "--log=" may follow.
    WString quiet =
        WString::Formatted(L"\"%s\" --silent --uninstall=\"%s\"", (const wchar_t*)copy, (const wchar_t*)log);
    Put(quiet, L"QuietUninstallString", key);
    Put(state.installPath, L"InstallTo", key);

    if (state.saveInstallPath && !state.saveInstallPathValue.IsEmpty()) {
        Put(state.installPath, state.saveInstallPathValue, HKEY_CURRENT_USER, RememberedPathsKey());
        if (!state.userScope) Put(state.installPath, state.saveInstallPathValue, HKEY_LOCAL_MACHINE, kRememberedPathsKey);
    }
}
