// Deletions scheduled for the next restart (MoveFileExW with
// MOVEFILE_DELAY_UNTIL_REBOOT), which Windows keeps in the Session Manager's
// "PendingFileRenameOperations" until it carries them out.
#pragma once

// Drops every pending deletion of path, so that a file written now survives
// the restart: an uninstaller that was running when it removed a product
// schedules its own deletion, and reinstalling the product before the
// restart writes a new uninstaller at that same place. A deletion that is
// the first half of a pending replacement (followed by the rename of
// path + "-BKITMP" onto path) stays. True when something was dropped.
bool CancelPendingDelete(const wchar_t* path);
