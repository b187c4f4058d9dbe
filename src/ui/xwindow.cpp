#include "ui/xwindow.h"

#include "ui/window_registry.h"

XWindow::XWindow() : handled(0), hwnd(nullptr), isDialog(0), cursor(nullptr), currentTimer(nullptr) {
    icons[0] = icons[1] = nullptr;
    timerLock.Create();
}

XWindow::~XWindow() {
    Release();
    if (cursor) DestroyCursor(cursor);
    for (HICON icon : icons)
        if (icon) DestroyIcon(icon);
    timerLock.Close();
    DeleteTimers(false);
}

void XWindow::OnActivate(HWND, int, int) { handled = 0; }
void XWindow::OnClose() { handled = 0; }
void XWindow::OnContextMenu(HWND, int, int) { handled = 0; }
void XWindow::OnCommand(int, HWND, int) {}
void XWindow::OnInit() { handled = 0; }
void XWindow::OnDestroy() { handled = 0; }
void XWindow::OnDeactivate(HWND, int) { handled = 0; }
void XWindow::OnDrawItem(HWND, int, DRAWITEMSTRUCT*) { handled = 0; }
void XWindow::OnEraseBackground(HDC) { handled = 0; }
void XWindow::OnHide(int) { handled = 0; }
void XWindow::OnKeyDown(int, LPARAM) { handled = 0; }
void XWindow::OnKeyUp(int, LPARAM) { handled = 0; }
void XWindow::OnChar(int) { handled = 0; }
void XWindow::OnMouseDown(int, int, UINT, WPARAM) { handled = 0; }
void XWindow::OnMouseDoubleClick(int, int, UINT, WPARAM) { handled = 0; }
void XWindow::OnMouseUp(int, int, UINT, WPARAM) { handled = 0; }
void XWindow::OnMouseMove(int, int, WPARAM) { handled = 0; }
void XWindow::OnMouseWheel(int, int, int, int) { handled = 0; }
void XWindow::OnMove(int, int) { handled = 0; }
LRESULT XWindow::OnNotify(NMHDR*) {
    handled = 0;
    return 0;
}
void XWindow::OnPaint() { handled = 0; }
void XWindow::OnShow(int) { handled = 0; }
void XWindow::OnSize(int, int, int) { handled = 0; }
void XWindow::OnSysCommand(int) {}
void XWindow::OnTimer(uint32_t, int32_t) { handled = 0; }
HBRUSH XWindow::OnCtlColorStatic() {
    handled = 0;
    return nullptr;
}
HBRUSH XWindow::OnCtlColorDialog() {
    handled = 0;
    return nullptr;
}
LRESULT XWindow::PreDispatch(HWND, UINT, WPARAM, LPARAM, int32_t*) { return 0; }
void XWindow::OnCmdOK() {}
void XWindow::OnCmdCancel() {}
void XWindow::OnCmdAbort() {}
void XWindow::OnCmdClose() {}
void XWindow::OnCmdHelp() {}
void XWindow::OnCmdIgnore() {}
void XWindow::OnCmdNo() {}
void XWindow::OnCmdRetry() {}
void XWindow::OnCmdYes() {}

HWND XWindow::CreateAsWindow(DWORD style, DWORD exStyle, HWND parent, const RECT& rect) {
    Release();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // Each object registers a class of its own, so that one window's class
    // styles never change another's, and Release can unregister it.
    WString name = windowRegistry.NextClassName();
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_OWNDC | CS_DBLCLKS;
    wc.lpfnWndProc = XWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.lpszClassName = name;
    if (!RegisterClassExW(&wc)) return nullptr;
    className = name;
    hwnd = CreateWindowExW(exStyle, name, L"", style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, nullptr, instance, this);
    return hwnd;
}

INT_PTR XWindow::CreateFromTemplate(int templateId, HWND parent, bool modal) {
    Release();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (modal)
        return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), parent, XDialogProc, (LPARAM)this);
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), parent, XDialogProc, (LPARAM)this) ? 1 : 0;
}

void XWindow::CloseDialog(INT_PTR result) {
    if (hwnd) EndDialog(hwnd, result);
}

void XWindow::Release() {
    if (hwnd) {
        ShowWindow(hwnd, SW_HIDE);
        DeleteTimers(true);
        DestroyWindow(hwnd);
    }
    if (!className.IsEmpty()) {
        UnregisterClassW(className, GetModuleHandleW(nullptr));
        className = L"";
    }
    windowRegistry.Remove(this);
    hwnd = nullptr;
}

XWindow* XWindow::FromHandle(HWND window) { return windowRegistry.Find(window); }

void XWindow::Attach(HWND window, uint8_t dialog) {
    hwnd = window;
    isDialog = dialog;
    windowRegistry.Add(this);
}

void XWindow::Invalidate() {
    if (hwnd) InvalidateRect(hwnd, nullptr, TRUE);
}

RECT XWindow::GetScreenRect() const {
    RECT r = {};
    if (!hwnd || !GetWindowRect(hwnd, &r)) SetRectEmpty(&r);
    return r;
}

int XWindow::GetWidth() const {
    RECT r = GetScreenRect();
    return r.right - r.left;
}

int XWindow::GetHeight() const {
    RECT r = GetScreenRect();
    return r.bottom - r.top;
}

bool XWindow::IsMinimized() const { return hwnd && IsIconic(hwnd); }

void XWindow::MoveTo(int x, int y) {
    if (!hwnd) return;
    RECT r = GetScreenRect();
    if (x == kKeep) x = r.left;
    if (y == kKeep) y = r.top;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

HWND XWindow::GetItem(int id) const { return hwnd ? GetDlgItem(hwnd, id) : nullptr; }

int XWindow::DialogUnitsX(int n) const {
    RECT r = {n, 1, 1, 1};
    MapDialogRect(hwnd, &r);
    return r.left;
}

int XWindow::DialogUnitsY(int n) const {
    RECT r = {1, n, 1, 1};
    MapDialogRect(hwnd, &r);
    return r.top;
}

LRESULT CALLBACK XWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        CREATESTRUCTW* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        static_cast<XWindow*>(create->lpCreateParams)->Attach(window, 0);
    }
    XWindow* object = XWindow::FromHandle(window);
    if (!object) return DefWindowProcW(window, message, wParam, lParam);
    return object->Dispatch(window, message, wParam, lParam);
}

INT_PTR CALLBACK XDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) reinterpret_cast<XWindow*>(lParam)->Attach(window, 1);
    XWindow* object = XWindow::FromHandle(window);
    if (!object) return 0;
    return object->Dispatch(window, message, wParam, lParam);
}
