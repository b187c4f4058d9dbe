#include "base/run_log.h"

#include <stdlib.h>

#include "base/disk_file.h"
#include "base/sync.h"
#include "base/wstring.h"

namespace {

WString g_path;
WString g_tag;
// Append-only and kept open: the processes of a run share the file, and an
// append-only handle makes each write land whole at the end, so lines never
// interleave. An open per line cost a file system look-up for every file an
// install logs.
DiskFile g_file;
CriticalSection g_fileLock;

const wchar_t* AnswerName(int answer) {
    switch (answer) {
        case IDOK: return L"OK";
        case IDCANCEL: return L"Cancel";
        case IDABORT: return L"Abort";
        case IDRETRY: return L"Retry";
        case IDIGNORE: return L"Ignore";
        case IDYES: return L"Yes";
        case IDNO: return L"No";
        default: return L"closed";
    }
}

void AppendLine(const WString& line) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line, line.Length() - 1, nullptr, 0, nullptr, nullptr);
    char* utf8 = (char*)malloc(bytes + 1);
    if (!utf8) return;
    WideCharToMultiByte(CP_UTF8, 0, line, line.Length() - 1, utf8, bytes, nullptr, nullptr);
    {
        SectionLock lock(g_fileLock);
        if (!g_file.IsOpen()) {
            g_file.SetPath(g_path);
            g_file.Open(FILE_APPEND_DATA, OPEN_ALWAYS, false);
        }
        if (g_file.IsOpen()) g_file.Write(utf8, (uint32_t)bytes);
    }
    free(utf8);
}

}  // namespace

void OpenRunLog(const wchar_t* path, const wchar_t* tag) {
    g_tag = tag;
    if (!path || !*path) return;
    // The elevated child may start in another folder than its parent.
    wchar_t full[1024];
    DWORD n = GetFullPathNameW(path, 1024, full, nullptr);
    g_path = (n > 0 && n < 1024) ? full : path;
    SectionLock lock(g_fileLock);
    g_file.Close();
}

void SetRunLogTag(const wchar_t* tag) { g_tag = tag; }

bool RunLogActive() { return !g_path.IsEmpty(); }

const wchar_t* RunLogPath() { return g_path; }

void RunLog(const char* fmt, ...) {
    if (g_path.IsEmpty()) return;
    va_list args;
    va_start(args, fmt);
    WString text;
    text.FormatV(WString::FromAnsi(fmt, true), args);
    va_end(args);
    // One line per entry: line breaks inside a message stay visible as such.
    text.Replace(L"\r\n", L" | ", false);
    text.Replace(L"\n", L" | ", false);
    SYSTEMTIME now;
    GetLocalTime(&now);
    AppendLine(WString::Formatted(L"%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu %s] %s\r\n", now.wYear, now.wMonth,
                                  now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                                  GetCurrentProcessId(), (const wchar_t*)g_tag, (const wchar_t*)text));
}

void RunLogMessageBox(const wchar_t* text, const wchar_t* caption, UINT style, int answer, bool shown) {
    RunLog(shown ? "message box \"%s\": \"%s\" answered %s" : "message box not shown (silent) \"%s\": \"%s\" answered %s",
           caption, text, AnswerName(answer));
}
