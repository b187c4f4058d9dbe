// Files several products share, the Windows way: a file installed outside
// the product's own folder is counted under HKEY_LOCAL_MACHINE
// "SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs", a REG_DWORD named
// by the file's full path, in the registry view of the file's folder (on
// 64-bit Windows the 64-bit view for the native System and Program Files
// folders, the process's own 32-bit view otherwise). Each install adds one
// use; each uninstall takes one away and removes the file only when no use
// is left.
#pragma once

// True when path lies in the product's own folder (installPath), however
// either is spelt: such files are the product's alone and not counted.
bool InProductFolder(const wchar_t* path);
// Counts one more use of an installed file outside the product's folder; a
// file that was there before without a count is first counted once for its
// earlier owner. Once per file and product in a process.
void AddSharedUse(const wchar_t* path, bool existedBefore);
// Takes this product's use of a file away. True when the file may go: it is
// not counted (the product's folder, records of earlier releases) or this
// was its last use (the value is then deleted too).
bool ReleaseSharedUse(const wchar_t* path);
