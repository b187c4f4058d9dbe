// Container mode: a package whose script holds "[InstallContainer]" carries
// whole installers, which run one after another, each to its end.
#pragma once

#include <windows.h>

// False when the script has no "[InstallContainer]" line (or cannot be
// read): the normal install goes on. Otherwise runs the whole chain and
// returns true, with the container's exit code.
bool RunContainer(DWORD& exitCode);

// How long a silent chain waits for one installer before it ends it and
// counts it failed: 30 minutes, longer than any install should take.
DWORD InstallerTimeLimit();
// Tests shorten it; 0 restores the 30 minutes.
void SetInstallerTimeLimit(DWORD ms);
