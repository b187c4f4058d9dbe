#include "engine/file_install.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/installer_state.h"
#include "base/folders.h"
#include "base/message_box.h"
#include "base/temp_files.h"
#include "engine/file_version.h"
#include "engine/registration_queue.h"
#include "support/message_recorder.h"
#include "support/process.h"
#include "support/scratch.h"
#include "support/test_package.h"

namespace {

const uint64_t kV1_0_0_1 = 0x0001000000000001ull;
const uint64_t kV2_0_0_0 = 0x0002000000000000ull;
const uint64_t kV2_0_0_1 = 0x0002000000000001ull;

std::wstring Versioned(const wchar_t* version) {
    return BinPath((std::wstring(L"versioned\\versioned-") + version + L".dll").c_str());
}

// A file of Wine's that nobody here wrote, with its own version resource.
const wchar_t kWineFile[] = L"C:\\windows\\system32\\shell32.dll";

bool Queued(const std::wstring& path) { return RegistrationQueue().Contains(path.c_str(), true); }

// The restart's pending renames as (source, destination) pairs; an empty
// destination is a deletion.
std::vector<std::pair<std::wstring, std::wstring>> PendingRenames() {
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return pairs;
    DWORD size = 0;
    std::vector<wchar_t> data;
    if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
        data.resize(size / 2 + 1, 0);
        RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, (BYTE*)data.data(), &size);
        data.resize(size / 2);
    }
    RegCloseKey(key);
    // Deletions have empty destinations, so the strings are counted by the
    // value's size, not ended at the first empty one.
    std::vector<std::wstring> strings;
    for (size_t i = 0; i < data.size(); ++i) {
        size_t start = i;
        while (i < data.size() && data[i]) ++i;
        strings.push_back(std::wstring(&data[start], i - start));
    }
    for (size_t i = 0; i + 1 < strings.size(); i += 2) pairs.push_back({strings[i], strings[i + 1]});
    return pairs;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && _wcsicmp(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

int CountTempFiles(const wchar_t* pattern) {
    int n = 0;
    DirWalker walker(pattern, TempFolder());
    while (walker.Next()) ++n;
    return n;
}

// Fresh state for each case: no queued files, no restart pending.
class FileInstall : public testing::Test {
protected:
    void SetUp() override {
        RegistrationQueue().DeleteAll();
        state.rebootRequired = false;
        state.caption = L"Tool Installer";
    }
    void TearDown() override {
        RegistrationQueue().DeleteAll();
        state.rebootRequired = false;
        state.caption = L"Setup";
    }

    // Packs source as entry "payload" and installs it to destination.
    bool Install(const std::wstring& source, const std::wstring& destination) {
        TestPackage package(dir.Path(), {{L"payload", source}});
        EXPECT_TRUE(package.Ready());
        bool failed = true;
        InstallFile(L"payload", destination.c_str(), failed, nullptr);
        return !failed;
    }

    ScratchFolder dir;
    MessageRecorder boxes;
};

TEST_F(FileInstall, VersionsOfTheTestFilesAndOfWine) {
    EXPECT_EQ(kV1_0_0_1, FileVersion(Versioned(L"1.0.0.1").c_str()));
    EXPECT_EQ(kV2_0_0_0, FileVersion(Versioned(L"2.0.0.0").c_str()));
    EXPECT_EQ(kV2_0_0_1, FileVersion(Versioned(L"2.0.0.1").c_str()));
    EXPECT_GT(FileVersion(kWineFile), kV2_0_0_1);
    ASSERT_TRUE(WriteBytes(dir / L"plain.dll", "no resource"));
    EXPECT_EQ(0u, FileVersion((dir / L"plain.dll").c_str()));
    EXPECT_EQ(0u, FileVersion((dir / L"missing.dll").c_str()));
}

TEST_F(FileInstall, NewDestinationGetsItsFolderChain) {
    state.installPath = (dir / L"app").c_str();
    std::wstring target = dir / L"app\\bin\\deep\\tool.dll";
    ASSERT_TRUE(Install(Versioned(L"1.0.0.1"), L"<destination>bin\\deep\\tool.dll"));
    EXPECT_EQ(ReadBytes(Versioned(L"1.0.0.1")), ReadBytes(target));
    EXPECT_TRUE(Queued(target));
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_FALSE(state.rebootRequired);
    state.installPath = L"";
}

TEST_F(FileInstall, NewerDestinationIsLeftAloneAndStillQueued) {
    std::wstring target = dir / L"keep.dll";
    ASSERT_TRUE(CopyFileW(Versioned(L"2.0.0.0").c_str(), target.c_str(), FALSE));
    // Only the least significant half is higher: the most significant decides.
    EXPECT_TRUE(Install(Versioned(L"1.0.0.1"), target));
    EXPECT_EQ(ReadBytes(Versioned(L"2.0.0.0")), ReadBytes(target));
    EXPECT_TRUE(Queued(target));
    EXPECT_TRUE(boxes.Shown().empty());

    std::wstring wine = dir / L"wine.dll";
    ASSERT_TRUE(CopyFileW(kWineFile, wine.c_str(), FALSE));
    EXPECT_TRUE(Install(Versioned(L"2.0.0.1"), wine));
    EXPECT_EQ(ReadBytes(kWineFile), ReadBytes(wine));
    EXPECT_TRUE(Queued(wine));
    // An unversioned package file never replaces a versioned one.
    std::wstring text = dir / L"text.bin";
    ASSERT_TRUE(WriteBytes(text, "unversioned"));
    EXPECT_TRUE(Install(text, wine));
    EXPECT_EQ(ReadBytes(kWineFile), ReadBytes(wine));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FileInstall, EqualOrOlderReadOnlyDestinationIsOverwritten) {
    std::wstring target = dir / L"ro.OCX";
    ASSERT_TRUE(CopyFileW(Versioned(L"2.0.0.0").c_str(), target.c_str(), FALSE));
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(Install(Versioned(L"2.0.0.1"), target));
    EXPECT_EQ(ReadBytes(Versioned(L"2.0.0.1")), ReadBytes(target));
    EXPECT_EQ((DWORD)FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesW(target.c_str()) & ~FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(Queued(target));

    // Equal versions copy too: a file of that version but other bytes.
    std::wstring same = dir / L"same.dll";
    ASSERT_TRUE(CopyFileW(Versioned(L"2.0.0.1").c_str(), same.c_str(), FALSE));
    std::string bytes = ReadBytes(same);
    bytes += "appended";
    ASSERT_TRUE(WriteBytes(same, bytes));
    ASSERT_EQ(kV2_0_0_1, FileVersion(same.c_str()));
    ASSERT_TRUE(SetFileAttributesW(same.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(Install(Versioned(L"2.0.0.1"), same));
    EXPECT_EQ(ReadBytes(Versioned(L"2.0.0.1")), ReadBytes(same));

    // Wine's own file over our older one.
    std::wstring older = dir / L"older.dll";
    ASSERT_TRUE(CopyFileW(Versioned(L"1.0.0.1").c_str(), older.c_str(), FALSE));
    EXPECT_TRUE(Install(kWineFile, older));
    EXPECT_EQ(ReadBytes(kWineFile), ReadBytes(older));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FileInstall, TwoUnversionedFilesAlwaysCopy) {
    std::wstring target = dir / L"readme.txt";
    std::wstring source = dir / L"new-readme.txt";
    ASSERT_TRUE(WriteBytes(target, "old text, longer than the new one"));
    ASSERT_TRUE(WriteBytes(source, "new text"));
    EXPECT_TRUE(Install(source, target));
    EXPECT_EQ("new text", ReadBytes(target));
    EXPECT_FALSE(Queued(target));
    EXPECT_EQ(0, RegistrationQueue().Count());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FileInstall, MissingEntryFailsWithTheExtractionMessage) {
    int before = CountTempFiles(L"Ins*.tmp");
    TestPackage package(dir.Path(), {});
    ASSERT_TRUE(package.Ready());
    bool failed = false;
    InstallFile(L"no such entry", (dir / L"x.dll").c_str(), failed, nullptr);
    EXPECT_TRUE(failed);
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(L"Unable to extract a file from install, possibly your security software is blocking the install.",
              boxes.Shown()[0].text);
    EXPECT_EQ(L"Tool Installer", boxes.Shown()[0].caption);
    EXPECT_EQ((UINT)(MB_ICONERROR | MB_OK), boxes.Shown()[0].style);
    EXPECT_FALSE(PathExists((dir / L"x.dll").c_str()));
    EXPECT_FALSE(Queued(dir / L"x.dll"));
    EXPECT_EQ(before, CountTempFiles(L"Ins*.tmp"));  // the temporary file is gone
}

TEST_F(FileInstall, FolderInTheWayThenRetryThenCancel) {
    std::wstring target = dir / L"blocked.dll";
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    boxes.Script({IDRETRY, IDRETRY, IDCANCEL});
    EXPECT_FALSE(Install(Versioned(L"1.0.0.1"), target));
    ASSERT_EQ(3u, boxes.Shown().size());
    for (const ShownMessage& m : boxes.Shown()) {
        EXPECT_EQ(L"Cannot install '" + target + L"', disk may be full.", m.text);
        EXPECT_EQ(L"Tool Installer", m.caption);
        EXPECT_EQ((UINT)(MB_RETRYCANCEL | MB_ICONERROR | MB_DEFBUTTON2), m.style);
    }
    EXPECT_FALSE(Queued(target));  // cancelled: nothing to register
    EXPECT_FALSE(state.rebootRequired);
}

// Answers the first disk-full box by swapping the blocking folder for a
// read-only file, then Retry: the second round must clear the attribute.
std::wstring g_swapTarget;
int g_swapBoxes = 0;
int SwapThenRetry(HWND, const wchar_t*, const wchar_t*, UINT) {
    ++g_swapBoxes;
    RemoveDirectoryW(g_swapTarget.c_str());
    WriteBytes(g_swapTarget, "read-only old file");
    SetFileAttributesW(g_swapTarget.c_str(), FILE_ATTRIBUTE_READONLY);
    return IDRETRY;
}

TEST_F(FileInstall, RetryRepeatsTheWholeLoopWithTheAttributeReset) {
    g_swapTarget = dir / L"swap.txt";
    g_swapBoxes = 0;
    ASSERT_TRUE(CreateDirectoryW(g_swapTarget.c_str(), nullptr));
    std::wstring source = dir / L"source.txt";
    ASSERT_TRUE(WriteBytes(source, "the package's text"));
    SetMessageBoxHook(&SwapThenRetry);
    bool ok = Install(source, g_swapTarget);
    SetMessageBoxHook(nullptr);
    EXPECT_TRUE(ok);
    EXPECT_EQ(1, g_swapBoxes);
    EXPECT_EQ("the package's text", ReadBytes(g_swapTarget));
}

TEST_F(FileInstall, LockedDestinationsAreReplacedAtRestart) {
    std::wstring dll = dir / L"locked.dll";
    std::wstring text = dir / L"locked.txt";
    std::wstring mapped = dir / L"mapped.dat";
    std::wstring source = dir / L"new.txt";
    ASSERT_TRUE(CopyFileW(Versioned(L"1.0.0.1").c_str(), dll.c_str(), FALSE));
    ASSERT_TRUE(WriteBytes(text, "old"));
    ASSERT_TRUE(WriteBytes(mapped, "old mapped"));
    ASSERT_TRUE(WriteBytes(source, "new"));
    // Open without sharing (ERROR_SHARING_VIOLATION), and mapped by another
    // process (ERROR_USER_MAPPED_FILE).
    FileHolder holdDll(dll), holdText(text), holdMapped(mapped, L"map");
    ASSERT_TRUE(holdDll.Held());
    ASSERT_TRUE(holdText.Held());
    ASSERT_TRUE(holdMapped.Held());

    EXPECT_TRUE(Install(Versioned(L"2.0.0.1"), dll));
    EXPECT_TRUE(state.rebootRequired);
    EXPECT_EQ(ReadBytes(Versioned(L"2.0.0.1")), ReadBytes(dll + L"-BKITMP"));
    EXPECT_TRUE(Queued(dll));
    state.rebootRequired = false;
    // Two unversioned files: the existing version 0.0 always schedules.
    EXPECT_TRUE(Install(source, text));
    EXPECT_TRUE(state.rebootRequired);
    EXPECT_EQ("new", ReadBytes(text + L"-BKITMP"));
    state.rebootRequired = false;
    EXPECT_TRUE(Install(source, mapped));
    EXPECT_TRUE(state.rebootRequired);
    EXPECT_EQ("old mapped", ReadBytes(mapped));
    EXPECT_TRUE(boxes.Shown().empty());

    holdDll.Release();
    holdText.Release();
    holdMapped.Release();
    EXPECT_EQ(ReadBytes(Versioned(L"1.0.0.1")), ReadBytes(dll));  // nothing changes before the restart
    // Each destination is replaced by one rename, never deleted on its own.
    for (const std::wstring& target : {dll, text, mapped}) {
        int renames = 0;
        for (const auto& pair : PendingRenames()) {
            EXPECT_FALSE(EndsWith(pair.first, target) && pair.second.empty()) << "a lone deletion of " << pair.first;
            if (EndsWith(pair.first, target + L"-BKITMP") && EndsWith(pair.second, target)) ++renames;
        }
        EXPECT_EQ(1, renames);
    }
    ASSERT_TRUE(RestartWindows());
    EXPECT_EQ(ReadBytes(Versioned(L"2.0.0.1")), ReadBytes(dll));
    EXPECT_EQ("new", ReadBytes(text));
    EXPECT_EQ("new", ReadBytes(mapped));
    EXPECT_FALSE(PathExists((dll + L"-BKITMP").c_str()));
    EXPECT_FALSE(PathExists((text + L"-BKITMP").c_str()));
}

TEST_F(FileInstall, LoadedDestinationOfTheSameVersionStaysAsItIs) {
    std::wstring target = dir / L"same.dll";
    ASSERT_TRUE(CopyFileW(Versioned(L"2.0.0.1").c_str(), target.c_str(), FALSE));
    std::string bytes = ReadBytes(target) + "appended";
    ASSERT_TRUE(WriteBytes(target, bytes));
    // Loaded by another process, as a running program holds its DLLs: its
    // version stays readable. (A file held without any sharing cannot even
    // be read for its version, which then counts as 0.0 and is scheduled.)
    FileHolder hold(target, L"load");
    ASSERT_TRUE(hold.Held());
    EXPECT_TRUE(Install(Versioned(L"2.0.0.1"), target));
    EXPECT_FALSE(state.rebootRequired);
    EXPECT_FALSE(PathExists((target + L"-BKITMP").c_str()));
    EXPECT_TRUE(Queued(target));
    EXPECT_TRUE(boxes.Shown().empty());
    hold.Release();
    EXPECT_EQ(bytes, ReadBytes(target));
}

TEST_F(FileInstall, LockedDestinationThatCannotBeScheduled) {
    std::wstring target = dir / L"stuck.dll";
    ASSERT_TRUE(CopyFileW(Versioned(L"1.0.0.1").c_str(), target.c_str(), FALSE));
    // A folder where the pending copy would go makes the first step fail.
    ASSERT_TRUE(CreateDirectoryW((target + L"-BKITMP").c_str(), nullptr));
    FileHolder hold(target);
    ASSERT_TRUE(hold.Held());
    EXPECT_TRUE(Install(Versioned(L"2.0.0.1"), target));
    EXPECT_FALSE(state.rebootRequired);
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(L"Unable to replace file(s) in use, uninstall existing version, restart Windows and reinstall.",
              boxes.Shown()[0].text);
    EXPECT_EQ((UINT)MB_OK, boxes.Shown()[0].style);
    EXPECT_EQ(L"Tool Installer", boxes.Shown()[0].caption);
    EXPECT_TRUE(Queued(target));
    hold.Release();
    EXPECT_EQ(ReadBytes(Versioned(L"1.0.0.1")), ReadBytes(target));
}

// A file decoded into the destination's folder is renamed into place under
// the rule a copy follows; it stays for the caller to delete whenever it
// was not moved, and a destination in use is still replaced at restart.
TEST_F(FileInstall, DecodedFileIsRenamedIntoPlaceUnderTheSameRule) {
    struct Case {
        const wchar_t* existing;  // version there, null for no file
        const wchar_t* incoming;
        const wchar_t* hold;      // how another process holds the file, null for not
        bool moved;
        const wchar_t* after;     // the version there after the install
    };
    const Case kCases[] = {
        {nullptr, L"1.0.0.1", nullptr, true, L"1.0.0.1"},
        {L"1.0.0.1", L"2.0.0.0", nullptr, true, L"2.0.0.0"},  // read-only, older
        {L"2.0.0.1", L"2.0.0.1", nullptr, true, L"2.0.0.1"},
        {L"2.0.0.0", L"1.0.0.1", nullptr, false, L"2.0.0.0"},
        {L"1.0.0.1", L"2.0.0.1", L"hold", false, L"1.0.0.1"},  // at the restart
        {L"2.0.0.1", L"2.0.0.1", L"load", false, L"2.0.0.1"},  // its version already there
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << (c.existing ? c.existing : L"none") << " " << (c.hold ? c.hold : L""));
        std::wstring target = dir / L"decoded.dll", decoded = dir / L"~BK7.tmp";
        std::string existingBytes;
        if (c.existing) {
            ASSERT_TRUE(CopyFileW(Versioned(c.existing).c_str(), target.c_str(), FALSE));
            existingBytes = ReadBytes(target) + "appended";
            ASSERT_TRUE(WriteBytes(target, existingBytes));
            ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        ASSERT_TRUE(CopyFileW(Versioned(c.incoming).c_str(), decoded.c_str(), FALSE));
        FileHolder hold(target, c.hold ? c.hold : L"hold");
        if (!c.hold) hold.Release();
        FileInstaller files(nullptr);
        bool failed = true, moved = !c.moved;
        files.InstallDecoded(decoded.c_str(), true, target.c_str(), failed, moved);
        EXPECT_FALSE(failed);
        EXPECT_EQ(c.moved, moved);
        EXPECT_EQ(!c.moved, PathExists(decoded.c_str()));
        EXPECT_EQ(c.hold && wcscmp(c.hold, L"hold") == 0, state.rebootRequired);
        EXPECT_TRUE(Queued(target));
        EXPECT_TRUE(boxes.Shown().empty());
        hold.Release();
        bool untouched = c.existing && wcscmp(c.after, c.existing) == 0 && !c.moved;
        EXPECT_EQ(untouched ? existingBytes : ReadBytes(Versioned(c.after)), ReadBytes(target));
        SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(target.c_str());
        DeleteFileW(decoded.c_str());
        DeleteFileW((target + L"-BKITMP").c_str());
        state.rebootRequired = false;
        RegistrationQueue().DeleteAll();
    }
}

}  // namespace
