// A real display on the GL device for pixel tests, headless (the test main picks SDL's offscreen
// video driver; Mesa's llvmpipe draws): flat-coloured textures, meshes of given vertices and
// indices, and the frame read back through DSP_Display::Export. The display is SITO_DISPLAY for
// each test; a suite skips when the machine offers no OpenGL 3.3 context.
//
// The target is 640 x 480 because reading pixels back needs a full-screen mode, and the smallest
// one is that size. A fixture that derives from TST_GLTest calls its SetUp first and returns
// when that skipped or failed (m_display stays null then), and its TearDown last: meshes go
// before the display does.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dev_device.h"
#include "dsp_display.h"
#include "dsp_texture.h"
#include "plt_system.h"
#include "reb_mesh.h"

// ---- colours ----

// A colour as the display packs it, 0xAARRGGBB.
constexpr u32 TST_Argb(u32 _a, u32 _r, u32 _g, u32 _b) { return (_a << 24) | (_r << 16) | (_g << 8) | _b; }

// Channel _shift (0 blue, 8 green, 16 red, 24 alpha) of a packed colour, 0..1.
inline f32 TST_Channel(u32 _color, u32 _shift) { return (f32)((_color >> _shift) & 0xFF) / 255.0f; }

inline f32 TST_Saturate(f32 _v) { return _v < 0.0f ? 0.0f : _v > 1.0f ? 1.0f : _v; }

// Packs red, green and blue values 0..1 (saturated, rounded as the frame stores them) with
// alpha 0.
inline u32 TST_PackRgb(f32 _r, f32 _g, f32 _b)
{
    auto byte = [](f32 _v) { return (u32)lrintf(TST_Saturate(_v) * 255.0f); };
    return TST_Argb(0, byte(_r), byte(_g), byte(_b));
}

// Red, green and blue each within _tolerance steps (alpha is not read back).
inline ::testing::AssertionResult TST_RgbNear(u32 _expected, u32 _actual, s32 _tolerance = 2)
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

// ---- meshes ----

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

// ---- the fixture ----

class TST_GLTest : public testing::Test
{
public:
    static constexpr s32 WIDTH = 640;
    static constexpr s32 HEIGHT = 480;

protected:
    static void SetUpTestSuite()
    {
        PLT_System* system = PLT_GetSystem();
        if (system->Init() != 0) {
            Reason() = std::string("no video: ") + system->ErrorText();
            return;
        }
        PLT_WindowDesc desc;
        desc.title = "GL test";
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

    // The display full screen at WIDTH x HEIGHT, installed as SITO_DISPLAY.
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
    }

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

    // Texture _id, 2^_level texels square, all of colour _argb.
    void Flat(s32 _id, u32 _argb, s32 _level = 0)
    {
        const size_t side = (size_t)1 << _level;
        Texture(_id, _level, std::vector<u32>(side * side, _argb));
    }

    // A mesh of one material drawing the given vertices and indices, kept until TearDown.
    REB_Mesh* Mesh(const std::vector<DSP_Vertex>& _vertices, const std::vector<u16>& _indices)
    {
        m_meshes.push_back(TST_MakeMesh((s32)_vertices.size(), (s32)_indices.size(), 1));
        REB_Mesh* mesh = m_meshes.back().get();
        TST_FillMesh(mesh, _vertices, _indices);
        return mesh;
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
        ReadBack();
    }

    // The frame as it stands into m_pixels: B, G, R a pixel from the top row.
    void ReadBack()
    {
        m_pixels.clear();
        s32 width = 0, height = 0, size = 0;
        ASSERT_EQ(0, m_display->Export(nullptr, &width, &height, &size));
        ASSERT_EQ(WIDTH, width);
        ASSERT_EQ(HEIGHT, height);
        m_pixels.assign((size_t)size, 0);
        ASSERT_EQ(0, m_display->Export(m_pixels.data(), &width, &height, &size));
    }

    // 0x00RRGGBB of the pixel at column _x, row _y (row 0 at the top); 0xDEADBEEF when no frame
    // was read back.
    u32 Pixel(s32 _x, s32 _y) const
    {
        const size_t at = ((size_t)_y * WIDTH + (size_t)_x) * 3;
        if (at + 3 > m_pixels.size())
            return 0xDEADBEEFu;
        const u8* p = &m_pixels[at];
        return TST_Argb(0, p[2], p[1], p[0]);
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
