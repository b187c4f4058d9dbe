// Owning wrappers of short-lived device contexts, pens and brushes. Each
// releases what it holds before taking something new, so it can be reused,
// and restores the selection it changed before deleting its object.
#pragma once

#include <windows.h>

class WindowDC {
public:
    WindowDC() = default;
    explicit WindowDC(HWND window) { Acquire(window); }
    ~WindowDC() { Release(); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    // A null window means the screen.
    HDC Acquire(HWND window);
    void Release();
    HDC Handle() const { return dc_; }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

// The selection a pen or brush made in a device context, undone on Restore.
class GdiSelection {
public:
    void Select(HDC dc, HGDIOBJ object);
    void Restore();

private:
    HGDIOBJ previous_ = nullptr;
    HDC dc_ = nullptr;
};

class Pen {
public:
    Pen() = default;
    Pen(HDC dc, int width, COLORREF colour) { Create(dc, width, colour); }
    ~Pen() { Free(); }
    Pen(const Pen&) = delete;
    Pen& operator=(const Pen&) = delete;

    // Solid; selected into dc at once when dc is given.
    bool Create(HDC dc, int width, COLORREF colour);
    void Free();
    HPEN Handle() const { return pen_; }

private:
    GdiSelection selection_;
    HPEN pen_ = nullptr;
};

class Brush {
public:
    Brush() = default;
    Brush(HDC dc, COLORREF colour) { CreateSolid(dc, colour); }
    ~Brush() { Free(); }
    Brush(const Brush&) = delete;
    Brush& operator=(const Brush&) = delete;

    bool CreateSolid(HDC dc, COLORREF colour);
    // The system's COLOR_BTNFACE brush, which must never be deleted.
    bool UseSystemFace(HDC dc);
    void Free();
    HBRUSH Handle() const { return brush_; }

private:
    bool Take(HDC dc, HBRUSH brush, bool system);

    GdiSelection selection_;
    bool system_ = false;
    HBRUSH brush_ = nullptr;
};
