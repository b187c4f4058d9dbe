#include "ui/subclass_ctrl.h"

namespace {

struct SubclassLockInit {
    SubclassLockInit() { subclassLock.Create(); }
};

}  // namespace

MutexHandle subclassLock;
static SubclassLockInit subclassLockInit;

XSubClassCtrl::~XSubClassCtrl() { Unsubclass(); }

LRESULT XSubClassCtrl::SubclassProc(HWND, UINT, WPARAM, LPARAM, int32_t*) { return 0; }

bool XSubClassCtrl::Subclass(HWND window) {
    Unsubclass();
    if (!window) return false;
    MutexLock hold(subclassLock);
    hwnd = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, (LONG_PTR)this);
    previousProc = (WNDPROC)SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)SubclassWindowProc);
    if (!previousProc) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        hwnd = nullptr;
        return false;
    }
    return true;
}

void XSubClassCtrl::Unsubclass() {
    if (!hwnd) return;
    MutexLock hold(subclassLock);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, (LONG_PTR)previousProc);
    hwnd = nullptr;
}

LRESULT CALLBACK SubclassWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MutexLock hold(subclassLock);
    XSubClassCtrl* control = reinterpret_cast<XSubClassCtrl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!control || !control->previousProc) return 0;
    // Saved before the call: SubclassProc may unhook the control.
    WNDPROC previous = control->previousProc;
    int32_t mark = 0;
    LRESULT result = control->SubclassProc(window, message, wParam, lParam, &mark);
    if (mark) return result;
    return CallWindowProcW(previous, window, message, wParam, lParam);
}
