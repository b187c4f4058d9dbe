#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // A crash must end the test program, not open Wine's crash dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
