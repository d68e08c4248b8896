// One frame of a small scene through the whole renderer on the GL display: sky, a terrain
// patch, two objects under fog, a billboard, a trail, a particle, plankton, an overlay quad and
// text, each found in the screenshot where the camera puts it.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "brisel_renderer.h"
#include "brisel_renderer_fixture.h"
#include "crt_rand.h"
#include "dev_device.h"
#include "dsp_display.h"
#include "dsp_texture.h"
#include "gfx_picture16.h"
#include "gfx_textwriter.h"
#include "gl_fixture.h"
#include "plt_system.h"
#include "reb_mesh.h"
#include "test_dir.h"
#include "tools_fog.h"
#include "tools_mesh.h"
#include "tools_tga.h"

namespace
{

constexpr s32 TEXT_TEXTURE = 755;  // outside the ids LoadTextures reloads

struct Rgb
{
    s32 r, g, b;
};

class RendererGLTest : public TST_GLTest
{
protected:
    void SetUp() override
    {
        TST_GLTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        WriteScene();
        OS_SetCommandLine("");
        SIM_GetFrameClock().Set(0.0f, 0.0f);
        SIM_GetFrameClock().fraction = 0.0f;
        Brisel_Renderer::GetDisplaySetup() = Brisel_DisplaySetup();
        Brisel_Renderer::SetPlanktonSwitch(1);
        m_resources.reset(new TST_FakeResources());
        m_scene.reset(new TST_FakeScene());
        m_renderer = new Brisel_Renderer();
        m_renderer->CreateDisplay();
    }

    void TearDown() override
    {
        if (m_display != nullptr) {
            delete m_renderer;
            m_renderer = nullptr;
            m_scene.reset();
            m_resources->renderMeshes.clear();
            m_meshes.clear();
            m_resources.reset();
        }
        TST_GLTest::TearDown();
    }

    // A 4 x 4 picture of one colour, as the texture file _name.
    void TextureFile(const std::string& _name, u32 _color)
    {
        m_dir.Write(_name + "_l2.tga", TOOL_TGABytes(TOOL_MakeTGA(4, 4, 32, _color)));
    }

    // Configuration, fonts, a sky wall ahead of the eye, textures, the terrain's selector
    // picture and a fog whose alpha grows with view depth.
    void WriteScene()
    {
        TST_RendererData data;
        TST_WriteRendererData(m_dir, data);
        TOOL_Mesh sky;
        sky.vertices = {{-2.0f, 0.9f, -2.0f}, {-2.0f, 0.9f, 2.0f}, {2.0f, 0.9f, 2.0f}, {2.0f, 0.9f, -2.0f}};
        TOOL_MeshMaterial material;
        material.diffuseBitmap = "sky";
        sky.materials = {material};
        // Both windings, so that the wall shows whichever way the pass culls.
        for (const std::array<s32, 3>& corners : {std::array<s32, 3>{0, 1, 2}, std::array<s32, 3>{0, 2, 3},
                                                  std::array<s32, 3>{0, 2, 1}, std::array<s32, 3>{0, 3, 2}}) {
            TOOL_MeshTriangle triangle;
            triangle.vertex = corners;
            sky.triangles.push_back(triangle);
        }
        m_dir.Write("vfx/msh/sky03.msh", TOOL_MeshText(sky));
        for (s32 frame = 1; frame <= data.causticFrames; ++frame)
            TextureFile("caustic/caustic00" + std::to_string(frame), 0xFF000000u);

        TextureFile("vfx/tex/sky", 0xFF0000A0u);
        TextureFile("vfx/tex/objwhite", 0xFFFFFFFFu);
        TextureFile("vfx/tex/fx/red", 0xFFFF0000u);
        TextureFile("vfx/tex/fx/green", 0xFF00FF00u);
        TextureFile("vfx/tex/fx/white", 0xFFFFFFFFu);
        TextureFile("vfx/tex/fx/orange", 0xFFFF8000u);
        TextureFile("vfx/tex/fx/plankton", 0xFF808000u);
        TextureFile("terrain/ground", 0xFF808080u);
        TextureFile("terrain/detail", 0xFF808080u);
        TextureFile("terrain/light", 0xFFFFFFFFu);
        m_dir.Write("terrain/material_s.tga", TOOL_TGABytes(TOOL_MakeTGA(256, 256, 32, 0x00C08040u)));

        TOOL_Fog fog;
        fog.rows = 64;
        fog.baseHeight = -100.0f;
        fog.depthStep = 2.0f;  // 128 units of depth over the rows
        fog.layerSpacing = 4.0f;
        fog.pixels.resize((size_t)64 * 64 * 64);
        for (size_t i = 0; i < fog.pixels.size(); ++i)
            fog.pixels[i] = (u32)((i % 64) * 4) << 24 | 0x0000FF00u;  // green, alpha 4 x row
        m_dir.Write("fog/green.fog", TOOL_FogBytes(fog));
        m_dir.Write("fog/green.tga", TOOL_TGABytes(TOOL_MakeTGA(2, 1, 32, 0x00000000u)));
    }

    // A square facing the eye (its normal along -y), _side wide, for the object pass.
    REB_Mesh* Square(f32 _side)
    {
        VEC_MeshPart part;
        part.Allocate(4, 2);
        const f32 corners[4][2] = {{-0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, -0.5f}};
        for (s32 i = 0; i < 4; ++i) {
            part.vertices[i].x = corners[i][0] * _side;
            part.vertices[i].z = corners[i][1] * _side;
            part.vertices[i].ny = -1.0f;
            part.vertices[i].u = corners[i][0] + 0.5f;
            part.vertices[i].v = 0.5f - corners[i][1];
        }
        const u16 triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (s32 t = 0; t < 2; ++t)
            for (s32 k = 0; k < 3; ++k)
                part.triangles[t].vertex[k] = triangles[t][k];
        part.vertexCount = 4;
        part.triangleCount = 2;
        part.ComputeBoundingBox();
        part.material.diffuseMap.SetTextureName("objwhite");
        m_meshes.emplace_back(new REB_Mesh());
        m_meshes.back()->Reconstruct(&part);
        m_resources->renderMeshes.push_back(m_meshes.back().get());
        return m_meshes.back().get();
    }

    TST_FakeBody* Body(s16 _bucket, const MAT_Vector3& _position, std::function<void()> _render)
    {
        m_bodies.emplace_back(new TST_FakeBody(nullptr, _bucket, _position));
        m_bodies.back()->onRender = std::move(_render);
        m_scene->camera->visible.push_back(m_bodies.back().get());
        return m_bodies.back().get();
    }

    static MAT_Matrix34 At(const MAT_Vector3& _position)
    {
        MAT_Matrix34 world;
        world.r.SetDiagonal(1.0f);
        world.t = _position;
        return world;
    }

    // The screenshot's pixel at column _x, row _y (row 0 at the top).
    Rgb PixelAt(s32 _x, s32 _y) const
    {
        const u32 color = Pixel(_x, _y);
        return {(s32)(color >> 16 & 0xFF), (s32)(color >> 8 & 0xFF), (s32)(color & 0xFF)};
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_FakeResources> m_resources;
    std::unique_ptr<TST_FakeScene> m_scene;
    Brisel_Renderer* m_renderer = nullptr;
    std::vector<std::unique_ptr<TST_FakeBody>> m_bodies;
};

::testing::AssertionResult Near(const Rgb& _pixel, s32 _r, s32 _g, s32 _b, s32 _tolerance)
{
    if (std::abs(_pixel.r - _r) <= _tolerance && std::abs(_pixel.g - _g) <= _tolerance &&
        std::abs(_pixel.b - _b) <= _tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << _pixel.r << ", " << _pixel.g << ", " << _pixel.b << ") is not near ("
                                         << _r << ", " << _g << ", " << _b << ")";
}

// The eye sits at the origin looking along +y with a 90 degree view: a point (x, y, z) lands
// on the screen at (320 + 320 x / y, 240 - 320 z / y).
TEST_F(RendererGLTest, OneFrameShowsEveryKindOfContentWhereTheCameraPutsIt)
{
    REB_TextureCache& names = m_resources->names;
    const s32 red = names.RegisterTextureName("vfx\\tex\\fx\\red", 32);
    const s32 green = names.RegisterTextureName("vfx\\tex\\fx\\green", 32);
    const s32 white = names.RegisterTextureName("vfx\\tex\\fx\\white", 32);
    const s32 orange = names.RegisterTextureName("vfx\\tex\\fx\\orange", 32);

    // The terrain: one flat tile of 80 x 50 units, 10 below the eye, from 10 to 60 ahead.
    m_renderer->Terrain_SetMaterial(0, "terrain\\ground", 0.1f);
    m_renderer->Terrain_SetMaterial(3, "terrain\\detail", 0.5f);
    m_renderer->Terrain_SetLightmap("terrain\\light");
    const f32 tint[3] = {0.5f, 0.5f, 0.5f};
    EXPECT_EQ(1, m_renderer->Terrain_CreateSelectors("terrain\\", tint, tint, tint));
    TST_FakeTerrain terrain;
    terrain.tiles.resize(1);
    TST_FakeTerrainTile& tile = terrain.tiles[0];
    tile.vertices.resize(4);
    for (u32 i = 0; i < 4; ++i) {
        tile.vertices[i].x = i & 1;
        tile.vertices[i].y = i >> 1;
    }
    tile.triangles.resize(2);
    const u16 corners[2][3] = {{0, 3, 1}, {0, 2, 3}};  // clockwise seen from above and behind
    for (s32 t = 0; t < 2; ++t)
        for (s32 k = 0; k < 3; ++k)
            tile.triangles[(size_t)t].vertex[k] = corners[t][k];
    tile.origin = {-40.0f, 10.0f, -10.0f};
    tile.scale = {80.0f, 50.0f, 1.0f};

    // Plankton: one layer of small triangles around the eye.
    CRT_SRand(7);
    VEC_Material planktonMaterial;
    planktonMaterial.diffuseMap.blendMode = 1;
    m_renderer->Plankton_Set(0, "vfx\\tex\\fx\\plankton", planktonMaterial, 60, 20.0f, 0.4f, 0.6f, 0.0f, 6.2831855f);

    REB_Mesh* nearSquare = Square(4.0f);
    REB_Mesh* farSquare = Square(20.0f);
    m_renderer->LoadFog("fog\\green");
    m_renderer->LoadTextures();
    m_renderer->Terrain_Triangulate(&terrain, 1.0f);

    // The text picture: four "!" of 3 x 5 white pixels at its top left.
    GFX_Picture16 text(64, 64);
    GFX_TextWriter writer;
    writer.SetTarget(&text);
    writer.SetFont(&m_renderer->GetFont(0));
    writer.PutString("!!!!");
    ASSERT_EQ(0, m_display->Texture_Create(TEXT_TEXTURE, DSP_TEXTURE_A1R5G5B5, 6, 1));
    m_display->Texture_Refresh(TEXT_TEXTURE, text.GetPixels());

    Body(BRISEL_BUCKET_SOLID, {-6.0f, 20.0f, 4.0f}, [&] {
        m_renderer->RenderMesh(nearSquare, At({-6.0f, 20.0f, 4.0f}));
    });
    Body(BRISEL_BUCKET_SOLID, {50.0f, 110.0f, 22.0f}, [&] {
        m_renderer->RenderMesh(farSquare, At({50.0f, 110.0f, 22.0f}));
    });
    Body(BRISEL_BUCKET_TERRAIN, {}, [&] { m_renderer->Terrain_Render(); });
    TST_FakeTrail trail;
    trail.quads = 4;
    trail.start = {-20.0f, 40.0f, 20.0f};
    trail.length = 15.0f;
    trail.halfWidth = 1.0f;
    Body(BRISEL_BUCKET_TRAILS, {}, [&] { m_renderer->RenderTrail(&trail, white); });
    const u8 opaque[4] = {255, 255, 255, 255};
    Body(BRISEL_BUCKET_HALOS, {}, [&] { m_renderer->RenderBillboard(red, {0.0f, 30.0f, 6.0f}, 4.0f, 4.0f, opaque); });
    Body(BRISEL_BUCKET_PLANKTON, {}, [&] { m_renderer->Plankton_Render(1.0f); });

    Brisel_ParticleLook look;
    look.textureId = green;
    look.sizeScale = 4.0f;
    look.blendMode = 1;
    for (VFX_KeyTrack* curve : {&look.red, &look.green, &look.blue, &look.alpha, &look.size}) {
        curve->Allocate(2);
        curve->Fill(1.0f);
        curve->SetTiming(0.0f, 1.0f, VFX_KeyTrack::FLAG_CLAMP);
    }
    TST_FakeParticles particles;
    Brisel_ParticleState particle;
    particle.ageRate = 0.5f;
    particle.position = particle.previousPosition = {20.0f, 30.0f, 6.0f};
    particle.look = &look;
    particles.particles.push_back(particle);

    TST_FakeScreenNode* hud = m_scene->AddScreen("hud");
    hud->onRender = [&] {
        m_renderer->Draw2DQuad(orange, 560.0f, 400.0f, MAT_Angle(), 64.0f, 64.0f, opaque, 2, 255);
        m_renderer->Draw2DQuad(TEXT_TEXTURE, 100.0f, 400.0f, MAT_Angle(), 64.0f, 64.0f, opaque, 2, 255);
    };

    SIM_GetFrameClock().SetTime(0.0f);
    m_renderer->Render();
    ReadBack();

    // The sky wall, untouched by fog (its density is 0).
    EXPECT_TRUE(Near(PixelAt(40, 40), 0, 0, 160, 8));
    EXPECT_TRUE(Near(PixelAt(600, 100), 0, 0, 160, 8));
    // Additive billboard, particle and trail over the sky.
    EXPECT_TRUE(Near(PixelAt(320, 176), 255, 0, 160, 12));
    EXPECT_TRUE(Near(PixelAt(533, 176), 0, 255, 160, 12));
    const Rgb trailPixel = PixelAt(220, 80);
    EXPECT_GT(trailPixel.r, 120);
    EXPECT_EQ(trailPixel.r, trailPixel.g);
    EXPECT_GT(trailPixel.b, 200);
    // Both objects are drawn over the sky; the far one is nearer to the fog's green.
    const Rgb nearObject = PixelAt(224, 176);
    const Rgb farObject = PixelAt(465, 176);
    EXPECT_LT(nearObject.b, 100);
    EXPECT_LT(farObject.b, 100);
    EXPECT_GT(farObject.g - farObject.r, nearObject.g - nearObject.r + 80);
    EXPECT_GT(farObject.g, 150);
    // The terrain fills the lower screen, greener where it is farther.
    const Rgb nearGround = PixelAt(320, 470);
    const Rgb farGround = PixelAt(320, 300);
    EXPECT_GT(nearGround.r, nearGround.b);
    EXPECT_LT(farGround.b, 100);
    EXPECT_GT(farGround.g - farGround.r, nearGround.g - nearGround.r + 40);
    // The overlay quad and the text over it all.
    EXPECT_TRUE(Near(PixelAt(560, 400), 255, 128, 0, 6));
    EXPECT_TRUE(Near(PixelAt(68 + 5, 368 + 2), 255, 255, 255, 12));
    EXPECT_FALSE(Near(PixelAt(68 + 40, 368 + 40), 255, 255, 255, 40));
    // Plankton: its additive olive specks over the sky.
    s32 specks = 0;
    for (s32 y = 0; y < 140; ++y)
        for (s32 x = 0; x < WIDTH; ++x)
            specks += Near(PixelAt(x, y), 128, 128, 160, 24) ? 1 : 0;
    EXPECT_GT(specks, 20);
}

}  // namespace
