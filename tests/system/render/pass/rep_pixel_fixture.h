// The shared GL display (gl_fixture.h) for pixel tests of the object and standard passes: the
// pass constants cleared for each test, colours as 0..1 values, and quads over the target.
// With PassThrough() the vertex positions are clip coordinates, so a pass's own constants can
// be set by hand and a variant drawn alone.
#pragma once

#include <vector>

#include "gl_fixture.h"
#include "mat_vector.h"
#include "rep_constants.h"

class TST_PixelTest : public TST_GLTest
{
public:
    static constexpr s32 TEXTURES = 16;

    // A colour as 0..1 values, and its packing as the display's 0xAARRGGBB.
    struct Color
    {
        f32 r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
    };
    static Color Unpack(u32 _argb)
    {
        return {TST_Channel(_argb, 16), TST_Channel(_argb, 8), TST_Channel(_argb, 0), TST_Channel(_argb, 24)};
    }
    static f32 Saturate(f32 _v) { return TST_Saturate(_v); }
    // 0x00RRGGBB of a colour, saturated and rounded as the frame stores it.
    static u32 PackRgb(const Color& _c) { return TST_PackRgb(_c.r, _c.g, _c.b); }

    // Red, green and blue each within _tolerance steps.
    static ::testing::AssertionResult RgbNear(u32 _expected, u32 _actual, s32 _tolerance = 2)
    {
        return TST_RgbNear(_expected, _actual, _tolerance);
    }

protected:
    void SetUp() override
    {
        TST_GLTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_display->SetTextureCacheSize(TEXTURES);
        for (s32 i = 0; i < REP_NUM_CONSTANTS; ++i)
            REP_SetConstantZero(i);
        REP_SetConstantOne(1);
    }

    // c3-c6 the identity rows: positions are clip coordinates.
    void PassThrough()
    {
        REP_SetConstant4(3, 1.0f, 0.0f, 0.0f, 0.0f);
        REP_SetConstant4(4, 0.0f, 1.0f, 0.0f, 0.0f);
        REP_SetConstant4(5, 0.0f, 0.0f, 1.0f, 0.0f);
        REP_SetConstant4(6, 0.0f, 0.0f, 0.0f, 1.0f);
    }

    // One material over the given vertices, two triangles per four (clockwise on the screen,
    // the side the passes' culling keeps).
    REB_Mesh* Quads(const std::vector<DSP_Vertex>& _vertices)
    {
        std::vector<u16> indices;
        for (s32 quad = 0; quad < (s32)_vertices.size() / 4; ++quad)
            for (s32 k : {0, 1, 2, 0, 2, 3})
                indices.push_back((u16)(quad * 4 + k));
        return Mesh(_vertices, indices);
    }

    // The whole target in clip coordinates at depth 0.5, every vertex with the same normal,
    // colour and texture coordinates (so a texture shows one texel everywhere).
    REB_Mesh* ScreenQuad(const MAT_Vector3& _normal, u32 _argb, f32 _u, f32 _v)
    {
        std::vector<DSP_Vertex> vertices;
        const f32 corners[4][2] = {{-1.0f, -1.0f}, {-1.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, -1.0f}};
        for (const auto& corner : corners) {
            DSP_Vertex vertex;
            vertex.x = corner[0];
            vertex.y = corner[1];
            vertex.z = 0.5f;
            vertex.nx = _normal.x;
            vertex.ny = _normal.y;
            vertex.nz = _normal.z;
            vertex.color = _argb;
            vertex.u = _u;
            vertex.v = _v;
            vertices.push_back(vertex);
        }
        return Quads(vertices);
    }
};
