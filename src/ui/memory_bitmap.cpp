#include "ui/memory_bitmap.h"

#include "ui/picture_store.h"
#include "ui/vector_picture.h"

bool MemoryBitmap::Select(HDC referenceDC) {
    memoryDC_ = CreateCompatibleDC(referenceDC);
    if (!memoryDC_) return false;
    ownsDC_ = 1;
    previous_ = SelectObject(memoryDC_, bitmap_);
    return true;
}

bool MemoryBitmap::CreateBlank(HDC referenceDC, int width, int height) {
    Free();
    if (width == 0 || height == 0) return false;
    HDC screen = referenceDC ? nullptr : GetDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(referenceDC ? referenceDC : screen, width, height);
    if (screen) ReleaseDC(nullptr, screen);
    return bitmap_ && Select(referenceDC);
}

// As LoadImage makes a bitmap resource: a device-dependent bitmap of the
// screen's format, run-length images expanded.
bool MemoryBitmap::LoadResource(int id) {
    Free();
    DWORD size = 0;
    const BITMAPINFO* info = (const BITMAPINFO*)PictureData((LPCWSTR)RT_BITMAP, id, &size);
    if (!info) {
        bitmap_ = LoadVectorStrip(id);
        return bitmap_ && Select(nullptr);
    }
    if (size < sizeof(BITMAPINFOHEADER)) return false;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    DWORD colours = header.biClrUsed ? header.biClrUsed : header.biBitCount <= 8 ? 1u << header.biBitCount : 0;
    DWORD bitsAt = header.biSize + colours * sizeof(RGBQUAD);
    if (bitsAt >= size) return false;
    HDC screen = GetDC(nullptr);
    bitmap_ = CreateDIBitmap(screen, &header, CBM_INIT, (const BYTE*)info + bitsAt, info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap_ && Select(nullptr);
}

bool MemoryBitmap::LoadPicture(HDC referenceDC, const uint8_t* data, uint32_t length) {
    Free();
    bitmap_ = DecodePicture(data, length);
    return bitmap_ && Select(referenceDC);
}

int MemoryBitmap::Width() const {
    BITMAP bm;
    return bitmap_ && GetObjectW(bitmap_, sizeof bm, &bm) ? bm.bmWidth : 0;
}

int MemoryBitmap::Height() const {
    BITMAP bm;
    return bitmap_ && GetObjectW(bitmap_, sizeof bm, &bm) ? bm.bmHeight : 0;
}

int MemoryBitmap::Draw(HDC targetDC, int x, int y, int width, int height, int sourceX, int sourceY,
                       DWORD rasterOperation) const {
    if (!memoryDC_ || !targetDC || !bitmap_) return 0;
    if (width == -1) width = Width();
    if (height == -1) height = Height();
    return BitBlt(targetDC, x, y, width, height, memoryDC_, sourceX, sourceY, rasterOperation);
}

void MemoryBitmap::Deselect() {
    if (!memoryDC_) return;
    SelectObject(memoryDC_, previous_);
    if (ownsDC_) DeleteDC(memoryDC_);
    memoryDC_ = nullptr;
    previous_ = nullptr;
    ownsDC_ = 0;
}

void MemoryBitmap::Free() {
    Deselect();
    if (bitmap_) DeleteObject(bitmap_);
    bitmap_ = nullptr;
}
