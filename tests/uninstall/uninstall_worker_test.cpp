#include "uninstall/uninstall_worker.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/installer_state.h"
#include "base/registry.h"
#include "engine/install_journal.h"
#include "engine/uninstall_record.h"
#include "support/machine_registry.h"
#include "support/process.h"
#include "support/shared_counts.h"
#include "support/scratch.h"
#include "uninstall/record_removal.h"
#include "uninstall/uninstall_fixture.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(WString(text.c_str()).ToAnsi()); }

std::string CopySection(const std::wstring& entry, const std::wstring& destination) {
    return "[CopyFile]\r\n" + Narrow(entry) + "\r\n" + Narrow(destination) + "\r\n";
}

// The value the test component's registration writes for its path.
std::wstring Registration(const std::wstring& component) {
    return ReadStringValue(component.c_str(), HKEY_CURRENT_USER, L"Software\\BkTestSelfReg").Text();
}

// The name a 32-bit installer counts a file under: the folder it really
// lies in, SysWOW64 for what it writes to its System folder under WOW64.
std::wstring CountName(const std::wstring& path) {
    wchar_t system[MAX_PATH], redirected[MAX_PATH];
    UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (!n || !GetSystemWow64DirectoryW(redirected, MAX_PATH) || _wcsnicmp(path.c_str(), system, n) != 0 ||
        path[n] != L'\\')
        return path;
    return redirected + path.substr(n);
}

// A file outside the products' folders and its count, gone after the test.
class SharedFile {
public:
    SharedFile(const std::wstring& path, REGSAM view = 0) : path(path), name(view ? path : CountName(path)), view(view) {}
    ~SharedFile() {
        DeleteFileW(path.c_str());
        SetSharedCount(name, -1, view);
    }
    SharedFile(const SharedFile&) = delete;
    SharedFile& operator=(const SharedFile&) = delete;
    int Count() const { return SharedCount(name, view); }
    const std::wstring path, name;
    const REGSAM view;
};

TEST(UninstallNames, ProjectNameFromLogPath) {
    EXPECT_STREQ(L"Tool", ProjectNameFromLogPath(L"C:\\Program Files\\BraskUninstall\\BraskUninstall-Tool.dat"));
    EXPECT_STREQ(L"My-Tool", ProjectNameFromLogPath(L"C:\\x\\BraskUninstall-My-Tool.dat"));
    // A dash in the folder is not part of the name.
    EXPECT_STREQ(L"Plain", ProjectNameFromLogPath(L"C:\\a-b\\Plain.dat"));
    EXPECT_STREQ(L"Tool", ProjectNameFromLogPath(L"BraskUninstall-Tool"));
}

TEST(UninstallNames, InstallPathOfProductAddsTheBackslashAndKeepsAMissingValueEmpty) {
    MachineKeyOverride machine;
    ASSERT_TRUE(machine.Active());
    ASSERT_TRUE(machine.SetString(UninstallKeyPath(L"Tool"), L"InstallTo", L"C:\\Program Files\\Tool"));
    ASSERT_TRUE(machine.SetString(UninstallKeyPath(L"Slash"), L"InstallTo", L"D:\\Slash\\"));
    ASSERT_TRUE(machine.SetString(UninstallKeyPath(L"NoFolder"), L"DisplayName", L"NoFolder"));
    EXPECT_STREQ(L"C:\\Program Files\\Tool\\", InstallPathOfProduct(L"Tool"));
    EXPECT_STREQ(L"D:\\Slash\\", InstallPathOfProduct(L"Slash"));
    // Not a lone backslash: "<Destination>" must not become the drive root.
    EXPECT_STREQ(L"", InstallPathOfProduct(L"NoFolder"));
    EXPECT_STREQ(L"", InstallPathOfProduct(L"Absent"));
}

class Uninstall : public ProductFilesTest {};

TEST_F(Uninstall, SharedFileStaysUntilTheLastProductGoes) {
    std::wstring shared = L"<Program Files>BkTest Shared\\common.txt";
    TestProduct first(L"BkTestShareOne", L"<Program Files>BkTest ShareOne");
    TestProduct second(L"BkTestShareTwo", L"<Program Files>BkTest ShareTwo");
    Entries entries = {{L"common.txt", File("common.txt", "shared")}, {L"own.txt", File("own.txt", "own")}};
    std::string actions = CopySection(L"common.txt", shared) + CopySection(L"own.txt", L"<Destination>own.txt");
    ASSERT_TRUE(first.Install(actions, entries));
    // The second product names the same file through other spellings.
    ASSERT_TRUE(second.Install(CopySection(L"common.txt", L"<PROGRAM FILES>bktest shared\\COMMON.TXT") +
                                   CopySection(L"own.txt", L"<Destination>own.txt"),
                               entries));
    std::wstring common = first.Expand(shared);
    // Outside both products' folders: counted, in the view of its folder
    // (Wine gives the 32-bit folder even to products that ask for 64-bit).
    bool nativeFolder = Is64BitSystem() && common.compare(0, ProgramFilesFolder().size(), ProgramFilesFolder()) != 0;
    SharedFile counted(common, nativeFolder ? KEY_WOW64_64KEY : 0);
    EXPECT_EQ(2, counted.Count());

    UninstallRun run = first.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_FALSE(run.reboot);
    EXPECT_EQ("shared", ReadBytes(common));
    EXPECT_EQ(1, counted.Count());
    EXPECT_FALSE(Exists(first.Folder()));
    EXPECT_TRUE(Exists(second.Folder() + L"own.txt"));
    EXPECT_FALSE(Exists(first.LogPath()));
    EXPECT_TRUE(Exists(second.LogPath()));
    EXPECT_EQ(L"", MachineString(UninstallKeyPath(L"BkTestShareOne"), L"InstallTo", 0));
    // The restart takes the first uninstaller; the uninstall folder, which
    // still holds the second product's record, stays.
    ASSERT_TRUE(RestartWindows());
    EXPECT_FALSE(Exists(first.CopyPath()));
    EXPECT_TRUE(Exists(second.CopyPath()));
    EXPECT_TRUE(Exists(second.LogPath()));

    run = second.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_FALSE(Exists(common));
    EXPECT_EQ(-1, counted.Count());
    EXPECT_FALSE(Exists(first.Expand(L"<Program Files>BkTest Shared")));
    EXPECT_FALSE(Exists(second.Folder()));
}

// Files in the System folder beside another installer's: the count says who
// still needs a file, whoever goes first.
TEST_F(Uninstall, SystemFilesFollowTheirCounts) {
    for (bool oursFirst : {true, false}) {
        SCOPED_TRACE(oursFirst ? "ours removed first" : "theirs removed first");
        // Placed by another installer, with its count; placed by one that
        // counts nothing; and a file nobody had.
        SharedFile theirs(Expanded(L"<System>bktest-theirs.txt"));
        SharedFile uncounted(Expanded(L"<System>bktest-uncounted.txt"));
        SharedFile fresh(Expanded(L"<System>bktest-fresh.txt"));
        ASSERT_TRUE(WriteBytes(theirs.path, "theirs"));
        SetSharedCount(theirs.name, 1);
        ASSERT_TRUE(WriteBytes(uncounted.path, "uncounted"));
        // A product of its own each time: an install counts a file once.
        TestProduct product(oursFirst ? L"BkTestSystemA" : L"BkTestSystemB", L"<Program Files>BkTest System");
        Entries entries = {{L"f.txt", File("f.txt", "ours")}};
        ASSERT_TRUE(product.Install(CopySection(L"f.txt", L"<System>bktest-theirs.txt") +
                                        CopySection(L"f.txt", L"<System>bktest-uncounted.txt") +
                                        CopySection(L"f.txt", L"<System>bktest-fresh.txt") +
                                        CopySection(L"f.txt", L"<Destination>own.txt"),
                                    entries));
        EXPECT_EQ(2, theirs.Count());
        EXPECT_EQ(2, uncounted.Count()) << "one for the earlier owner, one for ours";
        EXPECT_EQ(1, fresh.Count());
        EXPECT_EQ(-1, SharedCount(product.Folder() + L"own.txt")) << "the product's own folder is not counted";
        if (!oursFirst) SetSharedCount(theirs.name, 1);  // the other installer's uninstall
        UninstallRun run = product.Uninstall();
        ASSERT_TRUE(run.resultWritten);
        EXPECT_FALSE(Exists(fresh.path));
        EXPECT_EQ(-1, fresh.Count());
        EXPECT_EQ("ours", ReadBytes(uncounted.path));
        EXPECT_EQ(1, uncounted.Count());
        EXPECT_EQ(oursFirst, Exists(theirs.path));
        EXPECT_EQ(oursFirst ? 1 : -1, theirs.Count());
        EXPECT_FALSE(Exists(product.Folder()));
    }
}

// On 64-bit Windows a file in the native System folder counts in the 64-bit
// view, under the name 64-bit programs know it by.
TEST_F(Uninstall, NativeSystemFilesCountInTheNativeView) {
    if (!Is64BitSystem()) GTEST_SKIP() << "32-bit Windows has one view";
    std::wstring windows = Expanded(L"<Windows>");
    SharedFile native(windows + L"System32\\bktest-native.txt", KEY_WOW64_64KEY);
    TestProduct product(L"BkTestNative", L"<Program Files>BkTest Native");
    Entries entries = {{L"f.txt", File("f.txt", "native")}};
    ASSERT_TRUE(product.Install(CopySection(L"f.txt", L"<Windows>Sysnative\\bktest-native.txt"), entries));
    EXPECT_EQ(1, native.Count());
    EXPECT_EQ(-1, SharedCount(windows + L"Sysnative\\bktest-native.txt", KEY_WOW64_32KEY));
    UninstallRun run = product.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_EQ(-1, native.Count());
    EXPECT_FALSE(Exists(windows + L"Sysnative\\bktest-native.txt"));
}

// A newer file that was already there is not the product's: it stays, in the
// product's folder (where nothing is counted) as in the System folder.
TEST_F(Uninstall, FilesKeptAsNewerStay) {
    TestProduct product(L"BkTestNewer", L"<Program Files>BkTest Newer");
    SharedFile system(Expanded(L"<System>bktest-newer.dll"));
    std::wstring newer = BinPath(L"versioned\\versioned-2.0.0.1.dll");
    std::wstring own = product.Folder() + L"lib\\newer.dll";
    CreateDirectoryW(product.Folder().c_str(), nullptr);
    CreateDirectoryW((product.Folder() + L"lib").c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(newer.c_str(), own.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(newer.c_str(), system.path.c_str(), FALSE));
    Entries entries = {{L"older.dll", BinPath(L"versioned\\versioned-1.0.0.1.dll")},
                       {L"f.txt", File("f.txt", "f")}};
    ASSERT_TRUE(product.Install(CopySection(L"older.dll", L"<Destination>lib\\newer.dll") +
                                    CopySection(L"older.dll", L"<System>bktest-newer.dll") +
                                    CopySection(L"f.txt", L"<Destination>f.txt"),
                                entries));
    ASSERT_TRUE(ReadBytes(newer) == ReadBytes(own));
    UninstallRun run = product.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_FALSE(Exists(product.Folder() + L"f.txt"));
    EXPECT_TRUE(ReadBytes(newer) == ReadBytes(own));
    EXPECT_TRUE(ReadBytes(newer) == ReadBytes(system.path));
    EXPECT_EQ(1, system.Count());
}

// Another record that names the same file in another spelling keeps it.
TEST_F(Uninstall, FileListedByAnotherRecordInAnotherSpellingStays) {
    for (int spelling = 0; spelling < 2; spelling++) {
        TestProduct first(L"BkTestSpeltOne", L"<Program Files>BkTest Spelt");
        Entries entries = {{L"common.txt", File("common.txt", "shared")}};
        std::string actions = CopySection(L"common.txt", L"<Destination>common.txt");
        ASSERT_TRUE(first.Install(actions, entries));
        wchar_t shortName[MAX_PATH] = {};
        ASSERT_NE(0u, GetShortPathNameW(first.Folder().c_str(), shortName, MAX_PATH));
        std::wstring other = spelling == 0 ? std::wstring(shortName) : first.Folder() + L"..\\BkTest Spelt\\.";
        SCOPED_TRACE(Narrow(other));
        TestProduct second(L"BkTestSpeltTwo", other);
        ASSERT_TRUE(second.Install(actions, entries));
        std::wstring common = first.Folder() + L"common.txt";
        UninstallRun run = first.Uninstall();
        ASSERT_TRUE(run.resultWritten);
        EXPECT_EQ("shared", ReadBytes(common));
        run = second.Uninstall();
        ASSERT_TRUE(run.resultWritten);
        EXPECT_FALSE(Exists(common));
    }
}

// The other record names the file itself by its short name.
TEST_F(Uninstall, FileListedByAnotherRecordUnderItsShortNameStays) {
    TestProduct first(L"BkTestShortOne", L"<Program Files>BkTest Short");
    Entries entries = {{L"notes.txt", File("notes.txt", "shared")}};
    ASSERT_TRUE(first.Install(CopySection(L"notes.txt", L"<Destination>shared notes.text"), entries));
    std::wstring notes = first.Folder() + L"shared notes.text";
    wchar_t shortName[MAX_PATH] = {};
    ASSERT_NE(0u, GetShortPathNameW(notes.c_str(), shortName, MAX_PATH));
    std::wstring alias = std::wstring(shortName).substr(std::wstring(shortName).rfind(L'\\') + 1);
    ASSERT_NE(std::wstring::npos, alias.find(L'~'));
    TestProduct second(L"BkTestShortTwo", first.Folder());
    ASSERT_TRUE(second.Install(CopySection(L"notes.txt", L"<Destination>" + alias), entries));
    ASSERT_TRUE(first.Uninstall().resultWritten);
    EXPECT_EQ("shared", ReadBytes(notes));
    ASSERT_TRUE(second.Uninstall().resultWritten);
    EXPECT_FALSE(Exists(first.Folder()));
}

// Many files in many folders, some of them also listed by another product
// (as written, in capitals, or through ".."): exactly those stay, and so do
// their folders; every other folder goes.
TEST_F(Uninstall, OfManyFilesExactlyThoseListedByAnotherRecordStay) {
    TestProduct first(L"BkTestManyOne", L"<Program Files>BkTest Many");
    TestProduct second(L"BkTestManyTwo", first.Folder());
    Entries entries = {{L"f.txt", File("f.txt", "f")}};
    std::string own, shared;
    auto path = [](int i) {
        return L"d" + std::to_wstring(i % 7) + L"\\s" + std::to_wstring(i % 3) + L"\\f" + std::to_wstring(i) + L".txt";
    };
    auto isShared = [](int i) { return i % 7 < 3 && i % 2 == 0; };
    for (int i = 0; i < 150; i++) {
        own += CopySection(L"f.txt", L"<Destination>" + path(i));
        std::wstring spelt = path(i);
        if (i % 4 == 0)
            CharUpperW(&spelt[0]);
        else
            spelt = L"D" + std::to_wstring(i % 7) + L"\\..\\" + spelt;
        if (isShared(i)) shared += CopySection(L"f.txt", L"<Destination>" + spelt);
    }
    ASSERT_TRUE(first.Install(own, entries));
    ASSERT_TRUE(second.Install(shared, entries));
    UninstallRun run = first.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_EQ(150 - 33, run.done);
    for (int i = 0; i < 150; i++) EXPECT_EQ(isShared(i), Exists(first.Folder() + path(i))) << i;
    for (int d = 0; d < 7; d++) EXPECT_EQ(d < 3, Exists(first.Folder() + L"d" + std::to_wstring(d))) << d;
    ASSERT_TRUE(second.Uninstall().resultWritten);
    EXPECT_FALSE(Exists(first.Folder()));
}

TEST_F(Uninstall, FileInUseGoesAtTheRestartWithItsFolderAndTheUninstaller) {
    TestProduct product(L"BkTestLocked", L"<Program Files>BkTest Locked");
    Entries entries = {{L"a.txt", File("a.txt", "a")}, {L"b.txt", File("b.txt", "b")}};
    ASSERT_TRUE(product.Install(CopySection(L"a.txt", L"<Destination>data\\held.txt") +
                                    CopySection(L"b.txt", L"<Destination>free.txt"),
                                entries));
    std::wstring held = product.Folder() + L"data\\held.txt";
    FileHolder holder(held);
    ASSERT_TRUE(holder.Held());
    UninstallRun run = product.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_TRUE(run.reboot);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_FALSE(Exists(product.Folder() + L"free.txt"));
    EXPECT_TRUE(Exists(held));
    EXPECT_FALSE(Exists(product.LogPath()));
    EXPECT_TRUE(Exists(product.CopyPath()));  // it was running: gone at the restart
    holder.Release();
    EXPECT_TRUE(Exists(held));  // nothing happens before the restart
    ASSERT_TRUE(RestartWindows());
    EXPECT_FALSE(Exists(held));
    EXPECT_FALSE(Exists(product.Folder()));
    EXPECT_FALSE(Exists(product.CopyPath()));
}

TEST_F(Uninstall, RepeatedDestinationsAndVariantsAreRemovedOnce) {
    TestProduct product(L"BkTestTwice", L"<Program Files>BkTest Twice");
    std::wstring tool = BinPath(L"test_helper.exe");
    Entries entries = {{L"a.txt", File("a.txt", "a")}, {L"tool.exe", tool}};
    std::string actions = CopySection(L"a.txt", L"<Destination>a.txt") + CopySection(L"a.txt", L"<DESTINATION>A.TXT") +
                          CopySection(L"tool.exe", L"<Destination>tool.exe") +
                          CopySection(L"tool.exe", L"<Destination>tool__BKI_UNICODE.exe") +
                          CopySection(L"tool.exe", L"<Destination>tool__BKI_WIN64.exe");
    ASSERT_TRUE(product.Install(actions, entries));
    ASSERT_TRUE(Exists(product.Folder() + L"tool.exe"));
    ASSERT_FALSE(Exists(product.Folder() + L"tool__BKI_WIN64.exe"));
    const wchar_t kAppPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tool.exe";
    ASSERT_NE(L"", MachineString(kAppPath, L"", 0));

    UninstallRun run = product.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_EQ(2, run.done);  // a.txt and tool.exe, once each
    EXPECT_EQ(5, run.total);
    EXPECT_FALSE(run.reboot);
    EXPECT_FALSE(Exists(product.Folder()));
    EXPECT_EQ(L"", MachineString(kAppPath, L"", 0));
}

TEST_F(Uninstall, ActionsRunFirstDocumentsAreNotWaitedForFailuresAreShown) {
    TestProduct product(L"BkTestActions", L"<Program Files>BkTest Actions");
    std::wstring probeLog = files / L"probe.log";
    std::wstring document = File("notes.bkdoc", "document");
    std::wstring event = L"bktest-doc-" + std::to_wstring(GetCurrentProcessId());
    // Documents of this kind open in the helper, which holds them open
    // until told to let go (at most 60 s).
    std::wstring classes = L"Software\\Classes\\";
    ASSERT_TRUE(WriteString(L"BkTestDocument", L"", HKEY_LOCAL_MACHINE, (classes + L".bkdoc").c_str()));
    ASSERT_TRUE(WriteString((L"\"" + BinPath(L"test_helper.exe") + L"\" hold \"%1\" " + event).c_str(), L"",
                            HKEY_LOCAL_MACHINE, (classes + L"BkTestDocument\\shell\\open\\command").c_str()));
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, (event + L"-ready").c_str());

    Entries entries = {{L"probe.exe", BinPath(L"test_helper.exe")}, {L"data.txt", File("data.txt", "data")}};
    std::string actions =
        CopySection(L"probe.exe", L"<Destination>probe.exe") + CopySection(L"data.txt", L"<Destination>data.txt") +
        "[UninstallAction]\r\n<Destination>probe.exe\r\nprobe \"" + Narrow(probeLog) +
        "\" \"<Destination>data.txt\"\r\n"
        "[UninstallAction]\r\n" + Narrow(document) + "\r\n\r\n"
        "[UninstallAction]\r\n<Destination>missing.exe\r\n\r\n"
        "[UninstallAction]\r\n<Destination>probe.exe\r\nprobe \"" + Narrow(probeLog) +
        "\" \"<Destination>probe.exe\"\r\n";
    ASSERT_TRUE(product.Install(actions, entries));

    DWORD start = GetTickCount();
    UninstallRun run = product.Uninstall();
    DWORD took = GetTickCount() - start;
    ASSERT_TRUE(run.resultWritten);
    EXPECT_EQ(2, run.done);
    // The document's program still holds it: the uninstall did not wait.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(opened, 20000));
    EXPECT_LT(took, 40000u);
    SetEvent(release);
    // The helper closes the document as it ends; the scratch folder goes after.
    // The document itself is no file of the product: it was there to delete.
    bool deleted = false;
    for (int i = 0; i < 100 && !(deleted = DeleteFileW(document.c_str()) != 0); i++) Sleep(100);
    EXPECT_TRUE(deleted);
    std::string probed = ReadBytes(probeLog);
    std::string data = Narrow(product.Folder() + L"data.txt"), probe = Narrow(product.Folder() + L"probe.exe");
    EXPECT_EQ("present " + data + "\npresent " + probe + "\n", probed);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(L"Error whilst running '" + product.Folder() + L"missing.exe'.", run.boxes[0].text);
    EXPECT_EQ(L"UnInstaller", run.boxes[0].caption);
    EXPECT_EQ((UINT)(MB_OK | MB_ICONERROR), run.boxes[0].style);
    EXPECT_FALSE(Exists(product.Folder()));

    DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software\\Classes", L".bkdoc");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software\\Classes", L"BkTestDocument");
    CloseHandle(opened);
    CloseHandle(release);
}

// Without parameters the program's path alone is the command line; unquoted,
// "C:\Program Files\..." would start "C:\Program.exe" with administrator rights.
TEST_F(Uninstall, ActionInAFolderWithSpacesStartsThatProgram) {
    DecoyProgram decoy;
    ASSERT_TRUE(decoy.Placed());
    TestProduct product(L"BkTestSpaced", decoy.SpacedFolder() + L"\\Product");
    Entries entries = {{L"tool.exe", BinPath(L"test_helper.exe")}};
    ASSERT_TRUE(product.Install(CopySection(L"tool.exe", L"<Destination>tool.exe") +
                                    "[UninstallAction]\r\n<Destination>tool.exe\r\n\r\n",
                                entries));
    UninstallRun run = product.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_FALSE(decoy.Ran());
    EXPECT_FALSE(Exists(product.Folder()));
}

TEST_F(Uninstall, EmptyFoldersGoUpToButNotIncludingProtectedFolders) {
    TestProduct product(L"BkTestPrune", L"<Program Files>BkTest Prune");
    Entries entries = {{L"f.txt", File("f.txt", "f")}};
    std::string actions = CopySection(L"f.txt", L"<Destination>a\\b\\c\\deep.txt") +
                          CopySection(L"f.txt", L"<Destination>kept\\ours.txt") +
                          "[CreateIcon]\r\n<Destination>a\\b\\c\\deep.txt\r\n"
                          "<Start Programs>BkTest Prune\\Deep.lnk\r\n\r\n\r\n";
    ASSERT_TRUE(product.Install(actions, entries));
    std::wstring link = Expanded(L"<Start Programs>BkTest Prune\\Deep.lnk");
    ASSERT_TRUE(Exists(link));
    // A file of the user's keeps its folder and the folders above it.
    ASSERT_TRUE(WriteBytes(product.Folder() + L"kept\\mine.txt", "user"));

    UninstallRun run = product.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_EQ(3, run.done);
    EXPECT_EQ(2, run.total);
    EXPECT_FALSE(Exists(product.Folder() + L"a"));
    EXPECT_FALSE(Exists(product.Folder() + L"kept\\ours.txt"));
    EXPECT_EQ("user", ReadBytes(product.Folder() + L"kept\\mine.txt"));
    EXPECT_FALSE(Exists(link));
    EXPECT_FALSE(Exists(Expanded(L"<Start Programs>BkTest Prune")));
}

// A protected folder the uninstall leaves empty stays, also when the record
// names it in another spelling: the Startup folder, empty in the prefix,
// through "..".
TEST_F(Uninstall, AnEmptiedProtectedFolderStaysWhateverTheRecordCallsIt) {
    std::wstring startup = Expanded(L"<Startup>");
    ASSERT_TRUE(Exists(startup));
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((startup + L"*").c_str(), &found);
    int names = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do names++;
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    ASSERT_EQ(2, names) << "the test needs an empty Startup folder";  // "." and ".."
    TestProduct product(L"BkTestGuard", L"<Program Files>BkTest Guard");
    Entries entries = {{L"f.txt", File("f.txt", "f")}};
    ASSERT_TRUE(product.Install(CopySection(L"f.txt", L"<Startup>..\\Startup\\BkTest Guard.txt"), entries));
    ASSERT_TRUE(Exists(startup + L"BkTest Guard.txt"));
    UninstallRun run = product.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_FALSE(Exists(startup + L"BkTest Guard.txt"));
    EXPECT_TRUE(Exists(startup));
    // A guard that failed must not leave the other tests without it.
    if (!Exists(startup)) CreateDirectoryW(startup.c_str(), nullptr);
}

TEST_F(Uninstall, RegistryValuesGoAndTheirKeysStay) {
    TestProduct product(L"BkTestValues", L"<Program Files>BkTest Values");
    const wchar_t kKey[] = L"Software\\BkTestValues\\Settings";
    Entries entries = {{L"f.txt", File("f.txt", "f")}};
    std::string actions = CopySection(L"f.txt", L"<Destination>f.txt") +
                          "[Registry]\r\nHKLM\r\nSoftware\\BkTestValues\\Settings\r\nSTRING\r\n"
                          "Folder\r\n<Destination>\r\n"
                          "[Registry]\r\nHKLM\r\nSoftware\\BkTestValues\\Settings\r\nDWORD\r\nCount\r\n7\r\n";
    ASSERT_TRUE(product.Install(actions, entries));
    ASSERT_EQ(product.Folder(), MachineString(kKey, L"Folder", 0));
    // A value the user added beside the product's stays.
    ASSERT_TRUE(WriteString(L"user", L"Mine", HKEY_LOCAL_MACHINE, kKey));
    // Added to the record after the install: its key never existed.
    std::string log = ReadBytes(product.LogPath());
    log += "[Registry]\r\nHKLM\r\nSoftware\\BkTestValues\\Never\r\nSTRING\r\nX\r\ny\r\n";
    ASSERT_TRUE(WriteBytes(product.LogPath(), log));

    UninstallRun run = product.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_EQ(L"", MachineString(kKey, L"Folder", 0));
    EXPECT_EQ(0u, QueryValueSize(L"Count", HKEY_LOCAL_MACHINE, kKey, nullptr));
    EXPECT_EQ(L"user", MachineString(kKey, L"Mine", 0));
    // The open that deletes a value creates a missing key, empty.
    HKEY never = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\BkTestValues\\Never", 0, KEY_READ, &never));
    if (never) RegCloseKey(never);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software", L"BkTestValues");
}

// Installs product as one component that registers itself, comp.ocx; what
// its registration wrote for it ("registered" once it is).
std::wstring InstallComponent(TestProduct& product, std::wstring& component) {
    Entries entries = {{L"comp.ocx", BinPath(L"selfreg.dll")}};
    EXPECT_TRUE(product.Install(CopySection(L"comp.ocx", L"<Destination>comp.ocx"), entries));
    component = product.Folder() + L"comp.ocx";
    return Registration(component);
}

TEST_F(Uninstall, ComponentsAreUnregisteredBeforeTheyAreDeleted) {
    TestProduct product(L"BkTestSelfReg", L"<Program Files>BkTest SelfReg");
    std::wstring component;
    ASSERT_EQ(L"registered", InstallComponent(product, component));
    UninstallRun run = product.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_FALSE(run.reboot);
    EXPECT_EQ(L"", Registration(component));
    EXPECT_FALSE(Exists(component));
    DeleteKeyTree(HKEY_CURRENT_USER, L"Software", L"BkTestSelfReg");
}

// An upgrade removes what the new version dropped under the install's
// journal: rolled back, the component is in place and registered again.
TEST_F(Uninstall, RolledBackRemovalRegistersTheComponentAgain) {
    TestProduct product(L"BkTestSelfRegBack", L"<Program Files>BkTest SelfRegBack");
    std::wstring component;
    ASSERT_EQ(L"registered", InstallComponent(product, component));
    ScratchFolder dir;
    ASSERT_TRUE(Journal().Begin((dir / L"upgrade.jnl").c_str()));
    RecordRemoval dropped(false);
    ASSERT_TRUE(dropped.Read(product.LogPath().c_str(), product.Folder().c_str()));
    bool restart = false;
    dropped.Remove(product.LogPath().c_str(), restart);
    ASSERT_EQ(L"", Registration(component));
    Journal().RollBack();
    EXPECT_TRUE(Exists(component));
    EXPECT_EQ(L"registered", Registration(component));
    product.Uninstall();
    DeleteKeyTree(HKEY_CURRENT_USER, L"Software", L"BkTestSelfReg");
}

// Removing the entry of a product whose files stay would leave the user no
// way to remove it: without its record nothing goes, and the user is told.
TEST_F(Uninstall, WithoutItsLogNothingGoesAndTheEntryStays) {
    TestProduct product(L"BkTestNoLog", L"<Program Files>BkTest NoLog");
    Entries entries = {{L"f.txt", File("f.txt", "f")}};
    ASSERT_TRUE(product.Install(CopySection(L"f.txt", L"<Destination>f.txt"), entries));
    ASSERT_TRUE(DeleteFileW(product.LogPath().c_str()));
    UninstallRun run = product.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_EQ(0, run.done);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(L"Unable to open the uninstall log '" + product.LogPath() + L"', nothing has been removed.",
              run.boxes[0].text);
    EXPECT_EQ(L"UnInstaller", run.boxes[0].caption);
    EXPECT_EQ((UINT)(MB_OK | MB_ICONERROR), run.boxes[0].style);
    EXPECT_TRUE(Exists(product.Folder() + L"f.txt"));
    EXPECT_EQ(product.Folder(), MachineString(UninstallKeyPath(L"BkTestNoLog"), L"InstallTo", 0));
    // Nor does the uninstaller schedule its own deletion.
    ASSERT_TRUE(RestartWindows());
    EXPECT_TRUE(Exists(product.CopyPath()));
}

}  // namespace
