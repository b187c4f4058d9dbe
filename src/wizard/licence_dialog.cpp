#include "wizard/licence_dialog.h"

#include "app/installer_state.h"
#include "base/disk_file.h"
#include "base/lists.h"
#include "base/texts.h"
#include "package/setup_files.h"
#include "res/resource_ids.h"
#include "ui/fitted_text.h"
#include "ui/font.h"
#include "ui/scale.h"

void dlgLicense::_CmdClose::OnClick(int) { dialog->CloseDialog(1); }

dlgLicense::dlgLicense(HWND owner) : closeButton(this), result(0) {
    result = CreateFromTemplate(IDD_LICENSE, owner, true);
}

dlgLicense::~dlgLicense() { Release(); }

WString ReadLicenceText(const wchar_t* path) {
    DiskFile file;
    file.SetPath(path);
    file.Open(GENERIC_READ, OPEN_EXISTING, false);
    if (!file.IsOpen()) return WString();
    uint64_t size = file.Size();
    // A licence is text for a person to read; anything near 4 GB is not.
    if (size == 0 || size > 0x7FFFFFF0u) return WString();
    ByteBuffer bytes;
    if (!bytes.Resize((uint32_t)size + 1, true)) return WString();
    uint32_t got = file.Read(bytes.Data(), (uint32_t)size);
    bytes.Data()[got] = 0;
    return WString::FromAnsi(reinterpret_cast<const char*>(bytes.Data()), false);
}

void dlgLicense::OnInit() {
    SetWindowTextW(hwnd, state.caption);
    SetDlgItemTextW(hwnd, IDOK, Text(kCloseButton));
    FitButtonCentred(GetItem(IDOK));
    ShapeWindow();
    {
        MutexLock lock(pictureLock_);
        if (DrawBackground(Text(kInstallerHeading))) {
            Font heading(nullptr, "Tahoma", Scale(26), RGB(0, 0, 0), false, false, false);
            heading.DrawText(background_.MemoryDC(), DialogUnitsX(25), DialogUnitsY(20), Text(kLicenceHeading), false);
            ShowBackground();
        }
    }
    if (state.package) {
        WString text = ReadLicenceText(WString(state.package->Folder()).Append(L"setup.lic"));
        SetDlgItemTextW(hwnd, IDC_LICENSE_TEXT, text);
    }
    buttons.StartHoverTimer(hwnd);
    closeButton.AddTo(buttons, &background_);
}

void dlgLicense::OnDestroy() {
    buttons.Clear();
    XWindow::OnDestroy();
}

LRESULT dlgLicense::PreDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handledMark) {
    int32_t taken = 0;
    LRESULT answer = buttons.HandleMessage(window, message, wParam, lParam, &taken);
    if (taken) *handledMark = 1;
    return answer;
}

void dlgLicense::OnCmdOK() { CloseDialog(1); }
