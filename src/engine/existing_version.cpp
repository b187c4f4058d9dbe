#include "engine/existing_version.h"

#include "app/command_line.h"
#include "app/installer_state.h"
#include "app/processes.h"
#include "base/disk_file.h"
#include "base/line_reader.h"
#include "base/message_box.h"
#include "base/registry.h"
#include "base/texts.h"
#include "engine/install_scope.h"
#include "engine/uninstall_record.h"

WString UninstallLogPathFromCommand(const WString& command) {
    // A quoted path ends at its closing quote: a deployment tool may append
    // switches ("--log=") to the quiet uninstall command.
    WString result;
    if (!FindSwitchValue(command, L"<uninstall>", result) || result.IsEmpty())
        FindSwitchValue(command, L"--uninstall=", result);
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
    WString command = ReadStringValue(L"UninstallString", ScopeRoot(), UninstallKeyPath(state.projectName));
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
