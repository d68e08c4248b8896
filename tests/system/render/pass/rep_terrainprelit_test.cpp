// The terrain pass: which draws each entry makes and with which states, the constants it
// uploads, the selector textures made from a selector picture, and on GL the colours of the
// variants against the same formulas computed here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dev_device.h"
#include "display_fixture.h"
#include "dsp_display.h"
#include "dsp_texture.h"
#include "gl_fixture.h"
#include "plt_system.h"
#include "reb_lightset.h"
#include "reb_mesh.h"
#include "rem_foglayer.h"
#include "rep_constants.h"
#include "rep_shader_sources.h"
#include "rep_terrainprelit.h"
#include "test_dir.h"
#include "tools_tga.h"
#include "vec_camera.h"

namespace
{

// ---- shared helpers ----

enum Entry
{
    FIXED,
    PIXEL
};

// Selector, material ids of layer i are SELECTOR + i and MATERIAL + i.
constexpr s32 SELECTOR = 10;
constexpr s32 MATERIAL = 20;
constexpr s32 DETAIL = 30;
constexpr s32 LIGHT_MAP = 31;
constexpr s32 CAUSTIC = 32;
constexpr s32 FOG = 33;
constexpr s32 OTHER_FOG = 34;
constexpr s32 FIRST_SELECTOR = 758;  // the renderer's first selector id

// World, view and projection all the identity: clip position = vertex position.
void IdentityTransforms(VEC_TransformState& _transform, const MAT_Vector3& _camera = {0.0f, 0.0f, 0.0f})
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    _transform.SetWorld(frame);
    frame.t = _camera;
    _transform.SetView(frame);
    MAT_Matrix44 projection;
    projection.SetDiagonal(1.0f);
    _transform.SetProjection(projection);
}

// Layer i is present when bit i of _layers is set (layer 0 always is).
void UseLayers(REP_TerrainPrelit& _pass, u32 _layers)
{
    for (s32 i = 0; i < REP_TerrainPrelit::LAYERS; ++i) {
        _pass.selector[i] = i == 0 || (_layers >> i & 1) ? SELECTOR + i : -1;
        _pass.material[i] = MATERIAL + i;
    }
    _pass.detailTexture = DETAIL;
    _pass.lightMap = LIGHT_MAP;
    _pass.causticTexture = CAUSTIC;
    _pass.fogTexture = FOG;
    _pass.otherFogTexture = OTHER_FOG;
}

void Render(REP_TerrainPrelit& _pass, Entry _entry, const REB_Mesh* _tile, VEC_TransformState& _transform)
{
    REB_LightSet lights;
    if (_entry == FIXED)
        _pass.RenderTile(_tile, _transform, lights);
    else
        _pass.RenderTilePS(_tile, _transform, lights);
}

// A picture of 32-bit pixels (0xAARRGGBB), row 0 at the top.
TOOL_TGA Picture(s32 _width, s32 _height, u32 _color) { return TOOL_MakeTGA(_width, _height, 32, _color); }

void WritePicture(const TST_TempDir& _dir, const TOOL_TGA& _picture)
{
    _dir.Write("terrain/material_s.tga", TOOL_TGABytes(_picture));
}

// ---- the recording fake ----

// What the device had in effect at one draw.
struct Draw
{
    std::string vertexShader;  // the variant's stem, "?" for anything else
    bool pixelShader = false;
    u32 srcBlend = 0;
    u32 destBlend = 0;
    u32 zWrite = 0;
    u32 alphaTest = 0;
    s32 stages = 0;             // stages before the first disabled one
    std::vector<s32> textures;  // the display ids bound to those stages

    bool operator==(const Draw& _other) const
    {
        return vertexShader == _other.vertexShader && pixelShader == _other.pixelShader &&
               srcBlend == _other.srcBlend && destBlend == _other.destBlend && zWrite == _other.zWrite &&
               alphaTest == _other.alphaTest && stages == _other.stages && textures == _other.textures;
    }
};

std::ostream& operator<<(std::ostream& _out, const Draw& _draw)
{
    _out << "{" << _draw.vertexShader << (_draw.pixelShader ? " +ps" : "") << " blend " << _draw.srcBlend << ","
         << _draw.destBlend << " z " << _draw.zWrite << " at " << _draw.alphaTest << " textures";
    for (s32 id : _draw.textures)
        _out << " " << id;
    return _out << "}";
}

// The rows of the variant table that the tests expect.
Draw Mmsm(s32 _layer, bool _add)
{
    return {"mmsm",
            false,
            DEV_BLEND_ONE,
            _add ? DEV_BLEND_ONE : DEV_BLEND_ZERO,
            1,
            0,
            2,
            {SELECTOR + _layer, MATERIAL + _layer}};
}
Draw Dmfm() { return {"dmfm", false, DEV_BLEND_DESTCOLOR, DEV_BLEND_SRCCOLOR, 0, 1, 1, {DETAIL}}; }
Draw Lmcs() { return {"lmcs", false, DEV_BLEND_DESTCOLOR, DEV_BLEND_SRCCOLOR, 0, 0, 2, {LIGHT_MAP, CAUSTIC}}; }
Draw Fmfm() { return {"fmfm", false, DEV_BLEND_SRCALPHA, DEV_BLEND_INVSRCALPHA, 0, 1, 1, {FOG}}; }
Draw Mmsmdmfm() { return {"mmsmdmfm", true, DEV_BLEND_ONE, DEV_BLEND_ZERO, 1, 0, 3, {SELECTOR, MATERIAL, DETAIL}}; }
Draw Mmsmmmsm(s32 _a, s32 _b)
{
    return {"mmsmmmsm",
            true,
            DEV_BLEND_ONE,
            DEV_BLEND_ZERO,
            1,
            0,
            4,
            {SELECTOR + _a, MATERIAL + _a, SELECTOR + _b, MATERIAL + _b}};
}

class TerrainFakeTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        Open();
        SITO_DISPLAY = m_display;
        m_display->SetTextureCacheSize(1024);
        for (s32 id : {SELECTOR, SELECTOR + 1, SELECTOR + 2, MATERIAL, MATERIAL + 1, MATERIAL + 2, DETAIL, LIGHT_MAP,
                       CAUSTIC, FOG, OTHER_FOG}) {
            m_display->Texture_Create(id, DSP_TEXTURE_A8R8G8B8, 0, 1);
            m_textureIds[Device().textures.rbegin()->first] = id;
        }
        m_pass.Create();
        IdentityTransforms(m_transform);
    }

    void TearDown() override
    {
        m_pass.Release();
        m_tile.reset();
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }

    // A tile whose first material draws _indices indices over _vertices vertices.
    const REB_Mesh* Tile(s32 _indices, s32 _vertices)
    {
        m_tile.reset(new REB_Mesh());
        m_tile->Reconstruct(REB_BUFFER_STATIC, 16, REB_BUFFER_STATIC, 24, 1);
        m_tile->GetMaterial(0)->indexCount = _indices;
        m_tile->GetMaterial(0)->vertexCount = _vertices;
        return m_tile.get();
    }

    // Remembers what the device holds, so that Draws can replay the calls made after it.
    void Begin()
    {
        m_fake.Forget();
        m_startStates = Device().renderStates;
        for (s32 stage = 0; stage < 8; ++stage) {
            m_startColorOps[stage] = Device().stageStates[stage][DEV_TSS_COLOROP];
            m_startTextures[stage] = Device().stageTextures[stage];
        }
        m_startVertexShader = Device().vertexShader;
        m_startPixelShader = Device().pixelShader;
    }

    std::vector<Draw> Draws() const
    {
        std::map<u32, u32> states = m_startStates;
        u32 colorOps[8];
        DEV_Handle textures[8];
        for (s32 stage = 0; stage < 8; ++stage) {
            colorOps[stage] = m_startColorOps[stage];
            textures[stage] = m_startTextures[stage];
        }
        DEV_Handle vertexShader = m_startVertexShader;
        DEV_Handle pixelShader = m_startPixelShader;
        std::vector<Draw> draws;
        for (const std::string& call : m_fake.calls) {
            u32 a = 0, b = 0, c = 0;
            if (sscanf(call.c_str(), "SetRenderState %u %u", &a, &b) == 2) {
                states[a] = b;
            } else if (sscanf(call.c_str(), "SetTextureStageState %u %u %u", &a, &b, &c) == 3) {
                if (b == DEV_TSS_COLOROP && a < 8)
                    colorOps[a] = c;
            } else if (sscanf(call.c_str(), "SetTexture %u %u", &a, &b) == 2) {
                if (a < 8)
                    textures[a] = b;
            } else if (sscanf(call.c_str(), "SetVertexShader %u", &a) == 1) {
                vertexShader = a;
            } else if (sscanf(call.c_str(), "SetPixelShader %u", &a) == 1) {
                pixelShader = a;
            } else if (call.rfind("DrawIndexedPrimitive", 0) == 0) {
                Draw draw;
                draw.vertexShader = ShaderName(vertexShader);
                draw.pixelShader = pixelShader != 0;
                draw.srcBlend = states[DEV_RS_SRCBLEND];
                draw.destBlend = states[DEV_RS_DESTBLEND];
                draw.zWrite = states[DEV_RS_ZWRITEENABLE];
                draw.alphaTest = states[DEV_RS_ALPHATESTENABLE];
                while (draw.stages < 8 && colorOps[draw.stages] != DEV_TOP_DISABLE)
                    ++draw.stages;
                for (s32 stage = 0; stage < draw.stages; ++stage) {
                    auto found = m_textureIds.find(textures[stage]);
                    draw.textures.push_back(found != m_textureIds.end() ? found->second : -1);
                }
                draws.push_back(draw);
            }
        }
        return draws;
    }

    std::string ShaderName(DEV_Handle _shader) const
    {
        static const std::pair<const char*, const char* const*> s_programs[] = {
            {"lmcs", &REP_Shader_rep_terrainprelit_vs_lmcs},
            {"mmsm", &REP_Shader_rep_terrainprelit_vs_mmsm},
            {"dmfm", &REP_Shader_rep_terrainprelit_vs_dmfm},
            {"fmfm", &REP_Shader_rep_terrainprelit_vs_fmfm},
            {"mmsmdmfm", &REP_Shader_rep_terrainprelit_vs_mmsmdmfm},
            {"mmsmmmsm", &REP_Shader_rep_terrainprelit_vs_mmsmmmsm},
        };
        auto found = Device().vertexShaders.find(_shader);
        if (found == Device().vertexShaders.end())
            return "?";
        for (const auto& program : s_programs)
            if (found->second == *program.second)
                return program.first;
        return "?";
    }

    TST_FakeDevice& Device() const { return *m_fake.device; }

    void ExpectConstant(s32 _register, f32 _x, f32 _y, f32 _z, f32 _w) const
    {
        const f32* c = Device().constants[_register];
        EXPECT_FLOAT_EQ(_x, c[0]) << "c" << _register << ".x";
        EXPECT_FLOAT_EQ(_y, c[1]) << "c" << _register << ".y";
        EXPECT_FLOAT_EQ(_z, c[2]) << "c" << _register << ".z";
        EXPECT_FLOAT_EQ(_w, c[3]) << "c" << _register << ".w";
    }

    REP_TerrainPrelit m_pass;
    VEC_TransformState m_transform;
    std::unique_ptr<REB_Mesh> m_tile;
    std::map<DEV_Handle, s32> m_textureIds;
    std::map<u32, u32> m_startStates;
    u32 m_startColorOps[8] = {};
    DEV_Handle m_startTextures[8] = {};
    DEV_Handle m_startVertexShader = 0;
    DEV_Handle m_startPixelShader = 0;
};

TEST_F(TerrainFakeTest, EachEntryDrawsItsVariantsInOrder)
{
    struct Case
    {
        const char* name;
        Entry entry;
        u32 layers;
        u32 flags;
        std::vector<Draw> draws;
    };
    const u32 all = REP_TERRAIN_DETAIL | REP_TERRAIN_LIGHTMAP | REP_TERRAIN_FOG;
    const Case cases[] = {
        {"fixed, one layer", FIXED, 1, 0, {Mmsm(0, false)}},
        {"fixed, three layers, all flags",
         FIXED,
         7,
         all,
         {Mmsm(0, false), Mmsm(1, true), Mmsm(2, true), Dmfm(), Lmcs(), Fmfm()}},
        {"fixed, layers 0 and 2", FIXED, 5, 0, {Mmsm(0, false), Mmsm(2, true)}},
        {"pixel, one layer", PIXEL, 1, 0, {Mmsm(0, false)}},
        {"pixel, one layer and detail", PIXEL, 1, REP_TERRAIN_DETAIL, {Mmsmdmfm()}},
        {"pixel, two layers", PIXEL, 3, 0, {Mmsmmmsm(0, 1)}},
        {"pixel, two layers and detail", PIXEL, 3, REP_TERRAIN_DETAIL, {Mmsmmmsm(0, 1), Dmfm()}},
        {"pixel, three layers", PIXEL, 7, 0, {Mmsmmmsm(0, 1), Mmsm(2, true)}},
        {"pixel, three layers, all flags",
         PIXEL,
         7,
         all | REP_TERRAIN_PIXELSHADER,
         {Mmsmmmsm(0, 1), Mmsm(2, true), Dmfm(), Lmcs(), Fmfm()}},
        // A terrain without material 1 still shows its material 2.
        {"pixel, layers 0 and 2", PIXEL, 5, 0, {Mmsmmmsm(0, 2)}},
    };
    const REB_Mesh* tile = Tile(6, 4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseLayers(m_pass, c.layers);
        m_pass.flags = c.flags;
        Begin();
        Render(m_pass, c.entry, tile, m_transform);
        const std::vector<Draw> draws = Draws();
        ASSERT_EQ(c.draws.size(), draws.size());
        for (size_t i = 0; i < draws.size(); ++i)
            EXPECT_EQ(c.draws[i], draws[i]) << "draw " << i;
        // A pixel-program draw leaves the texture stages in charge again.
        EXPECT_EQ(0u, Device().pixelShader);
    }
}

TEST_F(TerrainFakeTest, ATileWithoutIndicesOrVerticesDrawsAndUploadsNothing)
{
    struct Case
    {
        s32 indices;
        s32 vertices;
    };
    for (const Case& c : {Case{0, 4}, Case{6, 0}}) {
        for (Entry entry : {FIXED, PIXEL}) {
            SCOPED_TRACE(testing::Message() << c.indices << " indices, " << c.vertices << " vertices, entry " << entry);
            UseLayers(m_pass, 7);
            m_pass.flags = REP_TERRAIN_DETAIL | REP_TERRAIN_LIGHTMAP | REP_TERRAIN_FOG;
            const REB_Mesh* tile = Tile(c.indices, c.vertices);
            m_fake.Forget();
            Render(m_pass, entry, tile, m_transform);
            EXPECT_TRUE(m_fake.calls.empty()) << m_fake.calls.front();
        }
    }
    m_fake.Forget();
    REB_LightSet lights;
    m_pass.RenderTile(nullptr, m_transform, lights);
    m_pass.RenderTilePS(nullptr, m_transform, lights);
    EXPECT_TRUE(m_fake.calls.empty());
}

TEST_F(TerrainFakeTest, TiledRowsRebaseTheCoordinatesOnTheCameraCell)
{
    struct Case
    {
        f32 scale;
        MAT_Vector3 camera;
        f32 offsetX;
        f32 offsetY;
    };
    const Case cases[] = {
        {0.25f, {10.0f, -6.0f, 3.0f}, -8.0f, 8.0f},  // floor(2.5) = 2, floor(-1.5) = -2
        {0.5f, {4.0f, 0.0f, 0.0f}, -4.0f, 0.0f},     // on a cell edge: that cell
        {2.0f, {-0.3f, 0.2f, 0.0f}, 0.5f, 0.0f},     // floor(-0.6) = -1
        {0.0f, {10.0f, 10.0f, 0.0f}, 0.0f, 0.0f},    // no tiling: no offset, not 0 / 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scale);
        m_pass.SetLayer(3, 4, c.scale, c.camera);
        EXPECT_EQ(3, m_pass.shaders.slots[REP_TerrainShaders::SELECTOR_A]);
        EXPECT_EQ(4, m_pass.shaders.slots[REP_TerrainShaders::MATERIAL_A]);
        ExpectConstant(15, c.offsetX, c.offsetY, 0.0f, 0.0f);
        ExpectConstant(16, c.scale, c.scale, c.scale, c.scale);

        m_pass.SetTwoLayers(5, 6, 1.0f, 7, 8, c.scale, c.camera);
        EXPECT_EQ(5, m_pass.shaders.slots[REP_TerrainShaders::SELECTOR_A]);
        EXPECT_EQ(6, m_pass.shaders.slots[REP_TerrainShaders::MATERIAL_A]);
        EXPECT_EQ(7, m_pass.shaders.slots[REP_TerrainShaders::SELECTOR_B]);
        EXPECT_EQ(8, m_pass.shaders.slots[REP_TerrainShaders::MATERIAL_B]);
        ExpectConstant(16, 1.0f, 1.0f, 1.0f, 1.0f);
        ExpectConstant(17, c.offsetX, c.offsetY, 0.0f, 0.0f);
        ExpectConstant(18, c.scale, c.scale, c.scale, c.scale);

        m_pass.SetDetail(9, c.scale, c.camera);
        EXPECT_EQ(9, m_pass.shaders.slots[REP_TerrainShaders::DETAIL_MAP]);
        ExpectConstant(19, c.offsetX, c.offsetY, 0.0f, 0.0f);
        ExpectConstant(20, c.scale, c.scale, c.scale, c.scale);
    }
}

TEST_F(TerrainFakeTest, TiledCoordinatesStaySmallAtTheCameraFarFromTheOrigin)
{
    const MAT_Vector3 camera = {81234.5f, -40321.25f, 0.0f};
    m_pass.SetLayer(0, 0, 0.37f, camera);
    const f32* offset = Device().constants[15];
    const f32 u = (camera.x + offset[0]) * 0.37f;
    const f32 v = (camera.y + offset[1]) * 0.37f;
    EXPECT_GE(u, -0.01f);
    EXPECT_LT(u, 1.01f);
    EXPECT_GE(v, -0.01f);
    EXPECT_LT(v, 1.01f);
}

TEST_F(TerrainFakeTest, CausticConstantsProjectFromTheCameraCell)
{
    IdentityTransforms(m_transform, {10.3f, -2.2f, 5.0f});
    REB_PlanarProjection record;
    record.tiling = 0.5f;
    record.heightFactor = 0.75f;
    m_pass.SetCausticConstants(CAUSTIC, record, m_transform);
    EXPECT_EQ(CAUSTIC, m_pass.shaders.slots[REP_TerrainShaders::CAUSTIC]);
    // The camera snaps to the cells at x = 10 and y = -4 (floor(5.15), floor(-1.1) cells of 2).
    ExpectConstant(7, 0.5f, 0.0f, 0.0f, -5.0f);
    ExpectConstant(8, 0.0f, 0.5f, 0.0f, 2.0f);
    ExpectConstant(9, 0.0f, 0.0f, 0.75f, 1.0f);
    ExpectConstant(10, 0.0f, 0.0f, 0.0f, 0.75f);
}

TEST_F(TerrainFakeTest, FogConstantsHoldRowsRampAndDensity)
{
    struct Case
    {
        const char* name;
        f32 factor;
        s32 rows;
        f32 depthStep;
        bool layer;
        f32 ramp[4];
    };
    // The camera stands 7 units along y: view depth = y - 7. k = 1 / (F - 1), g = k / (rows x step),
    // ramp = (0, g, 0, -7 g - k).
    const Case cases[] = {
        {"F 0.5", 0.5f, 4, 2.5f, true, {0.0f, -0.2f, 0.0f, 3.4f}},
        {"F 3", 3.0f, 2, 0.25f, true, {0.0f, 1.0f, 0.0f, -7.5f}},
        // Where k or g would divide by zero the ramp is 0.
        {"F 1", 1.0f, 4, 2.5f, true, {0.0f, 0.0f, 0.0f, 0.0f}},
        {"empty layer", 0.5f, 0, 0.0f, true, {0.0f, 0.0f, 0.0f, 0.0f}},
        {"no layer", 0.5f, 4, 2.5f, false, {0.0f, 0.0f, 0.0f, 0.0f}},
    };
    IdentityTransforms(m_transform, {0.0f, 7.0f, 0.0f});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        REM_FogLayer fog;
        fog.m_rows = c.rows;
        fog.m_depthStep = c.depthStep;
        fog.m_baseHeight = 2.0f;
        fog.m_heightScale = 0.5f;
        fog.m_depthScale = 0.25f;
        m_pass.SetFogConstants(FOG, OTHER_FOG, c.factor, 0.625f, c.layer ? &fog : nullptr, m_transform);
        EXPECT_EQ(FOG, m_pass.shaders.slots[REP_TerrainShaders::FOG_TEXTURE]);
        EXPECT_EQ(OTHER_FOG, m_pass.shaders.slots[REP_TerrainShaders::SECOND_FOG_TEXTURE]);
        if (c.layer) {
            ExpectConstant(11, 0.0f, 0.0f, 0.5f, -1.0f);    // (z - 2) x 0.5
            ExpectConstant(12, 0.0f, 0.25f, 0.0f, -1.75f);  // (y - 7) x 0.25
        }
        for (s32 i = 0; i < 4; ++i)
            EXPECT_NEAR(c.ramp[i], Device().constants[13][i], 1e-6f) << "c13[" << i << "]";
        EXPECT_TRUE(std::isfinite(Device().constants[13][3]));
        ExpectConstant(14, 0.625f, 0.625f, 0.625f, 0.625f);
    }
}

// ---- selectors ----

class TerrainSelectorTest : public TerrainFakeTest
{
protected:
    void SetUp() override
    {
        TerrainFakeTest::SetUp();
        m_fake.Forget();
    }

    // The A4R4G4B4 texel of the selector texture _id under picture pixel (_x, _y) (y down).
    u16 Texel(s32 _id, s32 _x, s32 _y)
    {
        void* bits = nullptr;
        s32 pitch = 0;
        m_display->Texture_Lock(_id, 0, &bits, &pitch);
        // Textures are stored bottom row first.
        const u16 texel = ((const u16*)((const u8*)bits + (size_t)(255 - _y) * (size_t)pitch))[_x];
        m_display->Texture_Unlock(_id, 0);
        return texel;
    }

    s32 Upload(const f32 _tint0[3], const f32 _tint1[3], const f32 _tint2[3])
    {
        return m_pass.CreateAndUploadSelectors("terrain/", FIRST_SELECTOR, _tint0, _tint1, _tint2);
    }

    TST_TempDir m_dir;
};

const f32 s_halfGrey[3] = {0.5f, 0.5f, 0.5f};  // factor 1: the colour bytes stay as they are

TEST_F(TerrainSelectorTest, AlphaNamesTheLayerThatOwnsThePixel)
{
    struct Case
    {
        u8 alpha;
        s32 layer;
    };
    const Case cases[] = {{0x00, 0}, {0x0F, 0}, {0x10, 1}, {0x1F, 1}, {0x20, 2},
                          {0x2F, 2}, {0x30, 0}, {0x35, 0}, {0xFF, 0}};
    TOOL_TGA picture = Picture(256, 256, 0x00402080u);
    for (s32 i = 0; i < (s32)(sizeof(cases) / sizeof(cases[0])); ++i)
        picture.pixels[(size_t)(3 * 256 + 5 + i)] = (u32)cases[i].alpha << 24 | 0x00C06010u;
    WritePicture(m_dir, picture);

    EXPECT_EQ(3, Upload(s_halfGrey, s_halfGrey, s_halfGrey));
    EXPECT_EQ(FIRST_SELECTOR, m_pass.selector[0]);
    EXPECT_EQ(FIRST_SELECTOR + 1, m_pass.selector[1]);
    EXPECT_EQ(FIRST_SELECTOR + 2, m_pass.selector[2]);
    for (s32 i = 0; i < (s32)(sizeof(cases) / sizeof(cases[0])); ++i) {
        SCOPED_TRACE(testing::Message() << "alpha 0x" << std::hex << (u32)cases[i].alpha);
        for (s32 layer = 0; layer < 3; ++layer)
            EXPECT_EQ(layer == cases[i].layer ? 0xFC61 : 0x0000, Texel(FIRST_SELECTOR + layer, 5 + i, 3))
                << "layer " << layer;
    }
    // Elsewhere layer 0 with its own colour.
    EXPECT_EQ(0xF428, Texel(FIRST_SELECTOR, 0, 0));
    EXPECT_EQ(0xF428, Texel(FIRST_SELECTOR, 255, 255));
    EXPECT_EQ(0x0000, Texel(FIRST_SELECTOR + 1, 0, 0));
    EXPECT_EQ(0x0000, Texel(FIRST_SELECTOR + 2, 255, 255));
    EXPECT_EQ(3u, m_fake.Count("CreateTexture 256 256 1 0 26 "));
}

TEST_F(TerrainSelectorTest, ColourIsDividedByTwiceTheLayersTint)
{
    // Layer 0 tint (0.25, 1, 0): red x 2, green x 0.5, blue of any non-zero value 255.
    TOOL_TGA picture = Picture(256, 256, 0x00402080u);
    picture.pixels[1] = 0x00C00000u;  // red 0xC0 x 2: clamped to 255; green and blue 0 stay 0
    picture.pixels[2] = 0x00000001u;  // blue 1 x FLT_MAX: 255
    picture.pixels[3] = 0x1F804020u;  // layer 1, tint (1, 0.25, 0.5): 0x40, 0x80, 0x20
    WritePicture(m_dir, picture);
    const f32 tint0[3] = {0.25f, 1.0f, 0.0f};
    const f32 tint1[3] = {1.0f, 0.25f, 0.5f};

    EXPECT_EQ(2, Upload(tint0, tint1, s_halfGrey));
    EXPECT_EQ(0xF81F, Texel(FIRST_SELECTOR, 0, 0));  // 0x80, 0x10, 0xFF
    EXPECT_EQ(0xFF00, Texel(FIRST_SELECTOR, 1, 0));
    EXPECT_EQ(0xF00F, Texel(FIRST_SELECTOR, 2, 0));
    EXPECT_EQ(0xF482, Texel(FIRST_SELECTOR + 1, 3, 0));
    EXPECT_EQ(-1, m_pass.selector[2]);
}

TEST_F(TerrainSelectorTest, OnlyMaterialZeroMakesOneTexture)
{
    WritePicture(m_dir, Picture(256, 256, 0x35FFFFFFu));
    m_pass.selector[1] = 5;  // left from an earlier terrain
    EXPECT_EQ(1, Upload(s_halfGrey, s_halfGrey, s_halfGrey));
    EXPECT_EQ(FIRST_SELECTOR, m_pass.selector[0]);
    EXPECT_EQ(-1, m_pass.selector[1]);
    EXPECT_EQ(-1, m_pass.selector[2]);
    const std::vector<std::string> created = m_fake.Matching("CreateTexture ");
    ASSERT_EQ(1u, created.size());
    EXPECT_EQ(0u, created[0].find("CreateTexture 256 256 1 0 26 ")) << created[0];
    EXPECT_EQ(0xFFFF, Texel(FIRST_SELECTOR, 17, 200));
}

TEST_F(TerrainSelectorTest, LayersTakeIdsInOrderOfPresence)
{
    TOOL_TGA picture = Picture(256, 256, 0x00102030u);
    picture.pixels[7] = 0x25102030u;
    WritePicture(m_dir, picture);
    EXPECT_EQ(2, Upload(s_halfGrey, s_halfGrey, s_halfGrey));
    EXPECT_EQ(FIRST_SELECTOR, m_pass.selector[0]);
    EXPECT_EQ(-1, m_pass.selector[1]);
    EXPECT_EQ(FIRST_SELECTOR + 1, m_pass.selector[2]);
    EXPECT_EQ(0xF123, Texel(FIRST_SELECTOR + 1, 7, 0));
}

TEST_F(TerrainSelectorTest, APictureWithoutMaterialZeroIsFatal)
{
    WritePicture(m_dir, Picture(256, 256, 0x18808080u));
    EXPECT_FATAL(Upload(s_halfGrey, s_halfGrey, s_halfGrey), "REP_TerrainPrelit::CreateAndUploadSelectors()",
                 "At least material 0 has to be defined in selectormap.");
    EXPECT_EQ(0u, m_fake.Count("CreateTexture"));
}

TEST_F(TerrainSelectorTest, APictureOfAnotherSizeIsFatal)
{
    struct Case
    {
        s32 width;
        s32 height;
    };
    for (const Case& c : {Case{128, 128}, Case{256, 128}, Case{128, 256}, Case{512, 512}}) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        WritePicture(m_dir, Picture(c.width, c.height, 0x00808080u));
        EXPECT_FATAL(Upload(s_halfGrey, s_halfGrey, s_halfGrey), "REP_TerrainPrelit::CreateAndUploadSelectors()",
                     "selector map must be 256 x 256");
    }
    EXPECT_EQ(0u, m_fake.Count("CreateTexture"));
}

// ---- the GL device ----

struct Rgb
{
    f32 r = 0.0f, g = 0.0f, b = 0.0f;
};

f32 Saturate(f32 _v) { return _v < 0.0f ? 0.0f : _v > 1.0f ? 1.0f : _v; }
f32 Channel(u32 _argb, u32 _shift) { return (f32)((_argb >> _shift) & 0xFF) / 255.0f; }
Rgb Color(u32 _argb) { return {Channel(_argb, 16), Channel(_argb, 8), Channel(_argb, 0)}; }
f32 Alpha(u32 _argb) { return Channel(_argb, 24); }

template <class OP>
Rgb Each(const Rgb& _a, const Rgb& _b, OP _op)
{
    return {_op(_a.r, _b.r), _op(_a.g, _b.g), _op(_a.b, _b.b)};
}

// What the frame keeps: eight bits a channel.
Rgb Frame(const Rgb& _c)
{
    auto q = [](f32 _v) { return std::nearbyint(Saturate(_v) * 255.0f) / 255.0f; };
    return {q(_c.r), q(_c.g), q(_c.b)};
}

// The terrain's textures: one colour each (0xAARRGGBB).
struct TerrainColors
{
    u32 selector[3] = {0xFF8060C0u, 0xFF209040u, 0xFF301050u};
    u32 material[3] = {0xFFA05030u, 0xFF70B090u, 0xFF6080F0u};
    u32 detail = 0xFF907080u;
    u32 lightMap = 0x80506040u;
    u32 caustic = 0xFF8040C0u;
    u32 fog = 0x602080A0u;
    f32 heightFactor = 0.5f;
};

// The tile's colour by the formulas of the variants, the frame rounding between passes.
Rgb Expected(const TerrainColors& _c, Entry _entry, u32 _layers, u32 _flags)
{
    auto product2 = [&](s32 _layer) {
        return Each(Color(_c.selector[_layer]), Color(_c.material[_layer]),
                    [](f32 _s, f32 _m) { return Saturate(2.0f * _s * _m); });
    };
    auto add = [](f32 _a, f32 _b) { return _a + _b; };
    std::vector<s32> layers = {0};
    for (s32 layer = 1; layer < 3; ++layer)
        if (_layers >> layer & 1)
            layers.push_back(layer);
    const Rgb detail = Color(_c.detail);
    bool detailDone = false;
    Rgb frame;
    if (_entry == FIXED || layers.size() == 1) {
        if (_entry == PIXEL && (_flags & REP_TERRAIN_DETAIL)) {
            // saturate(4 x selector x material x detail)
            const Rgb s = Color(_c.selector[0]), m = Color(_c.material[0]);
            frame = Frame({Saturate(4.0f * s.r * m.r * detail.r), Saturate(4.0f * s.g * m.g * detail.g),
                           Saturate(4.0f * s.b * m.b * detail.b)});
            detailDone = true;
        } else {
            frame = Frame(product2(layers[0]));
            for (size_t i = 1; i < layers.size(); ++i)
                frame = Frame(Each(frame, product2(layers[i]), add));
        }
    } else {
        // saturate(2 x (selector A x material A + selector B x material B))
        const Rgb sa = Color(_c.selector[layers[0]]), ma = Color(_c.material[layers[0]]);
        const Rgb sb = Color(_c.selector[layers[1]]), mb = Color(_c.material[layers[1]]);
        frame = Frame({Saturate(2.0f * (sa.r * ma.r + sb.r * mb.r)), Saturate(2.0f * (sa.g * ma.g + sb.g * mb.g)),
                       Saturate(2.0f * (sa.b * ma.b + sb.b * mb.b))});
        if (layers.size() == 3)
            frame = Frame(Each(frame, product2(layers[2]), add));
    }
    // The frame times twice the source: DESTCOLOR, SRCCOLOR.
    auto multiply2 = [](f32 _frame, f32 _source) { return 2.0f * _frame * _source; };
    if ((_flags & REP_TERRAIN_DETAIL) && !detailDone)
        frame = Frame(Each(frame, detail, multiply2));
    if (_flags & REP_TERRAIN_LIGHTMAP) {
        // light map + height factor x light-map alpha x caustic
        const f32 weight = Saturate(_c.heightFactor * Alpha(_c.lightMap));
        const Rgb light =
            Each(Color(_c.lightMap), Color(_c.caustic), [&](f32 _l, f32 _k) { return Saturate(_l + weight * _k); });
        frame = Frame(Each(frame, light, multiply2));
    }
    if (_flags & REP_TERRAIN_FOG) {
        const f32 a = Alpha(_c.fog);
        frame = Frame(Each(frame, Color(_c.fog), [&](f32 _f, f32 _g) { return _f * (1.0f - a) + _g * a; }));
    }
    return frame;
}

::testing::AssertionResult Near(const Rgb& _expected, u32 _actual, s32 _tolerance)
{
    const s32 expected[3] = {(s32)std::lrint(_expected.r * 255.0f), (s32)std::lrint(_expected.g * 255.0f),
                             (s32)std::lrint(_expected.b * 255.0f)};
    const s32 actual[3] = {(s32)(_actual >> 16 & 0xFF), (s32)(_actual >> 8 & 0xFF), (s32)(_actual & 0xFF)};
    for (s32 i = 0; i < 3; ++i) {
        if (std::abs(expected[i] - actual[i]) > _tolerance) {
            char text[128];
            snprintf(text, sizeof(text), "expected %02X %02X %02X, got %02X %02X %02X", expected[0], expected[1],
                     expected[2], actual[0], actual[1], actual[2]);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

class TerrainGLTest : public TST_GLTest
{
protected:
    void SetUp() override
    {
        TST_GLTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_display->SetTextureCacheSize(1024);
        REP_SetConstantZero(0);
        REP_SetConstantOne(1);
        IdentityTransforms(m_transform);
        m_pass.Create();
        MakeTile();
    }

    void TearDown() override
    {
        if (m_display != nullptr)
            m_pass.Release();
        TST_GLTest::TearDown();
    }

    // The whole target at depth 0.5, clockwise on the screen so that culling keeps it.
    void MakeTile()
    {
        const f32 corners[4][2] = {{-1.0f, -1.0f}, {-1.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, -1.0f}};
        std::vector<DSP_Vertex> vertices(4);
        for (s32 i = 0; i < 4; ++i) {
            vertices[i].x = corners[i][0];
            vertices[i].y = corners[i][1];
            vertices[i].z = 0.5f;
            vertices[i].color = 0xFFFFFFFFu;
            vertices[i].u = corners[i][0] * 0.5f + 0.5f;
            vertices[i].v = 0.5f - corners[i][1] * 0.5f;
        }
        m_tile = Mesh(vertices, {0, 1, 2, 0, 2, 3});
    }

    // A 4 x 4 texture of one colour (0xAARRGGBB).
    void Flat(s32 _id, u32 _color) { TST_GLTest::Flat(_id, _color, 2); }

    void UseColors(const TerrainColors& _colors)
    {
        for (s32 i = 0; i < 3; ++i) {
            Flat(SELECTOR + i, _colors.selector[i]);
            Flat(MATERIAL + i, _colors.material[i]);
        }
        Flat(DETAIL, _colors.detail);
        Flat(LIGHT_MAP, _colors.lightMap);
        Flat(CAUSTIC, _colors.caustic);
        Flat(FOG, _colors.fog);
        Flat(OTHER_FOG, 0xFFFF00FFu);
        m_pass.causticRecord.tiling = 0.25f;
        m_pass.causticRecord.heightFactor = _colors.heightFactor;
        m_pass.fogFactor = 0.5f;
    }

    // Draws the tile on a grey frame and answers the colour at the centre (0x00RRGGBB).
    u32 DrawTile(Entry _entry)
    {
        TST_GLTest::Frame(0xFF808080u, [&] { Render(m_pass, _entry, m_tile, m_transform); });
        return Centre();
    }

    REP_TerrainPrelit m_pass;
    VEC_TransformState m_transform;
    REB_Mesh* m_tile = nullptr;
};

TEST_F(TerrainGLTest, VariantsColourTheTileAsTheirFormulasSay)
{
    struct Case
    {
        const char* name;
        Entry entry;
        u32 layers;
        u32 flags;
    };
    const u32 all = REP_TERRAIN_DETAIL | REP_TERRAIN_LIGHTMAP | REP_TERRAIN_FOG;
    const Case cases[] = {
        {"mmsm", FIXED, 1, 0},
        {"mmsm + mmsmAdd", FIXED, 3, 0},
        {"mmsm + dmfm", FIXED, 1, REP_TERRAIN_DETAIL},
        {"mmsm + lmcs", FIXED, 1, REP_TERRAIN_LIGHTMAP},
        {"mmsm + fmfm", FIXED, 1, REP_TERRAIN_FOG},
        {"fixed, everything", FIXED, 7, all},
        {"mmsmdmfm", PIXEL, 1, REP_TERRAIN_DETAIL},
        {"mmsmmmsm", PIXEL, 3, 0},
        {"mmsmmmsm over layers 0 and 2", PIXEL, 5, 0},
        {"pixel, everything", PIXEL, 7, all},
    };
    const TerrainColors colors;
    UseColors(colors);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseLayers(m_pass, c.layers);
        m_pass.flags = c.flags;
        EXPECT_TRUE(Near(Expected(colors, c.entry, c.layers, c.flags), DrawTile(c.entry), 3));
    }
}

TEST_F(TerrainGLTest, BothEntriesAgreeWhereNothingSaturates)
{
    TerrainColors colors;
    colors.selector[1] = 0xFF304020u;
    colors.material[1] = 0xFF605040u;
    UseColors(colors);
    UseLayers(m_pass, 3);
    m_pass.flags = 0;
    const u32 fixed = DrawTile(FIXED);
    const u32 merged = DrawTile(PIXEL);
    EXPECT_TRUE(Near(Color(fixed), merged, 2));
}

TEST_F(TerrainGLTest, SelectorTimesTwiceTheTintReproducesThePictureColour)
{
    TST_TempDir dir;
    const u32 lighting = 0x00E07020u;
    dir.Write("terrain/material_s.tga", TOOL_TGABytes(Picture(256, 256, lighting)));
    const u32 average = 0xFF8080A0u;  // the material's colour and so its average
    const Rgb tint = Color(average);
    const f32 tint0[3] = {tint.r, tint.g, tint.b};
    ASSERT_EQ(1, m_pass.CreateAndUploadSelectors("terrain/", FIRST_SELECTOR, tint0, tint0, tint0));
    Flat(MATERIAL, average);
    m_pass.material[0] = MATERIAL;
    m_pass.flags = 0;
    // The selector keeps four bits a channel: 16 steps of 1/255, doubled and scaled by the material.
    EXPECT_TRUE(Near(Color(lighting), DrawTile(FIXED), 20));
}

}  // namespace
