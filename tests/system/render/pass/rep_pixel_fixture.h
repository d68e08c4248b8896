// A real display on the GL device (headless: the offscreen video driver, Mesa here) for pixel
// tests of the passes: flat-coloured textures, a quad covering the whole target, and the frame
// read back after a flip. Installed as SITO_DISPLAY for each test; the suite skips when the
// machine offers no OpenGL 3.3 context.
//
// The target is 640 x 480 because reading pixels back needs a full-screen mode, and the
// smallest one is that size. With PassThrough() the vertex positions are clip coordinates,
// so a pass's own constants can be set by hand and a variant drawn alone.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dsp_display.h"
#include "dsp_texture.h"
#include "mat_vector.h"
#include "plt_system.h"
#include "reb_mesh.h"
#include "rep_constants.h"

class TST_PixelTest : public testing::Test
{
public:
    static constexpr s32 WIDTH = 640;
    static constexpr s32 HEIGHT = 480;
    static constexpr s32 TEXTURES = 16;

    // A colour as 0..1 values, and its packing as the display's 0xAARRGGBB.
    struct Color
    {
        f32 r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
    };
    static Color Unpack(u32 _argb)
    {
        return {(f32)((_argb >> 16) & 0xFF) / 255.0f, (f32)((_argb >> 8) & 0xFF) / 255.0f, (f32)(_argb & 0xFF) / 255.0f,
                (f32)(_argb >> 24) / 255.0f};
    }
    static f32 Saturate(f32 _v) { return _v < 0.0f ? 0.0f : _v > 1.0f ? 1.0f : _v; }
    // 0x00RRGGBB of a colour, saturated and rounded as the frame stores it.
    static u32 PackRgb(const Color& _c)
    {
        auto byte = [](f32 _v) { return (u32)lrintf(Saturate(_v) * 255.0f); };
        return byte(_c.r) << 16 | byte(_c.g) << 8 | byte(_c.b);
    }

    // Red, green and blue each within _tolerance steps.
    static ::testing::AssertionResult RgbNear(u32 _expected, u32 _actual, s32 _tolerance = 2)
    {
        for (u32 shift = 0; shift < 24; shift += 8) {
            const s32 e = (s32)((_expected >> shift) & 0xFF);
            const s32 a = (s32)((_actual >> shift) & 0xFF);
            if (std::abs(e - a) > _tolerance) {
                char text[64];
                snprintf(text, sizeof(text), "expected 0x%06X, got 0x%06X", _expected & 0xFFFFFFu, _actual & 0xFFFFFFu);
                return ::testing::AssertionFailure() << text;
            }
        }
        return ::testing::AssertionSuccess();
    }

protected:
    static void SetUpTestSuite()
    {
        PLT_System* system = PLT_GetSystem();
        if (system->Init() != 0) {
            Reason() = std::string("no video: ") + system->ErrorText();
            return;
        }
        PLT_WindowDesc desc;
        desc.title = "pass pixel test";
        desc.width = WIDTH;
        desc.height = HEIGHT;
        if (system->CreateWindow(desc) != 0) {
            Reason() = std::string("no window: ") + system->ErrorText();
            return;
        }
        DEV_Driver* probe = DEV_CreateGLDevice(system->Window());
        if (probe == nullptr) {
            Reason() = "no OpenGL 3.3 context";
            return;
        }
        delete probe;
        Ready() = true;
    }

    static void TearDownTestSuite()
    {
        Ready() = false;
        PLT_GetSystem()->Shutdown();
    }

    void SetUp() override
    {
        if (!Ready())
            GTEST_SKIP() << Reason();
        u32 ok = 0;
        m_display = new DSP_Display(&ok, PLT_GetSystem()->Window(), nullptr, 1);
        ASSERT_EQ(1u, ok);
        DSP_BoardInfo board;
        m_display->OpenBoard(&board);
        ASSERT_EQ(0, m_display->OpenResolution(WIDTH, HEIGHT, 32, 0));
        SITO_DISPLAY = m_display;
        m_display->SetTextureCacheSize(TEXTURES);
        for (s32 i = 0; i < REP_NUM_CONSTANTS; ++i)
            REP_SetConstantZero(i);
        REP_SetConstantOne(1);
    }

    // Meshes go before the display.
    void TearDown() override
    {
        m_meshes.clear();
        SITO_DISPLAY = nullptr;
        delete m_display;
        m_display = nullptr;
    }

    // Texture _id, 2^_level texels square, given row by row as 0xAARRGGBB (row 0 at v = 0).
    void Texture(s32 _id, s32 _level, const std::vector<u32>& _texels)
    {
        m_display->Texture_Create(_id, DSP_TEXTURE_A8R8G8B8, _level, 1);
        m_display->Texture_Refresh(_id, _texels.data());
    }
    void Flat(s32 _id, u32 _argb) { Texture(_id, 0, {_argb}); }

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
        m_meshes.emplace_back(new REB_Mesh());
        REB_Mesh* mesh = m_meshes.back().get();
        const s32 indexCount = (s32)_vertices.size() / 4 * 6;
        mesh->Reconstruct(REB_BUFFER_STATIC, (s32)_vertices.size(), REB_BUFFER_STATIC, indexCount, 1);
        void* data = nullptr;
        m_display->VertexBuffer_Lock(mesh->GetVertexBuffer(), 0, &data, 0, (s32)_vertices.size());
        memcpy(data, _vertices.data(), _vertices.size() * sizeof(DSP_Vertex));
        m_display->VertexBuffer_Unlock(mesh->GetVertexBuffer());
        m_display->IndexBuffer_Lock(mesh->GetIndexBuffer(), 0, &data, 0, indexCount);
        u16* indices = (u16*)data;
        for (s32 quad = 0; quad < indexCount / 6; ++quad)
            for (s32 k : {0, 1, 2, 0, 2, 3})
                *indices++ = (u16)(quad * 4 + k);
        m_display->IndexBuffer_Unlock(mesh->GetIndexBuffer());
        REB_Material* material = mesh->GetMaterial(0);
        material->vertexCount = (s32)_vertices.size();
        material->indexCount = indexCount;
        return mesh;
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

    // Clears to _background, runs _draw inside a scene, flips and reads the frame back.
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

    // 0x00RRGGBB at column _x, row _y (row 0 at the top).
    u32 Pixel(s32 _x, s32 _y) const
    {
        const u8* p = &m_pixels[((size_t)_y * WIDTH + (size_t)_x) * 3];
        return (u32)p[2] << 16 | (u32)p[1] << 8 | p[0];
    }
    u32 Centre() const { return Pixel(WIDTH / 2, HEIGHT / 2); }

    static std::string& Reason()
    {
        static std::string reason;
        return reason;
    }
    static bool& Ready()
    {
        static bool ready = false;
        return ready;
    }

    DSP_Display* m_display = nullptr;
    std::vector<std::unique_ptr<REB_Mesh>> m_meshes;
    std::vector<u8> m_pixels;
};
