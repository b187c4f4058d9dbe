// The mistakes a publisher's language file ("setup.lng.TAG", text_table.h's
// identifiers with their texts) can hold: lines the installer passes over
// (no "=", an unknown identifier, placeholders other than the English
// text's), identifiers given twice, and those missing, for which the
// installer shows the built-in text (English where it has none).
#pragma once

#include <string>
#include <vector>

#include "files.h"
#include "script_check.h"

// True for an entry name of the form "setup.lng.TAG" (any letter case).
bool IsLanguageFileName(const std::string& name);

// In line order; the missing identifiers last, at the line after the end.
std::vector<ScriptFinding> CheckLanguageFile(const Bytes& file);
