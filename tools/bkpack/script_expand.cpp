#include "script_expand.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "name_pattern.h"
#include "script_refs.h"

namespace {

const char* const kMarkers[] = {"__BKI_WIN64", "__BKI_UNICODE"};

// One plain "[CopyFile]" of the expanded script.
struct Copy {
    std::string entry, destination;
    size_t line;  // of the entry name in the script; the destination's is next
    bool listed;  // written out from a folder section
};

// A pattern of a folder section's third line.
struct Exclusion {
    enum Kind { kName, kFolder, kPath } kind;  // "*.pdb", "tests\", "lib\*.a"
    std::string pattern;                       // kFolder without its backslash
};

// What one folder section takes.
struct Selection {
    std::string base;  // the named folder below FILES_DIR with its backslash; "" for FILES_DIR
    std::string pattern;
    bool recursive;
    std::vector<Exclusion> left;
    std::string destination;  // without the marker
    std::string marker;
    size_t line;
};

// As the installer folds destinations: letter case, and the backslash that
// follows a placeholder, which ends in one of its own.
std::string Comparable(const std::string& destination) {
    std::string out;
    for (char c : destination) {
        if (c == '\\' && !out.empty() && out.back() == '\\') continue;
        out += FoldAscii(c);
        if (c == '>') out += '\\';
    }
    return out;
}

std::string LineBreak(const Bytes& script) {
    for (size_t i = 0; i < script.size(); i++) {
        if (script[i] == '\n') return "\n";
        if (script[i] == '\r') return i + 1 < script.size() && script[i + 1] == '\n' ? "\r\n" : "\r";
    }
    return "\r\n";
}

class Expander {
public:
    Expander(const FolderLister& list, ExpandedScript& out) : list_(list), out_(out) {}
    void Run(const Bytes& script);

private:
    void Add(size_t index, const std::string& text) { out_.findings.push_back({index + 1, text}); }
    void Append(const uint8_t* from, const uint8_t* to);
    void Keep(const Bytes& script, size_t from, size_t to, size_t untilLine);
    void Section(size_t header, const std::string& entry, const std::string& destination,
                 const std::string& exclusions);
    bool Walk(const Selection& s, const std::string& below);
    void Emit(size_t firstCopy, size_t header, const std::string& br);
    void CheckCopies();

    const FolderLister& list_;
    ExpandedScript& out_;
    std::vector<Copy> copies_;
    size_t nextLine_ = 0;  // the first script line not yet in the output
};

// A lone CR ending what is there and a LF starting what comes would read
// as one line break, and the LF's empty line would be lost: it gets a CR.
void Expander::Append(const uint8_t* from, const uint8_t* to) {
    if (from != to && *from == '\n' && !out_.bytes.empty() && out_.bytes.back() == '\r') out_.bytes.push_back('\r');
    out_.bytes.insert(out_.bytes.end(), from, to);
}

void Expander::Keep(const Bytes& script, size_t from, size_t to, size_t untilLine) {
    Append(script.data() + from, script.data() + to);
    for (; nextLine_ < untilLine; nextLine_++) out_.origin.push_back(nextLine_);
}

// A file's name is matched in every folder, a path from the named folder
// down; a folder's name (kFolder) at any depth.
bool Excluded(const Selection& s, Exclusion::Kind kind, const std::string& below, const std::string& name) {
    for (const Exclusion& e : s.left)
        if (e.kind == kind && MatchesPattern(e.pattern, kind == Exclusion::kPath ? below : name)) return true;
    return false;
}

std::string Destination(const Selection& s, const std::string& below) {
    std::string path = s.destination;
    if (!path.empty() && path.back() != '\\' && path.back() != '>') path += '\\';
    path += below;
    if (s.marker.empty()) return path;
    // Where the installer looks for a variant: before the extension, and a
    // name without one has the extension "." to it.
    size_t dot = path.rfind('.');
    size_t slash = path.rfind('\\');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return path.insert(dot, s.marker);
    return path + s.marker + ".";
}

bool Expander::Walk(const Selection& s, const std::string& below) {
    std::string folder = s.base + below;
    if (!folder.empty()) folder.pop_back();
    std::vector<ListedItem> items;
    if (!list_(folder, items)) return false;
    std::sort(items.begin(), items.end(), [](const ListedItem& a, const ListedItem& b) { return a.name < b.name; });
    for (const ListedItem& item : items) {
        std::string path = below + item.name;
        if (!item.spelled) {
            Add(s.line, "'" + s.base + path + "' in FILES_DIR has a name the ANSI code page cannot spell, so it is " +
                            "left out; rename it, or save the script as UTF-8 with a byte-order mark");
        } else if (item.folder && s.recursive && !Excluded(s, Exclusion::kFolder, path, item.name)) {
            // No name below it could be packed; this also ends a loop of links.
            if ((s.base + path).size() + 2 > kMaxEntryName)
                Add(s.line, "the folder '" + (s.base + path).substr(0, 40) + "...' lies too deep: the names of its " +
                                "files would be longer than 254 bytes, so they are left out; use shorter names");
            else
                Walk(s, path + "\\");
        } else if (!item.folder && MatchesPattern(s.pattern, item.name) &&
                   !Excluded(s, Exclusion::kName, path, item.name) && !Excluded(s, Exclusion::kPath, path, item.name)) {
            copies_.push_back({s.base + path, Destination(s, path), s.line, true});
        }
    }
    return true;
}

void Expander::Section(size_t header, const std::string& entry, const std::string& destination,
                       const std::string& exclusions) {
    Selection s;
    s.line = header + 1;
    std::string folder;
    if (entry.back() == '\\') {
        folder = entry.substr(0, entry.find_last_not_of('\\') + 1);
        s.pattern = "*";
        s.recursive = true;
    } else {
        size_t slash = entry.rfind('\\');
        folder = slash == std::string::npos ? std::string() : entry.substr(0, slash);
        s.pattern = entry.substr(slash + 1);
        s.recursive = s.pattern.compare(0, 2, "**") == 0;
    }
    s.base = folder.empty() ? folder : folder + "\\";
    for (size_t at = 0; at <= exclusions.size();) {
        size_t end = std::min(exclusions.find(';', at), exclusions.size());
        std::string pattern = Trimmed(exclusions.substr(at, end - at));
        size_t slash = pattern.find('\\');
        if (slash == std::string::npos && !pattern.empty())
            s.left.push_back({Exclusion::kName, pattern});
        else if (slash != std::string::npos && slash + 1 == pattern.size())
            s.left.push_back({Exclusion::kFolder, pattern.substr(0, slash)});
        else if (slash != std::string::npos)
            s.left.push_back({Exclusion::kPath, pattern.back() == '\\' ? pattern + "*" : pattern});
        at = end + 1;
    }
    s.destination = destination;
    for (const char* marker : kMarkers) {
        if (s.destination.find(marker) == std::string::npos) continue;
        s.marker = marker;
        for (size_t at; (at = s.destination.find(marker)) != std::string::npos;)
            s.destination.erase(at, s.marker.size());
        break;
    }
    // "<Destination>__BKI_WIN64\" leaves a backslash the placeholder has.
    if (s.destination.size() > 1 && s.destination.compare(s.destination.size() - 2, 2, ">\\") == 0)
        s.destination.pop_back();

    size_t before = copies_.size();
    if (!Walk(s, "")) {
        Add(s.line, "the folder '" + folder + "' is not in FILES_DIR, so this section installs nothing; put the " +
                        "files there, or correct the name");
    } else if (copies_.size() == before) {
        Add(s.line, "'" + entry + "' matches no file in FILES_DIR" +
                        (s.left.empty() ? std::string() : " that '" + Trimmed(exclusions) + "' leaves in") +
                        ", so this section installs nothing; correct the name or the patterns");
    }
}

void Expander::Emit(size_t firstCopy, size_t header, const std::string& br) {
    std::string text;
    for (size_t i = firstCopy; i < copies_.size(); i++) {
        if (i > firstCopy) {
            text += br;
            out_.origin.push_back(header);
        }
        text += "[CopyFile]" + br + copies_[i].entry + br + copies_[i].destination + br;
        for (size_t k = 0; k < 3; k++) out_.origin.push_back(header + k);
    }
    Append((const uint8_t*)text.data(), (const uint8_t*)text.data() + text.size());
}

void Expander::CheckCopies() {
    std::map<std::string, size_t> names, destinations;
    std::set<std::pair<size_t, size_t>> shadowed;
    for (size_t i = 0; i < copies_.size(); i++) {
        const Copy& c = copies_[i];
        if (!c.listed) continue;
        std::string folded;
        for (char ch : c.entry) folded += FoldAscii(ch);
        auto first = names.emplace(folded, i).first;
        const Copy& other = copies_[first->second];
        if (other.entry == c.entry) continue;
        shadowed.insert({first->second, i});
        Add(c.line, "'" + other.entry + "' and '" + c.entry + "' differ only in letter case, and the package " +
                        "looks names up ignoring it: both sections would install '" + other.entry +
                        "'; rename one of the files");
    }
    for (size_t i = 0; i < copies_.size(); i++) {
        const Copy& c = copies_[i];
        auto first = destinations.emplace(Comparable(c.destination), i).first;
        if (first->second == i || shadowed.count({first->second, i})) continue;
        Add(c.line + 1, "'" + c.destination + "' is a destination of line " +
                            std::to_string(copies_[first->second].line + 2) + " already ('" +
                            copies_[first->second].entry + "'), so two sections install one file and the later " +
                            "wins; leave one out");
    }
}

void Expander::Run(const Bytes& script) {
    std::vector<size_t> ends;
    std::vector<std::string> lines = ScriptLines(script, &ends);
    std::string br = LineBreak(script);
    size_t kept = 0;  // bytes of the script in the output, or passed over
    size_t i = 0;
    // Read as the install worker reads it: a header-like parameter line is
    // a parameter.
    while (i < lines.size()) {
        const ScriptSection* section = FindSection(lines[i], kWorkerReader);
        size_t header = i++;
        if (!section) continue;
        size_t present = std::min((size_t)section->lines, lines.size() - i);
        if (std::string(section->header) != "[CopyFile]" || present < 2) {
            i += present;
            continue;
        }
        const std::string& entry = lines[i];
        const std::string& destination = lines[i + 1];
        i += 2;
        if (!IsFolderEntry(entry)) {
            copies_.push_back({entry, destination, header + 1, false});
            continue;
        }
        std::string exclusions;
        if (i < lines.size() && !Trimmed(lines[i]).empty() && !FindSection(lines[i], kAnyReader))
            exclusions = lines[i++];
        // A UTF-8 mark before a first line that is written out stays.
        Keep(script, kept, header ? ends[header - 1] : IsUtf8Script(script) ? 3 : 0, header);
        size_t first = copies_.size();
        Section(header, entry, destination, exclusions);
        Emit(first, header, br);
        kept = ends[i - 1];
        nextLine_ = i;
    }
    Keep(script, kept, script.size(), lines.size());
    CheckCopies();
}

}  // namespace

bool IsFolderEntry(const std::string& name) {
    if (name.empty()) return false;
    return name.back() == '\\' || HasWildcard(name.substr(name.rfind('\\') + 1));
}

ExpandedScript ExpandScript(const Bytes& script, const FolderLister& list) {
    ExpandedScript out;
    Expander(list, out).Run(script);
    return out;
}

std::vector<ScriptFinding> CheckExpandedScript(const ExpandedScript& expanded, const ScriptCheckHost& host) {
    std::vector<ScriptFinding> all = CheckScript(expanded.bytes, host, &expanded.origin);
    all.insert(all.end(), expanded.findings.begin(), expanded.findings.end());
    std::stable_sort(all.begin(), all.end(),
                     [](const ScriptFinding& a, const ScriptFinding& b) { return a.line < b.line; });
    // A mistake in a folder section's destination is in each of its files.
    std::set<std::pair<size_t, std::string>> said;
    std::vector<ScriptFinding> out;
    for (const ScriptFinding& f : all)
        if (said.insert({f.line, f.text}).second) out.push_back(f);
    return out;
}
