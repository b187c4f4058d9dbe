#include "app/system_checks.h"

#include <gtest/gtest.h>

#include "app/installer_state.h"
#include "base/folders.h"
#include "support/machine_registry.h"
#include "support/scratch.h"

namespace {

const wchar_t kKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

TEST(CanWriteProgramFiles, ProbesTheFolderThatProgramFilesExpandsTo) {
    ScratchFolder dir;
    std::wstring folder32 = dir / L"pf32", folder64 = dir / L"pf64";
    ASSERT_TRUE(CreateDirectoryW(folder32.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(folder64.c_str(), nullptr));
    // A folder named like the probe file makes the create fail, as missing
    // rights would.
    ASSERT_TRUE(CreateDirectoryW((folder64 + L"\\BraskInstaller.TMP").c_str(), nullptr));
    bool use64 = state.use64BitLocations;
    {
        MachineKeyOverride machine;
        ASSERT_TRUE(machine.Active());
        ASSERT_TRUE(machine.SetString(kKey, L"ProgramFilesDir", folder32.c_str()));
        ASSERT_TRUE(machine.SetString(kKey, L"ProgramW6432Dir", folder64.c_str()));
        state.use64BitLocations = false;
        EXPECT_TRUE(CanWriteProgramFiles());
        EXPECT_FALSE(PathExists((folder32 + L"\\BraskInstaller.TMP").c_str()));  // the probe is deleted
        state.use64BitLocations = true;
        EXPECT_FALSE(CanWriteProgramFiles());
        ASSERT_TRUE(machine.SetString(kKey, L"ProgramFilesDir", (dir / L"missing").c_str()));
        ASSERT_TRUE(machine.SetString(kKey, L"ProgramW6432Dir", L""));
        EXPECT_FALSE(CanWriteProgramFiles());
        // No value at all: the probe is no file at the root of the drive.
        ASSERT_TRUE(machine.SetString(kKey, L"ProgramFilesDir", L""));
        EXPECT_FALSE(CanWriteProgramFiles());
        EXPECT_FALSE(PathExists(L"\\BraskInstaller.TMP"));
    }
    state.use64BitLocations = use64;
    EXPECT_TRUE(CanWriteProgramFiles());  // the prefix's own folder is writable
}

}  // namespace
