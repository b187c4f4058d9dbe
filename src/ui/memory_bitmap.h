// MemoryBitmap: a bitmap selected into a memory device context of its own,
// which serves as the source for drawing it. Empty, bitmap only, or selected.
#pragma once

#include <windows.h>
#include <stdint.h>

class MemoryBitmap {
public:
    MemoryBitmap() = default;
    ~MemoryBitmap() { Free(); }
    MemoryBitmap(const MemoryBitmap&) = delete;
    MemoryBitmap& operator=(const MemoryBitmap&) = delete;

    // A null reference context means the screen; 0 in either size creates
    // nothing.
    bool CreateBlank(HDC referenceDC, int width, int height);
    // One of the dialogs' pictures: a bitmap compatible with the screen, or
    // a strip drawn from its drawings.
    bool LoadResource(int id);
    // Any format the system picture loader reads; sized by the picture's
    // physical size at the screen's DPI.
    bool LoadPicture(HDC referenceDC, const uint8_t* data, uint32_t length);

    int Width() const;
    int Height() const;
    // -1 for width or height means the bitmap's own.
    int Draw(HDC targetDC, int x, int y, int width, int height, int sourceX, int sourceY,
             DWORD rasterOperation) const;
    void Deselect();
    void Free();

    HBITMAP Bitmap() const { return bitmap_; }
    HDC MemoryDC() const { return memoryDC_; }
    bool IsSelected() const { return memoryDC_ != nullptr; }

private:
    bool Select(HDC referenceDC);

    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    HDC memoryDC_ = nullptr;
    uint8_t ownsDC_ = 0;
};

// The picture decoder behind LoadPicture: a device-dependent bitmap
// compatible with the screen, or null.
HBITMAP DecodePicture(const uint8_t* data, uint32_t length);
