#include "gfx_picture16.h"

#include <cstring>

#include "os_fatal.h"

GFX_Picture16::GFX_Picture16(s32 _width, s32 _height)
{
    if (_width < 0)
        _width = 0;
    if (_height < 0)
        _height = 0;
    u64 bytes = (u64)_width * (u64)_height * 2;
    // A picture of 65535 x 65535 pixels (the largest a TGA header gives) does not fit a block.
    if (bytes > 0xFFFF0000ull)
        OS_Fatal("GFX_Picture16::GFX_Picture16()", "out of memory");
    m_rect.Set(0, 0, _width, _height);
    if (bytes != 0) {
        m_pixels = (u16*)MEM_AllocOrDie((u32)bytes, "GFX_Picture16::GFX_Picture16()");
        memset(m_pixels, 0, (size_t)bytes);
        m_ownsPixels = 1;
    }
}

GFX_Picture16::~GFX_Picture16()
{
    if (m_ownsPixels != 0)
        MEM_Free(m_pixels);
}

u32 GFX_Picture16::ClipBlit(const GFX_Picture16& _source, const GFX_Rect& _rect, s32 _x, s32 _y, GFX_Rect* _to,
                            const u16** _from) const
{
    // Only the part of the source rectangle inside the source picture can be copied; it moves
    // the destination by as much as it was cut on the left and top.
    GFX_Rect from;
    if (!_source.m_rect.Clip(_rect, &from) || from.width <= 0 || from.height <= 0)
        return 0;
    _x += from.left - _rect.left;
    _y += from.top - _rect.top;

    GFX_Rect at;
    at.Set(_x, _y, from.width, from.height);
    if (!m_rect.Clip(at, _to) || _to->width <= 0 || _to->height <= 0)
        return 0;
    *_from =
        _source.m_pixels + (ptrdiff_t)(from.top + _to->top - _y) * _source.m_rect.width + (from.left + _to->left - _x);
    return 1;
}

void GFX_Picture16::Blit(const GFX_Picture16& _source, const GFX_Rect& _rect, s32 _x, s32 _y)
{
    GFX_Rect to;
    const u16* from = nullptr;
    if (!ClipBlit(_source, _rect, _x, _y, &to, &from))
        return;
    u16* out = m_pixels + (ptrdiff_t)to.top * m_rect.width + to.left;
    for (s32 y = 0; y < to.height; ++y) {
        memmove(out, from, (size_t)to.width * 2);
        from += _source.m_rect.width;
        out += m_rect.width;
    }
}

void GFX_Picture16::BlitKeyed(const GFX_Picture16& _source, const GFX_Rect& _rect, s32 _x, s32 _y, u16 _key)
{
    GFX_Rect to;
    const u16* from = nullptr;
    if (!ClipBlit(_source, _rect, _x, _y, &to, &from))
        return;
    u16* out = m_pixels + (ptrdiff_t)to.top * m_rect.width + to.left;
    for (s32 y = 0; y < to.height; ++y) {
        for (s32 x = 0; x < to.width; ++x)
            if (from[x] != _key)
                out[x] = from[x];
        from += _source.m_rect.width;
        out += m_rect.width;
    }
}

void GFX_Picture16::Fill(u16 _color)
{
    s64 count = (s64)m_rect.width * m_rect.height;
    for (s64 i = 0; i < count; ++i)
        m_pixels[i] = _color;
}

void GFX_Picture16::FillRect(const GFX_Rect& _rect, u16 _color)
{
    GFX_Rect to;
    if (!m_rect.Clip(_rect, &to) || to.width <= 0 || to.height <= 0)
        return;
    u16* out = m_pixels + (ptrdiff_t)to.top * m_rect.width + to.left;
    for (s32 y = 0; y < to.height; ++y, out += m_rect.width)
        for (s32 x = 0; x < to.width; ++x)
            out[x] = _color;
}
