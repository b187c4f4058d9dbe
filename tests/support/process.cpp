#include "support/process.h"

#include "support/scratch.h"

namespace {
std::wstring Env(const wchar_t* name) {
    wchar_t buffer[2048];
    DWORD n = GetEnvironmentVariableW(name, buffer, 2048);
    return (n > 0 && n < 2048) ? std::wstring(buffer) : std::wstring();
}
}  // namespace

std::wstring BinDir() { return Env(L"BRASK_BIN_DIR"); }
std::wstring BinPath(const wchar_t* name) { return BinDir() + L"\\" + name; }

std::wstring TestStubPath() { return BinPath(L"bkstub_test.exe"); }
std::wstring PrefixKind() { return Env(L"BRASK_PREFIX_KIND"); }

ProcessResult RunProcess(const std::wstring& commandLine,
                         const std::vector<std::pair<std::wstring, std::wstring>>& env, DWORD timeoutMs,
                         bool captureOutput) {
    ProcessResult result;
    // Output goes to a file rather than a pipe: nothing can block on it.
    ScratchFolder outputDir;
    std::wstring outputPath = outputDir / L"output.txt";
    HANDLE output = INVALID_HANDLE_VALUE;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    if (captureOutput)
        output = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::vector<std::wstring> saved;
    for (auto& kv : env) {
        saved.push_back(Env(kv.first.c_str()));
        SetEnvironmentVariableW(kv.first.c_str(), kv.second.c_str());
    }
    STARTUPINFOW si = {sizeof si};
    if (output != INVALID_HANDLE_VALUE) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = output;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi = {};
    std::wstring line = commandLine;
    result.started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, output != INVALID_HANDLE_VALUE, 0, nullptr,
                                    nullptr, &si, &pi);
    if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    for (size_t i = 0; i < env.size(); ++i)
        SetEnvironmentVariableW(env[i].first.c_str(), saved[i].empty() ? nullptr : saved[i].c_str());
    if (!result.started) return result;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        result.timedOut = true;
        TerminateProcess(pi.hProcess, 999);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (captureOutput) result.output = ReadBytes(outputPath);
    return result;
}

bool RestartWindows() {
    ProcessResult r = RunProcess(L"C:\\windows\\system32\\wineboot.exe -r", {}, 120000);
    return r.started && !r.timedOut && r.exitCode == 0;
}

bool ChildProcess::Start(const std::wstring& commandLine) {
    STARTUPINFOW si = {sizeof si};
    std::wstring line = commandLine;
    return CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) != 0;
}

DWORD ChildProcess::Wait(DWORD timeoutMs) {
    if (!pi_.hProcess) return (DWORD)-1;
    if (WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return (DWORD)-1;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

ChildProcess::~ChildProcess() {
    if (!pi_.hProcess) return;
    if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(pi_.hProcess, 999);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

FileHolder::FileHolder(const std::wstring& path, const wchar_t* how) {
    static LONG counter = 0;
    name_ = L"bktest-hold-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(InterlockedIncrement(&counter));
    release_ = CreateEventW(nullptr, TRUE, FALSE, name_.c_str());
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, (name_ + L"-ready").c_str());
    bool started =
        process_.Start(L"\"" + BinPath(L"test_helper.exe") + L"\" " + how + L" \"" + path + L"\" " + name_);
    held_ = started && WaitForSingleObject(ready, 20000) == WAIT_OBJECT_0;
    CloseHandle(ready);
}

void FileHolder::Release() {
    if (!release_) return;
    SetEvent(release_);
    process_.Wait(20000);
    CloseHandle(release_);
    release_ = nullptr;
    held_ = false;
}

DecoyProgram::DecoyProgram() {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    path_ = std::wstring(windows, 3) + L"Program.exe";
    DeleteFileW((path_ + L".ran").c_str());
    placed_ = CopyFileW(BinPath(L"test_helper.exe").c_str(), path_.c_str(), FALSE) != 0;
    CreateDirectoryW(SpacedFolder().c_str(), nullptr);
}

DecoyProgram::~DecoyProgram() {
    DeleteFileW(path_.c_str());
    DeleteFileW((path_ + L".ran").c_str());
    RemoveDirectoryW(SpacedFolder().c_str());
}

bool DecoyProgram::Ran() const { return GetFileAttributesW((path_ + L".ran").c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring DecoyProgram::SpacedFolder() const { return path_.substr(0, 3) + L"Program Files\\BkTest Spaced"; }
