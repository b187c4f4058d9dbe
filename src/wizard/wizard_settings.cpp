#include "wizard/wizard_settings.h"

#include "app/installer_state.h"
#include "base/disk_file.h"
#include "base/line_reader.h"
#include "base/message_box.h"
#include "base/registry.h"
#include "base/texts.h"
#include "engine/existing_version.h"
#include "engine/install_scope.h"
#include "engine/install_worker.h"
#include "engine/shortcuts.h"
#include "engine/uninstall_record.h"
#include "package/setup_files.h"

namespace {

class SettingsReader {
public:
    SettingsReader(HWND dialog, WizardFields& fields) : dialog_(dialog), fields_(fields) {}
    bool Run();

private:
    WString Next() {
        WString line;
        ReadLine(script_, line, false);
        return line;
    }
    // Every destination setting is followed by the command line's override.
    void SetDestination(const WString& folder) {
        state.installPath = folder;
        fields_.installToText = folder;
        ApplyInstallToOption(fields_);
    }
    bool Section(const WString& line);
    void SaveInstallPath();
    void LocateInstall();
    void CopyFile();
    void FindThroughUninstallEntry();

    HWND dialog_;
    WizardFields& fields_;
    DiskFile script_;
    bool located_ = false;
    uint64_t totalBytes_ = 0;
    StringList destinations_;
};

void SettingsReader::SaveInstallPath() {
    state.saveInstallPath = true;
    state.saveInstallPathValue = Next();
    if (state.saveInstallPathValue.IsEmpty()) return;
    WString remembered = ReadStringValue(state.saveInstallPathValue, HKEY_CURRENT_USER, RememberedPathsKey());
    if (remembered.IsEmpty()) return;
    SetDestination(remembered);
    located_ = true;
}

void SettingsReader::LocateInstall() {
    WString target;
    if (!ShortcutTarget(Next(), target) || target.IsEmpty()) return;
    SetDestination(target.FolderPart());
    located_ = true;
}

void SettingsReader::CopyFile() {
    WString entry = Next();
    WString destination = Next();
    PackageEntry found;
    if (state.package && state.package->Package() && state.package->Package()->FindEntry(entry, &found))
        totalBytes_ += found.unpackedSize;
    destinations_.AddString(destination);
}

// False ends the reading: the Windows version does not qualify.
bool SettingsReader::Section(const WString& line) {
    if (Compare(line, L"[Project Name]", false) == 0) {
        state.SetProjectName(Next());
    } else if (Compare(line, L"[ProgramVersion]", false) == 0) {
        state.programVersion = Next();
    } else if (Compare(line, L"[Install To]", false) == 0) {
        SetDestination(Next());
    } else if (Compare(line, L"[UninstallSettings]", false) == 0) {
        state.uninstallSettings = Next();
    } else if (Compare(line, L"[SaveInstallPath]", false) == 0) {
        SaveInstallPath();
    } else if (Compare(line, L"[LocateInstall]", false) == 0) {
        LocateInstall();
    } else if (Compare(line, L"[CopyFile]", false) == 0) {
        CopyFile();
    } else if (Compare(line, L"[NoUnInstall]", false) == 0) {
        state.allowUninstall = false;
    } else if (Compare(line, L"[NoOfferUninstallOld]", false) == 0) {
        state.offerUninstallOld = false;
    } else if (Compare(line, L"[Windows Version]", false) == 0) {
        return CheckWindowsVersion(Next().ToInt64());
    }
    // "[NoTestAdmin]" is accepted and means nothing here, like any other line.
    return true;
}

void SettingsReader::FindThroughUninstallEntry() {
    WString command = ReadStringValue(L"UninstallString", ScopeRoot(), UninstallKeyPath(state.projectName));
    if (command.IsEmpty()) return;
    DiskFile log;
    log.SetPath(UninstallLogPathFromCommand(command));
    log.Open(GENERIC_READ, OPEN_EXISTING, false);
    WString line;
    while (log.IsOpen() && ReadLine(log, line, false)) {
        if (Compare(line, L"[Install To]", false) != 0) continue;
        ReadLine(log, line, false);
        SetDestination(line);
    }
}

bool SettingsReader::Run() {
    bool qualifies = true;
    if (state.package) {
        script_.SetPath(WString(state.package->Folder()).Append(L"setup.dat"));
        script_.Open(GENERIC_READ, OPEN_EXISTING, false);
    }
    WString line;
    while (qualifies && script_.IsOpen() && ReadLine(script_, line, false)) qualifies = Section(line);

    state.requiredKB = (int64_t)(totalBytes_ / 1024);
    if (!located_) FindThroughUninstallEntry();
    if (state.isWow64 && AllProgramsHave64BitTwins(destinations_)) state.use64BitLocations = true;
    RefreshDestination(dialog_, fields_);
    return qualifies;
}

}  // namespace

bool LoadWizardSettings(HWND dialog, WizardFields& fields) { return SettingsReader(dialog, fields).Run(); }

bool CheckWindowsVersion(int64_t required) {
    if (required != 4) return true;
    state.use64BitLocations = true;
    if (state.isWow64) return true;
    WString message;
    message.Format(Text(kRequiresWindows), Text(kWindows64Bit));
    ShowMessage(nullptr, message, state.caption, MB_TOPMOST | MB_ICONERROR);
    return false;
}

bool AllProgramsHave64BitTwins(const StringList& destinations) {
    for (int32_t i = 0; i < destinations.Count(); ++i) {
        WString plain(destinations[i]);
        RemoveVariantMarkers(plain);
        WString extension = plain.Extension();
        if (Compare(extension, L".exe", true) != 0 && Compare(extension, L".dll", true) != 0) continue;
        WString twin = plain.StripExtension().Append(kWin64Marker).Append(extension);
        if (!destinations.Contains(twin, true)) return false;
    }
    return true;
}
