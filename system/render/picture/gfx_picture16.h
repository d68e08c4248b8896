// A plain surface of 16-bit pixels with clipped copies and fills: the target of text drawing
// and the picture of a font. The values are not interpreted (fonts hold A1R5G5B5, menu
// pictures R5G6B5). Pixels are row-major, row 0 first, width pixels per row.
#pragma once

#include "gfx_rect.h"
#include "mem_alloc.h"
#include "os_types.h"

class GFX_Picture16 : public MEM_Object
{
public:
    // Allocates width x height zeroed pixels and owns them (none for an empty picture).
    GFX_Picture16(s32 _width, s32 _height);
    ~GFX_Picture16();
    GFX_Picture16(const GFX_Picture16&) = delete;
    GFX_Picture16& operator=(const GFX_Picture16&) = delete;

    s32 GetWidth() const { return m_rect.width; }
    s32 GetHeight() const { return m_rect.height; }
    const GFX_Rect& GetRect() const { return m_rect; }  // (0, 0, width, height)
    u16* GetPixels() { return m_pixels; }
    const u16* GetPixels() const { return m_pixels; }
    // The bytes of the pixels, rows packed.
    u64 GetByteSize() const { return m_pixels != nullptr ? (u64)m_rect.width * (u64)m_rect.height * 2u : 0u; }

    // Copies the part of _rect that lies inside _source to (_x, _y), clipped to this picture.
    void Blit(const GFX_Picture16& _source, const GFX_Rect& _rect, s32 _x, s32 _y);
    // The same, leaving the destination alone where the source pixel is _key.
    void BlitKeyed(const GFX_Picture16& _source, const GFX_Rect& _rect, s32 _x, s32 _y, u16 _key);
    void Fill(u16 _color);
    void FillRect(const GFX_Rect& _rect, u16 _color);  // clipped to this picture

private:
    u32 ClipBlit(const GFX_Picture16& _source, const GFX_Rect& _rect, s32 _x, s32 _y, GFX_Rect* _to,
                 const u16** _from) const;

    GFX_Rect m_rect;
    u16* m_pixels = nullptr;
    u32 m_ownsPixels = 0;
};
