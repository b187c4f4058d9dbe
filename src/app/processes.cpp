#include "app/processes.h"

#include <shellapi.h>
#include <string.h>

namespace {

// Lets the started program take the foreground: without it Windows keeps
// its first window behind ours.
void AllowForeground(HANDLE process) {
    if (process) AllowSetForegroundWindow(GetProcessId(process));
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c; }

bool ContainsFolded(const uint8_t* bytes, uint32_t size, const char* text) {
    uint32_t n = (uint32_t)strlen(text);
    if (n > size) return false;
    for (uint32_t start = 0; start + n <= size; start++) {
        uint32_t i = 0;
        while (i < n && UpperAscii((char)bytes[start + i]) == UpperAscii(text[i])) i++;
        if (i == n) return true;
    }
    return false;
}

}  // namespace

bool StartProcess(const wchar_t* commandLine, bool wait) {
    WString line(commandLine);  // CreateProcessW may write into the buffer
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    memset(&info, 0, sizeof info);
    if (!CreateProcessW(nullptr, (wchar_t*)line.Text(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &info))
        return false;
    if (wait) WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

bool ShellStart(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, HANDLE& process) {
    SHELLEXECUTEINFOW info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = verb;
    info.lpFile = file;
    info.lpParameters = parameters;
    info.nShow = SW_SHOWNORMAL;
    process = nullptr;
    if (!ShellExecuteExW(&info)) return false;
    process = info.hProcess;
    AllowForeground(process);
    return true;
}

bool RunElevated(const wchar_t* file, const wchar_t* parameters, bool wait) {
    HANDLE process;
    if (!ShellStart(L"runas", file, parameters, process)) return false;
    if (process) {
        if (wait) WaitForSingleObject(process, INFINITE);
        CloseHandle(process);
    }
    return true;
}

bool ManifestRequiresAdmin(const uint8_t* bytes, uint32_t size) {
    return ContainsFolded(bytes, size, "level=requireAdministrator") ||
           ContainsFolded(bytes, size, "level=\"requireAdministrator\"");
}
