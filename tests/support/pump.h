// Runs the test thread's message loop until a condition holds or the time
// is up, so that no test of a window ever waits without end.
#pragma once

#include <windows.h>

#include <string>

template <typename Condition>
bool PumpUntil(Condition done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

class XWindow;

// Posts WM_CLOSE to a window once the time is up, so that a modal loop under
// test ends even when the behaviour that should end it is broken.
class Watchdog {
public:
    Watchdog(XWindow& window, DWORD timeoutMs);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static DWORD WINAPI Run(void* self);
    XWindow& window_;
    DWORD timeoutMs_;
    HANDLE done_;
    HANDLE thread_;
};

// Runs one test of this program in a fresh process (a process reads some
// settings, such as the display's DPI, only once) with extra environment
// variables; true when it passed within the time-out.
bool RunTestInFreshProcess(const wchar_t* testName, const std::wstring& envName, const std::wstring& envValue);
