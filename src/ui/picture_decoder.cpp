// Decodes a picture held in memory (the package's banner) with the system's
// OLE picture loader, which reads BMP, JPEG, GIF, icons and metafiles.
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <string.h>

#include "ui/memory_bitmap.h"

namespace {

HBITMAP Render(IPicture* picture) {
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    picture->get_Width(&hmWidth);
    picture->get_Height(&hmHeight);
    HDC screen = GetDC(nullptr);
    int width = MulDiv(hmWidth, GetDeviceCaps(screen, LOGPIXELSX), 2540);
    int height = MulDiv(hmHeight, GetDeviceCaps(screen, LOGPIXELSY), 2540);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    if (memory && bitmap) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        // HIMETRIC runs bottom-up: a negative source height turns it over.
        HRESULT hr = picture->Render(memory, 0, 0, width, height, 0, hmHeight, hmWidth, -hmHeight, nullptr);
        SelectObject(memory, previous);
        if (FAILED(hr)) {
            DeleteObject(bitmap);
            bitmap = nullptr;
        }
    } else if (bitmap) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    if (memory) DeleteDC(memory);
    return bitmap;
}

}  // namespace

HBITMAP DecodePicture(const uint8_t* data, uint32_t length) {
    if (!data || length < 8) return nullptr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_NODISCARD, length);
    if (!memory) return nullptr;
    void* bytes = GlobalLock(memory);
    if (bytes) {
        memcpy(bytes, data, length);
        GlobalUnlock(memory);
    }
    HBITMAP bitmap = nullptr;
    IStream* stream = nullptr;
    if (bytes && SUCCEEDED(CreateStreamOnHGlobal(memory, FALSE, &stream))) {
        IPicture* picture = nullptr;
        HRESULT hr = OleLoadPicture(stream, (LONG)length, FALSE, IID_IPicture, (void**)&picture);
        stream->Release();
        if (SUCCEEDED(hr) && picture) {
            bitmap = Render(picture);
            picture->Release();
        }
    }
    GlobalFree(memory);
    return bitmap;
}
