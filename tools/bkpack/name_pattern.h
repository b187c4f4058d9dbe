// Names matched against the wildcards of a folder section: '*' any run of
// characters, '?' one character, the letters A-Z in either case (as the
// installer compares entry names), all on the names' ANSI bytes, so both
// builders match alike.
#pragma once

#include <string>

// True when the text holds '*' or '?'.
bool HasWildcard(const std::string& text);
// True when name matches pattern as a whole. "*.*" matches every name, a
// name without a dot too, as it does on Windows.
bool MatchesPattern(const std::string& pattern, const std::string& name);
