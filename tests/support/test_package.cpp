#include "support/test_package.h"

#include "app/installer_state.h"
#include "package/setup_files.h"
#include "support/process.h"
#include "support/scratch.h"

TestPackage::TestPackage(const std::wstring& folder,
                         const std::vector<std::pair<std::wstring, std::wstring>>& entries,
                         const std::string& script)
    : previous_(state.package) {
    std::wstring scriptPath = folder + L"setup.dat";
    std::wstring package = folder + L"test.pkg";
    if (!WriteBytes(scriptPath, script)) return;
    std::wstring command = L"\"" + BinPath(L"bkpack.exe") + L"\" pack \"" + scriptPath + L"\" \"" + folder +
                           L".\" -o \"" + package + L"\" --level 0 --quiet";
    for (auto& entry : entries) command += L" --add \"" + entry.second + L"=" + entry.first + L"\"";
    ProcessResult built = RunProcess(command, {}, 60000);
    if (!built.started || built.timedOut || built.exitCode != 0) return;
    files_ = new SetupFiles();
    bool failed = true;
    files_->Create(failed, package.c_str());
    state.package = files_;
    ready_ = !failed;
}

TestPackage::~TestPackage() {
    state.package = previous_;
    delete files_;
}
