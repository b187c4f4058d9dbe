#include "package/setup_files.h"

#include <windows.h>

#include "app/installer_state.h"
#include "base/folders.h"
#include "base/message_box.h"
#include "base/private_folder.h"
#include "base/temp_files.h"
#include "base/texts.h"

namespace {

void ShowExtractionFailure() {
    ShowMessage(nullptr,
                Text(kSecurityBlocking),
                state.caption, MB_ICONERROR);
}

}  // namespace

void SetupFiles::Create(bool& failed, const wchar_t* sourceFile) {
    failed = false;
    tempFolder_ = new WString();
    // The package copy and everything extracted from it go into the private
    // folder (TempFolder() names it): nothing into a folder others can write.
    if (!MakePrivateFolder(*tempFolder_, IsProcessElevated())) {
        failed = true;
        ShowExtractionFailure();
        return;
    }
    SetPrivateTempFolder(tempFolder_);
    installPackage_ = new InstallPackage(sourceFile);
    if (!installPackage_->ExtractEntry(L"setup.dat", WString(Folder()).Append(L"setup.dat"))) failed = true;
    if (installPackage_->FindEntry(L"setup.bmp", nullptr))
        installPackage_->ExtractEntry(L"setup.bmp", WString(Folder()).Append(L"setup.bmp"));
    hasLicence_ = false;
    if (installPackage_->FindEntry(L"setup.lic", nullptr)) {
        installPackage_->ExtractEntry(L"setup.lic", WString(Folder()).Append(L"setup.lic"));
        hasLicence_ = true;
    }
    if (failed) ShowExtractionFailure();
}

SetupFiles::~SetupFiles() {
    delete installPackage_;
    if (tempFolder_) {
        if (Compare(TempFolder(), *tempFolder_, true) == 0) SetPrivateTempFolder(nullptr);
        if (!tempFolder_->IsEmpty()) RemoveTree(*tempFolder_, nullptr, true);
        delete tempFolder_;
    }
}
