#include "ui/scene.h"

namespace {

template <class T>
void DeleteItems(PtrList& list) {
    for (int32_t i = 0; i < list.Count(); ++i) delete static_cast<T*>(list.At(i));
    list.Clear();
}

// A copy of a plain definition with the level the scene gave it.
template <class T>
T* CopyPlain(const T& item, int32_t level) {
    T* copy = new T(item);
    copy->level = level;
    return copy;
}

}  // namespace

Scene::Scene()
    : width(0), height(0), dirty(1), marginX(0), marginY(0), minWidth(0), minHeight(0), levelCount(0),
      visibleMask(0) {}

Scene::~Scene() { Clear(); }

int32_t Scene::TakeLevel(int32_t level) {
    dirty = 1;
    if (level == 0) return levelCount++;
    if (levelCount < level + 1) levelCount = level + 1;
    return level;
}

void Scene::AddFill(const FillItem& item, int32_t level) { fills.Push(CopyPlain(item, TakeLevel(level))); }

void Scene::AddBox(const BoxItem& item, int32_t level) { boxes.Push(CopyPlain(item, TakeLevel(level))); }

void Scene::AddFrame(const FrameItem& item, int32_t level) { frames.Push(CopyPlain(item, TakeLevel(level))); }

void Scene::AddText(const TextItem& item, int32_t level) { texts.Push(CopyPlain(item, TakeLevel(level))); }

// The definition's cache is not copied: the scene's item renders its own.
void Scene::AddGradient(const GradientItem& item, int32_t level) {
    GradientItem* copy = new GradientItem;
    copy->left = item.left;
    copy->top = item.top;
    copy->right = item.right;
    copy->bottom = item.bottom;
    copy->topLeft = item.topLeft;
    copy->topRight = item.topRight;
    copy->bottomLeft = item.bottomLeft;
    copy->bottomRight = item.bottomRight;
    copy->mask = item.mask;
    copy->noCache = item.noCache;
    copy->level = TakeLevel(level);
    gradients.Push(copy);
}

void Scene::AddIcon(const IconItem& item, int32_t level) {
    IconItem* copy = new IconItem;
    copy->icon.Duplicate(item.icon.Handle());
    copy->x = item.x;
    copy->y = item.y;
    copy->mask = item.mask;
    copy->source = item.source;
    copy->level = TakeLevel(level);
    icons.Push(copy);
}

void Scene::SetLayout(int32_t newMarginX, int32_t newMarginY, int32_t newMinWidth, int32_t newMinHeight) {
    marginX = newMarginX;
    marginY = newMarginY;
    minWidth = newMinWidth;
    minHeight = newMinHeight;
    dirty = 1;
}

void Scene::Clear() {
    DeleteItems<FillItem>(fills);
    DeleteItems<BoxItem>(boxes);
    DeleteItems<FrameItem>(frames);
    DeleteItems<GradientItem>(gradients);
    DeleteItems<IconItem>(icons);
    DeleteItems<TextItem>(texts);
    dirty = 1;
    marginX = marginY = 0;
    minWidth = minHeight = 0;
    levelCount = 0;
    visibleMask = 0;
}

void Scene::CopyFrom(const Scene& other) {
    // Clearing itself first would leave nothing to copy.
    if (&other == this) return;
    Clear();
    for (int32_t i = 0; i < other.fills.Count(); ++i) {
        const FillItem* item = static_cast<const FillItem*>(other.fills.At(i));
        AddFill(*item, item->level + 1);
    }
    for (int32_t i = 0; i < other.boxes.Count(); ++i) {
        const BoxItem* item = static_cast<const BoxItem*>(other.boxes.At(i));
        AddBox(*item, item->level + 1);
    }
    for (int32_t i = 0; i < other.frames.Count(); ++i) {
        const FrameItem* item = static_cast<const FrameItem*>(other.frames.At(i));
        AddFrame(*item, item->level + 1);
    }
    for (int32_t i = 0; i < other.gradients.Count(); ++i) {
        const GradientItem* item = static_cast<const GradientItem*>(other.gradients.At(i));
        AddGradient(*item, item->level + 1);
    }
    for (int32_t i = 0; i < other.icons.Count(); ++i) {
        const IconItem* item = static_cast<const IconItem*>(other.icons.At(i));
        AddIcon(*item, item->level + 1);
    }
    for (int32_t i = 0; i < other.texts.Count(); ++i) {
        const TextItem* item = static_cast<const TextItem*>(other.texts.At(i));
        AddText(*item, item->level + 1);
    }
}

int32_t Scene::Resolve(int32_t value, bool horizontal, int32_t origin, int32_t size) const {
    int32_t sceneSize = horizontal ? width : height;
    int32_t anchor = 0;
    if (value & SceneAnchor::kHalf) {
        value &= ~SceneAnchor::kHalf;
        anchor = sceneSize / 2;
    }
    if (value & SceneAnchor::kFar) {
        value &= ~SceneAnchor::kFar;
        anchor += sceneSize;
    }
    if (value & SceneAnchor::kLessHalfSize) {
        value &= ~SceneAnchor::kLessHalfSize;
        anchor -= size / 2;
    }
    if (value & SceneAnchor::kLessSize) {
        value &= ~SceneAnchor::kLessSize;
        anchor -= size;
    }
    int32_t offset = (value & SceneAnchor::kNegative) ? SceneAnchor::kNegative - value : value;
    return anchor + offset + origin;
}
