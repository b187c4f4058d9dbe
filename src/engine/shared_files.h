// Files several products share, the Windows way: a file installed outside
// the product's own folder is counted under HKEY_LOCAL_MACHINE
// "SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs", a REG_DWORD named
// by the file's full path, in the registry view of the file's folder (on
// 64-bit Windows the 64-bit view for the native System and Program Files
// folders, the process's own 32-bit view otherwise). A file in <System>
// that WOW64 redirects is named by the folder it really lies in, as the
// other 32-bit installers name it. A product adds one use the first time
// it installs a file, none when it installs over itself; its uninstall
// takes that use away and removes the file only when no use is left.
#pragma once

#include "base/lists.h"

// True when path lies in the product's own folder (installPath), however
// either is spelt: such files are the product's alone and not counted.
bool InProductFolder(const wchar_t* path);
// Counts one more use of an installed file outside the product's folder; a
// file that was there before without a count is first counted once for its
// earlier owner. Once per file and product in a process.
void AddSharedUse(const wchar_t* path, bool existedBefore);
// The files the installed version of this product lists: it counted them
// then, so installing them again adds no use.
void CountedBefore(const StringList& files);
// Takes this product's use of a file away. True when the file may go: it is
// not counted (records of earlier releases), or this was its last use (the
// value is then deleted too). A file in the product's folder, never counted
// by the product, stays while another's count for it is above 0.
bool ReleaseSharedUse(const wchar_t* path);
