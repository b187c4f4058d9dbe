// SetupFiles: the process's one opened package and the private temporary
// folder holding the files every install needs at start: setup.dat (the
// script), and when the package has them setup.bmp (banner) and setup.lic.
#pragma once

#include "base/wstring.h"
#include "package/install_package.h"

class SetupFiles {
public:
    SetupFiles() = default;
    ~SetupFiles();
    SetupFiles(const SetupFiles&) = delete;
    SetupFiles& operator=(const SetupFiles&) = delete;

    // failed reports that the private folder could not be made or setup.dat
    // could not be extracted (after the message); Package() is null when
    // there is no folder. sourceFile names a bare package instead of the resource.
    void Create(bool& failed, const wchar_t* sourceFile = nullptr);
    const WString& Folder() const { return *tempFolder_; }
    bool HasLicence() const { return hasLicence_; }
    InstallPackage* Package() const { return installPackage_; }

private:
    InstallPackage* installPackage_ = nullptr;
    bool hasLicence_ = false;
    WString* tempFolder_ = nullptr;
};
