// XValueList: an owner-drawn LISTBOX of check rows. Each row keeps a scene
// with the looks of all its states; drawing a row only picks the visible
// ones from the row's state. The owning dialog passes its parent-side
// messages (draw, measure, clicks, notifications) to HandleParentMessage
// from its PreDispatch; the list's own keyboard handling runs in the hook.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/lists.h"
#include "ui/font.h"
#include "ui/icon_handle.h"
#include "ui/memory_bitmap.h"
#include "ui/subclass_ctrl.h"
#include "ui/value_row.h"

class XWindow;

class XValueList : public XSubClassCtrl {
public:
    XValueList();
    ~XValueList() override;

    LRESULT SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handled) override;
    // The base versions do nothing.
    virtual void OnSelectionChanged();
    virtual void OnContextMenu(int x, int y);  // screen position
    virtual void OnRowDoubleClicked(int32_t row);

    // The LISTBOX at its fixed place in the parent dialog; null on failure.
    HWND Create(XWindow& parent);
    // Keeps duplicates; the two disabled looks may be null.
    void SetCheckIcons(HICON checked, HICON unchecked, HICON checkedDisabled, HICON uncheckedDisabled);
    // Copies the definition and builds its scene; the row's index, or -1.
    int32_t AddRow(const ValueRow& definition);
    int32_t RowCount() const { return rows.Count(); }
    ValueRow* RowAt(int32_t row) const;
    bool IsChecked(int32_t row) const;
    void SetChecked(bool checked, int32_t row);
    void Select(int32_t row);
    int32_t GetSelection() const;
    LRESULT HandleParentMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handled);
    void Destroy();

    HWND listWindow;
    UINT controlId;
    int32_t rowHeight;
    int32_t iconX;
    int32_t valueX;
    int32_t nameFontHeight, valueFontHeight;
    Font font;
    COLORREF background;
    IconHandle checkIcons[4];  // checked, unchecked, checked-disabled, unchecked-disabled
    MemoryBitmap rowBuffer;
    PtrList rows;

private:
    void BuildCheckLook(ValueRow& row);
    void DrawRow(const DRAWITEMSTRUCT& draw);
    void Click(LPARAM parentPoint, HWND parent);
    void Toggle(int32_t row);
    bool HandleKeyDown(WPARAM key);
    bool HandleKeyUp(WPARAM key);
    int32_t ItemHeight() const;
    void FreeRows();
};
