// ValueRow: one row of a value list: a name, a text value and the scene
// that holds the looks of all the row's states. The dialogs fill one as a
// definition and hand it to XValueList::AddRow, which keeps its own copy.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/wstring.h"
#include "ui/icon_handle.h"
#include "ui/scene.h"

class XValueList;

// Called with the list after the user toggled the row.
typedef void (*ValueRowCallback)(XValueList& list, int32_t row);

// The visibility bits of a row's scene while it is drawn.
namespace RowState {
const uint32_t kEnabled = 1;
const uint32_t kDisabled = 2;
const uint32_t kSelected = 4;
const uint32_t kNotSelected = 8;
const uint32_t kUnchecked = 16;
const uint32_t kChecked = 32;
const uint32_t kFocused = 64;
const uint32_t kNotFocused = 128;
const uint32_t kNameShown = 256;
const uint32_t kValueShown = 512;
}  // namespace RowState

struct ValueRow {
    ValueRow() = default;
    ValueRow(const ValueRow&) = delete;
    ValueRow& operator=(const ValueRow&) = delete;

    static const int32_t kCheckRow = 8;
    // For nameX and checkX: the list's iconX.
    static const int32_t kDefaultX = -1;

    int32_t kind = kCheckRow;
    WString name;
    int32_t nameX = kDefaultX;
    // The name's look; a height of 0 takes the list's nameFontHeight.
    int32_t nameHeight = 0;
    COLORREF nameColour = 0;
    uint8_t nameBold = 0, nameItalic = 0, nameUnderline = 0;
    WString value;  // check rows: "1" checked, "0" or empty unchecked
    uint8_t disabled = 0;
    int32_t checkX = kDefaultX;
    IconHandle icon;  // optional, drawn at iconX
    int32_t iconX = 0;
    ValueRowCallback callback = nullptr;
    Scene look;
};
