// The uninstaller copy that an install writes is a copy of the running test
// program. Started with "--uninstall=", it plays the uninstaller's part
// around the uninstall worker: the log path from the command line, the
// product and its folder from the log's name, the worker on its own thread.
// What the worker leaves in the state is written to the file named by
//   BRASK_TEST_UNINSTALL_RESULT   "reboot=R done=D total=T"
#pragma once

bool IsUninstallerRun();
int RunAsUninstaller();
