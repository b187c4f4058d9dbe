#include "script_refs.h"

#include <string.h>

namespace {

const char kTempInstall[] = "<TempInstall>";

typedef ScriptParam P;

// The installer's readers match these headers (src/wizard/wizard_settings.cpp,
// src/engine/install_scope.cpp,
// src/engine/install_worker.cpp, src/engine/environment.cpp,
// src/uninstall/uninstall_worker.cpp,
// src/container/) and read this many lines after each.
const ScriptSection kSections[] = {
    {"[Project Name]", kSettingsReader, 1, "product name", {P::kText}},
    {"[ProgramVersion]", kSettingsReader, 1, "version", {P::kText}},
    {"[Install To]", kSettingsReader, 1, "folder", {P::kPath}},
    {"[UninstallSettings]", kSettingsReader, 1, "publisher", {P::kText}},
    {"[SaveInstallPath]", kSettingsReader, 1, "value name", {P::kText}},
    {"[LocateInstall]", kSettingsReader, 1, "shortcut path", {P::kPath}},
    {"[NoUnInstall]", kSettingsReader, 0, "", {}},
    {"[NoOfferUninstallOld]", kSettingsReader, 0, "", {}},
    {"[NoTestAdmin]", kSettingsReader, 0, "", {}},
    {"[Install Scope]", kSettingsReader, 1, "machine, user or either", {P::kText}},
    {"[Windows Version]", kSettingsReader, 1, "version number", {P::kNumber}},
    {"[Action]", kWorkerReader, 1, "status text", {P::kText}},
    {"[CopyFile]", kSettingsReader | kWorkerReader | kUninstallReader, 2, "entry name; destination",
     {P::kEntry, P::kPath}},
    // The uninstaller reads the first three lines; the fourth is skipped as
    // any other line.
    {"[CreateIcon]", kWorkerReader | kUninstallReader, 4, "target; shortcut path; arguments; options",
     {P::kPath, P::kPath, P::kText, P::kText}},
    {"[RunFile]", kWorkerReader, 3, "program; parameters; options", {P::kProgram, P::kText, P::kText}},
    {"[RunAndWaitFile]", kWorkerReader, 3, "program; parameters; options", {P::kProgram, P::kText, P::kText}},
    {"[Message]", kWorkerReader | kContainerReader, 2, "text; kind", {P::kText, P::kText}},
    {"[Registry]", kWorkerReader | kUninstallReader, 5, "root; key path; type; value name; data",
     {P::kRoot, P::kPath, P::kType, P::kText, P::kData}},
    {"[Environment]", kWorkerReader, 1, "NAME|append|VALUE, NAME|prepend|VALUE or NAME|set|VALUE",
     {P::kEnvironment}},
    {"[UninstallAction]", kUninstallReader, 2, "program; parameters", {P::kPath, P::kText}},
    {"[InstallContainer]", kContainerReader, 0, "", {}},
};

void AddOnce(std::vector<std::string>& names, const std::string& name) {
    for (const std::string& known : names)
        if (SameEntryName(known, name)) return;
    names.push_back(name);
}

}  // namespace

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

std::string Trimmed(const std::string& line) {
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return line.substr(first, line.find_last_not_of(" \t") - first + 1);
}

bool SameEntryName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

bool IsUtf8Script(const Bytes& script) {
    return script.size() >= 3 && script[0] == 0xEF && script[1] == 0xBB && script[2] == 0xBF;
}

std::vector<std::string> ScriptLines(const Bytes& script, std::vector<size_t>* ends) {
    std::vector<std::string> lines;
    std::string line;
    bool pending = false;
    for (size_t i = IsUtf8Script(script) ? 3 : 0; i < script.size(); i++) {
        uint8_t c = script[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < script.size() && script[i + 1] == '\n') i++;
            lines.push_back(line);
            if (ends) ends->push_back(i + 1);
            line.clear();
            pending = false;
        } else if (c != 0) {
            line.push_back((char)c);
            pending = true;
        }
    }
    if (pending) {
        lines.push_back(line);
        if (ends) ends->push_back(script.size());
    }
    return lines;
}

const ScriptSection* ScriptSections(size_t& count) {
    count = sizeof kSections / sizeof kSections[0];
    return kSections;
}

const ScriptSection* FindSection(const std::string& line, unsigned readers) {
    for (const ScriptSection& s : kSections)
        if ((s.readers & readers) && line == s.header) return &s;
    return nullptr;
}

bool SectionEntry(const ScriptSection& section, const std::vector<std::string>& params, std::string& name,
                  size_t& lineIndex) {
    // Registry data names an entry when the type line says BINARY.
    bool binary = false;
    for (size_t k = 0; k < params.size(); k++)
        if (section.params[k] == P::kType) binary = params[k] == "BINARY";
    for (size_t k = 0; k < params.size(); k++) {
        const std::string& line = params[k];
        ScriptParam kind = section.params[k];
        if (kind == P::kEntry || (kind == P::kData && binary)) {
            name = line;
        } else if (kind == P::kProgram && line.find(kTempInstall) != std::string::npos) {
            // The installer takes the entry name from after the marker's 13
            // characters, without one leading backslash.
            name = line.size() > 13 ? line.substr(13) : std::string();
            if (!name.empty() && name[0] == '\\') name.erase(0, 1);
        } else {
            continue;
        }
        lineIndex = k;
        return true;
    }
    return false;
}

// Read as the install worker reads it: only its own headers count, and a
// header-like parameter line is taken as a parameter.
std::vector<EntryReference> WorkerReferences(const Bytes& script) {
    std::vector<std::string> lines = ScriptLines(script);
    std::vector<EntryReference> references;
    size_t i = 0;
    while (i < lines.size()) {
        const ScriptSection* section = FindSection(lines[i++], kWorkerReader);
        if (!section) continue;
        std::vector<std::string> p;
        for (int k = 0; k < section->lines; k++) p.push_back(i < lines.size() ? lines[i++] : std::string());
        std::string name;
        size_t at = 0;
        if (SectionEntry(*section, p, name, at)) references.push_back({section, p, name});
    }
    return references;
}

std::vector<std::string> ScriptReferences(const Bytes& script) {
    std::vector<std::string> names;
    for (const EntryReference& reference : WorkerReferences(script)) AddOnce(names, reference.name);
    return names;
}
