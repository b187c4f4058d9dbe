#include "app/entry.h"

#include <objbase.h>

#include "app/command_line.h"
#include "app/installer_state.h"
#include "app/language.h"
#include "app/log_switch.h"
#include "app/relaunch.h"
#include "app/roles.h"
#include "app/system_checks.h"
#include "base/message_box.h"
#include "base/run_log.h"
#include "base/texts.h"
#include "base/unattended.h"
#include "engine/install_scope.h"
#include "package/setup_files.h"

namespace {

// ERROR_INSTALL_FAILURE: a missing or corrupt package and a child without
// administrator rights are failures, never success.
const int kInstallFailed = 1603;

BOOL QueryWow64() {
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    // Looked up at run time: the export is missing on the oldest systems.
    IsWow64ProcessFn isWow64Process =
        (IsWow64ProcessFn)(void*)GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process");
    BOOL result = 0;
    if (isWow64Process && !isWow64Process(GetCurrentProcess(), &result)) result = 0;
    return result;
}

// Before any relaunch: an install for this user only never asks for
// administrator rights. A switch the script does not allow is refused.
bool ChooseInstallScope(const CommandLineOptions& options) {
    int32_t at = options.Lookup(L"scope");
    WString requested = at >= 0 ? options.values[at] : WString();
    ScopeRule rule = ReadScopeRule(WString(state.package->Folder()).Append(L"setup.dat"));
    if (ChooseScope(rule, requested)) {
        RunLog("install scope: %s", ScopeName());
        // Offered on the ready page before any relaunch, unless this
        // user could not have it.
        bool child = options.Lookup(L"IsElevated") >= 0;
        state.scopeOffered = rule == kScopeEither && !state.silent && !child &&
                             MachinePlaceOfScript(WString(state.package->Folder()).Append(L"setup.dat")).IsEmpty();
        state.installAtOnce = child && options.Lookup(L"scopechosen") >= 0;
        return true;
    }
    WString option = WString(L"--scope=").Append(requested);
    WString message;
    if (Compare(requested, L"user", true) == 0 || Compare(requested, L"machine", true) == 0)
        message.Format(Text(kScopeSwitchRefused),
                       rule == kScopeUserOnly ? Text(kScopeForThisUser) : Text(kScopeForEveryone),
                       (const wchar_t*)option);
    else
        message.Format(Text(kScopeSwitchUnknown), (const wchar_t*)option);
    ShowMessage(nullptr, message, state.caption, MB_ICONERROR);
    return false;
}

}  // namespace

int RunEntryPoint(HINSTANCE) {
    WString line(GetCommandLineW());
    CommandLineOptions options;
    options.Parse(line, OptionsStart(line));

    if (HasSwitch(L"<Silent>") || HasSwitch(L"--silent")) state.silent = true;
    if (HasSwitch(L"--noautoreboot")) state.autoReboot = false;
    state.isWow64 = QueryWow64();
    // Before the first box can appear: a silent run must never wait on one.
    SetUnattended(state.silent);
    // The log first, so that a refused language switch is logged.
    StartRunLog(options);
    ChooseLanguage(options);
    state.caption = Text(kSetupCaption);

    // The uninstaller comes before everything else: no COM, no package.
    if (HasSwitch(L"<uninstall>") || HasSwitch(L"--uninstall=")) return RunUninstallerRole();

    // Taken before anything slow: the parent must still be there to be found.
    if (options.Lookup(L"IsElevated") >= 0) state.parentProcess = OpenParentProcess();

    CoInitialize(nullptr);
    if (options.Lookup(L"IsElevated") >= 0 && !CanWriteProgramFiles()) {
        ShowMessage(nullptr, Text(kAdminRequired), state.caption, MB_ICONERROR);
        CoUninitialize();
        return kInstallFailed;
    }
    if (!OpenPackage()) {
        ClosePackage();
        CoUninitialize();
        return kInstallFailed;
    }
    ApplyPackageLanguage();
    state.caption = Text(kSetupCaption);
    int exitCode = 0;
    DWORD containerExit = 0;
    if (RunContainerRole(containerExit)) {
        exitCode = (int)containerExit;
    } else if (!ChooseInstallScope(options)) {
        exitCode = kInstallFailed;
    } else if (state.userScope || state.scopeOffered) {
        exitCode = RunUserInstallRole();
        if (state.everyoneChosen) {
            SetRunLogTag(L"parent");
            exitCode = RunParentRole();
        }
    } else if (ReadElevationOption(options)) {
        exitCode = RunElevatedChildRole();
    } else {
        exitCode = RunParentRole();
    }
    CoUninitialize();
    ClosePackage();
    return exitCode;
}
