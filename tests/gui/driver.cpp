#include "gui/driver.h"

namespace {

struct ProcessSearch {
    DWORD processId;
    HWND except;
    HWND found;
};

BOOL CALLBACK MatchProcess(HWND window, LPARAM param) {
    ProcessSearch* search = reinterpret_cast<ProcessSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->processId || window == search->except || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    std::vector<ControlInfo>* list = reinterpret_cast<std::vector<ControlInfo>*>(param);
    ControlInfo info;
    info.id = GetDlgCtrlID(child);
    wchar_t buffer[512];
    GetClassNameW(child, buffer, 512);
    info.className = buffer;
    int n = (int)SendMessageW(child, WM_GETTEXT, 512, (LPARAM)buffer);
    info.text.assign(buffer, n > 0 ? n : 0);
    info.visible = (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0;
    info.enabled = IsWindowEnabled(child) != 0;
    GetWindowRect(child, &info.rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&info.rect), 2);
    list->push_back(info);
    return TRUE;
}

}  // namespace

HWND WaitForWindow(const wchar_t* className, const wchar_t* caption, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowW(className, caption);
        if (window) return window;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        Sleep(50);
    }
}

HWND WaitForProcessWindow(DWORD processId, DWORD timeoutMs, HWND except) {
    DWORD start = GetTickCount();
    for (;;) {
        ProcessSearch search = {processId, except, nullptr};
        EnumWindows(MatchProcess, (LPARAM)&search);
        if (search.found) return search.found;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        Sleep(50);
    }
}

std::vector<ControlInfo> ListControls(HWND window) {
    std::vector<ControlInfo> list;
    EnumChildWindows(window, CollectChild, (LPARAM)&list);
    return list;
}

bool ClickButton(HWND window, int id, bool asCommand) {
    HWND button = GetDlgItem(window, id);
    if (!button) return false;
    DWORD_PTR result = 0;
    if (asCommand)
        return SendMessageTimeoutW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button, SMTO_ABORTIFHUNG,
                                   5000, &result) != 0;
    return SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

void SendKeys(HWND window, const std::vector<WORD>& keys) {
    GUITHREADINFO gui = {sizeof gui};
    HWND target = window;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &gui) && gui.hwndFocus) target = gui.hwndFocus;
    for (WORD key : keys) {
        UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
        PostMessageW(target, WM_KEYDOWN, key, 1 | (scan << 16));
        PostMessageW(target, WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000u);
    }
}

void MoveMouse(HWND window, int x, int y) {
    POINT p = {x, y};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
}

COLORREF Picture::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const unsigned char* p = &bgra[((size_t)y * width + x) * 4];
    return RGB(p[2], p[1], p[0]);
}

int DarkPixels(const Picture& picture, int left, int top, int right, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            COLORREF c = picture.At(x, y);
            if (c != CLR_INVALID && GetRValue(c) < 90 && GetGValue(c) < 90 && GetBValue(c) < 90) ++n;
        }
    return n;
}

// Copied from the window's device context: what the window shows on the
// display. PrintWindow would ask the window to paint into a device context
// of this process, which a window of another process cannot use.
Picture Capture(HWND window) {
    Picture picture;
    RECT r;
    if (!GetWindowRect(window, &r)) return picture;
    picture.width = r.right - r.left;
    picture.height = r.bottom - r.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, dib);
    HDC source = GetWindowDC(window);
    BitBlt(memory, 0, 0, picture.width, picture.height, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    GdiFlush();
    picture.bgra.assign(static_cast<unsigned char*>(bits),
                        static_cast<unsigned char*>(bits) + (size_t)picture.width * picture.height * 4);
    // GDI leaves the fourth byte undefined (icons set it, text does not);
    // picture viewers would take it for transparency.
    for (size_t i = 3; i < picture.bgra.size(); i += 4) picture.bgra[i] = 255;
    SelectObject(memory, previous);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

bool SaveBitmap(const Picture& picture, const std::wstring& path) {
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = picture.width;
    info.biHeight = -picture.height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    DWORD bytes = (DWORD)picture.bgra.size();
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, &file, sizeof file, &written, nullptr) && WriteFile(h, &info, sizeof info, &written, nullptr) &&
              WriteFile(h, picture.bgra.data(), bytes, &written, nullptr);
    CloseHandle(h);
    return ok;
}

void PressMouse(bool down, bool right) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    if (right)
        input.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
    else
        input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
}

Picture CaptureScreen(const RECT& r) {
    Picture screen = Capture(GetDesktopWindow());
    Picture part;
    part.width = r.right - r.left;
    part.height = r.bottom - r.top;
    part.bgra.assign((size_t)part.width * part.height * 4, 0);
    for (int y = 0; y < part.height; ++y)
        for (int x = 0; x < part.width; ++x) {
            int sx = r.left + x, sy = r.top + y;
            if (sx < 0 || sy < 0 || sx >= screen.width || sy >= screen.height) continue;
            for (int c = 0; c < 4; ++c)
                part.bgra[((size_t)y * part.width + x) * 4 + c] = screen.bgra[((size_t)sy * screen.width + sx) * 4 + c];
        }
    return part;
}
