#include "gfx_picture16.h"

#include <gtest/gtest.h>

namespace
{

// A source whose pixel (x, y) is 1000 + y x 100 + x, so every copied pixel names its origin.
void FillNumbered(GFX_Picture16& _picture)
{
    for (s32 y = 0; y < _picture.GetHeight(); ++y)
        for (s32 x = 0; x < _picture.GetWidth(); ++x)
            _picture.GetPixels()[y * _picture.GetWidth() + x] = (u16)(1000 + y * 100 + x);
}

u16 At(const GFX_Picture16& _picture, s32 _x, s32 _y) { return _picture.GetPixels()[_y * _picture.GetWidth() + _x]; }

// Every pixel of _picture is either inside [_left, _left + _width) x [_top, _top + _height),
// where it must equal _inside(x, y), or outside, where it must be _outside.
template <typename F>
void ExpectRegion(const GFX_Picture16& _picture, s32 _left, s32 _top, s32 _width, s32 _height, F _inside, u16 _outside)
{
    s32 wrong = 0;
    for (s32 y = 0; y < _picture.GetHeight(); ++y)
        for (s32 x = 0; x < _picture.GetWidth(); ++x) {
            const bool in = x >= _left && x < _left + _width && y >= _top && y < _top + _height;
            const u16 expected = in ? (u16)_inside(x, y) : _outside;
            if (At(_picture, x, y) != expected && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << At(_picture, x, y) << ", expected " << expected;
        }
}

}  // namespace

TEST(GfxRectTest, SettersKeepTheFieldsConsistent)
{
    GFX_Rect r;
    EXPECT_EQ(0, r.left | r.top | r.right | r.bottom | r.width | r.height);
    r.Set(2, 3, 10, 20);
    EXPECT_EQ(12, r.right);
    EXPECT_EQ(23, r.bottom);
    r.SetSize(4, 5);
    EXPECT_EQ(2, r.left);
    EXPECT_EQ(6, r.right);
    EXPECT_EQ(8, r.bottom);
    r.SetTopLeft(0, 1);
    EXPECT_EQ(6, r.right);
    EXPECT_EQ(6, r.width);
    EXPECT_EQ(7, r.height);
    r.SetBottomRight(3, 4);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(3, r.width);
    EXPECT_EQ(3, r.height);
}

TEST(GfxRectTest, ClipIntersectsTouchingGivesEmptyApartGivesNothing)
{
    GFX_Rect clip;
    clip.Set(0, 0, 100, 50);
    struct Case
    {
        s32 x, y, w, h;
        u32 result;
        s32 left, top, width, height;
    };
    for (const Case& c :
         {Case{-3, -3, 10, 10, 1, 0, 0, 7, 7}, Case{95, 45, 10, 10, 1, 95, 45, 5, 5},
          Case{-10, 10, 200, 5, 1, 0, 10, 100, 5}, Case{100, 10, 5, 5, 1, 100, 10, 0, 5},
          Case{10, -5, 5, 5, 1, 10, 0, 5, 0}, Case{101, 10, 5, 5, 0, 0, 0, 0, 0}, Case{10, -6, 5, 5, 0, 0, 0, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h);
        GFX_Rect in, out;
        in.Set(c.x, c.y, c.w, c.h);
        EXPECT_EQ(c.result, clip.Clip(in, &out));
        if (c.result == 0)
            continue;
        EXPECT_EQ(c.left, out.left);
        EXPECT_EQ(c.top, out.top);
        EXPECT_EQ(c.width, out.width);
        EXPECT_EQ(c.height, out.height);
        EXPECT_EQ(out.left + out.width, out.right);
        EXPECT_EQ(out.top + out.height, out.bottom);
    }
}

// A 10x10 rectangle put at (-3, -3) leaves its lower right 7x7 part at (0, 0); the keyed copy
// does the same but skips the key colour.
TEST(GfxPicture16Test, BlitsClipAgainstTheTarget)
{
    GFX_Picture16 source(20, 20);
    FillNumbered(source);
    const u16 key = At(source, 9, 10);  // inside the part that arrives
    GFX_Rect rect;
    rect.Set(4, 5, 10, 10);

    for (bool keyed : {false, true}) {
        SCOPED_TRACE(keyed ? "keyed" : "plain");
        GFX_Picture16 target(100, 100);
        target.Fill(7);
        if (keyed)
            target.BlitKeyed(source, rect, -3, -3, key);
        else
            target.Blit(source, rect, -3, -3);
        ExpectRegion(
            target, 0, 0, 7, 7,
            [&](s32 x, s32 y) {
                const u16 from = At(source, 4 + 3 + x, 5 + 3 + y);
                return keyed && from == key ? (u16)7 : from;
            },
            7);
    }

    GFX_Picture16 target(100, 100);
    target.Blit(source, rect, 95, 97);
    ExpectRegion(
        target, 95, 97, 5, 3, [&](s32 x, s32 y) { return At(source, 4 + x - 95, 5 + y - 97); }, 0);

    // Starting exactly at the right or bottom edge, or wholly outside, draws nothing.
    GFX_Picture16 untouched(100, 100);
    untouched.Blit(source, rect, 100, 10);
    untouched.BlitKeyed(source, rect, 10, 100, key);
    untouched.Blit(source, rect, -10, 0);
    untouched.Blit(source, rect, 0, -11);
    ExpectRegion(
        untouched, 0, 0, 0, 0, [](s32, s32) { return 0; }, 0);
}

// Only the part of the source rectangle inside the source picture is copied, to where it
// would have landed without the cut.
TEST(GfxPicture16Test, BlitsClipTheSourceRectangleAgainstTheSource)
{
    GFX_Picture16 source(8, 6);
    FillNumbered(source);
    struct Case
    {
        s32 rx, ry, rw, rh;            // source rectangle
        s32 x, y;                      // destination
        s32 left, top, width, height;  // expected destination region
    };
    for (const Case& c : {Case{-2, -3, 6, 6, 10, 10, 12, 13, 4, 3}, Case{5, 4, 10, 10, 0, 0, 0, 0, 3, 2},
                          Case{-5, 2, 100, 2, 20, 20, 25, 20, 8, 2}}) {
        SCOPED_TRACE(testing::Message() << c.rx << "," << c.ry << " " << c.rw << "x" << c.rh);
        GFX_Rect rect;
        rect.Set(c.rx, c.ry, c.rw, c.rh);
        for (bool keyed : {false, true}) {
            GFX_Picture16 target(40, 40);
            if (keyed)
                target.BlitKeyed(source, rect, c.x, c.y, 1);
            else
                target.Blit(source, rect, c.x, c.y);
            ExpectRegion(
                target, c.left, c.top, c.width, c.height,
                [&](s32 x, s32 y) { return At(source, c.rx + x - c.x, c.ry + y - c.y); }, 0);
        }
    }

    // Rectangles beside the source, or empty, copy nothing.
    GFX_Picture16 target(40, 40);
    for (const GFX_Rect& rect : {[] {
                                     GFX_Rect r;
                                     r.Set(8, 0, 4, 4);
                                     return r;
                                 }(),
                                 [] {
                                     GFX_Rect r;
                                     r.Set(-4, 0, 4, 4);
                                     return r;
                                 }(),
                                 [] {
                                     GFX_Rect r;
                                     r.Set(0, 7, 4, 4);
                                     return r;
                                 }(),
                                 [] {
                                     GFX_Rect r;
                                     r.Set(2, 2, 0, 4);
                                     return r;
                                 }()})
        target.Blit(source, rect, 10, 10);
    ExpectRegion(
        target, 0, 0, 0, 0, [](s32, s32) { return 0; }, 0);
}

TEST(GfxPicture16Test, FillsAndClippedFills)
{
    GFX_Picture16 picture(10, 8);
    ExpectRegion(
        picture, 0, 0, 0, 0, [](s32, s32) { return 0; }, 0);  // starts zeroed
    picture.Fill(0x1234);
    ExpectRegion(
        picture, 0, 0, 0, 0, [](s32, s32) { return 0; }, 0x1234);

    GFX_Rect rect;
    rect.Set(-2, 5, 5, 10);
    picture.FillRect(rect, 0xBEEF);
    ExpectRegion(
        picture, 0, 5, 3, 3, [](s32, s32) { return 0xBEEF; }, 0x1234);

    rect.Set(10, 0, 5, 5);  // touching the right edge: empty
    picture.FillRect(rect, 0);
    rect.Set(3, -9, 5, 5);  // above the picture
    picture.FillRect(rect, 0);
    ExpectRegion(
        picture, 0, 5, 3, 3, [](s32, s32) { return 0xBEEF; }, 0x1234);

    GFX_Picture16 empty(0, 5);
    empty.Fill(1);
    empty.FillRect(rect, 1);
    EXPECT_EQ(0, empty.GetWidth());
}
