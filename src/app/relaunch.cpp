#include "app/relaunch.h"

#include <tlhelp32.h>

#include "app/command_file.h"
#include "app/processes.h"
#include "app/system_checks.h"
#include "base/folders.h"

RelaunchResult RelaunchElevated(const wchar_t* exePath, const wchar_t* parameters, const wchar_t* commandFilePath,
                                HWND focusWindow, DWORD& exitCode) {
    exitCode = 0;
    // A user who can already write Program Files needs no consent prompt.
    const wchar_t* verb = CanWriteProgramFiles() ? nullptr : L"runas";
    HANDLE child;
    if (!ShellStart(verb, exePath, parameters, child))
        return GetLastError() == ERROR_CANCELLED ? kRelaunchRefused : kRelaunchFailed;
    if (!child) return kRelaunchFailed;
    DWORD started = GetTickCount();
    bool hidden = false;
    while (WaitForSingleObject(child, 1000) == WAIT_TIMEOUT) {
        // No message loop runs here, so Windows would soon show the window
        // as not responding; it goes once the child has had time to appear.
        if (!hidden && focusWindow && IsWindowVisible(focusWindow) && GetTickCount() - started > 5000) {
            ShowWindow(focusWindow, SW_HIDE);
            hidden = true;
        }
        if (FileSizeByPath(commandFilePath) != 0) ExecuteCommandFile(commandFilePath);
    }
    GetExitCodeProcess(child, &exitCode);
    CloseHandle(child);
    return kChildRan;
}

HANDLE OpenParentProcess() {
    DWORD self = GetCurrentProcessId(), parent = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return nullptr;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    if (!parent) return nullptr;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, parent);
    if (process || GetLastError() != ERROR_INVALID_PARAMETER) return process;
    // The parent has already gone: a signalled event reads as its end.
    HANDLE gone = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    return gone;
}
