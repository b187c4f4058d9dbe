// Real installs for the uninstall tests: a product is installed through the
// install worker and the uninstall record into the prefix, then removed by
// starting its uninstaller copy (a copy of the test program, which plays the
// uninstaller, support/uninstaller_seam.h) the way the Uninstall key says.
#pragma once

#include <string>
#include <utility>
#include <vector>

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
    ScratchFolder work_;
};
