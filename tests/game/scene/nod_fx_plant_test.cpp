#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <memory>
#include <string>

#include "fx_plantcell.h"
#include "mat_random.h"
#include "mrt_terrain_fixture.h"
#include "nod_camera.h"
#include "nod_fx_plant.h"
#include "nod_message.h"
#include "nod_plankton.h"
#include "plant_fixture.h"
#include "test_dir.h"
#include "vec_mesh.h"

namespace
{
constexpr u32 GREEN40 = TOOL_PlantPixel(40, 10, 200, 30);

class PlantTest : public PlantWorldTest
{
protected:
    void TearDown() override
    {
        for (NOD_FX_Plant*& node : m_nodes) {
            delete node;
            node = nullptr;
        }
        PlantWorldTest::TearDown();
    }

    // A configured plant node (deleted by the fixture).
    NOD_FX_Plant* Plants(const std::string& _name, const TOOL_TGA& _map,
                         const TOOL_PlantDescription& _description = TOOL_PlantDescription())
    {
        WritePlants(_name, _map, _description);
        NOD_FX_Plant* node = NOD_FX_Plant::DynamicCast(NOD_Node::CreateNode("NOD_FX_Plant", "plants"));
        EXPECT_NE(nullptr, node);
        for (NOD_FX_Plant*& slot : m_nodes)
            if (slot == nullptr) {
                slot = node;
                break;
            }
        node->ParseIniFile_File(_name.c_str());
        return node;
    }

    void Update(NOD_FX_Plant* _node, const VEC_Camera& _camera)
    {
        Look(_camera);
        _node->UpdateCells(_camera);
    }

    FX_PlantCell* CellAt(NOD_FX_Plant* _node, s32 _column, s32 _row)
    {
        const u8 slot = _node->GetSlot(_column, _row);
        return slot == NOD_FX_Plant::NO_SLOT ? nullptr : _node->GetCell(slot);
    }

    static bool SameTransform(const MAT_Matrix34& _a, const MAT_Matrix34& _b)
    {
        return std::memcmp(&_a, &_b, sizeof _a) == 0;
    }

    NOD_FX_Plant* m_nodes[4] = {};
};

TEST_F(PlantTest, TheFirstNodeBuildsTheSharedTableAndTileQueueAndTheLastFreesThem)
{
    Build();
    EXPECT_EQ(nullptr, NOD_FX_Plant::GetRandomTable());
    NOD_FX_Plant* first = new NOD_FX_Plant();
    const f32* table = NOD_FX_Plant::GetRandomTable();
    ASSERT_NE(nullptr, table);
    MAT_Random generator(MAT_RANDOM_SEED);
    for (s32 i = 0; i < NOD_FX_Plant::TABLE_SIZE; ++i) {
        const f32 expected = (f32)((f64)generator.Next() / 4294967296.0);
        ASSERT_EQ(expected < 1.0f ? expected : 0.99999994f, table[i]) << i;
        ASSERT_LT(table[i], 1.0f);
    }
    ASSERT_EQ(196, NOD_FX_Plant::GetFreeTileCount());
    for (s32 i = 0; i < 196; ++i)
        ASSERT_EQ(i, NOD_FX_Plant::GetFreeTile(i));
    EXPECT_EQ(2, first->GetRenderBucket());

    NOD_FX_Plant* second = new NOD_FX_Plant();
    EXPECT_EQ(table, NOD_FX_Plant::GetRandomTable());
    EXPECT_EQ(2, NOD_FX_Plant::GetInstanceCount());
    delete first;
    EXPECT_EQ(table, NOD_FX_Plant::GetRandomTable());
    delete second;
    EXPECT_EQ(0, NOD_FX_Plant::GetInstanceCount());
    EXPECT_EQ(nullptr, NOD_FX_Plant::GetRandomTable());
    EXPECT_EQ(0, NOD_FX_Plant::GetFreeTileCount());
}

TEST_F(PlantTest, BadDescriptionsStopTheProgramWithTheirTexts)
{
    Build();
    TOOL_PlantDescription noVisual;
    noVisual.writeVisual = false;
    WritePlants("novisual.des", TOOL_PlantMap(GREEN40), noVisual);
    WritePlants("narrow.des", TOOL_PlantMap(GREEN40, 64, 32), TOOL_PlantDescription());
    m_dir.Write("vfx/nomap.des", TOOL_PlantDescriptionText(TOOL_PlantDescription()));  // its map is not there

    std::unique_ptr<NOD_FX_Plant> node(new NOD_FX_Plant());
    EXPECT_FATAL(node->ParseIniFile_File("novisual.des"), "DES FILE ERROR",
                 "(NOD_FX_Plant::ParseIniFile()): Get [\"Visual\"] in file \"vfx\\novisual.des\" failed");
    EXPECT_FATAL(node->ParseIniFile_File("narrow.des"), "NOD_FX_Plant::ParseIniFile() - PlantMap must be 64x64",
                 "vfx\\tex\\plants\\narrow.des.tga");
    EXPECT_FATAL(node->ParseIniFile_File("nomap.des"), "vfx\\tex\\plants\\plantmap.tga", "ERROR: FILE NOT FOUND");

    TOOL_PlantDescription noKey;
    noKey.maxZ.reset();
    WritePlants("nokey.des", TOOL_PlantMap(GREEN40), noKey);
    try {
        node->ParseIniFile_File("nokey.des");
        ADD_FAILURE() << "a missing key must stop the program";
    } catch (const OS_FatalError& error) {
        EXPECT_NE(std::string::npos, std::string(error.Message()).find("MaxZ")) << error.Message();
    }
}

TEST_F(PlantTest, DensityIsDividedByRenderPlantsAndEmptyCellsStayInactive)
{
    Build(2);
    TOOL_TGA map = TOOL_PlantMap(0);
    TOOL_SetPlantCell(map, 33, 32, GREEN40);
    TOOL_SetPlantCell(map, 34, 32, TOOL_PlantPixel(1, 1, 1, 1));  // 1 / 2 = no plant
    NOD_FX_Plant* node = Plants("plants.des", map);
    EXPECT_EQ(GREEN40, node->GetPlantPixel(33, 32));
    EXPECT_EQ(0u, node->GetPlantPixel(32, 32));

    Update(node, DownCamera({2100.0f, 2080.0f, 50.0f}, 100.0f));
    const FX_PlantCell* cell = CellAt(node, 33, 32);
    ASSERT_NE(nullptr, cell);
    EXPECT_EQ(20, cell->GetPlantCount());
    EXPECT_EQ(20, cell->GetGroundedCount());
    EXPECT_EQ(nullptr, CellAt(node, 32, 32));  // alpha 0 grows nothing
    ASSERT_NE(nullptr, CellAt(node, 34, 32));  // active, without plants
    EXPECT_EQ(0, CellAt(node, 34, 32)->GetPlantCount());
    EXPECT_EQ(2, node->GetActiveCount());
    EXPECT_EQ(10, cell->GetColor()[0]);
    EXPECT_EQ(200, cell->GetColor()[1]);
    EXPECT_EQ(30, cell->GetColor()[2]);
    EXPECT_EQ(-1, cell->GetTile());
    EXPECT_FLOAT_EQ(33 * 64.0f, cell->GetOriginX());
    EXPECT_FLOAT_EQ(32 * 64.0f, cell->GetOriginY());
    EXPECT_FLOAT_EQ(10.0f, cell->GetHeight(0));

    // Every plant stands inside the cell on the ground, inside the bounds.
    const f32* table = NOD_FX_Plant::GetRandomTable();
    for (s32 j = 0; j < cell->GetPlantCount(); ++j) {
        const MAT_Matrix34 plant = cell->GetPlantTransform(j, table, 256);
        EXPECT_GE(plant.t.x, 33 * 64.0f);
        EXPECT_LT(plant.t.x, 34 * 64.0f);
        EXPECT_FLOAT_EQ(10.0f, plant.t.z);
        EXPECT_LE(cell->GetBounds().m_min.z, plant.t.z);
        EXPECT_GE(cell->GetBounds().m_max.z, plant.t.z);
    }

    // A second node with the same mesh and map places identical plants.
    NOD_FX_Plant* twin = Plants("plants.des", map);
    EXPECT_EQ(node->GetMesh(), twin->GetMesh());
    Update(twin, DownCamera({2100.0f, 2080.0f, 50.0f}, 100.0f));
    const FX_PlantCell* twinCell = CellAt(twin, 33, 32);
    ASSERT_NE(nullptr, twinCell);
    for (s32 j = 0; j < cell->GetPlantCount(); ++j)
        EXPECT_TRUE(SameTransform(cell->GetPlantTransform(j, table, 256), twinCell->GetPlantTransform(j, table, 256)));

    // An active cell is never activated a second time.
    Update(node, DownCamera({2100.0f, 2080.0f, 50.0f}, 100.0f));
    EXPECT_EQ(2, node->GetActiveCount());
    EXPECT_EQ(cell, CellAt(node, 33, 32));
}

TEST_F(PlantTest, CellsRetireWhenTheViewLeavesThemEvenWithAllSlotsTakenAndComeBackTheSame)
{
    Build();
    TOOL_PlantDescription description;
    description.maxDistance = 1000.0f;
    NOD_FX_Plant* node = Plants("plants.des", TOOL_PlantMap(GREEN40), description);

    Update(node, DownCamera({1024.0f, 1024.0f, 50.0f}, 600.0f));
    ASSERT_EQ(196, node->GetActiveCount());  // the view covers more cells than there are slots
    FX_PlantCell* cell = CellAt(node, 16, 16);
    ASSERT_NE(nullptr, cell);
    const f32* table = NOD_FX_Plant::GetRandomTable();
    const MAT_Matrix34 before = cell->GetPlantTransform(7, table, 256);

    // The next update looks elsewhere: the full set still retires, and new cells take the slots.
    ++m_simulation->stepCounter;
    Update(node, DownCamera({3072.0f, 1024.0f, 50.0f}, 600.0f));
    EXPECT_EQ(nullptr, CellAt(node, 16, 16));
    EXPECT_EQ(196, node->GetActiveCount());
    ASSERT_NE(nullptr, CellAt(node, 48, 16));
    for (s32 i = 0; i < node->GetActiveCount(); ++i) {
        const FX_PlantCell* active = node->GetCell(i);
        EXPECT_EQ(i, node->GetSlot(active->GetColumn(), active->GetRow()));
        EXPECT_EQ(m_simulation->stepCounter, active->GetLastSeen());
    }

    ++m_simulation->stepCounter;
    Update(node, DownCamera({1024.0f, 1024.0f, 50.0f}, 600.0f));
    cell = CellAt(node, 16, 16);
    ASSERT_NE(nullptr, cell);
    EXPECT_TRUE(SameTransform(before, cell->GetPlantTransform(7, table, 256)));

    // A cell that stays in view stays; RemoveStaleCells alone retires every cell not seen now.
    ++m_simulation->stepCounter;
    node->RemoveStaleCells();
    EXPECT_EQ(0, node->GetActiveCount());
    EXPECT_EQ(NOD_FX_Plant::NO_SLOT, node->GetSlot(16, 16));
}

TEST_F(PlantTest, ViewsOverNegativeCoordinatesReadTheMapWithinItsBounds)
{
    Build();
    NOD_FX_Plant* node = Plants("plants.des", TOOL_PlantMap(GREEN40));
    // The view covers the cells -2..0 in x and y: they wrap to the map's far end, whose cells
    // lie out of reach; only cell (0, 0) grows.
    Update(node, DownCamera({-20.0f, -20.0f, 50.0f}, 60.0f));
    EXPECT_EQ(1, node->GetActiveCount());
    EXPECT_NE(nullptr, CellAt(node, 0, 0));
    EXPECT_EQ(nullptr, CellAt(node, 63, 63));

    // Within reach, the wrapped cells are the map's far corner.
    TOOL_PlantDescription wide;
    wide.maxDistance = 6000.0f;
    NOD_FX_Plant* far = Plants("wide.des", TOOL_PlantMap(GREEN40), wide);
    Update(far, DownCamera({-20.0f, -20.0f, 50.0f}, 60.0f));
    const FX_PlantCell* corner = CellAt(far, 63, 63);
    ASSERT_NE(nullptr, corner);
    EXPECT_FLOAT_EQ(63 * 64.0f, corner->GetOriginX());
    EXPECT_FLOAT_EQ(63 * 64.0f, corner->GetOriginY());
    EXPECT_NE(nullptr, CellAt(far, 62, 0));
    EXPECT_NE(nullptr, CellAt(far, 0, 62));
}

TEST_F(PlantTest, PlantsWithoutGroundStayOutOfTheBoundsTheTileAndTheDrawing)
{
    Build();
    TOOL_PlantDescription fast;
    fast.nameMesh = "plant.msh";
    fast.renderFast = 1;
    TOOL_PlantDescription slow;
    NOD_FX_Plant* tiled = Plants("fast.des", TOOL_PlantMap(GREEN40), fast);
    NOD_FX_Plant* single = Plants("slow.des", TOOL_PlantMap(GREEN40), slow);
    const VEC_Camera camera = DownCamera({32.0f, 64.0f, 50.0f}, 45.0f);

    struct Case
    {
        const char* what;
        bool terrain;     // no terrain at all, or one that covers 32 x 32 of the cell
        s32 groundedLow;  // the grounded plants lie in this range
        s32 groundedHigh;
    };
    const Case cases[] = {{"no terrain", false, 0, 0}, {"a quarter of the cell", true, 1, 39}};
    MRT_Terrain small;
    TST_BuildTerrain(small, 1, 17, {0.0f, 0.0f, 0.0f}, {2.0f, 2.0f, 1.0f}, [](s32, s32) { return (u16)10; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_simulation->terrainCell->terrain = c.terrain ? &small : nullptr;
        ++m_simulation->stepCounter;
        tiled->RemoveStaleCells();
        single->RemoveStaleCells();
        Update(tiled, camera);
        Update(single, camera);
        for (NOD_FX_Plant* node : {tiled, single}) {
            const FX_PlantCell* cell = CellAt(node, 0, 0);
            ASSERT_NE(nullptr, cell);
            EXPECT_EQ(40, cell->GetPlantCount());
            EXPECT_GE(cell->GetGroundedCount(), c.groundedLow);
            EXPECT_LE(cell->GetGroundedCount(), c.groundedHigh);
            EXPECT_LT(cell->GetBounds().m_max.z, 1.0e6f);
            EXPECT_GT(cell->GetBounds().m_min.z, -1.0e6f);
        }
        EXPECT_EQ(CellAt(tiled, 0, 0)->GetGroundedCount(), CellAt(tiled, 0, 0)->GetTilePlants());

        // Drawn: one tile draw for the tiled cell when it has grounded plants, one draw per
        // grounded plant of the other.
        m_renderer->Render();
        m_fake.Forget();
        m_renderer->AddPermanentBody(single);
        m_renderer->Render();
        const size_t withSingle = Draws();
        m_renderer->RemovePermanentBody(single);
        m_fake.Forget();
        m_renderer->Render();
        const size_t without = Draws();
        EXPECT_EQ((size_t)CellAt(single, 0, 0)->GetGroundedCount(), withSingle - without);
        m_fake.Forget();
        m_renderer->AddPermanentBody(tiled);
        m_renderer->Render();
        EXPECT_EQ(c.terrain ? 1u : 0u, Draws() - without);
        m_renderer->RemovePermanentBody(tiled);
        m_fake.Forget();
    }
    m_simulation->terrainCell->terrain = &m_terrain;
}

TEST_F(PlantTest, ATileStopsFillingBeforeItOverflows)
{
    Build();
    TOOL_PlantDescription fast;
    fast.nameMesh = "big.msh";
    fast.renderFast = 1;
    NOD_FX_Plant* node = Plants("plants.des", TOOL_PlantMap(TOOL_PlantPixel(255, 1, 2, 3)), fast);
    const VEC_Mesh* mesh = m_cache->GetMeshCache()->Get(node->GetMesh());
    ASSERT_NE(nullptr, mesh);
    s32 vertices = 0;
    s32 indices = 0;
    for (s32 p = 0; p < mesh->partCount; ++p) {
        vertices += mesh->parts[p].vertexCount;
        indices += mesh->parts[p].triangleCount * 3;
    }
    const s32 fits = std::min(4096 / vertices, 12288 / indices);
    ASSERT_LT(fits, 255);

    Update(node, DownCamera({32.0f, 64.0f, 50.0f}, 45.0f));  // fatal "tile overflow" without the stop
    const FX_PlantCell* cell = CellAt(node, 0, 0);
    ASSERT_NE(nullptr, cell);
    EXPECT_EQ(255, cell->GetPlantCount());
    EXPECT_EQ(fits, cell->GetTilePlants());
}

TEST_F(PlantTest, TilesAreSharedAndCellsWaitWhenNoneIsFree)
{
    Build();
    TOOL_PlantDescription fast;
    fast.nameMesh = "plant.msh";
    fast.renderFast = 1;
    fast.maxDistance = 1000.0f;
    NOD_FX_Plant* first = Plants("plants.des", TOOL_PlantMap(GREEN40), fast);
    const VEC_Camera wide = DownCamera({1024.0f, 1024.0f, 50.0f}, 600.0f);
    Update(first, wide);
    ASSERT_EQ(196, first->GetActiveCount());
    EXPECT_EQ(0, NOD_FX_Plant::GetFreeTileCount());
    EXPECT_EQ(0, first->GetCell(0)->GetTile());
    EXPECT_EQ(195, first->GetCell(195)->GetTile());

    NOD_FX_Plant* second = Plants("plants.des", TOOL_PlantMap(GREEN40), fast);
    Update(second, wide);
    EXPECT_EQ(0, second->GetActiveCount());

    // Retired cells give their tiles back at the end of the queue.
    ++m_simulation->stepCounter;
    Update(first, DownCamera({1024.0f, 1024.0f, 50.0f}, 40.0f));
    const s32 kept = first->GetActiveCount();
    EXPECT_GT(kept, 0);
    EXPECT_EQ(196 - kept, NOD_FX_Plant::GetFreeTileCount());
    Update(second, DownCamera({3072.0f, 3072.0f, 50.0f}, 40.0f));
    EXPECT_GT(second->GetActiveCount(), 0);

    for (NOD_FX_Plant*& node : m_nodes)
        if (node == first) {
            delete node;
            node = nullptr;
        }
    EXPECT_EQ(196 - second->GetActiveCount(), NOD_FX_Plant::GetFreeTileCount());
}

TEST_F(PlantTest, TheHeartBeatUpdatesTwicePerSecondAndAfterACameraJump)
{
    Build();
    NOD_FX_Plant* node = Plants("plants.des", TOOL_PlantMap(GREEN40));
    NOD_Camera* camera = NOD_Camera::DynamicCast(NOD_Node::CreateNode("NOD_Camera", "camera"));
    ASSERT_NE(nullptr, camera);
    m_simulation->cameraNode = camera;
    Look(DownCamera({2080.0f, 2080.0f, 50.0f}, 60.0f));
    SIM_Clock& clock = SIM_GetSimulationClock();

    clock.SetTime(0.25f);
    node->HeartBeat();
    EXPECT_EQ(0, node->GetActiveCount());
    EXPECT_FLOAT_EQ(0.0f, node->GetLastUpdate());

    // Entering the simulation is a jump: the very next beat updates.
    delete camera->ProcessMessage(NOD_Node_EnterSimulation::Create());
    ASSERT_NE(0, camera->GetJumpFlag());
    node->HeartBeat();
    EXPECT_FLOAT_EQ(0.25f, node->GetLastUpdate());
    EXPECT_GT(node->GetActiveCount(), 0);

    // Without a jump, the view moves on only after half a second.
    m_simulation->stepCounter = 2;
    camera->HeartBeat();
    ASSERT_EQ(0, camera->GetJumpFlag());
    Look(DownCamera({1024.0f, 1024.0f, 50.0f}, 60.0f));
    clock.SetTime(0.7f);
    node->HeartBeat();
    EXPECT_NE(nullptr, CellAt(node, 32, 32));
    clock.SetTime(0.75f);
    node->HeartBeat();
    EXPECT_EQ(nullptr, CellAt(node, 32, 32));
    EXPECT_NE(nullptr, CellAt(node, 16, 16));

    delete camera->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    m_simulation->cameraNode = nullptr;
    delete camera;
}

TEST_F(PlantTest, EnteringTwiceRegistersOnceAndBothMessagesReachTheSons)
{
    Build();
    NOD_FX_Plant* node = Plants("plants.des", TOOL_PlantMap(GREEN40));
    NOD_Node* son = node->AddSon(NOD_Node::CreateNode("NOD_Plankton", "son"));
    ASSERT_NE(nullptr, son);
    const s32 before = m_renderer->GetPermanentBodyCount();  // the son registers itself

    delete node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    delete node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    EXPECT_TRUE(node->IsInSimulation());
    EXPECT_TRUE(son->IsInSimulation());
    EXPECT_EQ(before + 2, m_renderer->GetPermanentBodyCount());

    delete node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(node->IsInSimulation());
    EXPECT_FALSE(son->IsInSimulation());
    EXPECT_EQ(before, m_renderer->GetPermanentBodyCount());
    delete node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_EQ(before, m_renderer->GetPermanentBodyCount());

    // A node deleted while registered leaves the renderer's list.
    delete node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    for (NOD_FX_Plant*& slot : m_nodes)
        if (slot == node) {
            delete slot;
            slot = nullptr;
        }
    EXPECT_EQ(before, m_renderer->GetPermanentBodyCount());
}

TEST_F(PlantTest, CellsWithinReachButBeyondMaxDistanceAreActiveButNotDrawn)
{
    Build();
    TOOL_PlantDescription near;
    near.maxDistance = 250.0f;
    TOOL_PlantDescription far = near;
    far.maxDistance = 1000.0f;
    NOD_FX_Plant* nearNode = Plants("near.des", TOOL_PlantMap(GREEN40), near);
    NOD_FX_Plant* farNode = Plants("far.des", TOOL_PlantMap(GREEN40), far);
    // 290 units above the ground: every plant is farther than 250.
    const VEC_Camera camera = DownCamera({2080.0f, 2080.0f, 300.0f}, 400.0f);
    Update(nearNode, camera);
    Update(farNode, camera);
    ASSERT_GT(nearNode->GetActiveCount(), 0);

    m_renderer->Render();
    m_fake.Forget();
    m_renderer->Render();
    const size_t base = Draws();
    for (NOD_FX_Plant* node : {nearNode, farNode}) {
        m_fake.Forget();
        m_renderer->AddPermanentBody(node);
        m_renderer->Render();
        m_renderer->RemovePermanentBody(node);
        if (node == nearNode)
            EXPECT_EQ(base, Draws());
        else
            EXPECT_GT(Draws(), base);
    }
}
}  // namespace
