// The text items of a scene laid out for measuring and drawing: the font an
// item asks for, shared with the item before it when they ask for the same,
// and the item's shown text, position and size.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/wstring.h"
#include "ui/font.h"
#include "ui/scene.h"

class SceneTextFont {
public:
    explicit SceneTextFont(HDC dc) : dc_(dc) {}
    SceneTextFont(const SceneTextFont&) = delete;
    SceneTextFont& operator=(const SceneTextFont&) = delete;

    // Selected into the context; made anew only when an attribute differs
    // from the last item's.
    Font& For(TextItem& item);

private:
    bool Matches(const TextItem& item, int32_t height) const;

    HDC dc_;
    Font font_;
    bool made_ = false;
    WString face_;
    int32_t height_ = 0;
    uint8_t bold_ = 0, italic_ = 0, underline_ = 0;
    COLORREF colour_ = 0;
};

struct TextLayout {
    WString shown;  // ellipsized to the item's maximum width
    int32_t x, y;
    int32_t width, height;
};

// Resolves the item against the scene's current size at the given origin.
void LayOutText(const Scene& scene, Font& font, const TextItem& item, int32_t originX, int32_t originY,
                TextLayout* layout);
