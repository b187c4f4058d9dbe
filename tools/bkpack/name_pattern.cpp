#include "name_pattern.h"

#include "script_refs.h"

bool HasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

bool MatchesPattern(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*") return true;
    // Greedy with one step back: on a mismatch the last '*' takes one more
    // character. Linear enough for file names.
    size_t p = 0, n = 0, star = std::string::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || FoldAscii(pattern[p]) == FoldAscii(name[n]))) {
            p++;
            n++;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') p++;
    return p == pattern.size();
}
