#include "package/setup_files.h"

#include <windows.h>

#include "app/installer_state.h"
#include "base/folders.h"
#include "base/message_box.h"
#include "base/temp_files.h"

void SetupFiles::Create(bool& failed, const wchar_t* sourceFile) {
    failed = false;
    tempFolder_ = new WString();
    MakeTempFolder(*tempFolder_);
    installPackage_ = new InstallPackage(sourceFile);
    if (!installPackage_->ExtractEntry(L"setup.dat", WString(Folder()).Append(L"setup.dat"))) failed = true;
    if (installPackage_->FindEntry(L"setup.bmp", nullptr))
        installPackage_->ExtractEntry(L"setup.bmp", WString(Folder()).Append(L"setup.bmp"));
    hasLicence_ = false;
    if (installPackage_->FindEntry(L"setup.lic", nullptr)) {
        installPackage_->ExtractEntry(L"setup.lic", WString(Folder()).Append(L"setup.lic"));
        hasLicence_ = true;
    }
    if (failed)
        ShowMessage(nullptr,
                    L"Unable to extract a file from install, possibly your security software is blocking the install.",
                    state.caption, MB_ICONERROR);
}

SetupFiles::~SetupFiles() {
    delete installPackage_;
    if (tempFolder_) {
        if (!tempFolder_->IsEmpty()) RemoveTree(*tempFolder_, nullptr, true);
        delete tempFolder_;
    }
}
