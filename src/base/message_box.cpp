// Out-of-process redirection, only in the test build of the stub
// (bkstub_test.exe, compiled with BRASK_TEST_SEAMS), for tests that run the
// real executable: the shipped stub reads no environment here. With
// BRASK_TEST_MSGBOX naming a file, each box appends one UTF-8 line
//   caption <TAB> style in hex <TAB> text (CR, LF, backslash escaped)
// and is answered from BRASK_TEST_ANSWERS, a comma-separated list of button
// ids used in order; when the list is used up, DefaultAnswer answers.
#include "base/message_box.h"

#include <stdlib.h>

#include "base/unattended.h"
#include "base/wstring.h"

namespace {

MessageBoxHook g_hook = nullptr;

#ifdef BRASK_TEST_SEAMS
int g_answerIndex = 0;

WString EnvValue(const wchar_t* name) {
    wchar_t buffer[1024];
    DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    if (n == 0 || n >= 1024) return WString();
    return WString(buffer);
}

WString Escaped(const wchar_t* text) {
    WString s(text);
    s.Replace(L"\\", L"\\\\", false);
    s.Replace(L"\r", L"\\r", false);
    s.Replace(L"\n", L"\\n", false);
    return s;
}

void AppendRecord(const WString& logPath, const wchar_t* text, const wchar_t* caption, UINT style) {
    WString line = WString::Formatted(L"%s\t%X\t%s\r\n", (const wchar_t*)Escaped(caption), style,
                                      (const wchar_t*)Escaped(text));
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line, line.Length() - 1, nullptr, 0, nullptr, nullptr);
    char* utf8 = (char*)malloc(bytes + 1);
    WideCharToMultiByte(CP_UTF8, 0, line, line.Length() - 1, utf8, bytes, nullptr, nullptr);
    // Parent and child may both record into one file: append in one write.
    HANDLE h = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(h, utf8, (DWORD)bytes, &written, nullptr);
        CloseHandle(h);
    }
    free(utf8);
}

int ScriptedAnswer(UINT style) {
    WString answers = EnvValue(L"BRASK_TEST_ANSWERS");
    int index = 0;
    int32_t start = 1;
    while (start < answers.Length()) {
        int32_t comma = answers.FindChar(L',', start);
        int32_t end = comma ? comma - 1 : answers.Length() - 1;
        if (index == g_answerIndex) {
            ++g_answerIndex;
            return (int)answers.Substring(start, end).ToInt64();
        }
        ++index;
        start = comma ? comma + 1 : answers.Length();
    }
    return DefaultAnswer(style);
}
#endif

}  // namespace

int DefaultAnswer(UINT style) {
    switch (style & MB_TYPEMASK) {
        case MB_OKCANCEL:
        case MB_RETRYCANCEL:
        case MB_YESNOCANCEL:
        case MB_CANCELTRYCONTINUE:
            return IDCANCEL;
        case MB_YESNO:
            return IDNO;
        case MB_ABORTRETRYIGNORE:
            return IDABORT;
        default:
            return IDOK;
    }
}

void SetMessageBoxHook(MessageBoxHook hook) { g_hook = hook; }

int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style) {
    if (g_hook) return g_hook(owner, text, caption, style);
#ifdef BRASK_TEST_SEAMS
    WString logPath = EnvValue(L"BRASK_TEST_MSGBOX");
    if (!logPath.IsEmpty()) {
        AppendRecord(logPath, text, caption, style);
        return ScriptedAnswer(style);
    }
#endif
    return AskOrAnswer(owner, text, caption, style);
}
