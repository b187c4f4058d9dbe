#include "ui/icon_group.h"

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

const void* ResourceData(HMODULE module, LPCWSTR id, LPCWSTR type, DWORD* size) {
    HRSRC found = FindResourceW(module, id, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    *size = found ? SizeofResource(module, found) : 0;
    return loaded ? LockResource(loaded) : nullptr;
}

// A bitmap image starts with its BITMAPINFOHEADER, a PNG with its signature.
bool IsBitmapImage(HMODULE module, WORD id) {
    DWORD size = 0;
    const void* data = ResourceData(module, MAKEINTRESOURCEW(id), (LPCWSTR)RT_ICON, &size);
    return data && size >= sizeof(BITMAPINFOHEADER) && ((const BITMAPINFOHEADER*)data)->biSize == sizeof(BITMAPINFOHEADER);
}

}  // namespace

int LargestBitmapImage(HMODULE module, int groupId, int* side) {
    *side = 0;
    DWORD size = 0;
    const GroupHeader* group =
        (const GroupHeader*)ResourceData(module, MAKEINTRESOURCEW(groupId), (LPCWSTR)RT_GROUP_ICON, &size);
    if (!group || size < sizeof(GroupHeader) || size < sizeof(GroupHeader) + group->count * sizeof(GroupEntry))
        return 0;
    const GroupEntry* entries = (const GroupEntry*)(group + 1);
    int best = 0;
    for (WORD i = 0; i < group->count; i++) {
        int entrySide = entries[i].width ? entries[i].width : 256;
        if (entrySide > *side && IsBitmapImage(module, entries[i].id)) {
            *side = entrySide;
            best = entries[i].id;
        }
    }
    return best;
}

HICON LoadLargestBitmapImage(HMODULE module, int groupId, int width, int height) {
    int side = 0;
    int id = LargestBitmapImage(module, groupId, &side);
    DWORD size = 0;
    const void* data = id ? ResourceData(module, MAKEINTRESOURCEW(id), (LPCWSTR)RT_ICON, &size) : nullptr;
    if (!data) return nullptr;
    return CreateIconFromResourceEx((PBYTE)data, size, TRUE, 0x00030000, width, height, LR_DEFAULTCOLOR);
}
