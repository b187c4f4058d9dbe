#include "engine/replace_at_restart.h"

#include <windows.h>

#include "app/installer_state.h"

WString PendingReplaceName(const wchar_t* destination) {
    WString name(destination);
    name.Append(L"-BKITMP");
    return name;
}

bool ReplaceAtRestart(const wchar_t* source, const wchar_t* destination) {
    WString pending = PendingReplaceName(destination);
    if (!CopyFileW(LongPath(source, 260), LongPath(pending, 260), FALSE)) return false;
    if (!MoveFileExW(destination, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return false;
    if (!MoveFileExW(pending, destination, MOVEFILE_DELAY_UNTIL_REBOOT)) return false;
    state.rebootRequired = true;
    return true;
}
