// The examples the publisher's docs are made of: every script the docs show
// is (a run of lines of) a file under examples/, every example passes
// bkpack check, and each is built and installed silently, then removed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/folders.h"
#include "deploy/deploy_fixture.h"
#include "support/machine_registry.h"

namespace {

std::wstring SourcePath(const std::wstring& relative) {
    std::wstring path = L"Z:" BRASK_SOURCE_DIR L"/" + relative;
    for (auto& ch : path)
        if (ch == L'/') ch = L'\\';
    return path;
}

bool HeaderLike(const std::string& line) { return line.size() > 2 && line[0] == '[' && line.back() == ']'; }

// True when block is a run of whole lines of file.
bool IsRunOf(const std::vector<std::string>& block, const std::vector<std::string>& file) {
    for (size_t at = 0; at + block.size() <= file.size(); at++)
        if (std::equal(block.begin(), block.end(), file.begin() + at)) return true;
    return false;
}

// A fenced block "```setup examples/NAME/setup.dat" shows lines of that
// file; no other block may show a script.
TEST(Examples, TheDocsShowOnlyLinesOfTheExamples) {
    for (const wchar_t* doc : {L"README.md", L"docs/script.md", L"docs/tutorial.md"}) {
        std::vector<std::string> lines = TextLines(ReadBytes(SourcePath(doc)));
        ASSERT_FALSE(lines.empty()) << Narrow(doc);
        int shown = 0;
        for (size_t i = 0; i < lines.size(); i++) {
            if (lines[i].compare(0, 3, "```") != 0) continue;
            std::string info = lines[i].substr(3);
            std::vector<std::string> block;
            while (++i < lines.size() && lines[i].compare(0, 3, "```") != 0) block.push_back(lines[i]);
            std::string where = Narrow(doc) + ":" + std::to_string(i + 1 - block.size());
            if (info.compare(0, 6, "setup ") != 0) {
                for (const std::string& line : block) EXPECT_FALSE(HeaderLike(line)) << where << ": " << line;
                continue;
            }
            std::string file = info.substr(6);
            EXPECT_EQ(0u, file.find("examples/")) << where;
            std::vector<std::string> example = TextLines(ReadBytes(SourcePath(std::wstring(file.begin(), file.end()))));
            EXPECT_FALSE(block.empty()) << where;
            EXPECT_TRUE(IsRunOf(block, example)) << where << " is not a run of lines of " << file;
            shown++;
        }
        EXPECT_GT(shown, 0) << Narrow(doc);
    }
}

// Copies the files of from matching pattern, and every folder below it whole.
void CopyFiles(const std::wstring& from, const std::wstring& to, const wchar_t* pattern = L"*") {
    CreateFolderTree(to.c_str());
    DirWalker walker(pattern, from.c_str());
    while (walker.Next()) {
        std::wstring name = walker.Current().FileName().Text();
        if (walker.IsFolder())
            CopyFiles(from + L"\\" + name, to + L"\\" + name);
        else
            CopyFileW(walker.Current(), (to + L"\\" + name).c_str(), FALSE);
    }
}

// An example's files as a publisher has them: its files/ folder, and the
// programs the build made for it (build/examples/NAME/*.exe).
std::wstring Stage(const ScratchFolder& dir, const std::wstring& example) {
    std::wstring files = dir / L"files";
    CopyFiles(SourcePath(L"examples/" + example + L"/files"), files);
    CopyFiles(BinDir() + L"\\examples\\" + example, files, L"*.exe");
    return files;
}

ProcessResult RunBkpack(const std::wstring& args) {
    return RunProcess(L"\"" + BinPath(L"bkpack.exe") + L"\" " + args, {}, 120000, true);
}

TEST(Examples, EveryExamplePassesTheCheck) {
    int checked = 0;
    std::vector<std::wstring> folders = {L"examples"};
    for (size_t f = 0; f < folders.size(); f++) {
        DirWalker walker(L"*", SourcePath(folders[f]).c_str());
        while (walker.Next())
            if (walker.IsFolder() && Compare(walker.Current().FileName(), L"files", false) != 0)
                folders.push_back(folders[f] + L"/" + walker.Current().FileName().Text());
        std::wstring script = SourcePath(folders[f] + L"/setup.dat");
        if (!PathExists(script.c_str())) continue;
        ScratchFolder dir;
        ProcessResult run = RunBkpack(L"check \"" + script + L"\" \"" + Stage(dir, folders[f].substr(9)) + L"\"");
        EXPECT_EQ(0u, run.exitCode) << Narrow(folders[f]) << ": " << run.output;
        EXPECT_EQ(std::string::npos, run.output.find("warning")) << Narrow(folders[f]) << ": " << run.output;
        checked++;
    }
    EXPECT_GE(checked, 6);
}

// A registry value as text: strings without their NUL, DWORDs in decimal,
// other data as its bytes; "(none)" when missing.
std::string RegistryValue(HKEY root, const wchar_t* key, const wchar_t* name) {
    HKEY opened;
    if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return "(none)";
    BYTE data[512];
    DWORD type = 0, size = sizeof data;
    LONG status = RegQueryValueExW(opened, name, nullptr, &type, data, &size);
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS) return "(none)";
    if (type == REG_SZ) return Narrow(std::wstring((const wchar_t*)data, size / 2 - 1));
    if (type == REG_DWORD) return std::to_string(*(const DWORD*)data);
    return std::string((const char*)data, size);
}

struct Value {
    HKEY root;
    const wchar_t* key;
    const wchar_t* name;
    std::string installed;  // "<dest>" stands for the install folder
};

struct Example {
    const wchar_t* folder;
    const wchar_t* product;
    DWORD code64, code32;
    std::vector<std::pair<const wchar_t*, std::string>> files;  // "" stands for the variant on this Windows
    std::vector<Value> values;
    bool removable;
};

TEST(Examples, EachInstallsSilentlyAndIsRemoved) {
    bool win64 = Is64BitSystem();
    const wchar_t* reference = L"Software\\Brask Reference";
    std::vector<Example> examples = {
        {L"first", L"My Product", 0, 0, {{L"readme.txt", "My Product"}}, {}, true},
        {L"hello", L"Hello", 0, 0, {{L"hello.exe", "MZ"}, {L"readme.txt", ""}, {L"docs\\changes.txt", ""}}, {}, true},
        {L"reference",
         L"Brask Reference",
         0,
         0,
         {{L"notes.txt", win64 ? "Notes, the 64-bit variant.\r\n" : "Notes, the Unicode variant (32-bit Windows).\r\n"},
          {L"docs\\guide.txt", "The guide to the notes.\r\n"},
          {L"help\\topics\\start.txt", "Starting: "},
          {L"defaults.reg", ""},
          {L"cleanup.reg", ""}},
         {{HKEY_LOCAL_MACHINE, reference, L"Folder", "<dest>"},
          {HKEY_LOCAL_MACHINE, reference, L"Level", "3"},
          {HKEY_LOCAL_MACHINE, reference, L"Seed", std::string("BRASK\0\1\2", 8)},
          {HKEY_CURRENT_USER, reference, L"Greeting", "Hello"},
          {HKEY_CURRENT_USER, L"Software\\Brask Reference\\Defaults", L"Imported", "yes"}},
         true},
        {L"sixty-four", L"Brask Sixty-Four", 0, 1633, {{L"tool.txt", "A tool for 64-bit Windows only.\r\n"}}, {}, false},
    };
    for (const Example& e : examples) {
        SCOPED_TRACE(Narrow(e.folder));
        ScratchFolder dir;
        InstalledProduct product(e.product);
        std::wstring exe = dir / L"setup.exe";
        std::wstring script = SourcePath(std::wstring(L"examples/") + e.folder + L"/setup.dat");
        ProcessResult built = RunBkpack(L"build \"" + script + L"\" \"" + Stage(dir, e.folder) + L"\" --stub \"" +
                                        BinPath(L"bkstub.exe") + L"\" -o \"" + exe + L"\" --level 0 --quiet --strict");
        ASSERT_EQ(0u, built.exitCode) << built.output;
        std::wstring dest = dir / L"dest", log = dir / L"run.log";
        // --installto takes the rest of the line: it comes last.
        ProcessResult run = RunInstaller(exe, L"--silent --log=\"" + log + L"\" --installto=\"" + dest + L"\"");
        ASSERT_FALSE(run.timedOut);
        DWORD expected = win64 ? e.code64 : e.code32;
        EXPECT_EQ(expected, run.exitCode);
        bool installs = expected == 0;
        // The files of the other variants stay packed: what is decoded is
        // installed.
        uint64_t decoded = 0, taken = 0, waited = 0;
        if (installs) {
            EXPECT_TRUE(DecodingFigures(log, decoded, taken, waited));
            EXPECT_LE(decoded, taken);
            printf("%ls: %llu bytes decoded for %llu bytes installed\n", e.folder, (unsigned long long)decoded,
                   (unsigned long long)taken);
        }
        for (auto& file : e.files) {
            std::string bytes = ReadBytes(dest + L"\\" + file.first);
            EXPECT_EQ(installs, PathExists((dest + L"\\" + file.first).c_str())) << Narrow(file.first);
            if (installs) {
                EXPECT_EQ(0u, bytes.find(file.second)) << Narrow(file.first) << ": " << bytes;
            }
        }
        for (const Value& v : e.values) {
            std::string want = v.installed == "<dest>" ? Narrow(dest + L"\\") : v.installed;
            EXPECT_EQ(want, RegistryValue(v.root, v.key, v.name)) << Narrow(v.name);
        }
        std::wstring quiet = product.Value(L"QuietUninstallString");
        EXPECT_EQ(e.removable && installs, !quiet.empty());
        if (quiet.empty()) continue;
        ProcessResult removed = RunProcess(quiet, {}, 60000);
        EXPECT_EQ(0u, removed.exitCode);
        EXPECT_FALSE(PathExists(dest.c_str())) << "the emptied folder goes";
        for (const Value& v : e.values) EXPECT_EQ("(none)", RegistryValue(v.root, v.key, v.name)) << Narrow(v.name);
    }
    // Kept by the uninstall: the remembered folder and the emptied keys.
    EXPECT_NE("(none)", RegistryValue(HKEY_CURRENT_USER, L"Software\\BraskInstall", L"Brask Reference"));
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        HKEY remembered;
        if (RegOpenKeyExW(root, L"Software\\BraskInstall", 0, KEY_SET_VALUE, &remembered) == ERROR_SUCCESS) {
            RegDeleteValueW(remembered, L"Brask Reference");
            RegCloseKey(remembered);
        }
        RegDeleteKeyW(root, reference);
    }
}

}  // namespace
