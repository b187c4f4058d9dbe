#include "ui/scene_text.h"

#include "ui/scale.h"

bool SceneTextFont::Matches(const TextItem& item, int32_t height) const {
    return made_ && height == height_ && item.bold == bold_ && item.italic == italic_ &&
           item.underline == underline_ && item.colour == colour_ && Compare(face_, item.faceName, false) == 0;
}

Font& SceneTextFont::For(TextItem& item) {
    int32_t height = item.height ? item.height : Scale(13);
    if (Matches(item, height)) return font_;
    font_.Create(dc_, item.faceName.ToAnsi(), height, item.colour, item.bold != 0, item.italic != 0,
                 item.underline != 0);
    made_ = true;
    face_ = item.faceName;
    height_ = height;
    bold_ = item.bold;
    italic_ = item.italic;
    underline_ = item.underline;
    colour_ = item.colour;
    return font_;
}

void LayOutText(const Scene& scene, Font& font, const TextItem& item, int32_t originX, int32_t originY,
                TextLayout* layout) {
    layout->shown = item.text;
    if (item.maxWidth) Ellipsize(font, item.maxWidth, layout->shown);
    // Tab stops follow from where the text starts within its line.
    layout->width = font.TextWidth(layout->shown, true, item.x & 0xFFFF);
    layout->x = scene.Resolve(item.x, true, originX, layout->width);
    layout->height = font.TextHeight(layout->shown, true);
    layout->y = scene.Resolve(item.y, false, originY, layout->height);
}
