#include "base/folders.h"

#include <gtest/gtest.h>

#include <set>

#include "base/temp_files.h"
#include "support/process.h"
#include "support/scratch.h"

namespace {

bool IsFolder(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Folders, PathQueries) {
    EXPECT_TRUE(PathExists(L"C:\\"));
    EXPECT_TRUE(PathExists(L"C:"));
    EXPECT_FALSE(PathExists(L""));
    EXPECT_FALSE(PathExists(nullptr));
    ScratchFolder dir;
    std::wstring file = dir / L"f.txt";
    ASSERT_TRUE(WriteBytes(file, "12345"));
    EXPECT_TRUE(PathExists(file.c_str()));
    EXPECT_TRUE(PathExists(dir.Path().c_str()));
    EXPECT_FALSE(PathExists((dir / L"none").c_str()));
    EXPECT_EQ(5u, FileSizeByPath(file.c_str()));
    EXPECT_EQ(0u, FileSizeByPath((dir / L"none").c_str()));
    bool missing = true;
    EXPECT_TRUE(AttributesByPath(dir.Path().c_str(), missing) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(missing);
    AttributesByPath((dir / L"none").c_str(), missing);
    EXPECT_TRUE(missing);
    EXPECT_FALSE(ClearReadOnly((dir / L"none").c_str()));
}

TEST(Folders, WalkerSkipsDotsAndListsEverything) {
    ScratchFolder dir;
    WriteBytes(dir / L"a.txt", "a");
    WriteBytes(dir / L"b.dat", "bb");
    CreateDirectoryW((dir / L"sub").c_str(), nullptr);
    std::set<std::wstring> seen;
    DirWalker all(L"*.*", dir.Path().c_str());
    while (all.Next()) seen.insert(all.Current().Text());
    EXPECT_EQ((std::set<std::wstring>{dir / L"a.txt", dir / L"b.dat", dir / L"sub"}), seen);
    // The folder may be given without its backslash.
    std::wstring bare = dir.Path().substr(0, dir.Path().size() - 1);
    DirWalker txt(L"*.txt", bare.c_str());
    ASSERT_TRUE(txt.Next());
    EXPECT_EQ(dir / L"a.txt", txt.Current().Text());
    EXPECT_EQ(1u, txt.FileSize());
    EXPECT_FALSE(txt.Next());
    EXPECT_FALSE(txt.Next());
}

TEST(Folders, DeleteReadOnlyFile) {
    ScratchFolder dir;
    std::wstring file = dir / L"ro.txt";
    ASSERT_TRUE(WriteBytes(file, "x"));
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(DeleteFileRetry(file.c_str()));
    EXPECT_FALSE(PathExists(file.c_str()));
    EXPECT_FALSE(DeleteFileRetry(file.c_str()));
    EXPECT_FALSE(DeleteFileRetry(L""));
}

TEST(Folders, CreateFolderTree) {
    ScratchFolder dir;
    std::wstring a = dir / L"a";
    ASSERT_TRUE(CreateDirectoryW(a.c_str(), nullptr));
    EXPECT_TRUE(CreateFolderTree((a + L"\\b\\c").c_str()));
    EXPECT_TRUE(IsFolder(a + L"\\b\\c"));
    EXPECT_TRUE(CreateFolderTree((a + L"\\b\\c\\").c_str()));  // already there
    ASSERT_TRUE(WriteBytes(dir / L"file", "x"));
    EXPECT_FALSE(CreateFolderTree((dir / L"file\\c").c_str()));
    EXPECT_FALSE(CreateFolderTree((dir / L"file").c_str()));  // a file is no folder
    EXPECT_TRUE(CreateFolderTree(L"C:\\"));
    EXPECT_FALSE(CreateFolderTree(L""));
    // Deeper than MAX_PATH: created through the long-path prefix.
    std::wstring deep = dir.Path();
    while (deep.size() < 300) deep += L"level-of-a-deep-tree\\";
    EXPECT_TRUE(CreateFolderTree(deep.c_str()));
    EXPECT_TRUE(PathExists(deep.c_str()));
    EXPECT_TRUE(RemoveTree((dir / L"level-of-a-deep-tree").c_str(), nullptr, true));
    EXPECT_FALSE(PathExists((dir / L"level-of-a-deep-tree").c_str()));
}

// Roots and system folders: removal_guard_test.cpp, on a scratch drive.
TEST(Folders, RemoveTree) {
    ScratchFolder dir;
    std::wstring root = dir / L"tree";
    ASSERT_TRUE(CreateFolderTree((root + L"\\x\\y").c_str()));
    WriteBytes(root + L"\\1.txt", "1");
    WriteBytes(root + L"\\x\\2.txt", "2");
    WriteBytes(root + L"\\x\\y\\3.txt", "3");
    SetFileAttributesW((root + L"\\x\\2.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    // Not recursive: subfolders stay, so the top folder stays too.
    EXPECT_TRUE(RemoveTree(root.c_str(), nullptr, false));
    EXPECT_FALSE(PathExists((root + L"\\1.txt").c_str()));
    EXPECT_TRUE(PathExists((root + L"\\x\\2.txt").c_str()));
    EXPECT_TRUE(RemoveTree(root.c_str(), nullptr, true));
    EXPECT_FALSE(PathExists(root.c_str()));
}

TEST(Folders, RemoveTreeKeepsAFolderWithAFileInUse) {
    ScratchFolder dir;
    std::wstring root = dir / L"busy";
    ASSERT_TRUE(CreateFolderTree(root.c_str()));
    std::wstring held = root + L"\\held.txt";
    WriteBytes(held, "x");
    WriteBytes(root + L"\\free.txt", "y");
    std::wstring name = L"bktest-hold-tree-" + std::to_wstring(GetCurrentProcessId());
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, (name + L"-ready").c_str());
    {
        ChildProcess holder;
        ASSERT_TRUE(holder.Start(L"\"" + BinPath(L"test_helper.exe") + L"\" hold \"" + held + L"\" " + name));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 20000));
        EXPECT_FALSE(RemoveTree(root.c_str(), nullptr, true));
        EXPECT_TRUE(PathExists(held.c_str()));
        EXPECT_FALSE(PathExists((root + L"\\free.txt").c_str()));  // the walk goes on
        SetEvent(release);
        EXPECT_EQ(0u, holder.Wait(20000));
    }
    CloseHandle(ready);
    CloseHandle(release);
    EXPECT_TRUE(RemoveTree(root.c_str(), nullptr, true));
    EXPECT_FALSE(PathExists(root.c_str()));
}

TEST(TempFiles, NamesFoldersAndRelease) {
    WString folder = TempFolder();
    EXPECT_EQ(L'\\', folder.CharAt(WString::kLast));

    WString a, b;
    MakeTempFile(a, "BKI", nullptr);
    MakeTempFile(b, "BKI", nullptr);
    EXPECT_NE(0, Compare(a, b, true));
    EXPECT_EQ(L".tmp", std::wstring(a.Right(4).Text()));
    EXPECT_EQ(1, a.Find(folder, 1));
    EXPECT_EQ(L"BKI", std::wstring(a.FileName().Left(3).Text()));
    EXPECT_TRUE(PathExists(a));
    EXPECT_EQ(0u, FileSizeByPath(a));
    WString kept(a);
    DeleteTempFile(a);
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_FALSE(PathExists(kept));
    DeleteTempFile(b);

    WString dash;
    MakeTempFile(dash, "", "-");
    EXPECT_EQ(L".tmp-", std::wstring(dash.Right(5).Text()));
    EXPECT_TRUE(PathExists(dash));
    EXPECT_EQ(0u, FileSizeByPath(dash));
    WString plain(dash);
    plain.DropRight(1);
    EXPECT_FALSE(PathExists(plain));  // the name without the suffix is given back
    DeleteTempFile(dash);

    WString dir;
    ASSERT_TRUE(MakeTempFolder(dir));
    EXPECT_EQ(L'\\', dir.CharAt(WString::kLast));
    EXPECT_TRUE(IsFolder(dir.Text()));
    WString inside(dir);
    inside.Append(L"x.txt");
    WriteBytes(inside.Text(), "x");
    WString previous(dir);
    ASSERT_TRUE(MakeTempFolder(dir));  // the old folder is removed first
    EXPECT_FALSE(PathExists(previous));
    EXPECT_TRUE(RemoveTree(dir, nullptr, true));
}

}  // namespace
