// Which of a container's installers run on this machine: its entries other
// than the setup files, and of those with a 64-bit variant ("__BKI_WIN64"
// in the name) either the 64-bit or the 32-bit ones, decided once.
#pragma once

#include "base/wstring.h"

class InstallPackage;

struct VariantChoice {
    bool force32 = false;  // the 32-bit variants are forced on this machine
    bool use64 = false;
    bool use32 = false;
};

// An entry that is an installer: its file name without extension is not
// "setup" in any letter case (the script, banner and licence are not), nor
// is it a language file ("setup.lng.TAG", whose title is "setup.lng").
bool IsInstallerEntry(const WString& name);
bool IsSixtyFourBitEntry(const WString& name);
bool HasVariants(const InstallPackage& package);

// The choice, from what the machine and the user say. registryForces is
// only asked for (and so ForceThirtyTwoBit only runs) when there are
// variants at all.
VariantChoice ChooseVariants(bool hasVariants, bool forceSwitch, bool rightShiftDown, bool isWow64,
                             bool (*registryForces)());
bool PassesVariantFilter(const VariantChoice& choice, bool hasVariants, const WString& name);
// The installers that run, in package order, counted.
int32_t CountInstallers(const InstallPackage& package, const VariantChoice& choice, bool hasVariants);

// What separates NAME and FILE in such a "[Message]".
extern const wchar_t kForceSeparator[];
// True when a "[Message]" of the script reads "NAME{force32bitinstallif}FILE"
// and FILE exists below the path remembered as NAME under HKLM
// "Software\BraskInstall": an earlier 32-bit install the new one must match.
bool ForceThirtyTwoBit();
