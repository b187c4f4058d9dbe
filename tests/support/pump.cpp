#include "support/pump.h"

#include "support/process.h"
#include "ui/xwindow.h"

bool RunTestInFreshProcess(const wchar_t* testName, const std::wstring& envName, const std::wstring& envValue) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" --gtest_filter=" + testName;
    ProcessResult r = RunProcess(line, {{envName, envValue}}, 60000);
    return r.started && !r.timedOut && r.exitCode == 0;
}

Watchdog::Watchdog(XWindow& window, DWORD timeoutMs)
    : window_(window), timeoutMs_(timeoutMs), done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

Watchdog::~Watchdog() {
    SetEvent(done_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(done_);
}

DWORD WINAPI Watchdog::Run(void* self) {
    Watchdog* w = static_cast<Watchdog*>(self);
    if (WaitForSingleObject(w->done_, w->timeoutMs_) == WAIT_TIMEOUT && w->window_.hwnd)
        PostMessageW(w->window_.hwnd, WM_CLOSE, 0, 0);
    return 0;
}
