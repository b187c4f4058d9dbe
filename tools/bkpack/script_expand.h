// Folder sections: a "[CopyFile]" that names many files of FILES_DIR at once.
// The builder writes each out as one plain "[CopyFile]" per file, so the
// packed setup.dat, and every reader of it in the installer, holds only
// plain sections.
//
//   [CopyFile]
//   app\                 a folder, with everything below it; or app\*.dll:
//                        the matching files of app\ alone; or app\**.dll:
//                        the matching files of app\ and its subfolders
//   <Destination>bin\    the folder they go to; a __BKI_WIN64 or
//                        __BKI_UNICODE marker in it marks every file
//   *.pdb;tests\;lib\*.a optional, what is left out: names of files in
//                        every folder, of folders at any depth, and paths
//                        below the named folder
//
// The third line belongs to the section when it is neither blank nor a
// header; a plain "[CopyFile]" keeps its two lines. Files are written out
// folders depth first, the names of a folder in byte order; the destination
// is the section's folder joined with the file's path below the named one.
#pragma once

#include <stddef.h>

#include <functional>
#include <string>
#include <vector>

#include "files.h"
#include "script_check.h"

struct ListedItem {
    std::string name;  // in the script's encoding; UTF-8 when ANSI cannot spell it
    bool folder;
    bool spelled;  // false: the ANSI code page cannot spell the name
};

// The items directly in a folder of FILES_DIR, named by its path below it in
// the script's encoding with backslashes ("" for FILES_DIR itself); false
// when there is none.
typedef std::function<bool(const std::string& folder, std::vector<ListedItem>& items)> FolderLister;

struct ExpandedScript {
    Bytes bytes;                          // the script, every folder section written out
    std::vector<size_t> origin;           // for each line of bytes, the script's line (0-based) it stems from
    std::vector<ScriptFinding> findings;  // folders matching nothing, destinations given twice, ...
};

// True when a "[CopyFile]" entry name names a folder or a pattern.
bool IsFolderEntry(const std::string& name);

// A script without folder sections comes back byte for byte.
ExpandedScript ExpandScript(const Bytes& script, const FolderLister& list);

// CheckScript of the expanded script, told at the script's own lines, with
// the expansion's findings; in line order, each said once.
std::vector<ScriptFinding> CheckExpandedScript(const ExpandedScript& expanded, const ScriptCheckHost& host);
