#include "ui/xvaluelist.h"

#include "base/restore_on_exit.h"
#include "ui/gdi_objects.h"
#include "ui/scale.h"
#include "ui/xwindow.h"

namespace {

// Matches no control: the list answers no WM_MEASUREITEM before Create.
const UINT kNoControl = 0xFFFFFFFFu;

// One flag for every list of the process: while a message of a list is
// being handled, only drawing and measuring get through, so that what a
// handler does (a callback, a redraw) cannot re-enter the click handling.
uint8_t inValueListDispatch = 0;

void FillColour(HDC dc, const RECT& r, COLORREF colour) {
    Brush brush;
    if (brush.CreateSolid(nullptr, colour)) FillRect(dc, &r, brush.Handle());
}

}  // namespace

XValueList::XValueList()
    : listWindow(nullptr),
      controlId(kNoControl),
      rowHeight(Scale(21)),
      iconX(Scale(28)),
      valueX(Scale(150)),
      nameFontHeight(Scale(13)),
      valueFontHeight(Scale(13)),
      background(0x00FFFFFF) {}

XValueList::~XValueList() { Destroy(); }

void XValueList::OnSelectionChanged() {}
void XValueList::OnContextMenu(int, int) {}
void XValueList::OnRowDoubleClicked(int32_t) {}

HWND XValueList::Create(XWindow& parent) {
    // Icons set before the first Create stay.
    if (listWindow) Destroy();
    if (!parent.hwnd) return nullptr;
    int x = parent.DialogUnitsX(25), y = parent.DialogUnitsY(135);
    int width = parent.DialogUnitsX(348), height = parent.DialogUnitsY(70);
    // The listbox measures its rows while it is being created, before its
    // handle is known here: that WM_MEASUREITEM carries control id 0.
    controlId = 0;
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                                    LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT,
                                x, y, width, height, parent.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!list) {
        controlId = kNoControl;
        return nullptr;
    }
    listWindow = list;
    // Unique among the dialog's controls, and among several lists.
    controlId = (UINT)(UINT_PTR)list + GetTickCount();
    SetWindowLongW(list, GWL_ID, (LONG)controlId);
    font.Create(nullptr, "Tahoma", Scale(13), 0, false, false, false);
    SendMessageW(list, WM_SETFONT, (WPARAM)font.Handle(), TRUE);
    Subclass(list);
    return list;
}

void XValueList::SetCheckIcons(HICON checked, HICON unchecked, HICON checkedDisabled, HICON uncheckedDisabled) {
    checkIcons[0].Duplicate(checked);
    checkIcons[1].Duplicate(unchecked);
    checkIcons[2].Duplicate(checkedDisabled);
    checkIcons[3].Duplicate(uncheckedDisabled);
}

ValueRow* XValueList::RowAt(int32_t row) const {
    return row >= 0 && row < rows.Count() ? static_cast<ValueRow*>(rows.At(row)) : nullptr;
}

bool XValueList::IsChecked(int32_t row) const {
    ValueRow* r = RowAt(row);
    return r && r->kind == ValueRow::kCheckRow && r->value.ToInt64() != 0;
}

void XValueList::SetChecked(bool checked, int32_t row) {
    ValueRow* r = RowAt(row);
    if (!r) return;
    r->value = checked ? L"1" : L"";
    if (listWindow) InvalidateRect(listWindow, nullptr, TRUE);
}

void XValueList::Select(int32_t row) {
    if (!listWindow) return;
    SendMessageW(listWindow, LB_SETCURSEL, (WPARAM)row, 0);
    OnSelectionChanged();
}

int32_t XValueList::GetSelection() const {
    if (!listWindow) return -1;
    LRESULT selection = SendMessageW(listWindow, LB_GETCURSEL, 0, 0);
    return selection >= 0 && selection < rows.Count() ? (int32_t)selection : -1;
}

int32_t XValueList::ItemHeight() const {
    LRESULT height = listWindow ? SendMessageW(listWindow, LB_GETITEMHEIGHT, 0, 0) : 0;
    return height > 0 ? (int32_t)height : rowHeight;
}

void XValueList::Toggle(int32_t row) {
    ValueRow* r = RowAt(row);
    if (!r) return;
    SetChecked(!IsChecked(row), row);
    if (r->callback) r->callback(*this, row);
}

LRESULT XValueList::HandleParentMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        int32_t* handled) {
    *handled = 0;
    if (!listWindow && message != WM_MEASUREITEM) return 0;
    if (inValueListDispatch && message != WM_DRAWITEM && message != WM_MEASUREITEM) return 0;
    RestoreOnExit<uint8_t> flag(inValueListDispatch, 1);
    switch (message) {
    case WM_MEASUREITEM: {
        MEASUREITEMSTRUCT* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (!measure || measure->CtlType != ODT_LISTBOX || measure->CtlID != controlId) return 0;
        measure->itemHeight = (UINT)rowHeight;
        *handled = 1;
        return TRUE;
    }
    case WM_DRAWITEM: {
        DRAWITEMSTRUCT* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (!draw || draw->hwndItem != listWindow) return 0;
        DrawRow(*draw);
        *handled = 1;
        return TRUE;
    }
    case WM_PARENTNOTIFY:
        // Sent before the listbox sees the button: the selection is still
        // the one the user clicked from. The listbox then selects the row.
        if (LOWORD(wParam) == WM_LBUTTONDOWN) Click(lParam, window);
        return 0;
    case WM_COMMAND:
        if ((HWND)lParam != listWindow) return 0;
        if (HIWORD(wParam) == LBN_SELCHANGE) {
            InvalidateRect(listWindow, nullptr, TRUE);
            OnSelectionChanged();
            *handled = 1;
        } else if (HIWORD(wParam) == LBN_DBLCLK) {
            OnRowDoubleClicked(GetSelection());
            *handled = 1;
        }
        return 0;
    }
    return 0;
}

void XValueList::Click(LPARAM parentPoint, HWND parent) {
    POINT p = {(short)LOWORD(parentPoint), (short)HIWORD(parentPoint)};
    ClientToScreen(parent, &p);
    HWND under = WindowFromPoint(p);
    if (under != listWindow && !IsChild(listWindow, under)) return;
    ScreenToClient(listWindow, &p);
    int32_t count = rows.Count();
    if (p.y < 0 || count == 0) return;
    int32_t row = p.y / ItemHeight() + (int32_t)SendMessageW(listWindow, LB_GETTOPINDEX, 0, 0);
    // The blank space below the last row belongs to no row: it must not
    // toggle the last one.
    if (row >= count) return;
    if (row < 0) row = 0;
    ValueRow* r = RowAt(row);
    RECT item;
    if (r->disabled || SendMessageW(listWindow, LB_GETITEMRECT, (WPARAM)row, (LPARAM)&item) == LB_ERR) return;
    if (p.x < 0 || p.x >= item.right - item.left) return;
    if (r->kind == ValueRow::kCheckRow && row != GetSelection() &&
        (p.x < r->checkX || p.x >= r->checkX + checkIcons[0].Width()))
        return;
    Toggle(row);
}

void XValueList::DrawRow(const DRAWITEMSTRUCT& draw) {
    int width = draw.rcItem.right - draw.rcItem.left, height = draw.rcItem.bottom - draw.rcItem.top;
    if (width <= 0 || height <= 0) return;
    if (rowBuffer.Width() < width || rowBuffer.Height() < height) {
        int bufferWidth = rowBuffer.Width() > width ? rowBuffer.Width() : width;
        int bufferHeight = rowBuffer.Height() > height ? rowBuffer.Height() : height;
        if (!rowBuffer.CreateBlank(draw.hDC, bufferWidth, bufferHeight)) return;
    }
    HDC buffer = rowBuffer.MemoryDC();
    ValueRow* row = RowAt((int32_t)draw.itemID);
    if (!row) {
        RECT r = {0, 0, width, height};
        FillColour(buffer, r, background);
    } else {
        uint32_t state = RowState::kNameShown | RowState::kValueShown;
        state |= (draw.itemState & ODS_FOCUS) ? RowState::kFocused : RowState::kNotFocused;
        state |= (draw.itemState & ODS_SELECTED) ? RowState::kSelected : RowState::kNotSelected;
        state |= row->disabled ? RowState::kDisabled : RowState::kEnabled;
        if (row->kind == ValueRow::kCheckRow)
            state |= IsChecked((int32_t)draw.itemID) ? RowState::kChecked : RowState::kUnchecked;
        Scene& look = row->look;
        // The first text item is the name (see BuildCheckLook).
        if (look.TextCount() > 0) look.TextAt(0)->text = row->name;
        const int kMaxTexts = 8;
        COLORREF saved[kMaxTexts];
        int texts = look.TextCount() < kMaxTexts ? look.TextCount() : kMaxTexts;
        for (int i = 0; row->disabled && i < texts; ++i) {
            saved[i] = look.TextAt(i)->colour;
            look.TextAt(i)->colour = 0x00C0C0C0;
        }
        look.SetLayout(0, 0, width, height);
        look.visibleMask = state;
        look.Render(buffer, 0, 0);
        for (int i = 0; row->disabled && i < texts; ++i) look.TextAt(i)->colour = saved[i];
    }
    rowBuffer.Draw(draw.hDC, draw.rcItem.left, draw.rcItem.top, width, height, 0, 0, SRCCOPY);
}

void XValueList::FreeRows() {
    for (int32_t i = 0; i < rows.Count(); ++i) delete static_cast<ValueRow*>(rows.At(i));
    rows.Clear();
}

void XValueList::Destroy() {
    Unsubclass();
    // The dialog may have destroyed the list with itself already.
    if (listWindow && IsWindow(listWindow)) DestroyWindow(listWindow);
    listWindow = nullptr;
    controlId = kNoControl;
    FreeRows();
    rowBuffer.Free();
    for (IconHandle& icon : checkIcons) icon.Free();
    font.Free();
}
