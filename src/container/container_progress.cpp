#include "container/container_progress.h"

#include "app/installer_state.h"

namespace {

int32_t containerTotal = 0;
int32_t containerIndex = 0;

}  // namespace

void SetContainerTotal(int32_t total) {
    MutexLock lock(state.progressLock);
    containerTotal = total;
    containerIndex = 0;
}

void CountInstallerStarted() {
    MutexLock lock(state.progressLock);
    containerIndex++;
}

void ReadContainerProgress(int32_t& index, int32_t& total) {
    MutexLock lock(state.progressLock);
    index = containerIndex;
    total = containerTotal;
}
