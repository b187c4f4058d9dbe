// Replacing a file in use: the new copy waits beside it under the name with
// "-BKITMP" appended, and the system swaps the two at the next restart.
#pragma once

// Copies source to the pending-replace name and schedules the rename of the
// copy over destination at the next restart. Sets rebootRequired when both
// steps succeed; stops at the first that fails.
bool ReplaceAtRestart(const wchar_t* source, const wchar_t* destination);
