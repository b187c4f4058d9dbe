#include "support/installed_product.h"

#include "app/installer_state.h"
#include "app/language.h"
#include "base/registry.h"
#include "engine/install_journal.h"
#include "engine/uninstall_record.h"
#include "support/machine_registry.h"

InstalledProduct::~InstalledProduct() {
    WString saved = state.projectName;
    bool saved64 = state.use64BitLocations, savedScope = state.userScope;
    state.userScope = userScope_;
    // The child chose the 64-bit folders: none of the products is a program.
    state.use64BitLocations = Is64BitSystem();
    state.projectName = name_.c_str();
    DeleteFileW(UninstallerCopyPath());
    DeleteFileW(UninstallLogPath());
    DeleteFileW(RecordedLanguagePath(UninstallLogPath()));
    DeleteFileW(JournalPath(UninstallLogPath()));
    RemoveDirectoryW(UninstallFolder());
    state.projectName = saved;
    state.use64BitLocations = saved64;
    state.userScope = savedScope;
    DeleteKeyTree(userScope_ ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", name_.c_str());
}

std::wstring InstalledProduct::Value(const wchar_t* valueName) const {
    if (userScope_)
        return (const wchar_t*)ReadStringValue(
            valueName, HKEY_CURRENT_USER, (L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name_).c_str());
    return MachineString((L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name_).c_str(), valueName, 0);
}
