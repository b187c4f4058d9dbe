// IconHandle: one icon, destroyed with DestroyIcon; reusable.
#pragma once

#include <windows.h>

class IconHandle {
public:
    IconHandle() = default;
    ~IconHandle() { Free(); }
    IconHandle(const IconHandle&) = delete;
    IconHandle& operator=(const IconHandle&) = delete;

    // From the dialogs' pictures, the group's image that best fits the size.
    // Where the system cannot read the size's image (a PNG on Windows XP),
    // the group's largest bitmap image, stretched.
    bool Load(int id, int width, int height);
    // A null icon leaves the wrapper empty.
    bool Duplicate(HICON icon);
    void Draw(HDC dc, int x, int y) const;
    int Width() const;
    int Height() const;
    void Free();
    HICON Handle() const { return icon_; }

private:
    SIZE ColourBitmapSize() const;

    HICON icon_ = nullptr;
};
