// The whole prefix before an install and after its uninstall (and the
// restart that finishes it): the files of drive C: and the registry as
// regedit exports HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER. Only what the
// design leaves on purpose may differ. Runs alone (RUN_SERIAL): other test
// programs change the same prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "base/registry.h"
#include "engine/uninstall_record.h"
#include "support/process.h"
#include "support/scratch.h"
#include "uninstall/uninstall_fixture.h"

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = (wchar_t)towlower(c);
    return text;
}

// Wine links these folders of each user to the home folder of the machine,
// whose files are not the prefix's.
bool IsHostLink(const std::wstring& folder, const WIN32_FIND_DATAW& found) {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    static const wchar_t* const kLinked[] = {L"desktop", L"documents", L"downloads", L"music", L"pictures", L"videos"};
    std::wstring parent = Lower(folder);
    if (parent.compare(0, 9, L"c:\\users\\") != 0 || std::count(parent.begin(), parent.end(), L'\\') != 3) return false;
    for (const wchar_t* name : kLinked)
        if (Lower(found.cFileName) == name) return true;
    return false;
}

void ListFiles(const std::wstring& folder, const std::wstring& skip, std::set<std::wstring>& out) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = folder + name;
        bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder) {
            if (Lower(path + L"\\") == Lower(skip) || IsHostLink(folder, found)) continue;
            out.insert(Lower(path) + L"\\");
            ListFiles(path + L"\\", skip, out);
        } else {
            out.insert(Lower(path));
        }
    } while (FindNextFileW(h, &found));
    FindClose(h);
}

// Wine's display driver registers the display under this key, volatile,
// whenever a desktop starts: present or not depending on when Wine's
// servers last started, and never a product's.
bool IsDisplayKey(const std::wstring& key) {
    static const wchar_t kVideo[] = L"[hkey_local_machine\\system\\currentcontrolset\\control\\video\\";
    return key.compare(0, wcslen(kVideo), kVideo) == 0;
}

// Each key as "[KEY]" and each value as "[KEY]|LINE", continuation lines
// joined, in lower case; the display's keys left out.
bool ExportRegistry(const std::wstring& root, const std::wstring& file, std::set<std::wstring>& out) {
    ProcessResult r = RunProcess(L"C:\\windows\\regedit.exe /E \"" + file + L"\" " + root, {}, 120000);
    if (!r.started || r.timedOut) return false;
    std::string bytes = ReadBytes(file);
    if (bytes.size() < 2) return false;
    std::wstring text((const wchar_t*)(bytes.data() + 2), (bytes.size() - 2) / 2);
    std::wstring key, pending;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 2;
        pending += line;
        if (!pending.empty() && pending.back() == L'\\') {
            pending.pop_back();
            continue;
        }
        line = Lower(pending);
        pending.clear();
        size_t first = line.find_first_not_of(L' ');
        if (first == std::wstring::npos) continue;
        line = line.substr(first);
        if (line[0] == L'[') {
            key = IsDisplayKey(line) ? L"" : line;
            if (!key.empty()) out.insert(key);
        } else if (!key.empty()) {
            out.insert(key + L"|" + line);
        }
    }
    return true;
}

struct Snapshot {
    std::set<std::wstring> files, registry;
};

bool Take(const ScratchFolder& scratch, const std::wstring& tag, Snapshot& s) {
    ListFiles(L"C:\\", scratch.Path(), s.files);
    return ExportRegistry(L"HKEY_LOCAL_MACHINE", scratch / (tag + L"-hklm.reg"), s.registry) &&
           ExportRegistry(L"HKEY_CURRENT_USER", scratch / (tag + L"-hkcu.reg"), s.registry);
}

std::set<std::wstring> Minus(const std::set<std::wstring>& a, const std::set<std::wstring>& b) {
    std::set<std::wstring> d;
    for (const std::wstring& x : a)
        if (!b.count(x)) d.insert(x);
    return d;
}

std::wstring Joined(const std::set<std::wstring>& items) {
    std::wstring all;
    for (const std::wstring& x : items) all += x + L"\n";
    return all;
}

// The leftovers are removed before the first snapshot (an earlier run's)
// and after the test, so that each run starts from the same prefix.
class LeftoverCleaner {
public:
    LeftoverCleaner() { Clean(); }
    ~LeftoverCleaner() { Clean(); }

private:
    static void Clean() {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            DeleteKeyTree(root, L"Software", L"BkTestLeftovers");
            // Opened, not created: a missing key must stay missing.
            HKEY remembered = nullptr;
            if (RegOpenKeyExW(root, L"Software\\BraskInstall", 0, KEY_ALL_ACCESS, &remembered) != ERROR_SUCCESS)
                continue;
            RegDeleteValueW(remembered, L"BkTestLeftoversPath");
            RegCloseKey(remembered);
        }
    }
};

TEST(Leftovers, OnlyWhatTheDesignKeeps) {
    LeftoverCleaner cleaner;
    ScratchFolder scratch;
    ASSERT_TRUE(WriteBytes(scratch / L"readme.txt", "read me"));
    ASSERT_TRUE(WriteBytes(scratch / L"changes.txt", "changes"));
    // Whatever earlier programs scheduled for the restart happens first.
    ASSERT_TRUE(RestartWindows());
    // An empty uninstall folder another test left would go at this test's
    // restart and look like something the uninstall removed.
    RemoveDirectoryW(UninstallFolder());
    Snapshot before, after;
    ASSERT_TRUE(Take(scratch, L"before", before));

    {
        TestProduct product(L"BkTestLeftovers", L"<Program Files>BkTest Leftovers");
        product.saveInstallPathValue = L"BkTestLeftoversPath";
        std::string actions =
            "[CopyFile]\r\ntool.exe\r\n<Destination>tool.exe\r\n"
            "[CopyFile]\r\nreadme.txt\r\n<Destination>readme.txt\r\n"
            "[CopyFile]\r\nchanges.txt\r\n<Destination>docs\\old\\changes.txt\r\n"
            "[CreateIcon]\r\n<Destination>tool.exe\r\n<Start Programs>BkTest Leftovers\\Tool.lnk\r\n\r\n\r\n"
            "[Registry]\r\nHKLM\r\nSoftware\\BkTestLeftovers\\Settings\r\nSTRING\r\nFolder\r\n<Destination>\r\n"
            "[Registry]\r\nHKLM\r\nSoftware\\BkTestLeftovers\\Settings\r\nDWORD\r\nRuns\r\n3\r\n"
            "[Registry]\r\nHKCU\r\nSoftware\\BkTestLeftovers\\Settings\r\nSTRING\r\nName\r\nuser\r\n";
        ASSERT_TRUE(product.Install(actions, {{L"tool.exe", BinPath(L"test_helper.exe")},
                                              {L"readme.txt", scratch / L"readme.txt"},
                                              {L"changes.txt", scratch / L"changes.txt"}}));
        ASSERT_TRUE(Exists(product.Folder() + L"docs\\old\\changes.txt"));
        // Removed as a deployment tool removes it: the product's own
        // uninstaller started with the entry's quiet command.
        ASSERT_TRUE(product.UseRealUninstaller());
        ProcessResult run = RunProcess(product.QuietUninstallString(), {}, 120000);
        ASSERT_TRUE(run.started);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(0u, run.exitCode);
    }
    // The uninstaller copy was running: it, and the uninstall folder it
    // leaves empty, go at the restart.
    ASSERT_TRUE(RestartWindows());
    ASSERT_TRUE(Take(scratch, L"after", after));

    EXPECT_EQ(L"", Joined(Minus(before.files, after.files)));
    EXPECT_EQ(L"", Joined(Minus(after.files, before.files)));
    EXPECT_EQ(L"", Joined(Minus(before.registry, after.registry)));

    // The leftovers the design keeps, each stated:
    // regedit started from this 32-bit program is the 32-bit one: it shows
    // the registry view the installer writes to, also on 64-bit Windows.
    std::wstring machine = L"[hkey_local_machine\\software\\";
    std::set<std::wstring> expected = {
        // "[Registry]" deletes values, never keys: the keys the install made
        // stay, empty, as other values or products may share them.
        machine + L"bktestleftovers]",
        machine + L"bktestleftovers\\settings]",
        L"[hkey_current_user\\software\\bktestleftovers]",
        L"[hkey_current_user\\software\\bktestleftovers\\settings]",
    };
    // The remembered install folder ("[SaveInstallPath]") stays for the next
    // install of the product, in both hives.
    std::wstring folder = Lower(Expanded(L"<Program Files>BkTest Leftovers\\"));
    std::wstring escaped;
    for (wchar_t c : folder) escaped += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
    std::wstring user = L"[hkey_current_user\\software\\";
    for (std::wstring key : {machine + L"braskinstall]", user + L"braskinstall]"}) {
        if (!before.registry.count(key)) expected.insert(key);
        expected.insert(key + L"|\"bktestleftoverspath\"=\"" + escaped + L"\"");
    }
    EXPECT_EQ(Joined(expected), Joined(Minus(after.registry, before.registry)));
}

}  // namespace
