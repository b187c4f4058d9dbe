#include "app/processes.h"

#include <shellapi.h>
#include <tlhelp32.h>
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

void EndTreeOf(DWORD id, HANDLE snapshot, int depth) {
    // Deep chains mean a loop of reused process ids: stop there.
    if (depth > 16) return;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID != id || entry.th32ProcessID == id) continue;
        EndTreeOf(entry.th32ProcessID, snapshot, depth + 1);
        HANDLE child = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
        if (child) {
            TerminateProcess(child, ERROR_TIMEOUT);
            CloseHandle(child);
        }
    }
}

// Time left of a limit from start, INFINITE staying INFINITE.
DWORD Remaining(DWORD limitMs, DWORD start) {
    if (limitMs == INFINITE) return INFINITE;
    DWORD spent = GetTickCount() - start;
    return spent >= limitMs ? 0 : limitMs - spent;
}

}  // namespace

void EndProcessTree(HANDLE process) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        EndTreeOf(GetProcessId(process), snapshot, 0);
        CloseHandle(snapshot);
    }
    TerminateProcess(process, ERROR_TIMEOUT);
    WaitForSingleObject(process, 5000);
}

void WaitForProcess(HANDLE process, ProgramWait* details) {
    bool dispatch = details && details->dispatchMessages;
    DWORD limit = details ? details->limitMs : INFINITE, start = GetTickCount();
    while (dispatch) {
        DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, Remaining(limit, start), QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Left for the loop that owns the thread; nothing more is
                // dispatched here.
                PostQuitMessage((int)msg.wParam);
                dispatch = false;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (WaitForSingleObject(process, Remaining(limit, start)) == WAIT_TIMEOUT) {
        EndProcessTree(process);
        details->timedOut = true;
        details->finished = false;
        return;
    }
    if (!details) return;
    DWORD code = 0;
    details->finished = GetExitCodeProcess(process, &code) != 0;
    details->exitCode = code;
}

WString ProgramCommandLine(const wchar_t* program, const wchar_t* parameters) {
    WString line = WString::Formatted(L"\"%s\"", program);
    if (parameters && *parameters) line.Append(L" ").Append(parameters);
    return line;
}

bool StartProcess(const wchar_t* commandLine, bool wait, ProgramWait* details) {
    WString line(commandLine);  // CreateProcessW may write into the buffer
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    memset(&info, 0, sizeof info);
    if (!CreateProcessW(nullptr, (wchar_t*)line.Text(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &info))
        return false;
    if (wait) WaitForProcess(info.hProcess, details);
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

bool ShellRun(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, bool wait, ProgramWait* details) {
    HANDLE process;
    if (!ShellStart(verb, file, parameters, process)) return false;
    if (process) {
        if (wait) WaitForProcess(process, details);
        CloseHandle(process);
    }
    return true;
}

bool RunElevated(const wchar_t* file, const wchar_t* parameters, bool wait, ProgramWait* details) {
    return ShellRun(L"runas", file, parameters, wait, details);
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
