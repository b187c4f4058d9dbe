// The peak working set of a program's processes, watched from outside while
// they run. Under Wine it is the Unix process's high-water mark of resident
// memory (VmHWM), Wine's own libraries included.
#pragma once

#include <windows.h>

#include <string>

struct WatchedRun {
    bool started = false;
    bool timedOut = false;
    DWORD exitCode = 0;
    SIZE_T peakBytes = 0;  // the largest peak of any process of the image
    DWORD milliseconds = 0;  // from the start to the end of the started process
};

// Runs commandLine and, until it ends or timeoutMs pass (then it is killed),
// samples every process whose image file is named imageName (the started
// one and any it relaunches). The peak is a high-water mark, so sampling
// misses only what a process reaches in its last moments.
WatchedRun RunWatchingMemory(const std::wstring& commandLine, const std::wstring& imageName, DWORD timeoutMs);
