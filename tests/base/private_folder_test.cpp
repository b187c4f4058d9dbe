// The private folder of an elevated process. Wine 8 neither enforces a
// file's security descriptor nor keeps it: CreateDirectoryW and
// SetFileSecurityW take one and report success, and GetNamedSecurityInfoW
// answers one made from the Unix owner and mode. So the descriptor handed
// to the system is checked here, and the folder's own read back where the
// system keeps it (Windows; Wine only with descriptors in extended
// attributes); that the user cannot write there is Windows' part.
#include "base/private_folder.h"

#include <gtest/gtest.h>

#include "base/folders.h"
#include "base/temp_files.h"
#include "support/folder_security.h"
#include "support/scratch.h"

TEST(PrivateFolder, DescriptorLetsOnlyAdministratorsAndSystemWrite) {
    void* descriptor = AdminOnlyDescriptor();
    ASSERT_TRUE(descriptor != nullptr);
    FolderSecurity security = ReadSecurity(descriptor);
    LocalFree(descriptor);
    EXPECT_EQ(L"S-1-5-32-544", security.owner);
    EXPECT_TRUE(security.isProtected);
    EXPECT_TRUE(IsAdminOnly(security));
}

namespace {

// Whether this system keeps the descriptor a folder was made with: Wine 8
// answers the Unix owner, the user, instead of the one set.
bool KeepsDescriptors(const FolderSecurity& security) { return security.owner != ProcessUserSid(); }

}  // namespace

TEST(PrivateFolder, AdminOnlyFolderReadsBackAsSet) {
    WString folder;
    ASSERT_TRUE(MakePrivateFolder(folder, true));
    std::wstring path = (const wchar_t*)folder;
    EXPECT_EQ(0u, path.find((const wchar_t*)TempFolder()));
    FolderSecurity security = ReadFolderSecurity(path);
    EXPECT_TRUE(RemoveTree(folder, nullptr, true));
    ASSERT_TRUE(security.read);
    if (!KeepsDescriptors(security)) GTEST_SKIP() << "this system keeps no security descriptor of a folder";
    EXPECT_TRUE(IsAdminOnly(security));
}

// The names come one after another, each a folder this call made.
TEST(PrivateFolder, EveryFolderIsNew) {
    WString a, b;
    ASSERT_TRUE(MakePrivateFolder(a, true));
    ASSERT_TRUE(MakePrivateFolder(b, true));
    EXPECT_NE(0, Compare(a, b, true));
    EXPECT_TRUE(RemoveTree(a, nullptr, true));
    EXPECT_TRUE(RemoveTree(b, nullptr, true));
}

// A folder that already exists under the chosen name is never used: made
// in the meantime by someone else, its permissions are theirs.
TEST(PrivateFolder, ExistingFolderIsRefused) {
    ScratchFolder dir;
    std::wstring taken = dir / L"taken";
    ASSERT_TRUE(CreateDirectoryW(taken.c_str(), nullptr));
    EXPECT_FALSE(CreatePrivateFolder(taken.c_str(), true));
    EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());
    std::wstring fresh = dir / L"fresh";
    EXPECT_TRUE(CreatePrivateFolder(fresh.c_str(), true));
}

// While the private folder is set, every temporary file goes into it.
TEST(PrivateFolder, TemporaryFilesGoIntoTheSetFolder) {
    WString folder;
    ASSERT_TRUE(MakePrivateFolder(folder, true));
    SetPrivateTempFolder(&folder);
    WString name;
    MakeTempFile(name, "Ins", nullptr);
    EXPECT_EQ(0u, std::wstring((const wchar_t*)name).find((const wchar_t*)folder));
    EXPECT_TRUE(PathExists(name));
    DeleteTempFile(name);
    SetPrivateTempFolder(nullptr);
    EXPECT_NE(0, Compare(TempFolder(), folder, true));
    EXPECT_TRUE(RemoveTree(folder, nullptr, true));
}
