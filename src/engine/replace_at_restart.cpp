#include "engine/replace_at_restart.h"

#include <windows.h>

#include "app/installer_state.h"
#include "base/wstring.h"
#include "engine/install_journal.h"

bool ReplaceAtRestart(const wchar_t* source, const wchar_t* destination) {
    WString pending(destination);
    pending.Append(L"-BKITMP");
    // Undone, the restart finds no copy to rename into place.
    Journal().Created(pending);
    pending = LongPath(pending, 260);
    WString target = LongPath(destination, 260);
    if (!CopyFileW(LongPath(source, 260), pending, FALSE)) return false;
    // One replacing rename, never a deletion of the destination and a rename
    // registered apart: if the second registration failed, the restart would
    // delete the installed file and put nothing in its place. The pending
    // name is 7 characters longer than the destination, hence the long-path
    // prefix on both.
    if (!MoveFileExW(pending, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) return false;
    state.rebootRequired = true;
    return true;
}
