// Helper process for tests, one mode per first argument:
//   hold PATH EVENT      opens PATH without sharing, signals "EVENT-ready",
//                        keeps it open until EVENT (at most 60 s)
//   load PATH EVENT      the same with LoadLibraryW: a DLL in use the way a
//                        running program uses it, readable but not writable
//   map PATH EVENT       the same with a writable view of PATH mapped, the
//                        file itself open with full sharing
//   record LOG ...       appends its own command line to LOG (UTF-8 line)
//   probe LOG PATH...    appends "present PATH" or "missing PATH" to LOG
//                        for each PATH
//   child LOG CMD MS EXIT BATCH...
//                        plays the elevated child: records its command line,
//                        sends each BATCH file's lines through the command
//                        file CMD, sleeps MS, exits with EXIT
//   exit CODE            exits with CODE at once
//   kill-parent MARK     unless MARK exists: creates it and kills the
//                        process that started this one (a crash of it)
//   orphan CMD DONE      starts "writer CMD DONE" and ends at once
//   writer CMD DONE      sends one batch to a parent that has gone, then
//                        creates DONE
//   --...                plays an installer run by a container: appends its
//                        command line to BRASK_TEST_INSTALLER_LOG, then
//                        sleeps and exits as its own file name says
//                        ("x_sleep2000_exit1603.exe": 2 s, then 1603)
// A copy named "Program.exe" is a decoy for unquoted paths with spaces
// ("C:\Program Files\..." read as "C:\Program.exe" and arguments): whatever
// its arguments, it only creates "Program.exe.ran" beside itself.
#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "app/command_file.h"
#include "app/installer_state.h"
#include "app/relaunch.h"
#include "base/disk_file.h"
#include "base/line_reader.h"
#include "base/lists.h"

namespace {

void AppendLine(const wchar_t* path, const wchar_t* text) {
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], (int)utf8.size(), nullptr, nullptr);
    utf8.back() = '\n';
    DWORD written = 0;
    WriteFile(file, utf8.data(), (DWORD)utf8.size(), &written, nullptr);
    CloseHandle(file);
}

void SendBatch(const wchar_t* batchFile) {
    DiskFile file;
    file.SetPath(batchFile);
    file.Open(GENERIC_READ, OPEN_EXISTING, false);
    StringList lines;
    WString line;
    while (ReadLine(file, line, false)) lines.AddString(line);
    WriteCommandFile(lines);
}

int Hold(wchar_t** argv, const std::wstring& mode) {
    HANDLE file = INVALID_HANDLE_VALUE;
    HMODULE module = nullptr;
    HANDLE mapping = nullptr;
    void* view = nullptr;
    if (mode == L"load") {
        module = LoadLibraryW(argv[2]);
    } else {
        DWORD share = mode == L"map" ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
        file = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    }
    if (mode == L"map" && file != INVALID_HANDLE_VALUE) {
        mapping = CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
        view = mapping ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
        if (!view) return 2;
    }
    if (file == INVALID_HANDLE_VALUE && !module) return 2;
    std::wstring name = argv[3];
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, (name + L"-ready").c_str());
    SetEvent(ready);
    WaitForSingleObject(release, 60000);
    if (view) UnmapViewOfFile(view);
    if (mapping) CloseHandle(mapping);
    if (module) FreeLibrary(module);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return 0;
}

// The number after a token in the program's own file name, or fallback.
int NameNumber(const wchar_t* token, int fallback) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring name = self;
    name = name.substr(name.find_last_of(L'\\') + 1);
    size_t at = name.find(token);
    return at == std::wstring::npos ? fallback : _wtoi(name.c_str() + at + wcslen(token));
}

int PlayInstaller() {
    wchar_t log[MAX_PATH];
    if (GetEnvironmentVariableW(L"BRASK_TEST_INSTALLER_LOG", log, MAX_PATH)) AppendLine(log, GetCommandLineW());
    Sleep(NameNumber(L"_sleep", 0));
    return NameNumber(L"_exit", 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring selfPath = self;
    if (_wcsicmp(selfPath.substr(selfPath.find_last_of(L'\\') + 1).c_str(), L"Program.exe") == 0) {
        AppendLine((selfPath + L".ran").c_str(), GetCommandLineW());
        return 0;
    }
    std::wstring mode = argc >= 2 ? argv[1] : L"";
    if (mode.compare(0, 2, L"--") == 0) return PlayInstaller();
    if ((mode == L"hold" || mode == L"load" || mode == L"map") && argc >= 4) return Hold(argv, mode);
    if (mode == L"record" && argc >= 3) {
        AppendLine(argv[2], GetCommandLineW());
        return 0;
    }
    if (mode == L"probe" && argc >= 3) {
        for (int i = 3; i < argc; i++) {
            bool present = GetFileAttributesW(argv[i]) != INVALID_FILE_ATTRIBUTES;
            AppendLine(argv[2], (std::wstring(present ? L"present " : L"missing ") + argv[i]).c_str());
        }
        return 0;
    }
    if (mode == L"child" && argc >= 6) {
        AppendLine(argv[2], GetCommandLineW());
        state.commandFilePath = argv[3];
        state.parentProcess = OpenParentProcess();
        for (int i = 6; i < argc; i++) SendBatch(argv[i]);
        Sleep(_wtoi(argv[4]));
        return _wtoi(argv[5]);
    }
    if (mode == L"exit" && argc >= 3) return _wtoi(argv[2]);
    if (mode == L"kill-parent" && argc >= 3) {
        if (GetFileAttributesW(argv[2]) != INVALID_FILE_ATTRIBUTES) return 0;
        AppendLine(argv[2], L"killed");
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry = {sizeof entry};
        DWORD self = GetCurrentProcessId();
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            if (entry.th32ProcessID != self) continue;
            HANDLE parent = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ParentProcessID);
            if (parent) TerminateProcess(parent, 9);
        }
        return 0;
    }
    if (mode == L"orphan" && argc >= 4) {
        std::wstring line = L"\"";
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        line += self;
        line += L"\" writer \"" + std::wstring(argv[2]) + L"\" \"" + argv[3] + L"\"";
        STARTUPINFOW si = {sizeof si};
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 2;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        Sleep(300);
        return 0;
    }
    if (mode == L"writer" && argc >= 4) {
        state.commandFilePath = argv[2];
        state.parentProcess = OpenParentProcess();
        StringList lines;
        lines.AddString(L"[run]");
        lines.AddString(L"nobody.exe");
        lines.AddString(L"");
        lines.AddString(L"0");
        WriteCommandFile(lines);
        AppendLine(argv[3], L"done");
        return 0;
    }
    return 1;
}
