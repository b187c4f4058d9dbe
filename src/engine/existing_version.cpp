#include "engine/existing_version.h"

#include "app/installer_state.h"
#include "app/processes.h"
#include "base/disk_file.h"
#include "base/line_reader.h"
#include "base/message_box.h"
#include "base/registry.h"
#include "base/texts.h"
#include "engine/uninstall_record.h"

WString UninstallLogPathFromCommand(const WString& command) {
    static const wchar_t* const kMarkers[] = {L"<uninstall>", L"--uninstall="};
    WString result;
    for (const wchar_t* marker : kMarkers) {
        int32_t at = command.Find(marker, 1);
        if (result.IsEmpty() && at != 0) result = command.From(at + (int32_t)wcslen(marker));
    }
    if (result.CharAt(1) == L'"') {
        // A quoted path ends at its closing quote: a deployment tool may
        // append switches ("--log=") to the quiet uninstall command.
        result.RemoveAt(1);
        int32_t close = result.FindChar(L'"', 1);
        if (close) result = result.Left(close - 1);
    }
    if (!result.IsEmpty() && result.CharAt(WString::kLast) == L'"') result.DropRight(1);
    return result;
}

WString ReadLogVersion(const wchar_t* path) {
    DiskFile log;
    log.SetPath(path);
    log.Open(GENERIC_READ, OPEN_EXISTING, false);
    WString line;
    while (log.IsOpen() && ReadLine(log, line, false)) {
        if (Compare(line, L"[ProgramVersion]", false) != 0) continue;
        ReadLine(log, line, false);
        return line;
    }
    // Spelt as earlier releases wrote it; the text reaches the user as is.
    return WString(Text(kVersionUnknown));
}

bool CheckExistingVersion(HWND owner) {
    WString command = ReadStringValue(L"UninstallString", HKEY_LOCAL_MACHINE, UninstallKeyPath(state.projectName));
    if (command.IsEmpty()) return true;
    WString existing = ReadLogVersion(UninstallLogPathFromCommand(command));

    WString question;
    question.Format(Text(kExistingFound), (const wchar_t*)state.projectName);
    if (!state.programVersion.IsEmpty()) {
        question.Append(WString::Formatted(Text(kExistingVersions), (const wchar_t*)state.programVersion,
                                           (const wchar_t*)existing));
    }
    question.Append(Text(kExistingQuestion));
    int answer = ShowMessage(owner, question, state.caption, MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) {
        state.installAborted = true;
        state.installCancelled = true;
        return false;
    }
    if (answer != IDYES) return true;

    command.Replace(L"--uninstall=", L"--sayonrebootruninst --uninstall=", false);
    StartProcess(command, true);
    // The old uninstaller may still be finishing its removal and signalling.
    Sleep(4000);
    if (state.rerunEvent.IsSignalled()) state.installAborted = true;
    return !state.installAborted;
}
