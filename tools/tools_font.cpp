#include "tools_font.h"

u32 TOOL_TGAPixel(u32 _color, u8 _depth)
{
    if (_depth == 16)
        return TOOL_Color555((u8)(_color >> 16), (u8)(_color >> 8), (u8)_color);
    return _color;
}

TOOL_TGA TOOL_FontSheetPicture(const TOOL_FontSheet& _sheet, std::vector<TOOL_FontRect>* _placed)
{
    // Lay out first, then size the sheet and draw.
    std::vector<TOOL_FontRect> places;
    s32 x = 0;
    s32 lineTop = 1;
    s32 lineHeight = 0;
    s32 previousHeight = 0;
    s32 width = _sheet.sheetWidth > 3 ? _sheet.sheetWidth : 3;
    for (const TOOL_FontGlyph& glyph : _sheet.glyphs) {
        const s32 cell = glyph.width + 2;
        if (x != 0 && (x + cell > _sheet.sheetWidth || glyph.height < previousHeight)) {
            lineTop += lineHeight + 2;
            x = 0;
            lineHeight = 0;
        }
        TOOL_FontRect place;
        place.x = x + 1;
        place.y = lineTop + 1;
        place.width = glyph.width;
        place.height = glyph.height;
        places.push_back(place);
        x += cell;
        if (x > width)
            width = x;
        if (glyph.height > lineHeight)
            lineHeight = glyph.height;
        previousHeight = glyph.height;
    }
    const s32 height = lineTop + lineHeight + 2;

    TOOL_TGA picture = TOOL_MakeTGA(width, height, _sheet.depth, TOOL_TGAPixel(_sheet.backgroundColor, _sheet.depth));
    auto put = [&](s32 _x, s32 _y, u32 _color) {
        picture.pixels[(size_t)_y * (size_t)width + (size_t)_x] = TOOL_TGAPixel(_color, _sheet.depth);
    };
    put(0, 0, _sheet.startColor);
    put(1, 0, _sheet.endColor);
    put(2, 0, _sheet.keyColor);
    for (size_t i = 0; i < places.size(); ++i) {
        const TOOL_FontGlyph& glyph = _sheet.glyphs[i];
        const TOOL_FontRect& place = places[i];
        put(place.x - 1, place.y - 1, _sheet.startColor);
        put(place.x + place.width, place.y + place.height, _sheet.endColor);
        for (s32 gy = 0; gy < glyph.height; ++gy)
            for (s32 gx = 0; gx < glyph.width; ++gx) {
                const size_t index = (size_t)gy * (size_t)glyph.width + (size_t)gx;
                put(place.x + gx, place.y + gy, index < glyph.pixels.size() ? glyph.pixels[index] : _sheet.inkColor);
            }
    }
    if (_placed != nullptr)
        *_placed = places;
    return picture;
}
