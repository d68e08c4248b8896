// Fixtures of the clear, trail, plant, sprite, overlay and billboard pass tests: a display on
// the recording fake device (the object tests' fixture, with meshes of given ranges), and the
// shared GL display (gl_fixture.h) with a camera whose frames are read back as pixels. Both
// install their display as SITO_DISPLAY for the test; the meshes go before the display does.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "gl_fixture.h"
#include "rep_constants.h"
#include "rep_object_fixture.h"
#include "vec_camera.h"

// The camera's placement and projection in a transform state, world the identity.
inline void TST_UseCamera(VEC_TransformState& _transform, const VEC_Camera& _camera)
{
    _transform.SetView(_camera.GetWorldTransform());
    _transform.SetProjection(_camera.GetProjection());
    MAT_Matrix34 world;
    world.r.SetDiagonal(1.0f);
    _transform.SetWorld(world);
}

// A view-space point through a projection (columns t, X, Y, Z).
inline void TST_Project(const MAT_Matrix44& _projection, const MAT_Vector3& _view, f32 _clip[4])
{
    const f32* m = _projection.m;
    for (s32 row = 0; row < 4; ++row)
        _clip[row] = m[row] + m[4 + row] * _view.x + m[8 + row] * _view.y + m[12 + row] * _view.z;
}

// ---- the recording fake ----

class TST_PassTest : public TST_ObjectFakeTest
{
protected:
    // A mesh whose material i draws _ranges[i] = (index count, vertex count) from the start of
    // buffers of CAPACITY entries.
    REB_Mesh* Mesh(const std::vector<std::pair<s32, s32>>& _ranges)
    {
        m_meshes.push_back(TST_MakeMesh(CAPACITY, CAPACITY, (s32)_ranges.size()));
        REB_Mesh* mesh = m_meshes.back().get();
        for (size_t i = 0; i < _ranges.size(); ++i) {
            mesh->GetMaterial((s32)i)->indexCount = _ranges[i].first;
            mesh->GetMaterial((s32)i)->vertexCount = _ranges[i].second;
        }
        return mesh;
    }

    // A texture made for id _id, and the device's handle of it.
    DEV_Handle Texture(s32 _id)
    {
        TST_ObjectFakeTest::Texture(_id);
        return Device().textures.rbegin()->first;
    }

    // The registers of every constant upload since the last Forget, in order.
    std::vector<u32> ConstantRegisters() const { return Uploads(); }

    size_t Draws() const { return m_fake.Count("DrawIndexedPrimitive"); }
};

// ---- the GL device ----

class TST_PassGLTest : public TST_GLTest
{
protected:
    static constexpr s32 TEXTURES = 16;

    void SetUp() override
    {
        TST_GLTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_display->SetTextureCacheSize(TEXTURES);
        REP_SetConstantZero(0);
        REP_SetConstantOne(1);
        TST_UseCamera(m_transform, m_camera);
    }

    using TST_GLTest::Texture;
    // A 1 x 1 texture of id _id and colour _color (0xAARRGGBB).
    void Texture(s32 _id, u32 _color) { Flat(_id, _color); }

    // The pixel under a clip-space point.
    u32 PixelAt(const f32 _clip[4]) const
    {
        const f32 x = (_clip[0] / _clip[3] + 1.0f) * 0.5f * (f32)WIDTH;
        const f32 y = (1.0f - _clip[1] / _clip[3]) * 0.5f * (f32)HEIGHT;
        return Pixel((s32)x, (s32)y);
    }

    // A quad of vertices facing the default camera at view depth _depth, covering normalised
    // device coordinates _x +- _half, _y +- _half.
    static void Quad(std::vector<DSP_Vertex>& _vertices, std::vector<u16>& _indices, f32 _x, f32 _y, f32 _half,
                     f32 _depth, u32 _color)
    {
        const u16 base = (u16)_vertices.size();
        // Clockwise on the screen, as Direct3D's default culling keeps.
        const f32 corners[4][2] = {{-1.0f, -1.0f}, {-1.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, -1.0f}};
        for (const auto& corner : corners) {
            DSP_Vertex vertex;
            vertex.x = (_x + corner[0] * _half) * _depth;
            vertex.y = _depth;
            vertex.z = (_y + corner[1] * _half) * 0.75000185f * _depth;
            vertex.color = _color;
            vertex.u = corner[0] * 0.5f + 0.5f;
            vertex.v = 0.5f - corner[1] * 0.5f;
            _vertices.push_back(vertex);
        }
        for (u16 index : {0, 1, 2, 0, 2, 3})
            _indices.push_back((u16)(base + index));
    }

    VEC_Camera m_camera;
    VEC_TransformState m_transform;
};
