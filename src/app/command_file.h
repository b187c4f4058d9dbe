// The elevated child's requests to its unelevated parent. A UTF-16LE text
// file without byte-order mark, every line ending in CR LF, holding records
// of a tag line and exactly three parameter lines:
//
//   [run]                  program path | parameters | "1" wait, "0" not
//   [setreg_hkcu_dword]    value name | key path under HKCU | decimal number
//   [setreg_hkcu_string]   value name | key path under HKCU | text
//
// Any other line is skipped. The child writes one batch and waits until the
// parent has executed and deleted the file.
#pragma once

#include "base/lists.h"

// Child side: returns once the parent has consumed the batch, or when the
// parent has ended (nobody would ever consume it then).
void WriteCommandFile(const StringList& lines);
// Parent side: executes every record, then deletes the file.
void ExecuteCommandFile(const wchar_t* path);
