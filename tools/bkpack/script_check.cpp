#include "script_check.h"

#include <stdint.h>
#include <stdio.h>

#include <algorithm>

#include "script_refs.h"

namespace {

// The installer's path placeholders, matched ignoring ASCII case.
const char* const kPlaceholders[] = {
    "<System>",  "<SystemWOW64>",    "<Windows>", "<Destination>", "<Program Files>", "<Startup>",
    "<Start Programs>", "<DeskTop>", "<QuickLaunch>", "<MyDocuments>", "<Source>", "<User Programs>",
};
// Places only an administrator may write, which an install for this user
// only refuses.
const char* const kMachineFolders[] = {"<System>", "<SystemWOW64>", "<Windows>"};
const char kTempInstall[] = "<TempInstall>";
const char* const kRoots[] = {"HKLM", "HKCU", "HKCR", "HKCC", "HKU", "HKSCOPE"};
const char* const kScopes[] = {"machine", "user", "either"};
const char* const kTypes[] = {"STRING", "DWORD", "BINARY"};
const char* const kEnvironmentKinds[] = {"append", "prepend", "set"};

// Edit distance, ignoring ASCII case.
size_t Distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++) row[j] = j;
    for (size_t i = 1; i <= a.size(); i++) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); j++) {
            size_t above = row[j];
            size_t replace = diagonal + (FoldAscii(a[i - 1]) == FoldAscii(b[j - 1]) ? 0 : 1);
            row[j] = replace < above + 1 ? replace : above + 1;
            if (row[j - 1] + 1 < row[j]) row[j] = row[j - 1] + 1;
            diagonal = above;
        }
    }
    return row[b.size()];
}

template <size_t N>
std::string Nearest(const std::string& word, const char* const (&known)[N]) {
    std::string best = known[0];
    for (const char* k : known)
        if (Distance(word, k) < Distance(word, best)) best = k;
    return best;
}

std::string NearestHeader(const std::string& word) {
    size_t count = 0;
    const ScriptSection* sections = ScriptSections(count);
    std::string best = sections[0].header;
    for (size_t i = 1; i < count; i++)
        if (Distance(word, sections[i].header) < Distance(word, best)) best = sections[i].header;
    return best;
}

template <size_t N>
bool OneOf(const std::string& word, const char* const (&known)[N]) {
    for (const char* k : known)
        if (word == k) return true;
    return false;
}

// Text with bytes above 127 that all form UTF-8 sequences: most likely
// saved as UTF-8 without the mark.
bool LooksLikeUtf8(const std::string& text) {
    bool wide = false;
    for (size_t i = 0; i < text.size(); i++) {
        unsigned char c = (unsigned char)text[i];
        if (c < 0x80) continue;
        size_t follow = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
        if (follow == 0 || c < 0xC2) return false;
        for (size_t k = 1; k <= follow; k++)
            if (i + k >= text.size() || ((unsigned char)text[i + k] & 0xC0) != 0x80) return false;
        i += follow;
        wide = true;
    }
    return wide;
}

bool ContainsFolded(const std::string& text, const std::string& word) {
    for (size_t at = 0; at + word.size() <= text.size(); at++)
        if (SameEntryName(text.substr(at, word.size()), word)) return true;
    return false;
}

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '_' ||
           c == '-';
}

class Checker {
public:
    Checker(const ScriptCheckHost& host, const std::vector<size_t>* origin, bool utf8, std::vector<ScriptFinding>& out)
        : host_(host), origin_(origin), utf8_(utf8), out_(out) {}
    void Run(const std::vector<std::string>& lines);

private:
    // The 1-based number a line is told by.
    size_t Number(size_t index) const {
        return origin_ && index < origin_->size() ? (*origin_)[index] + 1 : index + 1;
    }
    void Add(size_t index, const std::string& text) { out_.push_back({Number(index), text}); }
    void NotAHeader(size_t index, const std::string& line);
    void Params(const ScriptSection& section, size_t header, const std::vector<std::string>& params);
    void Placeholders(size_t index, const std::string& line, bool program);
    void Root(size_t index, const std::string& root);
    void Type(size_t index, const std::string& type);
    void Dword(size_t index, const std::string& data);
    void Environment(size_t index, const std::string& line);
    void EntryName(size_t index, const std::string& section, const std::string& name);
    void OutsideAscii(const std::vector<std::string>& lines);
    void Scope(size_t index, const std::string& word);
    void MachinePlace(size_t index, const std::string& place);

    const ScriptCheckHost& host_;
    const std::vector<size_t>* origin_;
    bool utf8_;
    // The script may install for this user only ("user" or "either").
    bool userScope_ = false;
    std::vector<ScriptFinding>& out_;
};

void Checker::NotAHeader(size_t index, const std::string& line) {
    std::string word = Trimmed(line);
    if (word.empty() || word[0] != '[' || word.back() != ']') return;
    std::string nearest = NearestHeader(word);
    if (FindSection(word, kAnyReader)) {
        Add(index, "'" + line + "' has spaces or tabs around it, so the installer skips it and its lines; write '" +
                       word + "' alone on the line");
    } else if (SameEntryName(word, nearest)) {
        Add(index, "'" + line + "' differs from '" + nearest +
                       "' in letter case, so the installer skips it and its lines; headers are case-sensitive: write '" +
                       nearest + "'");
    } else {
        Add(index, "'" + line + "' is not a section the installer knows, so it skips it and its lines; the nearest " +
                       "known header is '" + nearest + "'");
    }
}

void Checker::Placeholders(size_t index, const std::string& line, bool program) {
    for (size_t open = line.find('<'); open != std::string::npos; open = line.find('<', open + 1)) {
        size_t close = line.find('>', open + 1);
        if (close == std::string::npos) return;
        std::string word = line.substr(open, close - open + 1);
        bool wordLike = close > open + 1;
        for (size_t i = open + 1; i < close; i++) wordLike = wordLike && IsWordChar(line[i]);
        if (!wordLike) continue;
        bool known = false;
        for (const char* k : kPlaceholders) known = known || SameEntryName(word, k);
        if (known) continue;
        if (SameEntryName(word, kTempInstall)) {
            if (program && word == kTempInstall) continue;
            if (program) {
                Add(index, "write '<TempInstall>' in exactly this letter case: '" + word +
                               "' is not recognised and stays in the program's path");
            } else {
                Add(index, "'" + word + "' names a package entry only in the program line of [RunFile] and "
                               "[RunAndWaitFile]; here it stays in the path as written");
            }
            continue;
        }
        Add(index, "'" + word + "' is not a path placeholder, so it stays in the path as written; the nearest is '" +
                       Nearest(word, kPlaceholders) + "'");
    }
}

void Checker::Dword(size_t index, const std::string& data) {
    size_t start = data.find_first_not_of(' ');
    std::string digits = start == std::string::npos ? std::string() : data.substr(start);
    bool negative = !digits.empty() && digits[0] == '-';
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.erase(0, 1);
    // As the installer reads it: the leading digits, truncated to 32 bits.
    uint64_t value = 0;
    size_t count = 0;
    bool fits = true;
    while (count < digits.size() && digits[count] >= '0' && digits[count] <= '9') {
        value = value * 10 + (uint64_t)(digits[count++] - '0');
        if (value > 0xFFFFFFFFull) fits = false;
    }
    if (negative && value > 0x80000000ull) fits = false;
    if (count > 0 && count == digits.size() && fits) return;
    uint32_t written = (uint32_t)(negative ? 0 - value : value);
    char shown[16];
    snprintf(shown, sizeof shown, "%u", (unsigned)written);
    Add(index, "the DWORD data '" + data + "' is not a decimal number of 32 bits, so the installer writes " + shown +
                   "; write the value in decimal digits (-2147483648 to 4294967295)");
}

void Checker::EntryName(size_t index, const std::string& section, const std::string& name) {
    if (name.empty()) {
        Add(index, section + " names no package entry; write the file's name relative to FILES_DIR");
        return;
    }
    if (name.size() > kMaxEntryName) {
        Add(index, "the entry name '" + name.substr(0, 40) + "...' is " + std::to_string(name.size()) +
                       " bytes long; a package holds names of at most 254 bytes: use a shorter name");
        return;
    }
    // A UTF-8 script without its mark is said once (OutsideAscii); what the
    // name would be read as is no file's name.
    if (!utf8_ && LooksLikeUtf8(name)) return;
    if (host_.isNameText && !host_.isNameText(name)) {
        Add(index, utf8_ ? "the entry name '" + name + "' is not UTF-8 text, which the script's byte-order mark " +
                               "promises; save the script as UTF-8"
                         : "the entry name '" + name + "' is not text of the ANSI code page, which the installer " +
                               "reads the script in; name the file in characters of that code page, or save the " +
                               "script as UTF-8 with the byte-order mark");
        return;
    }
    if (host_.entryExists && !host_.entryExists(name))
        Add(index, "the entry '" + name + "' is not in FILES_DIR; put the file there, or correct the name");
}

// As the installer reads it: the word trimmed, in any letter case.
void Checker::Scope(size_t index, const std::string& word) {
    std::string scope = Trimmed(word);
    for (const char* k : kScopes)
        if (SameEntryName(scope, k)) return;
    Add(index, "'" + word + "' is not a scope, so the product installs for everyone; write machine, user or either");
}

void Checker::MachinePlace(size_t index, const std::string& place) {
    if (!userScope_) return;
    Add(index, "an install for this user only cannot write '" + place +
                   "', which needs administrator rights, so the installer refuses to install for this user; write "
                   "below <Program Files>, <User Programs> or <Destination>, and use HKSCOPE or HKCU");
}

void Checker::Root(size_t index, const std::string& root) {
    if (root == "HKLM") MachinePlace(index, root);
    if (OneOf(root, kRoots)) return;
    Add(index, "'" + root + "' is not a registry root the installer knows, so the value is not written; write HKLM " +
                   "or HKCU (or HKCR, HKCC, HKU); the nearest is '" + Nearest(root, kRoots) + "'");
}

void Checker::Type(size_t index, const std::string& type) {
    if (OneOf(type, kTypes)) return;
    Add(index, "'" + type + "' is not a registry type, so the value is written as a string; write STRING, DWORD " +
                   "or BINARY (the nearest is '" + Nearest(type, kTypes) + "')");
}

// As the installer reads it: NAME|kind|VALUE, the kind in any letter case.
void Checker::Environment(size_t index, const std::string& line) {
    size_t first = line.find('|'), second = first == std::string::npos ? first : line.find('|', first + 1);
    if (first == 0 || second == std::string::npos) {
        Add(index, "'" + line + "' is not an environment change, so the installer skips it; write NAME|append|VALUE, "
                       "NAME|prepend|VALUE or NAME|set|VALUE");
        return;
    }
    std::string name = line.substr(0, first), kind = line.substr(first + 1, second - first - 1);
    std::string value = line.substr(second + 1);
    bool known = false;
    for (const char* k : kEnvironmentKinds) known = known || SameEntryName(kind, k);
    std::string why = !known                                  ? "'" + kind + "' is not append, prepend or set"
                      : name.find('=') != std::string::npos   ? "a variable's name holds no '='"
                      : value.empty()                         ? "it gives no value"
                      : !SameEntryName(kind, "set") && value.find(';') != std::string::npos
                          ? "an element of a list holds no ';' (write one change per element)"
                          : "";
    if (!why.empty()) Add(index, "the installer skips the environment change '" + line + "': " + why);
    Placeholders(index, value, false);
}

void Checker::Params(const ScriptSection& section, size_t header, const std::vector<std::string>& params) {
    std::string type;
    const std::string name(section.header);
    // The line naming where a section writes: a folder, a file, a link.
    size_t place = name == "[Install To]" ? 0 : name == "[CopyFile]" || name == "[CreateIcon]" ? 1 : params.size();
    for (size_t k = 0; k < params.size(); k++) {
        size_t index = header + 1 + k;
        const std::string& line = params[k];
        if (name == "[Install Scope]") Scope(index, line);
        bool machine = false;
        for (const char* folder : kMachineFolders) machine = machine || (k == place && ContainsFolded(line, folder));
        if (machine) MachinePlace(index, line);
        switch (section.params[k]) {
        case ScriptParam::kPath:
        case ScriptParam::kProgram:
            Placeholders(index, line, section.params[k] == ScriptParam::kProgram);
            break;
        case ScriptParam::kNumber:
            if (Trimmed(line).find_first_not_of("+-0123456789") != std::string::npos)
                Add(index, "'" + line + "' is not a number; " + section.header + " takes a decimal number");
            break;
        case ScriptParam::kEnvironment:
            Environment(index, line);
            break;
        case ScriptParam::kRoot:
            Root(index, line);
            break;
        case ScriptParam::kType:
            type = line;
            Type(index, line);
            break;
        case ScriptParam::kData:
            if (type == "DWORD") Dword(index, line);
            break;
        default:
            break;
        }
    }
    std::string entry;
    size_t at = 0;
    if ((section.readers & kWorkerReader) && SectionEntry(section, params, entry, at))
        EntryName(header + 1 + at, section.header, entry);
}

// Bytes above 127 of an ANSI script are read in the code page of the
// machine the installer runs on: the same bytes are other characters, or
// none, on a machine set to another. Said once, at the first such line.
void Checker::OutsideAscii(const std::vector<std::string>& lines) {
    if (utf8_) return;
    size_t first = lines.size();
    bool allUtf8 = true;
    for (size_t i = 0; i < lines.size(); i++) {
        bool ascii = std::all_of(lines[i].begin(), lines[i].end(), [](char c) { return (uint8_t)c < 0x80; });
        if (ascii) continue;
        if (first == lines.size()) first = i;
        allUtf8 = allUtf8 && LooksLikeUtf8(lines[i]);
    }
    if (first == lines.size()) return;
    if (allUtf8) {
        Add(first, "the script is written in UTF-8 (its first character outside ASCII is on this line) but has no "
                   "UTF-8 byte-order mark, so the installer reads it in the ANSI code page and shows other "
                   "characters, or looks for files of other names; save it as UTF-8 with the byte-order mark");
    } else {
        Add(first, "the script holds characters outside ASCII (the first on this line) without the UTF-8 byte-order "
                   "mark, so the installer reads them in the ANSI code page of the machine it runs on, and one set "
                   "to another code page shows other characters; to have them the same everywhere, save the script "
                   "as UTF-8 with the byte-order mark");
    }
}

void Checker::Run(const std::vector<std::string>& lines) {
    OutsideAscii(lines);
    for (size_t k = 0; k + 1 < lines.size(); k++)
        if (lines[k] == "[Install Scope]")
            userScope_ = SameEntryName(Trimmed(lines[k + 1]), "user") || SameEntryName(Trimmed(lines[k + 1]), "either");
    bool named = false;
    size_t i = 0;
    while (i < lines.size()) {
        const ScriptSection* section = FindSection(lines[i], kAnyReader);
        if (!section) {
            NotAHeader(i, lines[i]);
            i++;
            continue;
        }
        // A container names no product: its installers do.
        named = named || std::string(section->header) == "[Project Name]" ||
                std::string(section->header) == "[InstallContainer]";
        size_t header = i++;
        std::vector<std::string> params;
        while ((int)params.size() < section->lines && i < lines.size() && !FindSection(lines[i], kAnyReader))
            params.push_back(lines[i++]);
        size_t missing = section->lines - params.size();
        std::string need = std::string("'") + section->header + "' needs " + std::to_string(section->lines) +
                           (section->lines == 1 ? " line" : " lines") + " after it (" + section->lineNames + "), ";
        std::string add = std::string("; add the missing line") + (missing > 1 ? "s" : "") +
                          " (an empty line for an empty value)";
        if (missing && i < lines.size()) {
            // Checking resumes at that header: the installer would not, but
            // the fault is here, and the next section is worth checking too.
            Add(header, need + "but line " + std::to_string(Number(i)) + " is the header '" + lines[i] +
                            "', which the installer would read as one of them" + add);
        } else if (missing) {
            Add(header, need + "but the file ends after " + std::to_string(params.size()) + " of them" + add);
        } else {
            Params(*section, header, params);
        }
    }
    if (!named)
        out_.insert(out_.begin(), {1, "the script has no '[Project Name]', so the product is called 'Setup' in its "
                                      "title, its Uninstall entry and its uninstaller, as is every other product "
                                      "without one; add '[Project Name]' with the name on the next line"});
}

}  // namespace

std::vector<ScriptFinding> CheckScript(const Bytes& script, const ScriptCheckHost& host,
                                       const std::vector<size_t>* origin) {
    std::vector<ScriptFinding> findings;
    Checker(host, origin, IsUtf8Script(script), findings).Run(ScriptLines(script));
    std::stable_sort(findings.begin(), findings.end(),
                     [](const ScriptFinding& a, const ScriptFinding& b) { return a.line < b.line; });
    return findings;
}

size_t PrintFindings(const std::string& scriptName, const std::vector<ScriptFinding>& findings, bool strict) {
    for (const ScriptFinding& f : findings)
        fprintf(stderr, "%s:%u: %s: %s\n", scriptName.c_str(), (unsigned)f.line, strict ? "error" : "warning",
                f.text.c_str());
    return findings.size();
}
