#include "container/variants.h"

#include "app/installer_state.h"
#include "app/language.h"
#include "base/disk_file.h"
#include "base/folders.h"
#include "base/line_reader.h"
#include "base/registry.h"
#include "engine/install_worker.h"
#include "engine/uninstall_record.h"
#include "package/install_package.h"
#include "package/setup_files.h"

const wchar_t kForceSeparator[] = L"{force32bitinstallif}";

namespace {

const int32_t kForceSeparatorLength = 21;

// "NAME{force32bitinstallif}FILE" with exactly one separator: FILE below
// the remembered path NAME.
bool ForcingFileExists(const WString& text) {
    int32_t at = text.Find(kForceSeparator, 1);
    if (at == 0 || text.Find(kForceSeparator, at + kForceSeparatorLength) != 0) return false;
    WString name = text.Left(at - 1);
    WString file = text.From(at + kForceSeparatorLength);
    WString path = ReadStringValue(name, HKEY_LOCAL_MACHINE, kRememberedPathsKey);
    if (path.IsEmpty()) return false;
    path.EnsureTrailingBackslash();
    path.Append(file);
    return PathExists(path);
}

}  // namespace

bool IsInstallerEntry(const WString& name) {
    return Compare(name.FileTitle(), L"setup", true) != 0 && !IsLanguageEntry(name);
}

bool IsSixtyFourBitEntry(const WString& name) { return name.Find(kWin64Marker, 1) != 0; }

bool HasVariants(const InstallPackage& package) {
    WString name;
    for (int32_t i = 0; i < package.EntryCount(); i++) {
        package.EntryName(i, name);
        if (name.IsEmpty()) break;
        if (IsSixtyFourBitEntry(name)) return true;
    }
    return false;
}

VariantChoice ChooseVariants(bool hasVariants, bool forceSwitch, bool rightShiftDown, bool isWow64,
                             bool (*registryForces)()) {
    VariantChoice choice;
    if (!hasVariants) return choice;
    if (forceSwitch || rightShiftDown)
        choice.force32 = choice.use32 = true;
    else if (isWow64)
        choice.use64 = true;
    else
        choice.use32 = true;
    if (registryForces && registryForces()) {
        choice.use64 = false;
        choice.force32 = choice.use32 = true;
    }
    return choice;
}

bool PassesVariantFilter(const VariantChoice& choice, bool hasVariants, const WString& name) {
    if (!hasVariants) return true;
    return IsSixtyFourBitEntry(name) ? !choice.use32 : !choice.use64;
}

int32_t CountInstallers(const InstallPackage& package, const VariantChoice& choice, bool hasVariants) {
    int32_t count = 0;
    WString name;
    for (int32_t i = 0; i < package.EntryCount(); i++) {
        package.EntryName(i, name);
        if (name.IsEmpty()) break;
        if (IsInstallerEntry(name) && PassesVariantFilter(choice, hasVariants, name)) count++;
    }
    return count;
}

bool ForceThirtyTwoBit() {
    if (!state.package) return false;
    DiskFile script;
    script.SetPath(WString(state.package->Folder()).Append(L"setup.dat"));
    script.Open(GENERIC_READ, OPEN_EXISTING, false);
    if (!script.IsOpen()) return false;
    WString line, text, kind;
    while (ReadLine(script, line, false)) {
        if (Compare(line, L"[Message]", false) != 0) continue;
        ReadLine(script, text, false);
        ReadLine(script, kind, false);
        if (ForcingFileExists(text)) return true;
    }
    return false;
}
