// Real installs for the uninstall tests: a product is installed through the
// install worker and the uninstall record into the prefix, then removed by
// starting its uninstaller copy the way the Uninstall key says. The record
// copies the running program, so the copy is the test program, which plays
// the uninstaller (support/uninstaller_seam.h); UseRealUninstaller puts the
// installer executable itself there, as a real install leaves it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/message_recorder.h"
#include "support/process.h"
#include "support/scratch.h"

typedef std::vector<std::pair<std::wstring, std::wstring>> Entries;

std::wstring Expanded(const std::wstring& text);
bool Exists(const std::wstring& path);

struct UninstallRun {
    ProcessResult process;
    bool resultWritten = false;
    bool reboot = false;
    int done = -1;
    int total = -1;
    std::vector<ShownMessage> boxes;
};

// Tests that install products from files they write into a scratch folder.
class ProductFilesTest : public testing::Test {
protected:
    // Writes bytes to the scratch file name and returns its path.
    std::wstring File(const char* name, const std::string& bytes);
    ScratchFolder files;
};

class TestProduct {
public:
    // name: unique per test, so that no record of another case is reused.
    // installTo may hold placeholders.
    TestProduct(const std::wstring& name, const std::wstring& installTo);
    // Removes what a failed case may have left: folder, record, keys.
    ~TestProduct();
    TestProduct(const TestProduct&) = delete;
    TestProduct& operator=(const TestProduct&) = delete;

    // The script is "[Project Name]", "[Install To]" and then actions.
    bool Install(const std::string& actions, const Entries& entries);
    UninstallRun Uninstall();
    // Replaces the uninstaller copy by bkstub_test.exe.
    bool UseRealUninstaller();
    // The Uninstall entry's command lines.
    std::wstring UninstallString() const;
    std::wstring QuietUninstallString() const;
    // Placeholders expanded with the folders this product's install chose.
    std::wstring Expand(const std::wstring& text) const;
    bool Uses64BitFolders() const { return uses64Bit_; }

    // For an install over an earlier version: the script's version line,
    // and the answers to the boxes the install shows (the existing-version
    // question); the install then offers to remove the earlier version.
    std::string version;
    std::vector<int> installAnswers;

    // When set, the script's "[SaveInstallPath]" value name: the record
    // remembers the folder under it.
    std::wstring saveInstallPathValue;

    // The expanded install folder, ending in a backslash.
    const std::wstring& Folder() const { return folder_; }
    std::wstring LogPath() const;
    std::wstring CopyPath() const;

private:
    std::wstring name_;
    std::wstring folder_;
    bool uses64Bit_ = false;
    ScratchFolder work_;
};
