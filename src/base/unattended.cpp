#include "base/unattended.h"

#include "base/message_box.h"
#include "base/run_log.h"
#include "base/wstring.h"

namespace {

const int kRetries = 3;
const DWORD kRetryPauseMs = 1000;

bool g_unattended = false;
// The Retry box being retried, and how often it has been.
WString g_retrying;
int g_retries = 0;

int RetryAnswer(UINT style) {
    switch (style & MB_TYPEMASK) {
        case MB_RETRYCANCEL:
        case MB_ABORTRETRYIGNORE:
            return IDRETRY;
        case MB_CANCELTRYCONTINUE:
            return IDTRYAGAIN;
        default:
            return 0;
    }
}

}  // namespace

void SetUnattended(bool on) { g_unattended = on; }

bool IsUnattended() { return g_unattended; }

int UnattendedAnswer(const wchar_t* text, UINT style) {
    int retry = RetryAnswer(style);
    if (retry) {
        if (Compare(g_retrying, text, false) != 0) {
            g_retrying = text;
            g_retries = 0;
        }
        if (g_retries < kRetries) {
            ++g_retries;
            Sleep(kRetryPauseMs);
            return retry;
        }
    }
    g_retries = 0;
    g_retrying = L"";
    return DefaultAnswer(style);
}

int AskOrAnswer(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style) {
    int answer = g_unattended ? UnattendedAnswer(text, style) : MessageBoxW(owner, text, caption, style);
    RunLogMessageBox(text, caption, style, answer, !g_unattended);
    return answer;
}
