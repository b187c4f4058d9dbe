#include "engine/finish_items.h"

#include "app/installer_state.h"

void ClearFinishItems() {
    for (int32_t i = 0; i < state.finishShortcuts.Count(); i++)
        delete static_cast<FinishShortcut*>(state.finishShortcuts.At(i));
    for (int32_t i = 0; i < state.finishPrograms.Count(); i++)
        delete static_cast<FinishProgram*>(state.finishPrograms.At(i));
    state.finishShortcuts.Clear();
    state.finishPrograms.Clear();
}
