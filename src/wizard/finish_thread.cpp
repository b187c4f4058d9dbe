#include "wizard/finish_thread.h"

#include <objbase.h>

#include "app/installer_state.h"
#include "app/reboot_dialog.h"
#include "app/run_program.h"
#include "engine/finish_items.h"
#include "engine/shortcuts.h"
#include "wizard/install_dialog.h"

void FinishThread(EventHandle*, void* context) {
    dlgInstall* wizard = static_cast<dlgInstall*>(context);
    CoInitialize(nullptr);
    for (int32_t i = 0; i < state.finishShortcuts.Count(); i++) {
        FinishShortcut* item = static_cast<FinishShortcut*>(state.finishShortcuts.At(i));
        if (item->checked) {
            ShortcutDefinition shortcut;
            shortcut.target = item->target;
            shortcut.arguments = item->arguments;
            shortcut.workingFolder = item->target.FolderPart();
            shortcut.mask = ShortcutDefinition::kArguments | ShortcutDefinition::kWorkingFolder;
            CreateShortcut(item->linkPath, shortcut);
        }
        InterlockedIncrement((LONG*)&state.finishActionsDone);
    }
    for (int32_t i = 0; i < state.finishPrograms.Count(); i++) {
        FinishProgram* item = static_cast<FinishProgram*>(state.finishPrograms.At(i));
        if (item->checked) RunProgram(item->program, item->parameters, item->wait, true, state.finishOwnerWindow);
        InterlockedIncrement((LONG*)&state.finishActionsDone);
    }
    if (wizard->restartChosen) {
        dlgRebooting countdown(false);
        wizard->restartStarted = countdown.rebooted;
        InterlockedIncrement((LONG*)&state.finishActionsDone);
    }
    CoUninitialize();
}
