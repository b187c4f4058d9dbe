// The roles the entry point hands over to, each built in its own subsystem;
// each returns the process's exit code.
#pragma once

#include <windows.h>

#include "base/wstring.h"

int RunUninstallerRole();
bool OpenPackage();
void ClosePackage();
// True when the package is a container and ran as one, with its exit code.
bool RunContainerRole(DWORD& exitCode);
// The install wizard; its result is the process's exit code: 0 installed,
// 1602 cancelled, 1603 failed, 1633 this Windows refused, 1641 installed
// and restarting, 3010 installed but a restart is still needed.
int RunElevatedChildRole();
// An install for this user only: the wizard and its worker in this first
// process, never elevated; its exit codes are the wizard's, and 1603 when
// the script writes places only an administrator may. Also the ready page
// that offers both scopes: "for everyone" chosen there ends the wizard
// with state.everyoneChosen, and the caller goes on as the parent.
int RunUserInstallRole();
// The exit code of the whole install: the elevated child's, 1602 when the
// user refused the relaunch, 1603 when it failed otherwise.
int RunParentRole();
