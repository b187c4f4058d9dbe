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

bool MatchesFolded(const uint8_t* bytes, uint32_t size, uint32_t at, const char* text) {
    uint32_t n = (uint32_t)strlen(text);
    if (at > size || n > size - at) return false;
    for (uint32_t i = 0; i < n; i++)
        if (UpperAscii((char)bytes[at + i]) != UpperAscii(text[i])) return false;
    return true;
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

bool ShellRun(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, bool wait) {
    HANDLE process;
    if (!ShellStart(verb, file, parameters, process)) return false;
    if (process) {
        if (wait) WaitForSingleObject(process, INFINITE);
        CloseHandle(process);
    }
    return true;
}

bool RunElevated(const wchar_t* file, const wchar_t* parameters, bool wait) {
    return ShellRun(L"runas", file, parameters, wait);
}

bool ManifestRequiresAdmin(const uint8_t* bytes, uint32_t size) {
    // The attribute and its value are searched as two pieces: a program that
    // carries this very test would otherwise hold the whole text and count
    // as an administrator program itself.
    static const char kAttribute[] = "level=";
    static const char kValue[] = "requireAdministrator";
    for (uint32_t at = 0; at < size; at++) {
        if (!MatchesFolded(bytes, size, at, kAttribute)) continue;
        uint32_t value = at + sizeof kAttribute - 1;
        if (MatchesFolded(bytes, size, value, kValue)) return true;
        if (value < size && bytes[value] == '"' && MatchesFolded(bytes, size, value + 1, kValue) &&
            MatchesFolded(bytes, size, value + 1 + sizeof kValue - 1, "\""))
            return true;
    }
    return false;
}
