// XValueList in a real dialog: rows toggled by real clicks and keys, and
// the drawn rows checked pixel by pixel in the window's picture.
#include "ui/xvaluelist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/driver.h"
#include "res/resource_ids.h"
#include "support/process.h"
#include "support/pump.h"
#include "ui/scale.h"
#include "ui/xwindow.h"

namespace {

std::vector<int32_t> toggled;
void RecordToggle(XValueList&, int32_t row) { toggled.push_back(row); }

// Counts what the listbox itself received, so a test can wait for it.
class ProbeList : public XValueList {
public:
    int buttonUps = 0, keyUps = 0, contextMenus = 0;
    void OnContextMenu(int, int) override { ++contextMenus; }
    LRESULT SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handled) override {
        LRESULT result = XValueList::SubclassProc(window, message, wParam, lParam, handled);
        if (message == WM_LBUTTONUP || message == WM_RBUTTONUP) ++buttonUps;
        if (message == WM_KEYUP) ++keyUps;
        return result;
    }
};

struct Measure {
    UINT id, height;
    int32_t handled;
};

// The uninstall dialog, passing its messages to the list as the program's
// dialogs do.
class ListDialog : public XWindow {
public:
    ProbeList list;
    std::vector<Measure> measures;
    LRESULT PreDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* mark) override {
        LRESULT result = list.HandleParentMessage(window, message, wParam, lParam, mark);
        if (message == WM_MEASUREITEM) {
            const MEASUREITEMSTRUCT* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            measures.push_back({m->CtlID, m->itemHeight, *mark});
        }
        return result;
    }
};

struct Row {
    const wchar_t* name;
    const wchar_t* value;
    bool disabled;
};

const COLORREF kDisabledText = 0x00C0C0C0;

class ValueList : public ::testing::Test {
protected:
    void SetUp() override {
        toggled.clear();
        ASSERT_EQ(1, dialog.CreateFromTemplate(IDD_UNINSTALL, nullptr, false));
        SetForegroundWindow(dialog.hwnd);
        ASSERT_TRUE(dialog.list.Create(dialog));
        int size = Scale(16);
        const int ids[4] = {IDI_CHECKED, IDI_UNCHECKED, IDI_CHECKED_DISABLED, IDI_UNCHECKED_DISABLED};
        for (int i = 0; i < 4; ++i) ASSERT_TRUE(icons[i].Load(ids[i], size));
        list().SetCheckIcons(icons[0].Handle(), icons[1].Handle(), icons[2].Handle(), icons[3].Handle());
    }
    void TearDown() override {
        list().Destroy();
        dialog.Release();
    }

    ProbeList& list() { return dialog.list; }
    HWND listWindow() { return dialog.list.listWindow; }

    // With an icon, it stands left of the check icon as in the dialogs.
    void AddRows(const std::vector<Row>& rows, HICON icon = nullptr) {
        for (const Row& r : rows) {
            ValueRow row;
            row.name = r.name;
            row.value = r.value;
            row.disabled = r.disabled ? 1 : 0;
            row.nameX = Scale(48);
            row.icon.Duplicate(icon);
            row.iconX = Scale(6);
            row.callback = RecordToggle;
            ASSERT_GE(list().AddRow(row), 0);
        }
    }

    // A real click in the middle of a row, x in client coordinates of the
    // list; waits until the listbox has had the button's release.
    void ClickRow(int row, int x, bool right = false) {
        POINT p = {x, row * list().rowHeight + list().rowHeight / 2};
        ClientToScreen(listWindow(), &p);
        SetCursorPos(p.x, p.y);
        int before = list().buttonUps;
        PressMouse(true, right);
        PressMouse(false, right);
        ASSERT_TRUE(PumpUntil([&] { return list().buttonUps > before; }, 5000));
    }

    // What the keyboard sends the focused listbox.
    void Press(WORD key) {
        SetFocus(listWindow());
        int before = list().keyUps;
        SendKeys(listWindow(), {key});
        ASSERT_TRUE(PumpUntil([&] { return list().keyUps > before; }, 5000));
    }

    // The dialog's picture with the list drawn afresh, and where the list's
    // client area lies in it.
    Picture Shot(POINT* origin) {
        RedrawWindow(listWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        PumpUntil([] { return false; }, 100);
        RECT window;
        GetWindowRect(dialog.hwnd, &window);
        *origin = {0, 0};
        ClientToScreen(listWindow(), origin);
        origin->x -= window.left;
        origin->y -= window.top;
        return Capture(dialog.hwnd);
    }

    // Pixels of one row between two x positions (list client coordinates)
    // that satisfy a test.
    template <typename Test>
    int RowPixels(const Picture& p, POINT origin, int row, int left, int right, Test test) {
        int n = 0;
        int top = row * list().rowHeight;
        for (int y = top; y < top + list().rowHeight; ++y)
            for (int x = left; x < right; ++x)
                if (test(p.At(origin.x + x, origin.y + y))) ++n;
        return n;
    }
    // The checked tile is blue; the other looks have none.
    int CheckedIconPixels(const Picture& p, POINT origin, int row) {
        return RowPixels(p, origin, row, list().iconX, list().iconX + Scale(16),
                         [](COLORREF c) { return GetBValue(c) > GetRValue(c) + 100; });
    }
    // The unchecked tile's dark grey border.
    int UncheckedIconPixels(const Picture& p, POINT origin, int row) {
        return RowPixels(p, origin, row, list().iconX, list().iconX + Scale(16), [](COLORREF c) {
            return GetRValue(c) < 0x80 && GetBValue(c) < 0x90 && GetBValue(c) < GetRValue(c) + 40;
        });
    }
    // The name's ink: dark, or exactly the disabled grey.
    int NamePixels(const Picture& p, POINT origin, int row, bool grey) {
        return RowPixels(p, origin, row, Scale(48), Scale(148), [=](COLORREF c) {
            return grey ? c == kDisabledText : GetRValue(c) < 90 && GetGValue(c) < 90 && GetBValue(c) < 90;
        });
    }

    ListDialog dialog;
    IconHandle icons[4];
};

TEST_F(ValueList, FirstMeasureDuringCreationGetsTheRowHeight) {
    ASSERT_FALSE(dialog.measures.empty());
    EXPECT_EQ(0u, dialog.measures[0].id);
    EXPECT_EQ((UINT)Scale(21), dialog.measures[0].height);
    EXPECT_EQ(1, dialog.measures[0].handled);
    EXPECT_EQ(Scale(21), (int)SendMessageW(listWindow(), LB_GETITEMHEIGHT, 0, 0));
    EXPECT_NE(0u, list().controlId);
    EXPECT_EQ(list().controlId, (UINT)GetWindowLongW(listWindow(), GWL_ID));
    // The list's place in the dialog, from dialog units.
    RECT r;
    GetWindowRect(listWindow(), &r);
    MapWindowPoints(nullptr, dialog.hwnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(dialog.DialogUnitsX(25), r.left);
    EXPECT_EQ(dialog.DialogUnitsY(135), r.top);
    EXPECT_EQ(dialog.DialogUnitsX(348), r.right - r.left);
    EXPECT_EQ(dialog.DialogUnitsY(70), r.bottom - r.top);
}

TEST_F(ValueList, OneClickOnTheCheckIconChecksTheRow) {
    AddRows({{L"Create Icon: Demo", L"0", false}});
    wchar_t text[64] = {};
    SendMessageW(listWindow(), LB_GETTEXT, 0, (LPARAM)text);
    EXPECT_STREQ(L"Create Icon: Demo: 0", text);
    POINT origin;
    Picture before = Shot(&origin);
    EXPECT_EQ(0, CheckedIconPixels(before, origin, 0));
    EXPECT_GT(UncheckedIconPixels(before, origin, 0), Scale(16));

    ClickRow(0, list().iconX + Scale(8));
    EXPECT_TRUE(list().IsChecked(0));
    EXPECT_STREQ(L"1", list().RowAt(0)->value.Text());
    EXPECT_EQ(std::vector<int32_t>{0}, toggled);
    EXPECT_EQ(0, list().GetSelection());
    Picture after = Shot(&origin);
    EXPECT_GT(CheckedIconPixels(after, origin, 0), Scale(16) * Scale(16) / 3);
}

TEST_F(ValueList, LabelClickSelectsFirstAndTogglesTheSelectedRow) {
    AddRows({{L"Run Program: One", L"", false}, {L"Run Program: Two", L"", false}});
    ClickRow(1, Scale(60));
    EXPECT_EQ(1, list().GetSelection());
    EXPECT_FALSE(list().IsChecked(1));
    EXPECT_TRUE(toggled.empty());
    // Far enough from the first click not to make a double click.
    ClickRow(1, Scale(120));
    EXPECT_TRUE(list().IsChecked(1));
    EXPECT_EQ(std::vector<int32_t>{1}, toggled);
    // The blank space below the rows toggles nothing, not even the
    // selected last row.
    ClickRow(2, Scale(120));
    EXPECT_TRUE(list().IsChecked(1));
    EXPECT_EQ(std::vector<int32_t>{1}, toggled);
    EXPECT_FALSE(list().IsChecked(0));
}

TEST_F(ValueList, DisabledRowIsGreyAndIgnoresClicksAndSpace) {
    AddRows({{L"Run Program: Enabled", L"0", false}, {L"Restart Computer", L"0", true}});
    ClickRow(1, list().iconX + Scale(8));
    list().Select(1);
    Press(VK_SPACE);
    EXPECT_FALSE(list().IsChecked(1));
    EXPECT_TRUE(toggled.empty());
    list().Select(0);
    Press(VK_SPACE);
    EXPECT_TRUE(list().IsChecked(0));
    EXPECT_EQ(std::vector<int32_t>{0}, toggled);

    POINT origin;
    Picture p = Shot(&origin);
    EXPECT_GT(NamePixels(p, origin, 1, true), 10);
    EXPECT_EQ(0, NamePixels(p, origin, 1, false));
    EXPECT_EQ(0, NamePixels(p, origin, 0, true));
    EXPECT_GT(NamePixels(p, origin, 0, false), 10);
    // The disabled looks of the icons: no dark border, no blue tile.
    EXPECT_EQ(0, UncheckedIconPixels(p, origin, 1));
    EXPECT_EQ(0, CheckedIconPixels(p, origin, 1));
}

TEST_F(ValueList, RightClickSelectsAndAsksForTheContextMenu) {
    AddRows({{L"One", L"0", false}, {L"Two", L"0", false}});
    ClickRow(1, list().iconX + Scale(8), true);
    EXPECT_EQ(1, list().GetSelection());
    EXPECT_EQ(1, list().contextMenus);
    EXPECT_TRUE(toggled.empty());
    // Still captured, the listbox would select whatever row the mouse
    // moves over next.
    EXPECT_NE(listWindow(), GetCapture());
}

TEST_F(ValueList, NavigationKeys) {
    AddRows({{L"One", L"", false}, {L"Two", L"", false}, {L"Three", L"", false}});
    // Two rows in view, for Page Down.
    RECT r;
    GetWindowRect(listWindow(), &r);
    RECT client;
    GetClientRect(listWindow(), &client);
    int frame = (r.bottom - r.top) - client.bottom;
    SetWindowPos(listWindow(), nullptr, 0, 0, r.right - r.left, 2 * list().rowHeight + frame,
                 SWP_NOMOVE | SWP_NOZORDER);
    struct Step {
        int from;
        WORD key;
        int expected;
    };
    const Step steps[] = {{0, VK_END, 2}, {2, VK_HOME, 0}, {2, VK_DOWN, 2}, {0, VK_DOWN, 1},
                          {1, VK_UP, 0},  {0, VK_UP, -1},  {0, VK_NEXT, 2}, {2, VK_PRIOR, 0}};
    for (const Step& s : steps) {
        list().Select(s.from);
        Press(s.key);
        EXPECT_EQ(s.expected, list().GetSelection()) << "from " << s.from << " key " << s.key;
    }
    EXPECT_TRUE(toggled.empty());
}

TEST_F(ValueList, Screenshot) {
    IconHandle shortcut;
    ASSERT_TRUE(shortcut.Load(IDI_SHORTCUT, Scale(16)));
    AddRows({{L"Create Icon: Demo", L"1", false},
             {L"Run Program: Demo", L"0", false},
             {L"Restart Computer [Required to Finalize Setup]", L"1", true},
             {L"Run Program: Unavailable", L"0", true}},
            shortcut.Handle());
    list().Select(1);
    SetFocus(listWindow());
    POINT origin;
    Picture p = Shot(&origin);
    CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
    SaveBitmap(p, BinPath(L"screenshots\\value_list-") + PrefixKind() + L".bmp");
    EXPECT_GT(CheckedIconPixels(p, origin, 0), Scale(16) * Scale(16) / 3);
    EXPECT_GT(UncheckedIconPixels(p, origin, 1), Scale(16));
    EXPECT_GT(NamePixels(p, origin, 2, true), 10);
    // The selected row's box and gradient, the others on white.
    int width = Scale(20);
    EXPECT_GT(RowPixels(p, origin, 1, Scale(200), Scale(200) + width,
                        [](COLORREF c) { return c != RGB(255, 255, 255); }),
              width * list().rowHeight * 3 / 4);
    EXPECT_EQ(0, RowPixels(p, origin, 0, Scale(200), Scale(200) + width,
                           [](COLORREF c) { return c != RGB(255, 255, 255); }));
}

}  // namespace
