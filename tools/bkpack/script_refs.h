// The package entries an install script refers to, found by reading the
// script the way the installer's worker does: whole-line headers, then each
// section's parameter lines by position.
#pragma once

#include <string>
#include <vector>

#include "files.h"

// ANSI names in order of first reference; a name met again (in any letter
// case, as the installer looks names up) is listed once.
std::vector<std::string> ScriptReferences(const Bytes& script);
// The script's lines with the installer's line-break rules (CR LF, LF or CR;
// NUL bytes dropped).
std::vector<std::string> ScriptLines(const Bytes& script);
bool SameEntryName(const std::string& a, const std::string& b);
