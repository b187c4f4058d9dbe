// The install script as the installer's readers see it: every section header
// they match (whole lines, case-sensitively), the parameter lines each reads
// by position after it, and the package entries the script refers to.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

#include "files.h"

// Which of the installer's readers act on a section. Each walks the script
// on its own and skips every header it does not know, so a line that is a
// parameter to one reader may be a header to another.
enum ScriptReader : unsigned {
    kSettingsReader = 1,   // the wizard's settings, before the first page
    kWorkerReader = 2,     // the install worker: the actions, in file order
    kUninstallReader = 4,  // the uninstaller, replaying the record
    kContainerReader = 8,  // container mode
    kAnyReader = 15,
};

// What a parameter line holds, for the builder's checks.
enum class ScriptParam {
    kText,     // taken as written
    kPath,     // a path; its placeholders are expanded
    kProgram,  // a path to run; may name a package entry after <TempInstall>
    kEntry,    // a package entry's name
    kRoot,     // a registry root
    kType,     // a registry type
    kData,     // registry data, read by the type
    kNumber,   // a decimal number
    kEnvironment,  // NAME|append|VALUE, NAME|prepend|VALUE or NAME|set|VALUE
};

struct ScriptSection {
    const char* header;
    unsigned readers;
    int lines;
    const char* lineNames;  // "entry name; destination", for messages
    ScriptParam params[5];
};

// The table of every section, in the order the reference lists them.
const ScriptSection* ScriptSections(size_t& count);
// The section whose header line is exactly line, among those the readers
// act on; null for any other line.
const ScriptSection* FindSection(const std::string& line, unsigned readers);

// The package entry a section's parameter lines refer to ("[CopyFile]" line
// 1, a BINARY "[Registry]" value's data line, a "<TempInstall>" program of
// "[RunFile]" and "[RunAndWaitFile]"); false when it refers to none.
// lineIndex is the parameter line that names it.
bool SectionEntry(const ScriptSection& section, const std::vector<std::string>& params, std::string& name,
                  size_t& lineIndex);

// Every reference to an entry, in script order, as the install worker
// reads the script: the section, its parameter lines and the entry's name.
struct EntryReference {
    const ScriptSection* section;
    std::vector<std::string> params;
    std::string name;
};
std::vector<EntryReference> WorkerReferences(const Bytes& script);
// ANSI names in order of first reference; a name met again (in any letter
// case, as the installer looks names up) is listed once.
std::vector<std::string> ScriptReferences(const Bytes& script);
// True when the script starts with the UTF-8 byte-order mark: the
// installer then reads it, and the package stores its entry names, in
// UTF-8; otherwise in the ANSI code page.
bool IsUtf8Script(const Bytes& script);
// The script's lines with the installer's line-break rules (CR LF, LF or CR;
// NUL bytes dropped; a UTF-8 mark is no part of the first line). ends, when
// given, receives the offset just past each line's break.
std::vector<std::string> ScriptLines(const Bytes& script, std::vector<size_t>* ends = nullptr);
// The package format stores a name with its NUL in at most 255 bytes.
const size_t kMaxEntryName = 254;

// The line without the spaces and tabs around it.
std::string Trimmed(const std::string& line);
// Equal ignoring ASCII letter case, as the installer compares entry names
// and placeholders.
bool SameEntryName(const std::string& a, const std::string& b);
char FoldAscii(char c);
