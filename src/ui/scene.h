// Scene: a retained description of a small picture, a list of drawing items
// in layers, measured from its items and drawn onto any context at any
// origin. Tooltips and value-list rows describe their looks as scenes; an
// item's mask lets one scene hold the looks of several states and show the
// right ones through visibleMask.
//
// Coordinates are encoded values, resolved against the scene's size:
//   0x10000  anchor at half the scene size     0x20000  add the scene size
//   0x80000  subtract half the item's size     0x40000  subtract the item's size
//   0x100000 the rest is a negative offset (0x100005 is -5)
// So 0x20000 is the far edge, 0x90000 centres, 0x60000 aligns far edges.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/lists.h"
#include "base/wstring.h"
#include "ui/icon_handle.h"
#include "ui/memory_bitmap.h"

class Font;

namespace SceneAnchor {
const int32_t kHalf = 0x10000;
const int32_t kFar = 0x20000;
const int32_t kLessSize = 0x40000;
const int32_t kLessHalfSize = 0x80000;
const int32_t kNegative = 0x100000;
const int32_t kCentre = kHalf | kLessHalfSize;   // 0x90000
const int32_t kFarAlign = kFar | kLessSize;      // 0x60000
}  // namespace SceneAnchor

// The definitions the add operations copy; `level` is set by the scene.
// mask 0: always drawn; otherwise only when all its bits are in visibleMask.
struct FillItem {
    int32_t left, top, right, bottom;
    COLORREF colour;
    uint32_t mask;
    int32_t level;
};

struct BoxItem {
    int32_t left, top, right, bottom;
    COLORREF fill, pen;
    uint32_t mask;
    int32_t level;
    int32_t corner;  // RoundRect's ellipse size; 0 = square corners
};

struct GradientItem {
    GradientItem() = default;
    GradientItem(const GradientItem&) = delete;
    GradientItem& operator=(const GradientItem&) = delete;

    int32_t left = 0, top = 0, right = 0, bottom = 0;
    COLORREF topLeft = 0, topRight = 0, bottomLeft = 0, bottomRight = 0;
    uint32_t mask = 0;
    int32_t level = 0;
    // The rendering at the cached size; rebuilt when the size changes.
    MemoryBitmap cache;
    int32_t cachedWidth = 0, cachedHeight = 0;
    uint8_t noCache = 0;
};

struct FrameItem {
    int32_t left, top, right, bottom;
    COLORREF colour;
    uint8_t focus;  // 1: DrawFocusRect instead of a frame in the colour
    uint32_t mask;
    int32_t level;
};

struct IconItem {
    IconItem() = default;
    IconItem(const IconItem&) = delete;
    IconItem& operator=(const IconItem&) = delete;

    IconHandle icon;  // AddIcon keeps a duplicate of it
    int32_t x = 0, y = 0;
    uint32_t mask = 0;
    int32_t level = 0;
    // Someone else's icon, duplicated afresh for each drawing; may be null.
    HICON source = nullptr;
};

struct TextItem {
    int32_t x = 0, y = 0;
    WString text;
    WString faceName;  // empty: Tahoma
    COLORREF colour = 0;
    uint8_t bold = 0, italic = 0, underline = 0;
    int32_t height = 0;    // 0: Scale(13)
    int32_t maxWidth = 0;  // 0: no limit; else ellipsized to it
    uint32_t mask = 0;
    int32_t level = 0;
};

class Scene {
public:
    Scene();
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // level 0: a new layer above all others; else that layer.
    void AddFill(const FillItem& item, int32_t level);
    void AddBox(const BoxItem& item, int32_t level);
    void AddFrame(const FrameItem& item, int32_t level);
    void AddGradient(const GradientItem& item, int32_t level);
    void AddIcon(const IconItem& item, int32_t level);
    void AddText(const TextItem& item, int32_t level);

    void SetLayout(int32_t marginX, int32_t marginY, int32_t minWidth, int32_t minHeight);
    void Clear();
    // Every item of other one layer up; margins and minimum size are not copied.
    void CopyFrom(const Scene& other);
    SIZE Measure();
    void Render(HDC dc, int32_t originX, int32_t originY);

    // horizontal: against width, else height; size: the item's own extent.
    int32_t Resolve(int32_t value, bool horizontal, int32_t origin, int32_t size) const;

    // The stored text items, for owners that restyle a text per drawing.
    int32_t TextCount() const { return texts.Count(); }
    TextItem* TextAt(int32_t index) const { return static_cast<TextItem*>(texts.At(index)); }

    PtrList fills, boxes, frames, gradients, icons, texts;
    int32_t width, height;
    uint8_t dirty;
    int32_t marginX, marginY;
    int32_t minWidth, minHeight;
    int32_t levelCount;
    uint32_t visibleMask;

private:
    int32_t TakeLevel(int32_t level);
    void DrawLayer(HDC dc, int32_t layer, int32_t originX, int32_t originY);
};

// Shortens text to below maxWidth (single line) with "..." appended once
// cut; texts over 3000 characters are cut to 3000 first. True when cut.
bool Ellipsize(Font& font, int32_t maxWidth, WString& text);

// Four-corner gradient over r, right and bottom included; a horizontal-only
// gradient (left colours equal, right colours equal) is drawn by columns.
void GradientRect(HDC dc, const RECT& r, COLORREF topLeft, COLORREF topRight, COLORREF bottomLeft,
                  COLORREF bottomRight);
// One row from x1 to x2 included.
void GradientLine(HDC dc, int32_t x1, int32_t x2, int32_t y, COLORREF colour1, COLORREF colour2);
