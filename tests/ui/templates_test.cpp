// The dialog templates of the resources: read from the extended template as
// stored, and opened as dialogs for what the dialogs see of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/driver.h"
#include "res/resource_ids.h"
#include "ui/xwindow.h"

namespace {

struct Control {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    short x, y, cx, cy;
    DWORD style;
};

struct Template {
    int id;
    short width, height;
    std::vector<Control> controls;
};

const DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
const DWORD kDefault = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
const DWORD kHiddenProgress = WS_CHILD | WS_BORDER;
const DWORD kHiddenRadio = WS_CHILD | WS_TABSTOP | BS_AUTORADIOBUTTON;

const Template kTemplates[] = {
    {IDD_INSTALL, 399, 238,
     {{IDC_PROGRESS, L"msctls_progress32", L"", 25, 116, 348, 14, kHiddenProgress},
      {IDC_INSTALL, L"Button", L"Install", 320, 211, 54, 16, kButton},
      {IDC_CANCEL, L"Button", L"Cancel", 263, 211, 54, 16, kButton},
      {IDC_INSTALL_PATH, L"Edit", L"", 25, 116, 306, 14,
       WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL},
      {IDC_CHOOSE, L"Button", L"Choose", 331, 116, 42, 15, kButton},
      {IDC_SCOPE_USER, L"Button", L"", 25, 76, 348, 10, kHiddenRadio | WS_GROUP},
      {IDC_SCOPE_MACHINE, L"Button", L"", 25, 87, 348, 10, kHiddenRadio},
      {IDC_LICENSE_LINK, L"SysLink", L"<a>Read License Agreement</a>", 27, 171, 108, 14,
       WS_CHILD | WS_TABSTOP | WS_GROUP}}},
    {IDD_LICENSE, 399, 268,
     {{IDOK, L"Button", L"Close", 175, 243, 50, 14, kDefault},
      {IDC_LICENSE_TEXT, L"Edit", L"", 25, 39, 348, 193,
       WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY}}},
    {IDD_CONTAINER_INSTALL, 316, 144, {{IDCANCEL, L"Button", L"Cancel", 133, 123, 50, 14, kButton}}},
    {IDD_UNINSTALL, 399, 238,
     {{IDOK, L"Button", L"Uninstall", 320, 211, 54, 16, kDefault},
      {IDCANCEL, L"Button", L"Cancel", 263, 211, 54, 16, kButton},
      {IDC_PROGRESS, L"msctls_progress32", L"", 25, 116, 348, 14, kHiddenProgress}}},
    {IDD_NON_ELEVATE_FOCUS, 316, 144, {}},
    {IDD_REBOOTING, 316, 144,
     {{IDC_CANCEL_REBOOT, L"Button", L"Cancel Reboot", 163, 113, 60, 15, kDefault},
      {IDC_REBOOT_NOW, L"Button", L"Reboot Now", 92, 113, 60, 15, kButton}}},
};

// The stored template, read field by field (DLGTEMPLATEEX and its items).
class TemplateReader {
public:
    explicit TemplateReader(int id) {
        HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(id), (LPCWSTR)RT_DIALOG);
        if (info) p_ = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, info)));
    }
    bool Found() const { return p_ != nullptr; }
    template <typename T>
    T Read() {
        T value;
        memcpy(&value, p_, sizeof value);
        p_ += sizeof value;
        return value;
    }
    // A string, or a 0xFFFF-prefixed ordinal given back as "#n".
    std::wstring ReadText() {
        WORD first = Read<WORD>();
        if (first == 0xFFFF) return L"#" + std::to_wstring(Read<WORD>());
        std::wstring text;
        for (WORD c = first; c; c = Read<WORD>()) text += (wchar_t)c;
        return text;
    }
    void AlignDword(const BYTE* base) {
        while ((p_ - base) % 4) ++p_;
    }
    const BYTE* Position() const { return p_; }

private:
    const BYTE* p_ = nullptr;
};

const DWORD kDialogStyle = WS_POPUP | WS_VISIBLE | WS_SYSMENU | DS_CENTER | DS_SETFONT | DS_FIXEDSYS;

TEST(Templates, StoredTemplatesAreExactlyAsTheDialogsExpect) {
    for (const Template& t : kTemplates) {
        SCOPED_TRACE(t.id);
        TemplateReader r(t.id);
        ASSERT_TRUE(r.Found());
        const BYTE* base = r.Position();
        EXPECT_EQ(1, r.Read<WORD>());       // version
        EXPECT_EQ(0xFFFF, r.Read<WORD>());  // extended template
        r.Read<DWORD>();                    // help id
        r.Read<DWORD>();                    // extended style
        EXPECT_EQ(kDialogStyle, r.Read<DWORD>());
        WORD count = r.Read<WORD>();
        ASSERT_EQ(t.controls.size(), count);
        r.Read<short>();
        r.Read<short>();
        EXPECT_EQ(t.width, r.Read<short>());
        EXPECT_EQ(t.height, r.Read<short>());
        EXPECT_EQ(L"", r.ReadText());  // menu
        EXPECT_EQ(L"", r.ReadText());  // class
        EXPECT_EQ(L"", r.ReadText());  // caption
        EXPECT_EQ(8, r.Read<WORD>());
        EXPECT_EQ(400, r.Read<WORD>());
        EXPECT_EQ(0, r.Read<BYTE>());  // italic
        EXPECT_EQ(1, r.Read<BYTE>());  // character set
        EXPECT_EQ(L"MS Shell Dlg", r.ReadText());
        for (const Control& c : t.controls) {
            SCOPED_TRACE(c.id);
            r.AlignDword(base);
            r.Read<DWORD>();  // help id
            r.Read<DWORD>();  // extended style
            EXPECT_EQ(c.style, r.Read<DWORD>());
            EXPECT_EQ(c.x, r.Read<short>());
            EXPECT_EQ(c.y, r.Read<short>());
            EXPECT_EQ(c.cx, r.Read<short>());
            EXPECT_EQ(c.cy, r.Read<short>());
            EXPECT_EQ((DWORD)c.id, r.Read<DWORD>());
            std::wstring className = r.ReadText();
            // The resource compiler stores the predefined classes as ordinals.
            if (className == L"#128") className = L"Button";
            if (className == L"#129") className = L"Edit";
            EXPECT_EQ(0, _wcsicmp(c.className, className.c_str())) << className.c_str();
            EXPECT_EQ(c.text, r.ReadText());
            WORD extra = r.Read<WORD>();
            for (WORD i = 0; i < extra; ++i) r.Read<BYTE>();
        }
    }
}

TEST(Templates, OpenedDialogsShowTheControlsAtTheirPlaces) {
    for (const Template& t : kTemplates) {
        SCOPED_TRACE(t.id);
        XWindow dialog;
        ASSERT_EQ(1, dialog.CreateFromTemplate(t.id, nullptr, false));
        RECT size = {0, 0, t.width, t.height};
        MapDialogRect(dialog.hwnd, &size);
        RECT client;
        GetClientRect(dialog.hwnd, &client);
        EXPECT_EQ(size.right, client.right);
        EXPECT_EQ(size.bottom, client.bottom);
        EXPECT_EQ(0u, GetWindowLongW(dialog.hwnd, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
        std::vector<ControlInfo> found = ListControls(dialog.hwnd);
        ASSERT_EQ(t.controls.size(), found.size());
        for (size_t i = 0; i < found.size(); ++i) {
            const Control& c = t.controls[i];
            SCOPED_TRACE(c.id);
            EXPECT_EQ(c.id, found[i].id);
            EXPECT_EQ(0, _wcsicmp(c.className, found[i].className.c_str())) << found[i].className.c_str();
            EXPECT_STREQ(c.text, found[i].text.c_str());
            EXPECT_EQ((c.style & WS_VISIBLE) != 0, found[i].visible);
            EXPECT_TRUE(found[i].enabled);
            // The outer rectangle as placed; bordered controls may trade
            // their border for an edge, which moves only the client area.
            RECT units = {c.x, c.y, c.x + c.cx, c.y + c.cy};
            MapDialogRect(dialog.hwnd, &units);
            EXPECT_EQ(units.left, found[i].rect.left);
            EXPECT_EQ(units.top, found[i].rect.top);
            EXPECT_NEAR(units.right, found[i].rect.right, 1);
            EXPECT_NEAR(units.bottom, found[i].rect.bottom, 1);
        }
    }
}

TEST(Templates, DialogFontIsMsShellDlgEightPoint) {
    XWindow dialog;
    ASSERT_EQ(1, dialog.CreateFromTemplate(IDD_INSTALL, nullptr, false));
    HFONT font = (HFONT)SendMessageW(dialog.hwnd, WM_GETFONT, 0, 0);
    ASSERT_TRUE(font);
    LOGFONTW lf;
    ASSERT_TRUE(GetObjectW(font, sizeof lf, &lf));
    EXPECT_EQ(FW_NORMAL, lf.lfWeight);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), lf.lfHeight);
    ReleaseDC(nullptr, screen);
}

}  // namespace
