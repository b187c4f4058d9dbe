// The container's count of installers, written by the container thread and
// read by its progress window's timer, under state.progressLock.
#pragma once

#include <stdint.h>

void SetContainerTotal(int32_t total);
// One more installer started.
void CountInstallerStarted();
void ReadContainerProgress(int32_t& index, int32_t& total);
