// The mistakes an install script can hold that the installer passes over in
// silence: near-miss headers, sections short of lines, unknown placeholders,
// registry lines it cannot use, entries that are missing or cannot be
// packed, no product name, and text of an ANSI script that another code
// page would read otherwise. Read from the section table of
// script_refs.h, so the checks see the script as the installer does.
#pragma once

#include <stddef.h>

#include <functional>
#include <string>
#include <vector>

#include "files.h"

struct ScriptFinding {
    size_t line;       // 1-based
    std::string text;  // what is wrong and what to do
};

struct ScriptCheckHost {
    // True when FILES_DIR holds the entry; empty when no FILES_DIR was given.
    std::function<bool(const std::string& entry)> entryExists;
    // True when the name is text of the script's encoding (UTF-8 for a
    // script with the UTF-8 mark, otherwise the ANSI code page), in which
    // the package stores it.
    std::function<bool(const std::string& entry)> isNameText;
};

// In line order. origin, when given, holds for each line of script the
// 0-based line it is told as (a written-out script tells the folder
// section's).
std::vector<ScriptFinding> CheckScript(const Bytes& script, const ScriptCheckHost& host,
                                       const std::vector<size_t>* origin = nullptr);

// Prints each finding as "SCRIPT:LINE: warning: TEXT" ("error:" when
// strict) to the standard error; returns how many there were.
size_t PrintFindings(const std::string& scriptName, const std::vector<ScriptFinding>& findings, bool strict);
