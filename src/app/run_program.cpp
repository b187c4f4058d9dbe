#include "app/run_program.h"

#include "app/command_file.h"
#include "app/installer_state.h"
#include "app/processes.h"
#include "base/disk_file.h"
#include "base/folders.h"
#include "base/lists.h"
#include "base/message_box.h"
#include "base/run_log.h"
#include "base/temp_files.h"
#include "base/texts.h"
#include "engine/path_macros.h"
#include "package/setup_files.h"

const wchar_t kCheckExitCode[] = L" -CHECKEXITCODE";

namespace {

const wchar_t kTempInstall[] = L"<TempInstall>";
const int32_t kTempInstallLength = 13;
const wchar_t kRunElevated[] = L" -RUNELEVATED";
// ERROR_ELEVATION_REQUIRED: the program's manifest demands administrator
// rights that this process lacks.
const DWORD kElevationRequired = 740;

bool IsExe(const WString& extension) { return Compare(extension, L".exe", true) == 0; }

// Extracts the package entry named after "<TempInstall>" beside a marker
// file, so the copy keeps its own file name in a unique place.
bool ExtractTemporaryCopy(const WString& program, WString& copyPath, HWND owner) {
    WString entry = program.From(kTempInstallLength + 1);
    if (entry.CharAt(1) == L'\\') entry.RemoveAt(1);
    WString marker;
    MakeTempFile(marker, "", "-");
    copyPath = marker;
    copyPath.Append(entry.FileName());
    bool extracted = state.package && state.package->Package()->ExtractEntry(entry, copyPath);
    DeleteTempFile(marker);
    if (!extracted) {
        WString text;
        text.Format(Text(kCannotExtract), (const wchar_t*)entry);
        ShowMessage(owner, text, state.caption, MB_ICONERROR);
    }
    return extracted;
}

// A program whose manifest asks for administrator rights must stay in the
// elevated process; anything unreadable stays too.
bool MayRunUnelevated(const WString& path) {
    DiskFile file;
    file.SetPath(path);
    file.Open(GENERIC_READ, OPEN_EXISTING, false);
    if (!file.IsOpen()) return false;
    ByteBuffer bytes;
    uint64_t size = file.Size();
    if (size >= 0x80000000ull || !bytes.Resize((uint32_t)size, false)) return false;
    if (file.Read(bytes.Data(), bytes.Size()) != bytes.Size()) return false;
    return !ManifestRequiresAdmin(bytes.Data(), bytes.Size());
}

// Copies program onto the desktop under its own name, or "name (2).ext" and
// so on when the user has a file of that name: a file there is never
// overwritten (and so never deleted afterwards).
bool CopyToDesktop(const WString& program, WString& copy) {
    WString folder(L"<DeskTop>\\");
    ExpandPathMacros(folder);
    WString title = program.FileTitle(), extension = program.Extension();
    for (int n = 1; n < 100; n++) {
        copy = folder;
        if (n == 1)
            copy.Append(program.FileName());
        else
            copy.Append(WString::Formatted(L"%s (%d)%s", (const wchar_t*)title, n, (const wchar_t*)extension));
        if (CopyFileW(program, copy, TRUE)) return true;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    copy = L"";
    return false;
}

}  // namespace

void RunProgram(const wchar_t* programText, const wchar_t* parametersText, bool wait, bool allowHandOff,
                HWND owner, ProgramWait* waitDetails) {
    WString program(programText);
    WString parameters(parametersText);
    WString copyPath, desktopCopy, note;
    bool isTemporary = false, deleteTemporary = true, failed = false;
    // Always waited for through details, so the log gets the exit code.
    ProgramWait ownWait;
    if (!waitDetails) waitDetails = &ownWait;

    if (program.Find(kTempInstall, 1) != 0) {
        isTemporary = true;
        if (!ExtractTemporaryCopy(program, copyPath, owner)) return;
        program = copyPath;
    }
    ExpandPathMacros(program);
    // Here, where "<Destination>" is known: the parent a program is handed
    // to, and an elevated start, would pass the placeholders on as text.
    ExpandPathMacros(parameters);
    // Where no hand-off is allowed the program runs here anyway.
    if (!allowHandOff) parameters.Replace(kCheckExitCode, L"", false);
    WString extension = program.Extension();

    bool handOff = false;
    if (allowHandOff) {
        if (!IsExe(extension) && parameters.IsEmpty())
            handOff = true;
        else
            handOff = MayRunUnelevated(program);
        if (isTemporary) handOff = false;
        const wchar_t* const markers[] = {kRunElevated, kCheckExitCode};
        for (const wchar_t* marker : markers) {
            if (parameters.Find(marker, 1) == 0) continue;
            parameters.Replace(marker, L"", false);
            handOff = false;
        }
        // Without a command file there is no parent to hand to (the
        // installer was started elevated by hand): run it here.
        if (state.commandFilePath.IsEmpty()) handOff = false;
    }

    if (handOff) {
        StringList lines;
        lines.AddString(L"[run]");
        lines.AddString(program);
        lines.AddString(parameters);
        lines.AddString(wait ? L"1" : L"0");
        WriteCommandFile(lines);
        deleteTemporary = false;
    } else if (!IsExe(extension) && parameters.IsEmpty()) {
        if (!ShellRun(nullptr, program, nullptr, wait, waitDetails)) failed = true;
        deleteTemporary = false;
    } else {
        WString commandLine = ProgramCommandLine(program, parameters);
        ExpandPathMacros(commandLine);
        if (!StartProcess(commandLine, wait, waitDetails)) {
            if (GetLastError() == kElevationRequired) {
                failed = !RunElevated(program, parameters, wait, waitDetails);
            } else {
                // Security software that blocks programs in temporary
                // folders often lets the same file run from the desktop.
                if (!CopyToDesktop(program, desktopCopy)) {
                    failed = true;
                } else if (!StartProcess(commandLine, wait, waitDetails)) {
                    failed = true;
                    note.Format(Text(kDesktopCopyNote), (const wchar_t*)desktopCopy.FileName());
                }
            }
        }
    }

    const wchar_t* shownProgram = program;
    const wchar_t* shownParameters = parameters;
    if (handOff)
        RunLog("program '%s' %s handed to the parent", shownProgram, shownParameters);
    else if (failed)
        RunLog("program '%s' %s could not be started", shownProgram, shownParameters);
    else if (wait && waitDetails->finished)
        RunLog("program '%s' %s ended with %lu", shownProgram, shownParameters, waitDetails->exitCode);
    else
        RunLog("program '%s' %s started", shownProgram, shownParameters);
    if (!state.silent && failed) {
        WString text;
        text.Format(Text(kErrorRunning), (const wchar_t*)program, (const wchar_t*)note);
        ShowMessage(owner, text, state.caption, MB_ICONERROR);
        return;
    }
    if (deleteTemporary && !copyPath.IsEmpty()) DeleteFileW(copyPath);
    if (!desktopCopy.IsEmpty()) DeleteFileRetry(desktopCopy);
}
