// Terrain, plant and plankton rendering.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "brisel_renderer_fixture.h"
#include "reb_lightset.h"
#include "rep_clear.h"
#include "rep_constants.h"
#include "rep_sprite.h"
#include "rep_terrainprelit.h"

namespace
{

class TerrainTest : public RendererTest
{
protected:
    static MAT_Matrix34 Turned()
    {
        // A quarter turn about z, then moved: x becomes y, y becomes -x.
        MAT_Matrix34 world;
        world.r.SetAxis(0, {0.0f, 1.0f, 0.0f});
        world.r.SetAxis(1, {-1.0f, 0.0f, 0.0f});
        world.r.SetAxis(2, {0.0f, 0.0f, 1.0f});
        world.t = {10.0f, 20.0f, 30.0f};
        return world;
    }

    // A part of _vertices vertices (x = index) and _triangles triangles (0, 1, 2).
    static void Part(VEC_MeshPart& _part, s32 _vertices, s32 _triangles)
    {
        _part.Allocate(_vertices, _triangles);
        for (s32 i = 0; i < _vertices; ++i) {
            _part.vertices[i].x = (f32)i;
            _part.vertices[i].nx = 1.0f;
            _part.vertices[i].color = 0x80112233u;
            _part.vertices[i].u = 0.5f;
            _part.vertices[i].v = 0.25f;
        }
        for (s32 t = 0; t < _triangles; ++t)
            for (s32 k = 0; k < 3; ++k)
                _part.triangles[t].vertex[k] = (u16)(k % _vertices);
        _part.vertexCount = _vertices;
        _part.triangleCount = _triangles;
    }

    VEC_Material m_material;
};

TEST_F(TerrainTest, TheFullTriangulationFitsAndTilesFollowEachOther)
{
    TST_FakeTerrain terrain;
    terrain.tiles.resize(2);
    terrain.tiles[0].Fill(4096, 4096);
    terrain.tiles[0].origin = {100.0f, 200.0f, -5.0f};
    terrain.tiles[0].scale = {2.0f, 3.0f, 0.5f};
    terrain.tiles[1].Fill(2048, 4096);
    m_renderer->Terrain_Triangulate(&terrain, 0.25f);

    EXPECT_EQ(1, terrain.passes);
    EXPECT_EQ((std::vector<s32>{6144}), terrain.tiles[0].vertexRooms);
    EXPECT_EQ((std::vector<s32>{8192}), terrain.tiles[0].triangleRooms);
    EXPECT_EQ((std::vector<s32>{2048}), terrain.tiles[1].vertexRooms);
    EXPECT_EQ((std::vector<s32>{4096}), terrain.tiles[1].triangleRooms);
    const REB_Material& range = *m_renderer->GetTerrainMesh()->GetMaterial(0);
    EXPECT_EQ(0, range.firstVertex);
    EXPECT_EQ(6144, range.vertexCount);
    EXPECT_EQ(0, range.firstIndex);
    EXPECT_EQ(3 * 8192, range.indexCount);

    // The first tile discards, the second writes behind it without waiting.
    const std::vector<Lock> vertices = Locks("Vertex");
    const std::vector<Lock> indices = Locks("Index");
    ASSERT_EQ(2u, vertices.size());
    ASSERT_EQ(2u, indices.size());
    EXPECT_EQ(0u, vertices[0].offset);
    EXPECT_EQ(4096u * 40u, vertices[0].size);
    EXPECT_EQ((u32)DEV_LOCK_DISCARD, vertices[0].flags);
    EXPECT_EQ(4096u * 40u, vertices[1].offset);
    EXPECT_EQ(2048u * 40u, vertices[1].size);
    EXPECT_EQ((u32)DEV_LOCK_NOOVERWRITE, vertices[1].flags);
    EXPECT_EQ(0u, indices[0].offset);
    EXPECT_EQ((u32)DEV_LOCK_DISCARD, indices[0].flags);
    EXPECT_EQ(3u * 4096u * 2u, indices[1].offset);
    EXPECT_EQ((u32)DEV_LOCK_NOOVERWRITE, indices[1].flags);

    // Vertex 70 of the first tile: grid (6, 1), height 0.
    const DEV_NullBuffer& stream = Device().vertexBuffers[vertices[0].buffer];
    DSP_Vertex vertex;
    std::memcpy(&vertex, stream.data + 70 * 40, sizeof(vertex));
    EXPECT_EQ(6.0f * 2.0f + 100.0f, vertex.x);
    EXPECT_EQ(1.0f * 3.0f + 200.0f, vertex.y);
    EXPECT_EQ(0.0f * 0.5f - 5.0f, vertex.z);
    EXPECT_EQ(6.0f * 0.25f, vertex.u);
    EXPECT_EQ(1.0f * 0.25f, vertex.v);
    EXPECT_EQ(1.0f, vertex.nz);
    EXPECT_EQ(0xFFFFFFFFu, vertex.color);
    // The second tile's triangles address its own vertices.
    const DEV_NullBuffer& entries = Device().indexBuffers[indices[1].buffer];
    u16 triangle[3] = {};
    std::memcpy(triangle, entries.data + indices[1].offset, sizeof(triangle));
    EXPECT_EQ(4096, triangle[0]);
    EXPECT_EQ(4097, triangle[1]);
    EXPECT_EQ(4098, triangle[2]);
}

TEST_F(TerrainTest, ATileReportingMoreThanTheRoomIsFatal)
{
    struct Case
    {
        s32 vertices, triangles;
        const char* message;
    };
    const Case cases[] = {
        {2049, 10, "terrain triangulation failed - vertex overflow"},
        {10, 4097, "terrain triangulation failed - index overflow"},
    };
    for (const Case& c : cases) {
        TST_FakeTerrain terrain;
        terrain.tiles.resize(2);
        terrain.tiles[0].Fill(4096, 4096);
        terrain.tiles[1].Fill(10, 10);
        terrain.tiles[1].reportVertices = c.vertices;
        terrain.tiles[1].reportTriangles = c.triangles;
        EXPECT_FATAL(m_renderer->Terrain_Triangulate(&terrain, 1.0f), "Brisel_Renderer::Terrain_Triangulate()",
                     c.message);
    }
}

TEST_F(TerrainTest, AnEmptyTileWritesNothingAndTheNextStillDiscards)
{
    TST_FakeTerrain terrain;
    terrain.tiles.resize(2);
    terrain.tiles[1].Fill(3, 1);
    m_renderer->Terrain_Triangulate(&terrain, 1.0f);
    const std::vector<Lock> vertices = Locks("Vertex");
    ASSERT_EQ(1u, vertices.size());
    EXPECT_EQ((u32)DEV_LOCK_DISCARD, vertices[0].flags);
    EXPECT_EQ(3, m_renderer->GetTerrainMesh()->GetMaterial(0)->vertexCount);
}

TEST_F(TerrainTest, MaterialsLightmapAndTheirRange)
{
    m_renderer->Terrain_SetMaterial(0, "terrain\\sand", 0.5f);
    m_renderer->Terrain_SetMaterial(3, "terrain\\detail", 8.0f);
    m_renderer->Terrain_SetLightmap("terrain\\lightmap");
    const REP_TerrainPrelit& pass = *m_renderer->GetTerrainPass();
    const s32 sand = m_resources->names.RegisterTextureName("terrain\\sand", 32);
    EXPECT_EQ(sand, m_renderer->GetTerrainMaterial(0));
    EXPECT_EQ(sand, pass.material[0]);
    EXPECT_EQ(0.5f, pass.materialScale[0]);
    EXPECT_EQ(m_renderer->GetTerrainMaterial(3), pass.detailTexture);
    EXPECT_EQ(8.0f, pass.detailScale);
    EXPECT_EQ(m_renderer->GetTerrainLightmap(), pass.lightMap);
    EXPECT_NE(-1, pass.lightMap);
    for (s32 index : {-1, 4})
        EXPECT_FATAL(m_renderer->Terrain_SetMaterial(index, "x", 1.0f), "Brisel_Renderer::Terrain_SetMaterial()",
                     "index is out of range");
}

TEST_F(TerrainTest, TerrainDrawsUnlitInWorldSpace)
{
    TST_FakeTerrain terrain;
    terrain.tiles.resize(1);
    terrain.tiles[0].Fill(64, 32);
    m_renderer->Terrain_Triangulate(&terrain, 1.0f);
    m_fake.Forget();
    m_renderer->Terrain_Render();
    EXPECT_GT(Draws(), 0u);
    EXPECT_EQ(0xFF000000u, m_renderer->GetLightSet()->GetAmbientColor());
    EXPECT_EQ(0, m_renderer->GetLightSet()->GetLightCount());
}

TEST_F(TerrainTest, IndicesOutsideTheTilesAreFatalWithTheirCaptions)
{
    EXPECT_FATAL(m_renderer->Plant_OpenTile(196, m_material), "Plant_OpenTile()", "index out of range");
    VEC_MeshPart part;
    Part(part, 3, 1);
    EXPECT_FATAL(m_renderer->Plant_AddMesh(-1, part, Turned()), "Plant_AddMesh()", "index out of range");
    EXPECT_FATAL(m_renderer->Plant_CloseTile(196), "Plant_CloseTile()", "index out of range");
    const u8 color[4] = {1, 2, 3, 4};
    EXPECT_FATAL(m_renderer->Plant_DeactivateTile(-1, Turned(), color, 1.0f, 2.0f), "Plant_DeactivateTile()",
                 "index out of range");
    EXPECT_FATAL(m_renderer->Plant_AddMesh(5, part, Turned()), "Plant_AddMesh()", "tile is not open");
    m_renderer->Plant_OpenTile(5, m_material);
    m_renderer->Plant_CloseTile(5);
    EXPECT_FATAL(m_renderer->Plant_CloseTile(5), "Plant_CloseTile()", "buffers are not open");
}

TEST_F(TerrainTest, PartsAddedToATileArePlacedAndIndexedAfterEachOther)
{
    m_material.diffuseMap.alpha = 77;
    m_renderer->Plant_OpenTile(195, m_material);
    VEC_MeshPart first;
    Part(first, 3, 1);
    VEC_MeshPart second;
    Part(second, 4, 2);
    m_renderer->Plant_AddMesh(195, first, Turned());
    m_renderer->Plant_AddMesh(195, second, Turned());
    m_renderer->Plant_CloseTile(195);

    const REB_Mesh* mesh = m_renderer->GetPlantTileMesh(195);
    const REB_Material& range = *mesh->GetMaterial(0);
    EXPECT_EQ(7, range.vertexCount);
    EXPECT_EQ(9, range.indexCount);
    EXPECT_EQ(77, range.material.diffuseMap.alpha);
    const DEV_NullBuffer& entries = Device().indexBuffers[(DEV_Handle)Locks("Index")[0].buffer];
    const u16* indices = (const u16*)entries.data;
    EXPECT_EQ((std::vector<u16>{0, 1, 2, 3, 4, 5, 3, 4, 5}), std::vector<u16>(indices, indices + 9));
    const DEV_NullBuffer& stream = Device().vertexBuffers[(DEV_Handle)Locks("Vertex")[0].buffer];
    DSP_Vertex vertex;
    std::memcpy(&vertex, stream.data + 5 * 40, sizeof(vertex));  // the second part's vertex 2
    EXPECT_EQ(10.0f, vertex.x);
    EXPECT_EQ(22.0f, vertex.y);
    EXPECT_EQ(30.0f, vertex.z);
    EXPECT_EQ(0.0f, vertex.nx);
    EXPECT_EQ(1.0f, vertex.ny);
    EXPECT_EQ(0x80112233u, vertex.color);
    EXPECT_EQ(0.5f, vertex.u);
    EXPECT_EQ(0.25f, vertex.v);

    // Drawn with the caller's colour and fade distances.
    m_fake.Forget();
    const u8 color[4] = {0, 128, 255, 9};
    m_renderer->Plant_DeactivateTile(195, Turned(), color, 10.0f, 50.0f);
    EXPECT_EQ(1u, Draws());
    EXPECT_EQ(10.0f, m_renderer->GetPlantPass()->fadeStart);
    EXPECT_EQ(50.0f, m_renderer->GetPlantPass()->fadeEnd);
    EXPECT_EQ(0xFFFF8000u, m_renderer->GetLightSet()->GetAmbientColor());
    m_renderer->Plant_Render(nullptr, Turned(), color, 10.0f, 50.0f);
    EXPECT_EQ(1u, Draws());
}

TEST_F(TerrainTest, ATileHoldsExactlyItsCapacityAndReopeningStartsItAgain)
{
    VEC_MeshPart part;
    Part(part, 2048, 2048);
    m_renderer->Plant_OpenTile(0, m_material);
    m_renderer->Plant_OpenTile(0, m_material);  // no second lock
    EXPECT_EQ(1u, m_fake.Count("LockVertexBuffer "));
    m_renderer->Plant_AddMesh(0, part, Turned());
    m_renderer->Plant_AddMesh(0, part, Turned());  // 4096 vertices, 12288 indices
    VEC_MeshPart one;
    Part(one, 1, 1);
    one.triangles[0] = VEC_Triangle();
    EXPECT_FATAL(m_renderer->Plant_AddMesh(0, one, Turned()), "Plant_AddMesh()", "tile overflow");
    EXPECT_EQ(4096, m_renderer->GetPlantTileMesh(0)->GetMaterial(0)->vertexCount);

    m_renderer->Plant_OpenTile(0, m_material);
    EXPECT_EQ(0, m_renderer->GetPlantTileMesh(0)->GetMaterial(0)->vertexCount);
    EXPECT_EQ(0, m_renderer->GetPlantTileMesh(0)->GetMaterial(0)->indexCount);
    m_renderer->Plant_AddMesh(0, one, Turned());
    m_renderer->Plant_CloseTile(0);
    EXPECT_EQ(1u, m_fake.Count("LockVertexBuffer "));
    EXPECT_EQ(1u, m_fake.Count("UnlockVertexBuffer "));
}

class PlanktonTest : public TerrainTest
{
protected:
    void SetUp() override
    {
        TerrainTest::SetUp();
        m_material.diffuseMap.alpha = 200;
        for (s32 layer = 0; layer < Brisel_Renderer::PLANKTON_LAYERS; ++layer)
            m_renderer->Plankton_Set(layer, ("vfx\\tex\\plankton" + std::to_string(layer)).c_str(), m_material, 20,
                                     8.0f, 0.1f, 0.2f, 0.0f, 1.0f);
        Frame();
        m_fake.Forget();
    }

    void RenderPlankton(s32 _setting)
    {
        m_data.renderPlankton = _setting;
        m_dir.Write("ini/display.des", TST_DisplayDes(m_data));
        m_renderer->ReadConfiguration("ini\\display.des");
        m_fake.Forget();
        m_renderer->Plankton_Render(1.0f);
    }
};

TEST_F(PlanktonTest, TheSettingSaysHowManyLayersDraw)
{
    struct Case
    {
        s32 setting;
        size_t draws;
    };
    for (const Case& c : {Case{0, 0}, Case{3, 3}, Case{5, 5}, Case{7, 5}, Case{-1, 5}}) {
        SCOPED_TRACE(c.setting);
        RenderPlankton(c.setting);
        EXPECT_EQ(c.draws, Draws());
        EXPECT_EQ(0xFFFFFFFFu, m_renderer->GetLightSet()->GetAmbientColor());
    }
    Brisel_Renderer::SetPlanktonSwitch(0);
    RenderPlankton(5);
    EXPECT_EQ(0u, Draws());
}

TEST_F(PlanktonTest, AFadeScalesTheAlphasForTheDrawOnly)
{
    RenderPlankton(1);
    m_renderer->Plankton_Render(0.5f);
    // c12.w holds the alpha of the layer drawn: half of 200.
    EXPECT_NEAR(100.0f / 255.0f, REP_VertexShaderConstants[12][3], 1e-6f);
    for (s32 layer = 0; layer < Brisel_Renderer::PLANKTON_LAYERS; ++layer)
        EXPECT_EQ(200, m_renderer->GetPlanktonMesh(layer)->GetMaterial(0)->material.diffuseMap.alpha);
    m_renderer->Plankton_Render(1.0f);
    EXPECT_NEAR(200.0f / 255.0f, REP_VertexShaderConstants[12][3], 1e-6f);
}

TEST_F(PlanktonTest, EachLayerTurnsSwaysAndFadesAtItsOwnRates)
{
    // Drawing layers 1..k leaves the sprite constants of layer k: c5.x and c6.x the cosine and
    // sine of the camera's angle less the layer's turn, c13 the sway less the field's corner,
    // c15.y (size factor - 1) / E. A frame at time 0 (no turn, no sway) is the reference for
    // one at time 1 s with the same camera.
    struct Case
    {
        f32 turnRate;  // radians per second
        f32 swayRate;
        f32 swayAmplitude;
        f32 sizeFactor;
    };
    const Case layers[Brisel_Renderer::PLANKTON_LAYERS] = {
        {1.5707964f, 0.91f, 1.0f, 0.5f},  {1.0471976f, 0.81f, 1.2f, 0.5f}, {0.7853982f, 0.71f, 1.4f, 0.5f},
        {0.62831855f, 0.61f, 1.6f, 0.5f}, {0.5235988f, 0.51f, 1.8f, 0.2f},
    };
    struct Draw
    {
        f32 angle;
        MAT_Vector3 shift;
        f32 fade;
    };
    for (s32 k = 0; k < Brisel_Renderer::PLANKTON_LAYERS; ++k) {
        SCOPED_TRACE(k);
        Draw draws[2];
        for (s32 t = 0; t < 2; ++t) {
            SIM_GetFrameClock().SetTime((f32)t);
            RenderPlankton(k + 1);
            const auto& c = REP_VertexShaderConstants;
            draws[t] = {std::atan2(c[6][0], c[5][0]), {c[13][0], c[13][1], c[13][2]}, c[15][1]};
        }
        const Case& layer = layers[k];
        const f32 turned = std::remainder(draws[0].angle - draws[1].angle, 6.2831855f);
        EXPECT_NEAR(layer.turnRate, turned, 1e-5f);
        const f32 sway = layer.swayAmplitude * std::sin(layer.swayRate);
        EXPECT_NEAR(sway, draws[1].shift.x - draws[0].shift.x, 1e-5f);
        EXPECT_NEAR(sway, draws[1].shift.y - draws[0].shift.y, 1e-5f);
        EXPECT_NEAR(sway, draws[1].shift.z - draws[0].shift.z, 1e-5f);
        const REB_Mesh* mesh = m_renderer->GetPlanktonMesh(k);
        const MAT_Vector3 side = mesh->boxMax - mesh->boxMin;
        const f32 extent = (side.x + side.y + side.z) / 3.0f;
        EXPECT_NEAR((layer.sizeFactor - 1.0f) / extent, draws[1].fade, 1e-6f);
        EXPECT_EQ(draws[0].fade, draws[1].fade);
    }
}

TEST_F(PlanktonTest, LayersTakeTheirTextureAndASecondSetReplacesTheMesh)
{
    const s32 id = m_resources->names.RegisterTextureName("vfx\\tex\\plankton2", 32);
    EXPECT_EQ(id, m_renderer->GetPlanktonTexture(2));
    EXPECT_EQ((u32)id, m_renderer->GetPlanktonMesh(2)->GetMaterial(0)->material.diffuseMap.textureId);
    EXPECT_EQ(60, m_renderer->GetPlanktonMesh(2)->GetMaterial(0)->vertexCount);

    m_renderer->Plankton_Set(2, "vfx\\tex\\other", m_material, 5, 8.0f, 0.1f, 0.2f, 0.0f, 1.0f);
    EXPECT_EQ(1u, m_fake.Count("ReleaseVertexBuffer "));
    EXPECT_EQ(15, m_renderer->GetPlanktonMesh(2)->GetMaterial(0)->vertexCount);
    for (s32 layer : {-1, 5})
        EXPECT_FATAL(m_renderer->Plankton_Set(layer, "x", m_material, 5, 8.0f, 0.1f, 0.2f, 0.0f, 1.0f),
                     "Brisel_Renderer::Plankton_Set()", "index is out of range");
}

}  // namespace
