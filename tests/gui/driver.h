// Drives toolkit windows of another process for the GUI tests: finds them,
// lists their controls, clicks, types, moves the mouse and takes pictures.
// Every wait has a time-out.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ControlInfo {
    int id;
    std::wstring className;
    std::wstring text;
    bool visible;
    bool enabled;
    RECT rect;  // client coordinates of the parent
};

// A top-level window by class and/or caption (null = any), waited for.
HWND WaitForWindow(const wchar_t* className, const wchar_t* caption, DWORD timeoutMs);
// A visible top-level window of the given process other than except,
// waited for.
HWND WaitForProcessWindow(DWORD processId, DWORD timeoutMs, HWND except = nullptr);
std::vector<ControlInfo> ListControls(HWND window);
// BM_CLICK, or WM_COMMAND from the control when asCommand is set.
bool ClickButton(HWND window, int id, bool asCommand);
// Virtual keys posted to the window with keyboard focus in that window's
// thread, or to the window itself.
void SendKeys(HWND window, const std::vector<WORD>& keys);
// Moves the mouse to client coordinates of the window.
void MoveMouse(HWND window, int x, int y);
// Real input: a mouse button going down or up at the cursor.
void PressMouse(bool down, bool right = false);

// The window's picture, top-down 32-bit BGRA.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bgra;
    COLORREF At(int x, int y) const;
};
Picture Capture(HWND window);
// The part of the screen in r, with whatever other windows cover it there.
Picture CaptureScreen(const RECT& r);
// Pixels of the rectangle (right and bottom excluded) darker than 90 in
// every channel: ink of text and pictures.
int DarkPixels(const Picture& picture, int left, int top, int right, int bottom);
// Written as a BMP; the build turns the screenshots into PNG.
bool SaveBitmap(const Picture& picture, const std::wstring& path);
