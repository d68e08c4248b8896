// The frame renderer's data files and a small scene of every kind of content it draws, built from
// the scene fakes (brisel_scene_fake.h); shared by the renderer's tests and its bench, so free of
// the test framework. The file writers take any directory with Write(name, bytes) const: the
// tests' TST_TempDir or the bench's own.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "brisel_programdata.h"
#include "brisel_renderer.h"
#include "brisel_scene_fake.h"
#include "crt_rand.h"
#include "dsp_display.h"
#include "dsp_texture.h"
#include "gfx_picture16.h"
#include "gfx_textwriter.h"
#include "os_commandline.h"
#include "reb_mesh.h"
#include "sim_clock.h"
#include "tools_fog.h"
#include "tools_font.h"
#include "tools_mesh.h"
#include "tools_tga.h"
#include "tools_tse.h"

// ---- the data files ----

// What the renderer's own files say.
struct TST_RendererData
{
    s32 renderPlankton = 5;
    s32 renderPlants = 1;
    s32 causticFrames = 4;
};

inline std::string TST_DisplayDes(const TST_RendererData& _data)
{
    return "[Display]\n{\n    Width = 800\n    Height = 600\n    Depth = 16\n    Texturecachesize = 8192\n"
           "    UseMipMap = 1\n    UseCompressedTextures = 0\n    RenderRays = 1\n    RenderPlankton = " +
           std::to_string(_data.renderPlankton) + "\n    RenderPlants = " + std::to_string(_data.renderPlants) +
           "\n}\n";
}

// Everything the renderer opens by itself: configuration, fonts (glyphs of 3 x 5 pixels), sky
// mesh, caustic set.
template <class Dir>
void TST_WriteRendererData(const Dir& _dir, const TST_RendererData& _data = TST_RendererData())
{
    _dir.Write("ini/display.des", TST_DisplayDes(_data));
    TOOL_FontSheet sheet;
    for (s32 i = 0; i < 3; ++i) {
        TOOL_FontGlyph glyph;
        glyph.width = 3;
        glyph.height = 5;
        sheet.glyphs.push_back(glyph);
    }
    const std::string font = TOOL_TGABytes(TOOL_FontSheetPicture(sheet, nullptr));
    _dir.Write("gfx/font/font1.tga", font);
    _dir.Write("gfx/font/font2.tga", font);
    TOOL_Mesh sky = TOOL_MeshGrid(2, 2, 1);
    sky.materials[0].diffuseBitmap = "sky";
    _dir.Write("vfx/msh/sky03.msh", TOOL_MeshText(sky));
    _dir.Write("vfx/tex/caustic/caustic.tse", TOOL_TextureSetText("caustic\\caustic", _data.causticFrames));
}

// A 4 x 4 picture of one colour, as the texture file _name.
template <class Dir>
void TST_WriteTextureFile(const Dir& _dir, const std::string& _name, u32 _color)
{
    _dir.Write(_name + "_l2.tga", TOOL_TGABytes(TOOL_MakeTGA(4, 4, 32, _color)));
}

// The files of TST_FrameScene: the renderer's own with a sky wall ahead of the eye for the sky,
// black caustic frames, the textures, the terrain's selector picture and a green fog whose alpha
// grows with view depth.
template <class Dir>
void TST_WriteFrameSceneData(const Dir& _dir)
{
    const TST_RendererData data;
    TST_WriteRendererData(_dir, data);
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
    _dir.Write("vfx/msh/sky03.msh", TOOL_MeshText(sky));
    for (s32 frame = 1; frame <= data.causticFrames; ++frame)
        TST_WriteTextureFile(_dir, "caustic/caustic00" + std::to_string(frame), 0xFF000000u);

    TST_WriteTextureFile(_dir, "vfx/tex/sky", 0xFF0000A0u);
    TST_WriteTextureFile(_dir, "vfx/tex/objwhite", 0xFFFFFFFFu);
    TST_WriteTextureFile(_dir, "vfx/tex/fx/red", 0xFFFF0000u);
    TST_WriteTextureFile(_dir, "vfx/tex/fx/green", 0xFF00FF00u);
    TST_WriteTextureFile(_dir, "vfx/tex/fx/white", 0xFFFFFFFFu);
    TST_WriteTextureFile(_dir, "vfx/tex/fx/orange", 0xFFFF8000u);
    TST_WriteTextureFile(_dir, "vfx/tex/fx/plankton", 0xFF808000u);
    TST_WriteTextureFile(_dir, "terrain/ground", 0xFF808080u);
    TST_WriteTextureFile(_dir, "terrain/detail", 0xFF808080u);
    TST_WriteTextureFile(_dir, "terrain/light", 0xFFFFFFFFu);
    _dir.Write("terrain/material_s.tga", TOOL_TGABytes(TOOL_MakeTGA(256, 256, 32, 0x00C08040u)));

    TOOL_Fog fog;
    fog.rows = 64;
    fog.baseHeight = -100.0f;
    fog.depthStep = 2.0f;  // 128 units of depth over the rows
    fog.layerSpacing = 4.0f;
    fog.pixels.resize((size_t)64 * 64 * 64);
    for (size_t i = 0; i < fog.pixels.size(); ++i)
        fog.pixels[i] = (u32)((i % 64) * 4) << 24 | 0x0000FF00u;  // green, alpha 4 x row
    _dir.Write("fog/green.fog", TOOL_FogBytes(fog));
    _dir.Write("fog/green.tga", TOOL_TGABytes(TOOL_MakeTGA(2, 1, 32, 0x00000000u)));
}

// ---- the scene ----

// A world placement that only moves to _position.
inline MAT_Matrix34 TST_At(const MAT_Vector3& _position)
{
    MAT_Matrix34 world;
    world.r.SetDiagonal(1.0f);
    world.t = _position;
    return world;
}

// A square _side wide around the origin in the x-z plane, facing the eye (its normal along -y)
// with its texture upright as the eye sees it; its two triangles fan out from the first corner.
inline void TST_SquarePart(VEC_MeshPart& _part, f32 _side)
{
    _part.Allocate(4, 2);
    const f32 corners[4][2] = {{-0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, -0.5f}};
    for (s32 i = 0; i < 4; ++i) {
        _part.vertices[i].x = corners[i][0] * _side;
        _part.vertices[i].z = corners[i][1] * _side;
        _part.vertices[i].ny = -1.0f;
        _part.vertices[i].u = corners[i][0] + 0.5f;
        _part.vertices[i].v = 0.5f - corners[i][1];
    }
    for (s32 t = 0; t < 2; ++t) {
        _part.triangles[t].vertex[0] = 0;
        _part.triangles[t].vertex[1] = (u16)(t + 1);
        _part.triangles[t].vertex[2] = (u16)(t + 2);
    }
    _part.vertexCount = 4;
    _part.triangleCount = 2;
    _part.ComputeBoundingBox();
}

// The renderer's globals as a first frame at time 0 finds them, under the command line
// _commandLine: the frame clock, the display setup and the plankton switch.
inline void TST_ResetRendererGlobals(const char* _commandLine = "")
{
    OS_SetCommandLine(_commandLine);
    SIM_GetFrameClock().Set(0.0f, 0.0f);
    SIM_GetFrameClock().fraction = 0.0f;
    Brisel_ResetProgramData();
    Brisel_Renderer::SetPlanktonSwitch(1);
}

// A small scene of every kind of content the frame renderer draws, on the display in
// SITO_DISPLAY from the files of TST_WriteFrameSceneData in the working directory. The eye sits
// at the origin looking along +y with a 90 degree view:
//   - the sky wall, dark blue, untouched by the fog;
//   - the terrain: one flat tile of 80 x 50 units, 10 below the eye, from 10 to 60 ahead;
//   - white squares 4 wide at (-6, 20, 4) and 20 wide at (50, 110, 22), under the green fog;
//   - additive: a red billboard 4 wide at (0, 30, 6), a green particle 4 wide at (20, 30, 6), a
//     white trail of 4 quads 2 wide from (-20, 40, 20) 15 along x, and one layer of olive
//     plankton triangles around the eye;
//   - on the head-up display, 64 x 64 quads centred at (560, 400), orange, and at (100, 400),
//     a text picture with four "!" at its top left.
class TST_FrameScene
{
public:
    // The scene fakes installed and the renderer made on fresh globals; nothing placed yet.
    TST_FrameScene()
    {
        TST_ResetRendererGlobals();
        m_resources.reset(new TST_FakeResources());
        m_scene.reset(new TST_FakeScene());
        m_renderer.reset(new Brisel_Renderer());
        m_renderer->CreateDisplay();
    }

    ~TST_FrameScene()
    {
        m_renderer.reset();
        m_scene.reset();
        m_resources->renderMeshes.clear();
        m_meshes.clear();
        m_resources.reset();
    }

    TST_FrameScene(const TST_FrameScene&) = delete;
    TST_FrameScene& operator=(const TST_FrameScene&) = delete;

    // Loads and places the content; false when the terrain's selectors or the text picture's
    // texture could not be made.
    bool Build()
    {
        REB_TextureCache& names = m_resources->names;
        const s32 red = names.RegisterTextureName("vfx\\tex\\fx\\red", 32);
        const s32 green = names.RegisterTextureName("vfx\\tex\\fx\\green", 32);
        const s32 white = names.RegisterTextureName("vfx\\tex\\fx\\white", 32);
        const s32 orange = names.RegisterTextureName("vfx\\tex\\fx\\orange", 32);

        m_renderer->Terrain_SetMaterial(0, "terrain\\ground", 0.1f);
        m_renderer->Terrain_SetMaterial(3, "terrain\\detail", 0.5f);
        m_renderer->Terrain_SetLightmap("terrain\\light");
        const f32 tint[3] = {0.5f, 0.5f, 0.5f};
        const bool selectors = m_renderer->Terrain_CreateSelectors("terrain\\", tint, tint, tint) == 1;
        m_terrain.tiles.resize(1);
        TST_FakeTerrainTile& tile = m_terrain.tiles[0];
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

        CRT_SRand(7);
        VEC_Material planktonMaterial;
        planktonMaterial.diffuseMap.blendMode = 1;
        m_renderer->Plankton_Set(0, "vfx\\tex\\fx\\plankton", planktonMaterial, 60, 20.0f, 0.4f, 0.6f, 0.0f,
                                 6.2831855f);

        REB_Mesh* nearSquare = Square(4.0f);
        REB_Mesh* farSquare = Square(20.0f);
        m_renderer->LoadFog("fog\\green");
        m_renderer->LoadTextures();
        m_renderer->Terrain_Triangulate(&m_terrain, 1.0f);

        GFX_Picture16 text(64, 64);
        GFX_TextWriter writer;
        writer.SetTarget(&text);
        writer.SetFont(&m_renderer->GetFont(0));
        writer.PutString("!!!!");
        const bool textTexture = SITO_DISPLAY->Texture_Create(TEXT_TEXTURE, DSP_TEXTURE_A1R5G5B5, 6, 1) == 0;
        if (textTexture)
            SITO_DISPLAY->Texture_Refresh(TEXT_TEXTURE, text.GetPixels());

        Body(BRISEL_BUCKET_SOLID, {-6.0f, 20.0f, 4.0f}, [this, nearSquare] {
            m_renderer->RenderMesh(nearSquare, TST_At({-6.0f, 20.0f, 4.0f}));
        });
        Body(BRISEL_BUCKET_SOLID, {50.0f, 110.0f, 22.0f}, [this, farSquare] {
            m_renderer->RenderMesh(farSquare, TST_At({50.0f, 110.0f, 22.0f}));
        });
        Body(BRISEL_BUCKET_TERRAIN, {}, [this] { m_renderer->Terrain_Render(); });
        m_trail.quads = 4;
        m_trail.start = {-20.0f, 40.0f, 20.0f};
        m_trail.length = 15.0f;
        m_trail.halfWidth = 1.0f;
        Body(BRISEL_BUCKET_TRAILS, {}, [this, white] { m_renderer->RenderTrail(&m_trail, white); });
        Body(BRISEL_BUCKET_HALOS, {}, [this, red] {
            m_renderer->RenderBillboard(red, {0.0f, 30.0f, 6.0f}, 4.0f, 4.0f, s_opaque);
        });
        Body(BRISEL_BUCKET_PLANKTON, {}, [this] { m_renderer->Plankton_Render(1.0f); });

        m_look.textureId = green;
        m_look.size = 4.0f;
        m_look.renderMode = 1;
        for (VFX_KeyTrack* curve : {&m_look.red, &m_look.green, &m_look.blue, &m_look.alpha, &m_look.sizeCurve}) {
            curve->Allocate(2);
            curve->Fill(1.0f);
            curve->SetTiming(0.0f, 1.0f, VFX_KeyTrack::FLAG_CLAMP);
        }
        m_particles.reset(new TST_FakeParticles());
        Brisel_ParticleState particle;
        particle.ageRate = 0.5f;
        particle.position = particle.previousPosition = {20.0f, 30.0f, 6.0f};
        particle.look = &m_look;
        m_particles->particles.push_back(particle);

        TST_FakeScreenNode* hud = m_scene->AddScreen("hud");
        hud->onRender = [this, orange] {
            m_renderer->Draw2DQuad(orange, 560.0f, 400.0f, MAT_Angle(), 64.0f, 64.0f, s_opaque, 2, 255);
            m_renderer->Draw2DQuad(TEXT_TEXTURE, 100.0f, 400.0f, MAT_Angle(), 64.0f, 64.0f, s_opaque, 2, 255);
        };
        return selectors && textTexture;
    }

    // One frame at _time, flipped.
    void Frame(f32 _time)
    {
        SIM_GetFrameClock().SetTime(_time);
        m_renderer->Render();
    }

    Brisel_Renderer& Renderer() { return *m_renderer; }

private:
    static constexpr s32 TEXT_TEXTURE = 755;  // outside the ids LoadTextures reloads
    static constexpr u8 s_opaque[4] = {255, 255, 255, 255};

    // A white square _side wide for the object pass.
    REB_Mesh* Square(f32 _side)
    {
        VEC_MeshPart part;
        TST_SquarePart(part, _side);
        part.material.diffuseMap.SetTextureName("objwhite");
        m_meshes.emplace_back(new REB_Mesh());
        m_meshes.back()->Reconstruct(&part);
        m_resources->renderMeshes.push_back(m_meshes.back().get());
        return m_meshes.back().get();
    }

    void Body(s16 _bucket, const MAT_Vector3& _position, std::function<void()> _render)
    {
        m_bodies.emplace_back(new TST_FakeBody(nullptr, _bucket, _position));
        m_bodies.back()->onRender = std::move(_render);
        m_scene->camera->visible.push_back(m_bodies.back().get());
    }

    std::unique_ptr<TST_FakeResources> m_resources;
    std::unique_ptr<TST_FakeScene> m_scene;
    std::unique_ptr<Brisel_Renderer> m_renderer;
    std::vector<std::unique_ptr<REB_Mesh>> m_meshes;
    std::vector<std::unique_ptr<TST_FakeBody>> m_bodies;
    TST_FakeTerrain m_terrain;
    TST_FakeTrail m_trail;
    Brisel_ParticleLook m_look;
    std::unique_ptr<TST_FakeParticles> m_particles;
};
