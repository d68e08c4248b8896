// The rectangle of pictures, glyphs and blits: half-open, so width = right - left and
// height = bottom - top. Every setter keeps the six fields consistent.
#pragma once

#include "os_types.h"

struct GFX_Rect
{
    s32 left = 0;
    s32 top = 0;
    s32 right = 0;
    s32 bottom = 0;
    s32 width = 0;
    s32 height = 0;

    void Set(s32 _x, s32 _y, s32 _width, s32 _height)
    {
        left = _x;
        top = _y;
        width = _width;
        height = _height;
        right = _x + _width;
        bottom = _y + _height;
    }
    void SetSize(s32 _width, s32 _height) { Set(left, top, _width, _height); }
    void SetTopLeft(s32 _x, s32 _y)
    {
        left = _x;
        top = _y;
        width = right - left;
        height = bottom - top;
    }
    void SetBottomRight(s32 _x, s32 _y)
    {
        right = _x;
        bottom = _y;
        width = right - left;
        height = bottom - top;
    }

    // Intersects _in with this rectangle into *_out. Returns 0, leaving *_out alone, when they
    // are apart; rectangles that only touch give an empty result (width or height 0) and 1.
    u32 Clip(const GFX_Rect& _in, GFX_Rect* _out) const
    {
        if (_in.left > right || _in.right < left || _in.top > bottom || _in.bottom < top)
            return 0;
        s32 l = _in.left > left ? _in.left : left;
        s32 r = _in.right < right ? _in.right : right;
        s32 t = _in.top > top ? _in.top : top;
        s32 b = _in.bottom < bottom ? _in.bottom : bottom;
        _out->left = l;
        _out->top = t;
        _out->right = r;
        _out->bottom = b;
        _out->width = r - l;
        _out->height = b - t;
        return 1;
    }
};
