#include "ui/icon_group.h"

#include "res/resource_ids.h"
#include "ui/memory_bitmap.h"
#include "ui/picture_store.h"

namespace {

#pragma pack(push, 2)
struct GroupHeader {
    WORD reserved, type, count;
};
struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// A bitmap image starts with its BITMAPINFOHEADER, a PNG with its signature.
bool IsBitmapImage(WORD id) {
    DWORD size = 0;
    const BYTE* data = PictureData((LPCWSTR)RT_ICON, id, &size);
    return data && size >= sizeof(BITMAPINFOHEADER) && ((const BITMAPINFOHEADER*)data)->biSize == sizeof(BITMAPINFOHEADER);
}

// The stand-in bitmap's colour that is clear (its first, magenta).
const COLORREF kStandInKey = RGB(255, 0, 255);

// LoadImage makes icons only of icon images, and those cannot be run-length
// compressed: the icon is assembled here, its mask from the key colour.
HICON LoadKeyedStandIn(int groupId, int width, int height) {
    MemoryBitmap picture, colour;
    if (!picture.LoadResource(groupId + IDB_STAND_IN)) return nullptr;
    int sourceWidth = picture.Width(), sourceHeight = picture.Height();
    if (!width) width = sourceWidth;
    if (!height) height = sourceHeight;
    if (!colour.CreateBlank(nullptr, width, height)) return nullptr;
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    HDC maskDC = mask ? CreateCompatibleDC(nullptr) : nullptr;
    HICON icon = nullptr;
    if (maskDC) {
        HGDIOBJ previous = SelectObject(maskDC, mask);
        HDC source = picture.MemoryDC(), target = colour.MemoryDC();
        // Colour to monochrome: the source's background colour becomes 1,
        // clear in an icon's mask.
        SetBkColor(source, kStandInKey);
        SetStretchBltMode(maskDC, COLORONCOLOR);
        StretchBlt(maskDC, 0, 0, width, height, source, 0, 0, sourceWidth, sourceHeight, SRCCOPY);
        SetStretchBltMode(target, COLORONCOLOR);
        StretchBlt(target, 0, 0, width, height, source, 0, 0, sourceWidth, sourceHeight, SRCCOPY);
        // Under the mask the colour image is XORed onto the screen, so its
        // clear pixels must be black: mask 1 bits become white, and
        // destination AND NOT source clears them.
        SetBkColor(target, RGB(255, 255, 255));
        SetTextColor(target, RGB(0, 0, 0));
        BitBlt(target, 0, 0, width, height, maskDC, 0, 0, 0x00220326);
        SelectObject(maskDC, previous);
        DeleteDC(maskDC);
        colour.Deselect();
        ICONINFO info = {TRUE, 0, 0, mask, colour.Bitmap()};
        icon = CreateIconIndirect(&info);
    }
    if (mask) DeleteObject(mask);
    return icon;
}

}  // namespace

int LargestBitmapImage(int groupId, int* side) {
    *side = 0;
    DWORD size = 0;
    const GroupHeader* group =
        (const GroupHeader*)PictureData((LPCWSTR)RT_GROUP_ICON, groupId, &size);
    if (!group || size < sizeof(GroupHeader) || size < sizeof(GroupHeader) + group->count * sizeof(GroupEntry))
        return 0;
    const GroupEntry* entries = (const GroupEntry*)(group + 1);
    int best = 0;
    for (WORD i = 0; i < group->count; i++) {
        int entrySide = entries[i].width ? entries[i].width : 256;
        if (entrySide > *side && IsBitmapImage(entries[i].id)) {
            *side = entrySide;
            best = entries[i].id;
        }
    }
    return best;
}

HICON LoadLargestBitmapImage(int groupId, int width, int height) {
    if (HICON keyed = LoadKeyedStandIn(groupId, width, height)) return keyed;
    int side = 0;
    int id = LargestBitmapImage(groupId, &side);
    DWORD size = 0;
    const BYTE* data = id ? PictureData((LPCWSTR)RT_ICON, id, &size) : nullptr;
    if (!data) return nullptr;
    return CreateIconFromResourceEx((PBYTE)data, size, TRUE, 0x00030000, width, height, LR_DEFAULTCOLOR);
}
