// Drawing a scene: layer by layer, and within a layer the kinds in a fixed
// order (fills, boxes, gradients, frames, icons, texts).
#include "ui/scene.h"

#include "ui/gdi_objects.h"
#include "ui/scene_text.h"

namespace {

bool Shows(uint32_t mask, uint32_t visibleMask) { return (mask & visibleMask) == mask; }

// A rectangle item's edges; each edge is aligned by the item's own size.
template <class T>
RECT ResolveRect(const Scene& scene, const T& item, int32_t originX, int32_t originY) {
    int32_t w = item.right - item.left;
    int32_t h = item.bottom - item.top;
    RECT r;
    r.left = scene.Resolve(item.left, true, originX, w);
    r.right = scene.Resolve(item.right, true, originX, w);
    r.top = scene.Resolve(item.top, false, originY, h);
    r.bottom = scene.Resolve(item.bottom, false, originY, h);
    return r;
}

void PaintFill(const Scene& scene, HDC dc, const FillItem& item, int32_t originX, int32_t originY) {
    RECT r = ResolveRect(scene, item, originX, originY);
    Brush brush(nullptr, item.colour);
    FillRect(dc, &r, brush.Handle());
}

void PaintBox(const Scene& scene, HDC dc, const BoxItem& item, int32_t originX, int32_t originY) {
    RECT r = ResolveRect(scene, item, originX, originY);
    Brush brush(dc, item.fill);
    Pen pen(dc, 0, item.pen);
    if (item.corner)
        RoundRect(dc, r.left, r.top, r.right, r.bottom, item.corner, item.corner);
    else
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
}

void PaintGradient(const Scene& scene, HDC dc, GradientItem& item, int32_t originX, int32_t originY) {
    RECT r = ResolveRect(scene, item, originX, originY);
    int32_t w = r.right - r.left;
    int32_t h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    if (!item.cache.IsSelected() || item.cachedWidth != w || item.cachedHeight != h) {
        item.cachedWidth = item.cachedHeight = 0;
        if (!item.cache.CreateBlank(dc, w, h)) return;
        RECT all = {0, 0, w, h};
        GradientRect(item.cache.MemoryDC(), all, item.topLeft, item.topRight, item.bottomLeft, item.bottomRight);
        item.cachedWidth = w;
        item.cachedHeight = h;
    }
    item.cache.Draw(dc, r.left, r.top, w, h, 0, 0, SRCCOPY);
    if (item.noCache) {
        item.cache.Free();
        item.cachedWidth = item.cachedHeight = 0;
    }
}

void PaintFrame(const Scene& scene, HDC dc, const FrameItem& item, int32_t originX, int32_t originY) {
    RECT r = ResolveRect(scene, item, originX, originY);
    if (item.focus) {
        DrawFocusRect(dc, &r);
        return;
    }
    Brush brush(nullptr, item.colour);
    FrameRect(dc, &r, brush.Handle());
}

void PaintIcon(const Scene& scene, HDC dc, IconItem& item, int32_t originX, int32_t originY) {
    // Someone else's icon may have changed since the last drawing.
    if (item.source) item.icon.Duplicate(item.source);
    int32_t x = scene.Resolve(item.x, true, originX, item.icon.Width());
    int32_t y = scene.Resolve(item.y, false, originY, item.icon.Height());
    item.icon.Draw(dc, x, y);
    if (item.source) item.icon.Free();
}

}  // namespace

void Scene::Render(HDC dc, int32_t originX, int32_t originY) {
    if (!dc) return;
    if (dirty) {
        SIZE size = Measure();
        width = size.cx;
        height = size.cy;
        dirty = 0;
    }
    for (int32_t layer = 0; layer < levelCount; ++layer) DrawLayer(dc, layer, originX, originY);
}

void Scene::DrawLayer(HDC dc, int32_t layer, int32_t originX, int32_t originY) {
    for (int32_t i = 0; i < fills.Count(); ++i) {
        const FillItem& item = *static_cast<FillItem*>(fills.At(i));
        if (item.level == layer && Shows(item.mask, visibleMask)) PaintFill(*this, dc, item, originX, originY);
    }
    for (int32_t i = 0; i < boxes.Count(); ++i) {
        const BoxItem& item = *static_cast<BoxItem*>(boxes.At(i));
        if (item.level == layer && Shows(item.mask, visibleMask)) PaintBox(*this, dc, item, originX, originY);
    }
    for (int32_t i = 0; i < gradients.Count(); ++i) {
        GradientItem& item = *static_cast<GradientItem*>(gradients.At(i));
        if (item.level == layer && Shows(item.mask, visibleMask)) PaintGradient(*this, dc, item, originX, originY);
    }
    for (int32_t i = 0; i < frames.Count(); ++i) {
        const FrameItem& item = *static_cast<FrameItem*>(frames.At(i));
        if (item.level == layer && Shows(item.mask, visibleMask)) PaintFrame(*this, dc, item, originX, originY);
    }
    for (int32_t i = 0; i < icons.Count(); ++i) {
        IconItem& item = *static_cast<IconItem*>(icons.At(i));
        if (item.level == layer && Shows(item.mask, visibleMask)) PaintIcon(*this, dc, item, originX, originY);
    }
    SceneTextFont fonts(dc);
    TextLayout layout;
    for (int32_t i = 0; i < texts.Count(); ++i) {
        TextItem& item = *static_cast<TextItem*>(texts.At(i));
        if (item.level != layer || !Shows(item.mask, visibleMask)) continue;
        Font& font = fonts.For(item);
        LayOutText(*this, font, item, originX, originY, &layout);
        font.DrawText(dc, layout.x, layout.y, layout.shown, true);
    }
}
