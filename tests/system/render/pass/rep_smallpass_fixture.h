// Fixtures of the clear, trail, plant and billboard pass tests: a display on the recording fake
// device, and a display on the GL device (headless, Mesa) whose frames are read back as pixels.
// Both install their display as SITO_DISPLAY for the test and give meshes whose materials the
// test shapes; the meshes go before the display does.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dev_device.h"
#include "display_fixture.h"
#include "dsp_display.h"
#include "dsp_texture.h"
#include "plt_system.h"
#include "reb_mesh.h"
#include "rep_constants.h"
#include "vec_camera.h"

// A colour as the display packs it, 0xAARRGGBB.
constexpr u32 TST_Argb(u32 _a, u32 _r, u32 _g, u32 _b) { return (_a << 24) | (_r << 16) | (_g << 8) | _b; }

// Channel _shift (0 blue, 8 green, 16 red, 24 alpha) of a packed colour, 0..1.
inline f32 TST_Channel(u32 _color, u32 _shift) { return (f32)((_color >> _shift) & 0xFF) / 255.0f; }

// Red, green and blue within _tolerance of each other (alpha is not read back).
inline ::testing::AssertionResult TST_RgbNear(u32 _expected, u32 _actual, s32 _tolerance = 2)
{
    for (u32 shift = 0; shift < 24; shift += 8) {
        const s32 e = (s32)((_expected >> shift) & 0xFF);
        const s32 a = (s32)((_actual >> shift) & 0xFF);
        if (std::abs(e - a) > _tolerance) {
            char text[96];
            snprintf(text, sizeof(text), "expected 0x%06X, got 0x%06X", _expected & 0xFFFFFF, _actual & 0xFFFFFF);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

// Packs red, green and blue values 0..1 (saturated, rounded) with alpha 0.
inline u32 TST_PackRgb(f32 _r, f32 _g, f32 _b)
{
    auto byte = [](f32 _v) { return (u32)lrintf((_v < 0.0f ? 0.0f : _v > 1.0f ? 1.0f : _v) * 255.0f); };
    return TST_Argb(0, byte(_r), byte(_g), byte(_b));
}

// A mesh of _materials materials over one vertex and one index buffer, each material's range
// starting at 0; the caller fills the buffers and the materials.
inline std::unique_ptr<REB_Mesh> TST_MakeMesh(s32 _vertices, s32 _indices, s32 _materials)
{
    std::unique_ptr<REB_Mesh> mesh(new REB_Mesh());
    mesh->Reconstruct(REB_BUFFER_STATIC, _vertices, REB_BUFFER_STATIC, _indices, _materials);
    return mesh;
}

// The one material of _mesh drawing _vertices and _indices (written into the buffers).
inline void TST_FillMesh(REB_Mesh* _mesh, const std::vector<DSP_Vertex>& _vertices, const std::vector<u16>& _indices)
{
    void* data = nullptr;
    SITO_DISPLAY->VertexBuffer_Lock(_mesh->GetVertexBuffer(), 0, &data, 0, (s32)_vertices.size());
    memcpy(data, _vertices.data(), _vertices.size() * sizeof(DSP_Vertex));
    SITO_DISPLAY->VertexBuffer_Unlock(_mesh->GetVertexBuffer());
    SITO_DISPLAY->IndexBuffer_Lock(_mesh->GetIndexBuffer(), 0, &data, 0, (s32)_indices.size());
    memcpy(data, _indices.data(), _indices.size() * sizeof(u16));
    SITO_DISPLAY->IndexBuffer_Unlock(_mesh->GetIndexBuffer());
    REB_Material* material = _mesh->GetMaterial(0);
    material->vertexCount = (s32)_vertices.size();
    material->indexCount = (s32)_indices.size();
}

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

class TST_PassTest : public DisplayTest
{
protected:
    static constexpr s32 TEXTURES = 16;

    void SetUp() override
    {
        Open();
        SITO_DISPLAY = m_display;
        m_display->SetTextureCacheSize(TEXTURES);
        for (f32* row : REP_VertexShaderConstants)
            row[0] = row[1] = row[2] = row[3] = 0.0f;
    }

    void TearDown() override
    {
        m_meshes.clear();
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }

    // A mesh whose material i draws _ranges[i] = (index count, vertex count) from the start of
    // buffers of 64 entries.
    REB_Mesh* Mesh(const std::vector<std::pair<s32, s32>>& _ranges)
    {
        m_meshes.push_back(TST_MakeMesh(64, 64, (s32)_ranges.size()));
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
        m_display->Texture_Create(_id, DSP_TEXTURE_A8R8G8B8, 0, 1);
        return Device().textures.rbegin()->first;
    }

    // The registers of every constant upload since the last Forget, in order.
    std::vector<u32> ConstantRegisters() const
    {
        std::vector<u32> registers;
        for (const std::string& call : m_fake.Matching("SetVertexShaderConstant "))
            registers.push_back((u32)std::stoul(call.substr(strlen("SetVertexShaderConstant "))));
        return registers;
    }

    size_t Draws() const { return m_fake.Count("DrawIndexedPrimitive"); }

    std::vector<std::unique_ptr<REB_Mesh>> m_meshes;
};

// ---- the GL device ----

class TST_PassGLTest : public testing::Test
{
protected:
    static constexpr s32 WIDTH = 640;
    static constexpr s32 HEIGHT = 480;
    static constexpr s32 TEXTURES = 16;

    static void SetUpTestSuite()
    {
        PLT_System* system = PLT_GetSystem();
        if (system->Init() != 0) {
            s_reason() = std::string("no video: ") + system->ErrorText();
            return;
        }
        PLT_WindowDesc desc;
        desc.title = "pass test";
        desc.width = WIDTH;
        desc.height = HEIGHT;
        if (system->CreateWindow(desc) != 0) {
            s_reason() = std::string("no window: ") + system->ErrorText();
            return;
        }
        DEV_Driver* probe = DEV_CreateGLDevice(system->Window());
        if (probe == nullptr) {
            s_reason() = "no OpenGL 3.3 context";
            return;
        }
        delete probe;
        s_ready() = true;
    }

    static void TearDownTestSuite()
    {
        s_ready() = false;
        PLT_GetSystem()->Shutdown();
    }

    void SetUp() override
    {
        if (!s_ready())
            GTEST_SKIP() << s_reason();
        u32 ok = 0;
        m_display = new DSP_Display(&ok, PLT_GetSystem()->Window(), nullptr, 1);
        ASSERT_EQ(1u, ok);
        DSP_BoardInfo board;
        m_display->OpenBoard(&board);
        ASSERT_EQ(0, m_display->OpenResolution(WIDTH, HEIGHT, 32, 0));
        SITO_DISPLAY = m_display;
        m_display->SetTextureCacheSize(TEXTURES);
        REP_SetConstantZero(0);
        REP_SetConstantOne(1);
        TST_UseCamera(m_transform, m_camera);
    }

    void TearDown() override
    {
        m_meshes.clear();
        SITO_DISPLAY = nullptr;
        delete m_display;
        m_display = nullptr;
    }

    // A 2^_level square texture of id _id, its texels given row by row (0xAARRGGBB).
    void Texture(s32 _id, s32 _level, const std::vector<u32>& _texels)
    {
        m_display->Texture_Create(_id, DSP_TEXTURE_A8R8G8B8, _level, 1);
        m_display->Texture_Refresh(_id, _texels.data());
    }
    void Texture(s32 _id, u32 _color) { Texture(_id, 0, {_color}); }

    // A mesh of one material drawing the given vertices and indices.
    REB_Mesh* Mesh(const std::vector<DSP_Vertex>& _vertices, const std::vector<u16>& _indices)
    {
        m_meshes.push_back(TST_MakeMesh((s32)_vertices.size(), (s32)_indices.size(), 1));
        REB_Mesh* mesh = m_meshes.back().get();
        TST_FillMesh(mesh, _vertices, _indices);
        return mesh;
    }

    // Clears to _background, runs _draw inside a scene, presents and reads the frame back.
    template <class DRAW>
    void Frame(u32 _background, DRAW _draw)
    {
        m_display->Clear(1, 1, _background);
        m_display->BeginScene();
        _draw();
        m_display->EndScene();
        m_display->Flip();
        s32 width = 0, height = 0, size = 0;
        ASSERT_EQ(0, m_display->Export(nullptr, &width, &height, &size));
        m_pixels.assign((size_t)size, 0);
        ASSERT_EQ(0, m_display->Export(m_pixels.data(), &width, &height, &size));
    }

    // 0x00RRGGBB of the pixel at column _x, row _y (row 0 at the top).
    u32 Pixel(s32 _x, s32 _y) const
    {
        const u8* p = &m_pixels[((size_t)_y * WIDTH + (size_t)_x) * 3];
        return TST_Argb(0, p[2], p[1], p[0]);
    }

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

    static std::string& s_reason()
    {
        static std::string reason;
        return reason;
    }
    static bool& s_ready()
    {
        static bool ready = false;
        return ready;
    }

    DSP_Display* m_display = nullptr;
    VEC_Camera m_camera;
    VEC_TransformState m_transform;
    std::vector<std::unique_ptr<REB_Mesh>> m_meshes;
    std::vector<u8> m_pixels;
};
