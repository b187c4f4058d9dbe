// dlgRebooting: the countdown before an automatic restart of Windows, with
// "Reboot Now" and "Cancel Reboot". Constructing it runs the whole
// countdown, modally, on the constructing thread.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "app/picture_window.h"
#include "base/wstring.h"

class dlgRebooting : public PictureWindow {
public:
    // In silent mode nothing is shown: Reboot() runs at once. With
    // "--noautoreboot" nothing is shown and nothing restarted, silent or
    // not. rebooted is true only when a restart was started: not when it
    // was held back, nor when the system refused it.
    explicit dlgRebooting(bool showRerunNote);
    ~dlgRebooting() override;

    void OnCommand(int id, HWND control, int code) override;
    void OnInit() override;
    void OnTimer(uint32_t id, int32_t data) override;

    // The countdown line as last drawn; read under the picture lock.
    WString CountdownLine();

    bool showRerunNote;
    bool rebooted;
    DWORD startTick;
    uint32_t countdownTimer;
    int textTop;

private:
    void DrawCountdown(int remaining);

    WString countdownLine_;
};

// The countdown's clock, GetTickCount unless a test sets another, so that
// tests pass the 40 seconds without waiting for them; null restores it.
typedef DWORD (*TickSource)();
void SetCountdownClock(TickSource clock);
