#include <windows.h>

#include <gtest/gtest.h>

#include "support/child_seam.h"
#include "support/uninstaller_seam.h"

int main(int argc, char** argv) {
    // A crash must end the test program, not open Wine's crash dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    // Relaunched by a test of the parent's flow: play the elevated child.
    if (IsRelaunchedChild()) return RunAsChild();
    // Started as an installed product's uninstaller copy: replay its record.
    if (IsUninstallerRun()) return RunAsUninstaller();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
