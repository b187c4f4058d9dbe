// Adding rows: the copy of the definition and the scene of its looks.
#include "ui/xvaluelist.h"

namespace {

const int32_t kFar = SceneAnchor::kFar;
const int32_t kCentre = SceneAnchor::kCentre;
// The far edge less n pixels.
int32_t FarLess(int32_t n) { return kFar | SceneAnchor::kNegative | n; }

void AddIconAt(Scene& look, HICON icon, int32_t x, uint32_t mask) {
    if (!icon) return;
    IconItem item;
    item.icon.Duplicate(icon);
    item.x = x;
    item.y = kCentre;
    item.mask = mask;
    look.AddIcon(item, 0);
}

}  // namespace

int32_t XValueList::AddRow(const ValueRow& definition) {
    if (!listWindow) return -1;
    ValueRow* row = new ValueRow;
    row->kind = definition.kind;
    row->name = definition.name;
    row->nameX = definition.nameX == ValueRow::kDefaultX ? iconX : definition.nameX;
    row->nameHeight = definition.nameHeight ? definition.nameHeight : nameFontHeight;
    row->nameColour = definition.nameColour;
    row->nameBold = definition.nameBold;
    row->nameItalic = definition.nameItalic;
    row->nameUnderline = definition.nameUnderline;
    row->value = definition.value;
    row->disabled = definition.disabled;
    row->checkX = definition.checkX == ValueRow::kDefaultX ? iconX : definition.checkX;
    row->icon.Duplicate(definition.icon.Handle());
    row->iconX = definition.iconX;
    row->callback = definition.callback;
    BuildCheckLook(*row);

    WString text = row->name;
    if (!row->name.IsEmpty() && !row->value.IsEmpty()) text.Append(L": ");
    text.Append(row->value);
    LRESULT index = SendMessageW(listWindow, LB_INSERTSTRING, (WPARAM)-1, (LPARAM)text.Text());
    if (index < 0) {
        delete row;
        return -1;
    }
    rows.Push(row);
    return (int32_t)index;
}

// Every state's look on layers of its own, bottom to top; the row's state
// bits pick the visible ones when it is drawn.
void XValueList::BuildCheckLook(ValueRow& row) {
    Scene& look = row.look;
    look.Clear();
    FillItem fill = {0, 0, kFar, kFar, background, 0, 0};
    look.AddFill(fill, 0);
    BoxItem box = {1, 0, kFar, kFar, 0x00FFFAEE, 0x00EBD8A8, RowState::kSelected, 0, 0};
    look.AddBox(box, 0);
    GradientItem gradient;
    gradient.left = 3;
    gradient.top = 2;
    gradient.right = FarLess(3);
    gradient.bottom = FarLess(2);
    gradient.topLeft = gradient.topRight = 0x00F7F4EC;
    gradient.bottomLeft = gradient.bottomRight = 0x00F4EDDB;
    gradient.mask = RowState::kSelected;
    look.AddGradient(gradient, 0);
    AddIconAt(look, row.icon.Handle(), row.iconX, 0);

    TextItem name;
    name.x = row.nameX;
    name.y = kCentre;
    name.height = row.nameHeight;
    name.colour = row.nameColour;
    name.bold = row.nameBold;
    name.italic = row.nameItalic;
    name.underline = row.nameUnderline;
    name.mask = RowState::kNameShown;
    look.AddText(name, 0);
    TextItem value;
    value.x = valueX;
    value.y = kCentre;
    value.height = valueFontHeight;
    value.mask = RowState::kValueShown;
    // A check row shows its value as the check icon only.
    if (row.kind != ValueRow::kCheckRow) value.text = row.value;
    look.AddText(value, 0);

    if (row.kind == ValueRow::kCheckRow) {
        // Without disabled looks, the enabled ones serve disabled rows too.
        bool disabledLooks = checkIcons[2].Handle() != nullptr;
        AddIconAt(look, checkIcons[0].Handle(), row.checkX,
                  RowState::kChecked | (disabledLooks ? RowState::kEnabled : 0));
        disabledLooks = checkIcons[3].Handle() != nullptr;
        AddIconAt(look, checkIcons[1].Handle(), row.checkX,
                  RowState::kUnchecked | (disabledLooks ? RowState::kEnabled : 0));
        AddIconAt(look, checkIcons[2].Handle(), row.checkX, RowState::kChecked | RowState::kDisabled);
        AddIconAt(look, checkIcons[3].Handle(), row.checkX, RowState::kUnchecked | RowState::kDisabled);
    }
    FrameItem frame = {3, 2, FarLess(2), FarLess(2), 0, 1, RowState::kFocused, 0};
    look.AddFrame(frame, 0);
}
