// Container mode: a package whose script holds "[InstallContainer]" carries
// whole installers, which run one after another, each to its end.
#pragma once

#include <windows.h>

// False when the script has no "[InstallContainer]" line (or cannot be
// read): the normal install goes on. Otherwise runs the whole chain and
// returns true, with the container's exit code.
bool RunContainer(DWORD& exitCode);
