#include "script_refs.h"

#include <string.h>

namespace {

const char kTempInstall[] = "<TempInstall>";

struct Section {
    const char* header;
    int lines;
};

// Every section of the install worker, so that a header-like parameter line
// is skipped as it is at install time.
const Section kSections[] = {
    {"[Action]", 1},        {"[CopyFile]", 2}, {"[CreateIcon]", 4}, {"[RunAndWaitFile]", 3},
    {"[RunFile]", 3},       {"[Message]", 2},  {"[Registry]", 5},
};

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

void AddOnce(std::vector<std::string>& names, const std::string& name) {
    for (const std::string& known : names)
        if (SameEntryName(known, name)) return;
    names.push_back(name);
}

}  // namespace

bool SameEntryName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

std::vector<std::string> ScriptLines(const Bytes& script) {
    std::vector<std::string> lines;
    std::string line;
    bool pending = false;
    for (size_t i = 0; i < script.size(); i++) {
        uint8_t c = script[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < script.size() && script[i + 1] == '\n') i++;
            lines.push_back(line);
            line.clear();
            pending = false;
        } else if (c != 0) {
            line.push_back((char)c);
            pending = true;
        }
    }
    if (pending) lines.push_back(line);
    return lines;
}

std::vector<std::string> ScriptReferences(const Bytes& script) {
    std::vector<std::string> lines = ScriptLines(script);
    std::vector<std::string> names;
    size_t i = 0;
    while (i < lines.size()) {
        const std::string& line = lines[i++];
        const Section* section = nullptr;
        for (const Section& s : kSections)
            if (line == s.header) section = &s;
        if (!section) continue;
        std::vector<std::string> p;
        for (int k = 0; k < section->lines; k++) p.push_back(i < lines.size() ? lines[i++] : std::string());
        std::string header = section->header;
        if (header == "[CopyFile]") {
            AddOnce(names, p[0]);
        } else if (header == "[Registry]" && p[2] == "BINARY") {
            AddOnce(names, p[4]);
        } else if ((header == "[RunFile]" || header == "[RunAndWaitFile]") &&
                   p[0].find(kTempInstall) != std::string::npos) {
            // The installer takes the entry name from after the marker's 13
            // characters, without one leading backslash.
            std::string name = p[0].size() > 13 ? p[0].substr(13) : std::string();
            if (!name.empty() && name[0] == '\\') name.erase(0, 1);
            AddOnce(names, name);
        }
    }
    return names;
}
