#include "ui/close_button.h"

#include "base/texts.h"
#include "res/resource_ids.h"
#include "ui/button_group.h"
#include "ui/scale.h"
#include "ui/xwindow.h"

int CloseStripId() {
    static const int ids[5] = {IDB_CLOSE_100, IDB_CLOSE_125, IDB_CLOSE_150, IDB_CLOSE_200, IDB_CLOSE_300};
    return ScaledVariant(ids);
}

void XCloseButton::OnClick(int) { closeRequested = 1; }

bool XCloseButton::AddTo(ButtonGroup& group, MemoryBitmap* backgroundSource) {
    int id = CloseStripId();
    // The position needs the button's width, that is a quarter of the strip.
    MemoryBitmap measure;
    measure.LoadResource(id);
    int buttonWidth = measure.Width() / 4;
    measure.Free();
    ButtonDefinition definition = {dialog->GetWidth() - dialog->DialogUnitsX(10) - buttonWidth - 2, 1,
                                   Text(kCloseButton), Text(kCloseButton),
                       ButtonFlag::kDefault, backgroundSource};
    return group.AddButton(this, definition, id, dialog);
}
