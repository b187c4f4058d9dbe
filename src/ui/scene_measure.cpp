// A scene's size follows from its items: each item's far extent at a scene
// size of 0 x 0, so anchored items count only with their offsets.
#include "ui/scene.h"

#include "ui/gdi_objects.h"
#include "ui/scene_text.h"

namespace {

const int32_t kEllipsizeLimit = 3000;

struct Extent {
    int32_t right = 0, bottom = 0;
    void Add(int32_t x, int32_t y) {
        if (x > right) right = x;
        if (y > bottom) bottom = y;
    }
};

template <class T>
void AddRects(const Scene& scene, const PtrList& list, Extent* extent) {
    for (int32_t i = 0; i < list.Count(); ++i) {
        const T& item = *static_cast<const T*>(list.At(i));
        int32_t w = item.right - item.left;
        int32_t h = item.bottom - item.top;
        extent->Add(scene.Resolve(item.left, true, 0, w), scene.Resolve(item.top, false, 0, h));
        extent->Add(scene.Resolve(item.right, true, 0, w), scene.Resolve(item.bottom, false, 0, h));
    }
}

}  // namespace

SIZE Scene::Measure() {
    int32_t keptWidth = width, keptHeight = height;
    width = height = 0;
    Extent extent;
    AddRects<FillItem>(*this, fills, &extent);
    AddRects<BoxItem>(*this, boxes, &extent);
    AddRects<FrameItem>(*this, frames, &extent);
    AddRects<GradientItem>(*this, gradients, &extent);
    for (int32_t i = 0; i < icons.Count(); ++i) {
        const IconItem& item = *static_cast<IconItem*>(icons.At(i));
        IconHandle sourced;
        if (item.source) sourced.Duplicate(item.source);
        const IconHandle& icon = item.source ? sourced : item.icon;
        int32_t w = icon.Width(), h = icon.Height();
        extent.Add(Resolve(item.x, true, 0, w) + w, Resolve(item.y, false, 0, h) + h);
    }
    if (texts.Count()) {
        WindowDC screen(nullptr);
        SceneTextFont fonts(screen.Handle());
        TextLayout layout;
        for (int32_t i = 0; i < texts.Count(); ++i) {
            TextItem& item = *static_cast<TextItem*>(texts.At(i));
            LayOutText(*this, fonts.For(item), item, 0, 0, &layout);
            extent.Add(layout.x + layout.width + 4, layout.y + layout.height + 1);
        }
    }
    width = keptWidth;
    height = keptHeight;
    SIZE size;
    size.cx = extent.right + marginX;
    size.cy = extent.bottom + marginY;
    if (size.cx < minWidth) size.cx = minWidth;
    if (size.cy < minHeight) size.cy = minHeight;
    return size;
}

bool Ellipsize(Font& font, int32_t maxWidth, WString& text) {
    if (text.Length() - 1 > kEllipsizeLimit) text.SetLength(kEllipsizeLimit);
    if (text.IsEmpty()) return false;
    bool cut = false;
    WString probe;
    for (;;) {
        probe = text;
        if (cut) probe.Append(L"...");
        if (font.TextWidth(probe, false, 0) < maxWidth) break;
        text.DropRight(1);
        cut = true;
        if (text.IsEmpty()) break;
    }
    if (cut && !text.IsEmpty()) text.Append(L"...");
    return cut;
}
