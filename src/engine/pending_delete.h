// Deletions scheduled for the next restart (MoveFileExW with
// MOVEFILE_DELAY_UNTIL_REBOOT), which Windows keeps in the Session Manager's
// "PendingFileRenameOperations" until it carries them out.
#pragma once

#include "base/string_index.h"

// Drops every pending deletion of path, so that a file written now survives
// the restart: an uninstaller that was running when it removed a product
// schedules its own deletion, and reinstalling the product before the
// restart writes a new uninstaller at that same place. A deletion that is
// the first half of a pending replacement (followed by the rename of
// path + "-BKITMP" onto path) stays. True when something was dropped.
bool CancelPendingDelete(const wchar_t* path);

// The paths with a deletion pending, read once: an install asks about every
// file it writes, and a registry read for each would cost more than the
// rest of a small file's install. The deletions that matter are those
// pending when the install began; the install's own replacements are
// renames, not deletions.
class PendingDeletes {
public:
    PendingDeletes() = default;
    PendingDeletes(const PendingDeletes&) = delete;
    PendingDeletes& operator=(const PendingDeletes&) = delete;

    // CancelPendingDelete(path) when a deletion of path was pending.
    bool Cancel(const wchar_t* path);

private:
    bool read_ = false;
    StringIndex paths_;
};
