#include "ui/icon_handle.h"

#include <shellapi.h>

#include "ui/icon_group.h"
#include "ui/picture_store.h"

// As LoadImage picks and makes an icon of a group in the resources.
bool IconHandle::Load(int id, int width, int height) {
    Free();
    DWORD size = 0;
    const BYTE* group = PictureData((LPCWSTR)RT_GROUP_ICON, id, &size);
    int image = group ? LookupIconIdFromDirectoryEx((PBYTE)group, TRUE, width, height, LR_DEFAULTCOLOR) : 0;
    const BYTE* data = image ? PictureData((LPCWSTR)RT_ICON, image, &size) : nullptr;
    if (data) icon_ = CreateIconFromResourceEx((PBYTE)data, size, TRUE, 0x00030000, width, height, LR_DEFAULTCOLOR);
    // Windows XP reads no PNG image: the sizes held only as PNG fail there.
    if (!icon_) icon_ = LoadLargestBitmapImage(id, width, height);
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
