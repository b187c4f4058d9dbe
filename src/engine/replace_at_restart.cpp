#include "engine/replace_at_restart.h"

#include <windows.h>

#include "app/installer_state.h"
#include "base/wstring.h"

bool ReplaceAtRestart(const wchar_t* source, const wchar_t* destination) {
    WString pending(destination);
    pending.Append(L"-BKITMP");
    pending = LongPath(pending, 260);
    WString target = LongPath(destination, 260);
    if (!CopyFileW(LongPath(source, 260), pending, FALSE)) return false;
    // The pending name is 7 characters longer than the destination: without
    // the long-path prefix a destination just under MAX_PATH would have its
    // deletion scheduled and the rename refused, losing the file at restart.
    if (!MoveFileExW(target, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return false;
    if (!MoveFileExW(pending, target, MOVEFILE_DELAY_UNTIL_REBOOT)) return false;
    state.rebootRequired = true;
    return true;
}
