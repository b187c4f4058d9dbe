// controls_demo: the toolkit's own controls in one dialog, at the display
// scale of the process: two image buttons with tooltips ("First" and
// "Second", each the close strip the dialogs use) and a value list with
// checked, unchecked and disabled rows, over a background painted the way
// the dialogs paint theirs. The GUI test moves the real cursor over it and
// captures it. Closes on WM_CLOSE, and by itself after a minute.
#include <windows.h>

#include "res/resource_ids.h"
#include "ui/button_group.h"
#include "ui/close_button.h"
#include "ui/font.h"
#include "ui/gdi_objects.h"
#include "ui/icon_handle.h"
#include "ui/memory_bitmap.h"
#include "ui/scale.h"
#include "ui/scene.h"
#include "ui/xbutton.h"
#include "ui/xvaluelist.h"
#include "ui/xwindow.h"

namespace {

// Check and row icons: 16 px up to 124 %, then 20, 24, 32 and 48.
int IconSide() {
    const int sides[5] = {16, 20, 24, 32, 48};
    return sides[VariantIndex(Scale(100))];
}

struct RowDefinition {
    const wchar_t* name;
    int iconId;
    bool checked;
    bool disabled;
};

const RowDefinition kRows[] = {
    {L"Restart Computer [Required to Finalize Setup]", IDI_RESTART, true, false},
    {L"Create Icon: Hello", IDI_SHORTCUT, false, false},
    {L"Run Program: Hello", IDI_PROGRAM, true, true},
    {L"Run Program: Read Me", IDI_PROGRAM, false, true},
};

class ControlsDemo : public XWindow {
public:
    ControlsDemo() : first_(this), second_(this) {}
    // Released here, while OnDestroy is still this class's.
    ~ControlsDemo() override { Release(); }

    void OnInit() override {
        RECT client;
        GetClientRect(hwnd, &client);
        PaintBackground(client.right, client.bottom);
        group_.StartHoverTimer(hwnd);
        AddButton(first_, L"First", L"First image button", client.right / 2 - DialogUnitsX(40));
        AddButton(second_, L"Second", L"Second image button", client.right / 2 + DialogUnitsX(30));
        FillList();
        StartTimer(60000);
    }

    void OnDestroy() override {
        group_.Clear();
        list_.Destroy();
        XWindow::OnDestroy();
    }

    void OnEraseBackground(HDC dc) override { background_.Draw(dc, 0, 0, -1, -1, 0, 0, SRCCOPY); }
    HBRUSH OnCtlColorStatic() override { return (HBRUSH)GetStockObject(WHITE_BRUSH); }
    HBRUSH OnCtlColorDialog() override { return (HBRUSH)GetStockObject(WHITE_BRUSH); }
    void OnTimer(uint32_t, int32_t) override { CloseDialog(0); }
    void OnClose() override { CloseDialog(0); }
    void OnCmdCancel() override { CloseDialog(0); }

    LRESULT PreDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handledMark) override {
        int32_t taken = 0;
        LRESULT result = group_.HandleMessage(window, message, wParam, lParam, &taken);
        if (!taken) result = list_.HandleParentMessage(window, message, wParam, lParam, &taken);
        if (taken) *handledMark = 1;
        return result;
    }

private:
    void PaintBackground(int width, int height) {
        WindowDC screen(hwnd);
        background_.CreateBlank(screen.Handle(), width, height);
        HDC dc = background_.MemoryDC();
        RECT all = {0, 0, width, height};
        FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
        RECT top = {0, 0, width - 1, height / 3};
        GradientRect(dc, top, RGB(245, 245, 245), RGB(245, 245, 245), RGB(255, 255, 255), RGB(255, 255, 255));
        Font title(nullptr, "Tahoma", Scale(21), RGB(0, 0, 0), false, false, false);
        title.DrawText(dc, (width - title.TextWidth(dc, L"Controls", false, 0)) / 2, 2, L"Controls", false);
    }

    void AddButton(XCloseButton& button, const wchar_t* text, const wchar_t* tip, int x) {
        ButtonDefinition definition = {x, DialogUnitsY(60), text, tip, ButtonFlag::kDefault, &background_};
        group_.AddButton(&button, definition, CloseStripId(), this);
    }

    void FillList() {
        int side = IconSide();
        IconHandle checked, unchecked, checkedOff, uncheckedOff;
        checked.Load(IDI_CHECKED, side);
        unchecked.Load(IDI_UNCHECKED, side);
        checkedOff.Load(IDI_CHECKED_DISABLED, side);
        uncheckedOff.Load(IDI_UNCHECKED_DISABLED, side);
        list_.SetCheckIcons(checked.Handle(), unchecked.Handle(), checkedOff.Handle(), uncheckedOff.Handle());
        list_.Create(*this);
        for (const RowDefinition& definition : kRows) {
            ValueRow row;
            row.name = definition.name;
            row.value = definition.checked ? L"1" : L"0";
            row.disabled = definition.disabled;
            row.icon.Load(definition.iconId, side);
            row.iconX = Scale(6);
            row.nameX = Scale(48);
            list_.AddRow(row);
        }
        list_.Select(0);
    }

    MemoryBitmap background_;
    ButtonGroup group_;
    XCloseButton first_;
    XCloseButton second_;
    XValueList list_;
};

}  // namespace

int wmain(int, wchar_t**) {
    ControlsDemo dialog;
    return (int)dialog.CreateFromTemplate(IDD_UNINSTALL, nullptr, true);
}
