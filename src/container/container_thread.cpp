#include "container/container_thread.h"

#include "app/command_line.h"
#include "app/installer_state.h"
#include "app/language.h"
#include "app/log_switch.h"
#include "app/reboot_dialog.h"
#include "app/run_program.h"
#include "base/disk_file.h"
#include "base/line_reader.h"
#include "base/run_log.h"
#include "container/chain_outcome.h"
#include "container/container.h"
#include "container/container_dialog.h"
#include "container/container_progress.h"
#include "container/variants.h"
#include "engine/script_message.h"
#include "package/setup_files.h"

namespace {


bool Stopping(EventHandle* stop) { return stop && stop->IsSignalled(); }

// The script's "[Message]" boxes, none in silent mode. The remembered-path
// tests among them are read by ForceThirtyTwoBit and never shown. False
// when the user answered No to a question: the chain does not run.
bool ShowMessages(EventHandle* stop) {
    if (state.silent || !state.package) return true;
    DiskFile script;
    script.SetPath(WString(state.package->Folder()).Append(L"setup.dat"));
    script.Open(GENERIC_READ, OPEN_EXISTING, false);
    if (!script.IsOpen()) return true;
    WString line, text, kind;
    while (!Stopping(stop) && ReadLine(script, line, false)) {
        if (Compare(line, L"[Message]", false) != 0) continue;
        ReadLine(script, text, false);
        ReadLine(script, kind, false);
        if (text.Find(kForceSeparator, 1) != 0) continue;
        if (!ShowScriptMessage(nullptr, text, kind)) return false;
    }
    return true;
}

WString InstallerParameters(const VariantChoice& choice) {
    WString parameters;
    if (choice.force32) parameters.Append(L" --force32bit");
    // "<Silent>" too: a container that shows nothing runs installers that
    // show nothing.
    if (state.silent) parameters.Append(L" --silent");
    // The installers write into the container's log.
    parameters.Append(LogSwitch());
    parameters.Append(L" --selfrun");
    if (LanguageRequested()) parameters.Append(LanguageOption());
    // A restart in the middle would leave the later installers unrun: the
    // container restarts once, after the last.
    parameters.Append(L" --noautoreboot");
    return parameters;
}

void RunInstallers(EventHandle* stop, const VariantChoice& choice, bool hasVariants, dlgContainerInstall* window,
                   ChainOutcome& outcome) {
    InstallPackage* package = state.package->Package();
    WString parameters = InstallerParameters(choice), name;
    for (int32_t i = 0; i < package->EntryCount() && !Stopping(stop); i++) {
        package->EntryName(i, name);
        if (name.IsEmpty()) break;
        if (!IsInstallerEntry(name) || !PassesVariantFilter(choice, hasVariants, name)) continue;
        if (window && window->cancelRequested) {
            RunLog("the chain was cancelled before '%s'", (const wchar_t*)name);
            outcome.cancelled = true;
            break;
        }
        CountInstallerStarted();
        WString program;
        program.Format(L"<TempInstall>\\%s", (const wchar_t*)name);
        ProgramWait wait;
        wait.dispatchMessages = true;
        // Nobody watches a silent chain: a hung installer must not hold it.
        if (state.silent) wait.limitMs = InstallerTimeLimit();
        RunProgram(program, parameters, true, false, window ? window->hwnd : nullptr, &wait);
        if (wait.timedOut)
            RunLog("installer '%s' ended after %lu ms without finishing", (const wchar_t*)name, wait.limitMs);
        outcome.Add(wait.finished, wait.exitCode);
        if (outcome.stopped) break;
    }
}

// The restart the installers asked for, once the last has ended: at once
// when silent (unless "--noautoreboot"), otherwise after the countdown.
void RestartIfNeeded(ChainOutcome& outcome) {
    if (!outcome.restartNeeded || outcome.restartStarted) return;
    dlgRebooting countdown(false);
    if (countdown.rebooted) outcome.restartStarted = true;
}

}  // namespace

void ContainerThread(EventHandle* stop, void* context) {
    ContainerRun* run = static_cast<ContainerRun*>(context);
    run->exitCode = ERROR_SUCCESS;
    if (!state.package || !state.package->Package()) return;
    InstallPackage* package = state.package->Package();
    bool hasVariants = HasVariants(*package);
    VariantChoice choice = ChooseVariants(hasVariants, HasSwitch(L"--force32bit"),
                                          (GetKeyState(VK_RSHIFT) & 0x8000) != 0, state.isWow64 != 0,
                                          ForceThirtyTwoBit);
    int32_t total = CountInstallers(*package, choice, hasVariants);
    SetContainerTotal(total);
    dlgContainerInstall* window = total > 1 ? new dlgContainerInstall() : nullptr;

    ChainOutcome outcome;
    if (!ShowMessages(stop))
        outcome.cancelled = true;
    else
        RunInstallers(stop, choice, hasVariants, window, outcome);
    delete window;
    RestartIfNeeded(outcome);
    run->exitCode = outcome.ExitCode();
}
