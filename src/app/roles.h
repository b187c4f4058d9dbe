// The roles the entry point hands over to. Each is built in its own
// subsystem; until it exists its call here fails and the role ends there.
#pragma once

#include <windows.h>

#include "base/wstring.h"

int RunUninstallerRole();
bool OpenPackage();
void ClosePackage();
bool RunContainerRole();
void RunElevatedChildRole();
void RunParentRole();
