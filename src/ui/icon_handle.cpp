#include "ui/icon_handle.h"

#include <shellapi.h>

#include "ui/vector_picture.h"

bool IconHandle::Load(int id, int side) {
    Free();
    icon_ = LoadVectorIcon(id, side);
    return icon_ != nullptr;
}

bool IconHandle::Duplicate(HICON icon) {
    Free();
    if (icon) icon_ = DuplicateIcon(nullptr, icon);
    return icon_ != nullptr;
}

void IconHandle::Draw(HDC dc, int x, int y) const {
    if (icon_) DrawIconEx(dc, x, y, icon_, 0, 0, 0, nullptr, DI_NORMAL);
}

SIZE IconHandle::ColourBitmapSize() const {
    SIZE size = {0, 0};
    ICONINFO info;
    if (!icon_ || !GetIconInfo(icon_, &info)) return size;
    BITMAP bm;
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bm, &bm)) {
        size.cx = bm.bmWidth;
        size.cy = bm.bmHeight;
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return size;
}

int IconHandle::Width() const { return ColourBitmapSize().cx; }
int IconHandle::Height() const { return ColourBitmapSize().cy; }

void IconHandle::Free() {
    if (icon_) DestroyIcon(icon_);
    icon_ = nullptr;
}
