#include "uninstall/uninstall_fixture.h"

#include <windows.h>
#include <stdio.h>

#include "app/installer_state.h"
#include "base/folders.h"
#include "base/registry.h"
#include "engine/install_worker.h"
#include "engine/path_macros.h"
#include "engine/uninstall_record.h"
#include "support/machine_registry.h"
#include "support/process.h"
#include "support/test_package.h"
#include "uninstall/record_locations.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(WString(text.c_str()).ToAnsi()); }

}  // namespace

std::wstring Expanded(const std::wstring& text) {
    WString s(text.c_str());
    ExpandPathMacros(s);
    return s.Text();
}

std::wstring TestProduct::Expand(const std::wstring& text) const {
    bool saved = state.use64BitLocations;
    state.use64BitLocations = uses64Bit_;
    std::wstring expanded = Expanded(text);
    state.use64BitLocations = saved;
    return expanded;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TestProduct::TestProduct(const std::wstring& name, const std::wstring& installTo) : name_(name) {
    folder_ = Expanded(installTo);
    if (!folder_.empty() && folder_.back() != L'\\') folder_ += L'\\';
    // Shortcuts made here would otherwise make Wine write menu entries into
    // the home folder of the machine running the tests.
    SetEnvironmentVariableW(L"WINEDLLOVERRIDES", L"winemenubuilder.exe=d");
}

TestProduct::~TestProduct() {
    RemoveTree(folder_.c_str(), nullptr, true);
    DeleteFileW(LogPath().c_str());
    DeleteFileW(CopyPath().c_str());
    WString keys = UninstallKeyPath(L"");
    keys.StripTrailingBackslashes();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, keys, name_.c_str());
}

std::wstring TestProduct::LogPath() const {
    return Expand(L"<Program Files>BraskUninstall\\BraskUninstall-" + name_ + L".dat");
}

std::wstring TestProduct::CopyPath() const { return Expand(L"<Program Files>BraskUninstall\\Uninstall-" + name_ + L".exe"); }

bool TestProduct::UseRealUninstaller() { return CopyFileW(TestStubPath().c_str(), CopyPath().c_str(), FALSE) != 0; }

std::wstring TestProduct::UninstallString() const {
    return MachineString(UninstallKeyPath(name_.c_str()).Text(), L"UninstallString", 0);
}

std::wstring TestProduct::QuietUninstallString() const {
    return MachineString(UninstallKeyPath(name_.c_str()).Text(), L"QuietUninstallString", 0);
}

bool TestProduct::Install(const std::string& actions, const Entries& entries) {
    std::string script = "[Project Name]\r\n" + Narrow(name_) + "\r\n[Install To]\r\n" + Narrow(folder_) + "\r\n";
    if (!version.empty()) script += "[ProgramVersion]\r\n" + version + "\r\n";
    script += actions;
    // The wizard's 64-bit decision, which the uninstaller makes again from
    // the record.
    state.isWow64 = Is64BitSystem();
    std::wstring decided = work_ / L"decide.dat";
    WriteBytes(decided, script);
    uses64Bit_ = RecordUses64BitLocations(decided.c_str());
    MessageRecorder boxes;
    boxes.Script(installAnswers);
    state.projectName = name_.c_str();
    state.caption = (name_ + L" Installer").c_str();
    state.installPath = folder_.c_str();
    state.allowUninstall = true;
    state.uninstallRecordWritten = false;
    state.offerUninstallOld = !installAnswers.empty();
    state.silent = false;
    state.installAborted = false;
    state.use64BitLocations = uses64Bit_;
    state.saveInstallPath = !saveInstallPathValue.empty();
    state.saveInstallPathValue = saveInstallPathValue.c_str();
    bool installed = false;
    {
        // The packer takes the entries the script names from its folder.
        for (auto& entry : entries) CopyFileW(entry.second.c_str(), (work_ / entry.first).c_str(), FALSE);
        TestPackage package(work_.Path(), {}, script);
        if (package.Ready()) {
            InstallWorker(nullptr, nullptr);
            WriteUninstallRecord();
            installed = !state.installAborted && Exists(LogPath()) && Exists(CopyPath());
        }
    }
    state.projectName = L"Setup";
    state.caption = L"Setup";
    state.installPath = L"";
    state.saveInstallPath = false;
    state.saveInstallPathValue = L"";
    state.use64BitLocations = false;
    state.offerUninstallOld = false;
    return installed && boxes.Shown().size() == installAnswers.size();
}

UninstallRun TestProduct::Uninstall() {
    UninstallRun run;
    std::wstring boxes = work_ / L"boxes.txt", result = work_ / L"result.txt";
    DeleteFileW(boxes.c_str());
    DeleteFileW(result.c_str());
    run.process = RunProcess(L"\"" + CopyPath() + L"\" --uninstall=\"" + LogPath() + L"\"",
                             {{L"BRASK_TEST_MSGBOX", boxes}, {L"BRASK_TEST_UNINSTALL_RESULT", result}}, 120000);
    run.boxes = ReadMessageLog(boxes);
    std::string text = ReadBytes(result);
    int reboot = 0;
    run.resultWritten = sscanf(text.c_str(), "reboot=%d done=%d total=%d", &reboot, &run.done, &run.total) == 3;
    run.reboot = reboot != 0;
    return run;
}

std::wstring ProductFilesTest::File(const char* name, const std::string& bytes) {
    std::wstring path = files / std::wstring(name, name + strlen(name));
    EXPECT_TRUE(WriteBytes(path, bytes));
    return path;
}
