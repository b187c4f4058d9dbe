// IconHandle: one icon, destroyed with DestroyIcon; reusable.
#pragma once

#include <windows.h>

class IconHandle {
public:
    IconHandle() = default;
    ~IconHandle() { Free(); }
    IconHandle(const IconHandle&) = delete;
    IconHandle& operator=(const IconHandle&) = delete;

    // One of the dialogs' icons, drawn at side x side.
    bool Load(int id, int side);
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
