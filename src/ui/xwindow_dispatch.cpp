// Dispatch: one message to one virtual operation, with the handled mark
// deciding between the operation's result and default processing.
#include <windowsx.h>

#include "base/restore_on_exit.h"
#include "ui/script_font.h"
#include "ui/xwindow.h"

namespace {

int SignedX(LPARAM lParam) { return GET_X_LPARAM(lParam); }
int SignedY(LPARAM lParam) { return GET_Y_LPARAM(lParam); }

}  // namespace

LRESULT XWindow::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Messages sent to the window while an operation runs (a message box
    // owned by the dialog sends several) are dispatched inside it; each puts
    // back the mark it found, so the outer message keeps its own answer.
    RestoreOnExit<int32_t> keeper(handled);
    handled = 0;
    if (!hwnd) return 0;
    LRESULT result = PreDispatch(window, message, wParam, lParam, &handled);
    if (handled) {
        if (!isDialog) return result;
        SetWindowLongW(window, DWL_MSGRESULT, (LONG)result);
        return handled;
    }
    handled = 1;
    bool returnNow = false;
    result = DispatchToOperation(message, wParam, lParam, &returnNow);
    if (returnNow) return result;
    if (isDialog) {
        SetWindowLongW(window, DWL_MSGRESULT, (LONG)result);
        return handled;
    }
    return handled ? result : DefWindowProcW(window, message, wParam, lParam);
}

// Called with `handled` set to 1; returns the message result. *returnNow
// asks for the result to be returned as it is, also by a dialog (the
// control-colour brushes, which the dialog manager takes as the return value).
LRESULT XWindow::DispatchToOperation(UINT message, WPARAM wParam, LPARAM lParam, bool* returnNow) {
    switch (message) {
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE)
                OnDeactivate((HWND)lParam, HIWORD(wParam));
            else
                OnActivate((HWND)lParam, HIWORD(wParam), LOWORD(wParam));
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_CONTEXTMENU:
            OnContextMenu((HWND)wParam, LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_COMMAND:
            DispatchCommand(wParam, lParam);
            return 0;
        case WM_CREATE:
        case WM_INITDIALOG:
            ApplyScriptFontToControls(hwnd);
            OnInit();
            handled = 1;
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_DRAWITEM: {
            DRAWITEMSTRUCT* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            OnDrawItem(draw->hwndItem, draw->CtlID, draw);
            return 0;
        }
        case WM_ERASEBKGND:
            OnEraseBackground((HDC)wParam);
            return handled ? 1 : 0;
        case WM_SHOWWINDOW:
            if (wParam)
                OnShow((int)lParam);
            else
                OnHide((int)lParam);
            return 0;
        case WM_KEYDOWN:
            OnKeyDown((int)wParam, lParam);
            return 0;
        case WM_KEYUP:
            OnKeyUp((int)wParam, lParam);
            return 0;
        case WM_CHAR:
            OnChar((int)wParam);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            OnMouseDown(SignedX(lParam), SignedY(lParam), message, wParam);
            return 0;
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            OnMouseDoubleClick(SignedX(lParam), SignedY(lParam), message, wParam);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            OnMouseUp(SignedX(lParam), SignedY(lParam), message, wParam);
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(SignedX(lParam), SignedY(lParam), wParam);
            return 0;
        case WM_MOUSEWHEEL:
            OnMouseWheel(SignedX(lParam), SignedY(lParam), (short)HIWORD(wParam), LOWORD(wParam));
            return 0;
        case WM_MOVE:
            OnMove(SignedX(lParam), SignedY(lParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lParam));
        case WM_PAINT:
            // The update region must still be validated by the default
            // handler, or the system keeps sending WM_PAINT.
            OnPaint();
            handled = 0;
            return 0;
        case WM_SIZE:
            OnSize(LOWORD(lParam), HIWORD(lParam), (int)wParam);
            return 0;
        case WM_SYSCOMMAND:
            OnSysCommand((int)(wParam & 0xFFF0));
            handled = 0;
            return 0;
        case WM_TIMER:
            DispatchTimer(wParam);
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORDLG: {
            HBRUSH brush = message == WM_CTLCOLORSTATIC ? OnCtlColorStatic() : OnCtlColorDialog();
            *returnNow = handled != 0;
            return handled ? (LRESULT)brush : 0;
        }
        default:
            handled = 0;
            return 0;
    }
}

void XWindow::DispatchCommand(WPARAM wParam, LPARAM lParam) {
    int id = LOWORD(wParam);
    int code = HIWORD(wParam);
    if (code == 0) {
        switch (id) {
            case IDOK: OnCmdOK(); break;
            case IDCANCEL: OnCmdCancel(); break;
            case IDABORT: OnCmdAbort(); break;
            case IDRETRY: OnCmdRetry(); break;
            case IDIGNORE: OnCmdIgnore(); break;
            case IDYES: OnCmdYes(); break;
            case IDNO: OnCmdNo(); break;
            case IDCLOSE: OnCmdClose(); break;
            case IDHELP: OnCmdHelp(); break;
        }
    }
    OnCommand(id, (HWND)lParam, code);
}
