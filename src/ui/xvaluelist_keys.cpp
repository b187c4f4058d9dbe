// The list's own messages: keyboard, background, scrolling, right button.
#include "ui/xvaluelist.h"

#include "ui/gdi_objects.h"

LRESULT XValueList::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handled) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (wParam == VK_TAB) {
            // The dialog moves the focus.
            PostMessageW(GetParent(window), message, wParam, lParam);
            *handled = 1;
        } else if (message == WM_KEYDOWN ? HandleKeyDown(wParam) : HandleKeyUp(wParam)) {
            *handled = 1;
        }
        return 0;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(window, &client);
        Brush brush;
        if (brush.CreateSolid(nullptr, background)) FillRect((HDC)wParam, &client, brush.Handle());
        *handled = 1;
        return 1;
    }
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
        // The rows' looks depend on more than their own rectangle.
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_RBUTTONDOWN:
        // Right-click selects. The listbox captures the mouse on a button
        // down until the button comes up: without the matching up the
        // selection would follow the mouse afterwards.
        PostMessageW(window, WM_LBUTTONDOWN, wParam, lParam);
        PostMessageW(window, WM_LBUTTONUP, wParam, lParam);
        return 0;
    case WM_RBUTTONUP: {
        POINT p;
        GetCursorPos(&p);
        OnContextMenu(p.x, p.y);
        *handled = 1;
        return 0;
    }
    case WM_SETFOCUS: {
        HWND from = (HWND)wParam;
        if (from != window && !IsChild(window, from)) InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    }
    return 0;
}

bool XValueList::HandleKeyDown(WPARAM key) {
    int32_t selection = GetSelection();
    switch (key) {
    case VK_SPACE: {
        ValueRow* row = RowAt(selection);
        if (row && row->kind == ValueRow::kCheckRow && !row->disabled) Toggle(selection);
        return true;
    }
    case VK_UP:
        if (selection >= 0) Select(selection - 1);  // from the first row: no selection
        return true;
    case VK_DOWN:
        if (selection + 1 < rows.Count()) Select(selection + 1);
        return true;
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_RIGHT:
        // Acted on at key-up, once per press rather than per repeat.
        return true;
    }
    return false;
}

bool XValueList::HandleKeyUp(WPARAM key) {
    int32_t count = rows.Count();
    int32_t selection = GetSelection();
    int32_t target;
    switch (key) {
    case VK_HOME:
        target = 0;
        break;
    case VK_END:
        target = count - 1;
        break;
    case VK_PRIOR:
    case VK_NEXT: {
        RECT client;
        GetClientRect(listWindow, &client);
        int32_t page = (client.bottom - client.top) / ItemHeight();
        if (page < 1) page = 1;
        target = (selection < 0 ? 0 : selection) + (key == VK_NEXT ? page : -page);
        break;
    }
    default:
        return false;
    }
    if (count == 0) return true;
    if (target < 0) target = 0;
    if (target > count - 1) target = count - 1;
    Select(target);
    return true;
}
