// RemoveTree refuses drive roots and the system's folders whatever path
// names them, and takes a link as a link. A root is only ever offered on a
// scratch drive (BRASK_SCRATCH_DRIVE, mapped by ctest to a scratch folder),
// so that a guard that failed would empty that folder, not the prefix.
#include <windows.h>
#include <shlobj.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/folders.h"
#include "base/protected_folders.h"
#include "support/scratch.h"

namespace {

std::wstring ScratchDrive() {
    wchar_t drive[8] = {0};
    DWORD n = GetEnvironmentVariableW(L"BRASK_SCRATCH_DRIVE", drive, 8);
    return n == 2 ? std::wstring(drive) : std::wstring();
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = (wchar_t)towupper(c);
    return text;
}

// The spellings of one folder a caller might pass.
std::vector<std::wstring> Spellings(const std::wstring& folder) {
    std::wstring bare = folder;
    while (bare.size() > 2 && bare.back() == L'\\') bare.pop_back();
    return {bare, bare + L"\\", Upper(bare) + L"\\.", bare + L"\\brask-none\\..", L"\\\\?\\" + bare + L"\\"};
}

std::wstring ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {0};
    return SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer) == S_OK ? buffer : L"";
}

}  // namespace

TEST(RemovalGuard, DriveRootIsRefusedWhateverItsSpelling) {
    std::wstring drive = ScratchDrive();
    ASSERT_EQ(2u, drive.size()) << "ctest maps BRASK_SCRATCH_DRIVE (fixture scratch_drive)";
    ASSERT_EQ((UINT)DRIVE_FIXED, GetDriveTypeW((drive + L"\\").c_str()));
    std::wstring keep = drive + L"\\keep.txt", deep = drive + L"\\sub\\keep.txt";
    ASSERT_TRUE(CreateFolderTree((drive + L"\\sub").c_str()));
    ASSERT_TRUE(WriteBytes(keep, "k"));
    ASSERT_TRUE(WriteBytes(deep, "k"));
    std::vector<std::wstring> spellings = {drive,         drive + L"\\",        drive + L"\\\\", drive + L"\\.",
                                           drive + L"/", drive + L"\\sub\\..", L"\\\\?\\" + drive + L"\\"};
    spellings.push_back(std::wstring(1, (wchar_t)towlower(drive[0])) + L":\\");
    ProtectedFolders guard;
    for (const std::wstring& root : spellings) {
        EXPECT_TRUE(guard.Contains(root.c_str())) << root;
        EXPECT_FALSE(RemoveTree(root.c_str(), nullptr, true)) << root;
        EXPECT_TRUE(Exists(keep)) << root;
        EXPECT_TRUE(Exists(deep)) << root;
    }
    EXPECT_FALSE(guard.Contains((drive + L"\\sub").c_str()));
    EXPECT_TRUE(RemoveTree((drive + L"\\sub").c_str(), nullptr, true));
    EXPECT_FALSE(Exists(deep));
    EXPECT_TRUE(DeleteFileW(keep.c_str()));
}

// Each system folder is offered under several spellings with a pattern
// that matches only a file planted for the test, non-recursively: a guard
// that failed would take that file (and an emptied folder, which the test
// puts back), nothing else.
TEST(RemovalGuard, SystemFoldersAreRefusedWhateverTheirSpelling) {
    wchar_t buffer[MAX_PATH];
    std::vector<std::wstring> folders;
    GetWindowsDirectoryW(buffer, MAX_PATH);
    folders.push_back(buffer);
    GetSystemDirectoryW(buffer, MAX_PATH);
    folders.push_back(buffer);
    for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_STARTUP, CSIDL_COMMON_PROGRAMS, CSIDL_DESKTOPDIRECTORY,
                      CSIDL_PERSONAL, CSIDL_APPDATA, CSIDL_PROFILE})
        folders.push_back(ShellFolder(csidl));
    ProtectedFolders guard;
    for (const std::wstring& folder : folders) {
        ASSERT_FALSE(folder.empty());
        std::wstring planted = folder + L"\\brask-guard.tmp";
        ASSERT_TRUE(WriteBytes(planted, "p")) << planted;
        for (const std::wstring& spelling : Spellings(folder)) {
            EXPECT_TRUE(guard.Contains(spelling.c_str())) << spelling;
            EXPECT_FALSE(RemoveTree(spelling.c_str(), L"brask-guard.tmp", false)) << spelling;
            EXPECT_TRUE(Exists(planted)) << spelling;
            if (!Exists(folder)) CreateDirectoryW(folder.c_str(), nullptr);
            if (!Exists(planted)) WriteBytes(planted, "p");
        }
        DeleteFileW(planted.c_str());
    }
}

TEST(RemovalGuard, FoldersOfTheirOwnAreNotProtected) {
    ScratchFolder dir;
    ProtectedFolders guard;
    EXPECT_FALSE(guard.Contains(dir.Path().c_str()));
    EXPECT_FALSE(guard.Contains((dir / L"missing").c_str()));
    EXPECT_TRUE(guard.Contains(L""));
    EXPECT_TRUE(guard.Contains(nullptr));
}

namespace {

// A junction (a mount point reparse point) at link, pointing to target.
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
    if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
    HANDLE h = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::wstring substitute = L"\\??\\" + target;
    WORD bytes = (WORD)(substitute.size() * 2);
    std::vector<BYTE> buffer(20 + bytes + 4, 0);
    *(DWORD*)&buffer[0] = IO_REPARSE_TAG_MOUNT_POINT;
    *(WORD*)&buffer[4] = (WORD)(8 + bytes + 2 + 2);  // data: offsets, names, two NULs
    *(WORD*)&buffer[8] = 0;                          // substitute name offset
    *(WORD*)&buffer[10] = bytes;                     // and length
    *(WORD*)&buffer[12] = (WORD)(bytes + 2);         // print name offset
    *(WORD*)&buffer[14] = 0;                         // and length
    memcpy(&buffer[16], substitute.c_str(), bytes);
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(), 8 + *(WORD*)&buffer[4], nullptr, 0,
                              &returned, nullptr);
    CloseHandle(h);
    if (!ok) RemoveDirectoryW(link.c_str());
    return ok != 0;
}

bool IsReparsePoint(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

// A link inside the tree goes, its target's files stay. Wine 8 makes
// neither junctions (FSCTL_SET_REPARSE_POINT fails) nor symbolic links
// (CreateSymbolicLinkW reports success and makes nothing): there the test
// is skipped; on Windows it runs.
TEST(RemovalGuard, LinkGoesAsALinkNotItsTarget) {
    ScratchFolder dir;
    std::wstring target = dir / L"target", tree = dir / L"tree";
    ASSERT_TRUE(CreateFolderTree(target.c_str()));
    ASSERT_TRUE(CreateFolderTree(tree.c_str()));
    ASSERT_TRUE(WriteBytes(target + L"\\keep.txt", "k"));
    std::wstring junction = tree + L"\\junction", symlink = tree + L"\\symlink";
    bool madeJunction = MakeJunction(junction, target) && IsReparsePoint(junction);
    typedef BOOLEAN(WINAPI * CreateLink)(LPCWSTR, LPCWSTR, DWORD);
    CreateLink createLink = (CreateLink)(void*)GetProcAddress(GetModuleHandleW(L"kernel32"), "CreateSymbolicLinkW");
    // 1: a folder link; 2: allowed without privilege in developer mode.
    bool madeLink = createLink && (createLink(symlink.c_str(), target.c_str(), 1 | 2) ||
                                   createLink(symlink.c_str(), target.c_str(), 1)) &&
                    IsReparsePoint(symlink);
    if (!madeJunction && !madeLink) GTEST_SKIP() << "this system makes no junction and no symbolic link";
    EXPECT_TRUE(RemoveTree(tree.c_str(), nullptr, true));
    EXPECT_FALSE(Exists(tree));
    EXPECT_TRUE(Exists(target + L"\\keep.txt"));
    // A link given as the folder itself goes as a link too.
    std::wstring direct = dir / L"direct";
    if (MakeJunction(direct, target) || (createLink && createLink(direct.c_str(), target.c_str(), 1))) {
        EXPECT_TRUE(RemoveTree(direct.c_str(), nullptr, true));
        EXPECT_FALSE(Exists(direct));
        EXPECT_TRUE(Exists(target + L"\\keep.txt"));
    }
}
