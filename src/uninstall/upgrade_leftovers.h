// An install over an installed version of the same product leaves only
// what it installs: what the installed version's record lists and the new
// record does not (files, shortcuts, values) is removed by the uninstall's
// rules once the install has succeeded. The removal is journalled with the
// install, so a rollback before the commit puts it back; App Paths entries
// and empty folders go after the commit, when nothing can be put back.
#pragma once

#include "uninstall/record_removal.h"

class UpgradeLeftovers {
public:
    UpgradeLeftovers() : installed_(false) {}
    UpgradeLeftovers(const UpgradeLeftovers&) = delete;
    UpgradeLeftovers& operator=(const UpgradeLeftovers&) = delete;

    // Before the script runs: the record of the version installed now, if
    // any; its shared files count as counted for this product already.
    void ReadInstalled();
    // After the new record was written, before the journal's commit.
    void RemoveDropped();
    // After the commit.
    void Tidy();
    // The installed version owns this environment change: the new one, which
    // finds it made, owns it as well.
    bool OwnsEnvironment(const wchar_t* line) const { return installed_.OwnsEnvironment(line); }

private:
    RecordRemoval installed_;
    WString record_;
    bool removed_ = false;
};
