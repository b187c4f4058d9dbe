// Deletions at the user's next logon, for an install for this user only:
// its uninstaller cannot delete itself while it runs, and a deletion at
// the restart needs administrator rights. One HKCU "RunOnce" value per
// product, "BraskUninstall-NAME", running cmd's del (and rmdir of the
// folder, which fails while anything is left in it).
#pragma once

// folder may be null.
void ScheduleLogonDelete(const wchar_t* projectName, const wchar_t* file, const wchar_t* folder);
// A reinstall before that logon keeps the uninstaller it writes.
void CancelLogonDelete(const wchar_t* projectName);
