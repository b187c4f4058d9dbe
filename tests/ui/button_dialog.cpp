#include "ui/button_dialog.h"

#include "res/resource_ids.h"
#include "ui/gdi_objects.h"

void RecordingCloseButton::OnClick(int button) {
    calls.push_back("Click" + std::to_string(button));
    XCloseButton::OnClick(button);
}
void RecordingCloseButton::OnPress(int button) { calls.push_back("Press" + std::to_string(button)); }
void RecordingCloseButton::OnReleaseOutside(int button) {
    calls.push_back("ReleaseOutside" + std::to_string(button));
}

ButtonDialog::ButtonDialog() : button(this) { CreateFromTemplate(IDD_UNINSTALL, nullptr, false); }

// Released here, while OnDestroy is still this class's.
ButtonDialog::~ButtonDialog() { Release(); }

void ButtonDialog::OnInit() {
    RECT client;
    GetClientRect(hwnd, &client);
    WindowDC dc(hwnd);
    background.CreateBlank(dc.Handle(), client.right, client.bottom);
    FillRect(background.MemoryDC(), &client, (HBRUSH)GetStockObject(WHITE_BRUSH));
    group.StartHoverTimer(hwnd);
    button.AddTo(group, &background);
}

void ButtonDialog::OnDestroy() {
    group.Clear();
    XWindow::OnDestroy();
}

void ButtonDialog::OnEraseBackground(HDC dc) { background.Draw(dc, 0, 0, -1, -1, 0, 0, SRCCOPY); }

LRESULT ButtonDialog::PreDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handledMark) {
    int32_t taken = 0;
    LRESULT result = group.HandleMessage(window, message, wParam, lParam, &taken);
    if (taken) *handledMark = 1;
    return result;
}

RECT ButtonDialog::ButtonRect() const {
    RECT r = {};
    GetWindowRect(button.buttonWindow, &r);
    return r;
}

POINT ButtonDialog::ButtonCentre() const {
    RECT r = ButtonRect();
    POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    return p;
}

bool PumpDialogUntil(HWND dialog, bool (*done)(void*), void* context, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (IsWindow(dialog) && IsDialogMessageW(dialog, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done(context)) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpDialogFor(HWND dialog, DWORD ms) {
    PumpDialogUntil(dialog, [] { return false; }, ms);
}

// Posted like the system's keyboard input: to the window that has the
// focus when the key goes down or up.
void PostKey(WORD key, bool up) {
    UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    LPARAM data = 1 | (scan << 16) | (up ? 0xC0000000u : 0);
    PostMessageW(GetFocus(), up ? WM_KEYUP : WM_KEYDOWN, key, data);
}
