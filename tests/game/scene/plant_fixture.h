// The world the plant and plankton nodes live in: a renderer on the recording display with a
// fake camera node, the run's caches, the simulation driver with a flat terrain 10 units high
// over the whole 4096 x 4096 plant map, and cameras that look straight down.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "brisel_scene_fake.h"
#include "brisel_simulation.h"
#include "display_fixture.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "nod_node.h"
#include "sim_clock.h"
#include "tools_ash.h"
#include "tools_mesh.h"
#include "tools_plants.h"
#include "vec_camera.h"

class PlantWorldTest : public DisplayTest
{
protected:
    void SetUp() override {}

    // Everything made; _renderPlants is the renderer's divisor of the plant counts.
    void Build(s32 _renderPlants = 1)
    {
        TST_RendererData data;
        data.renderPlants = _renderPlants;
        TST_WriteRendererData(m_dir, data);
        m_dir.Write("vfx/msh/plant.msh", TOOL_MeshText(TOOL_MeshGrid(1, 1, 1)));
        m_dir.Write("vfx/msh/big.msh", TOOL_MeshText(TOOL_MeshGrid(4, 4, 1)));
        TOOL_Ash ash;
        ash.m0 = "plant.msh";
        ash.d0 = 100000.0f;
        m_dir.Write("vfx/ash/plant.ash", TOOL_AshText(ash));
        TST_ResetRendererGlobals();
        SITO_DISPLAY = Open();
        m_cache = new Brisel_Cache();
        Brisel_TheCache = m_cache;
        m_scene.reset(new TST_FakeScene());
        m_renderer = new Brisel_Renderer();
        m_renderer->CreateDisplay();
        m_simulation = new Brisel_Simulation();
        Brisel_TheSimulation = m_simulation;
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        TST_BuildTerrain(m_terrain, 4, 17, {0.0f, 0.0f, 0.0f}, {64.0f, 64.0f, 1.0f}, [](s32, s32) { return (u16)10; });
        m_simulation->terrainCell->terrain = &m_terrain;
        m_fake.Forget();
    }

    void TearDown() override
    {
        if (m_simulation != nullptr) {
            m_simulation->terrainCell->terrain = nullptr;
            // The driver deletes the tree it finds at the root: here that is the fake scene's.
            NOD_Node* root = NOD_Node::GetRoot();
            NOD_Node::SetRoot(nullptr);
            Brisel_TheSimulation = nullptr;
            delete m_simulation;
            m_simulation = nullptr;
            NOD_Node::SetRoot(root);
        }
        delete m_renderer;
        m_renderer = nullptr;
        m_scene.reset();
        Brisel_TheCache = nullptr;
        delete m_cache;
        m_cache = nullptr;
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }

    // A camera at _position looking straight down, seeing _far units ahead: its view area is a
    // rectangle of 2 _far by 1.5 _far around it (views are chosen to cross a row line of the
    // cell grid: an outline between two lines gives the rasterizer no rows).
    static VEC_Camera DownCamera(const MAT_Vector3& _position, f32 _far)
    {
        VEC_Camera camera;
        camera.SetProjection(-1.0f, 1.0f, -0.75f, 0.75f, 1.0f, _far, 1.0f);
        MAT_Matrix34 frame;
        frame.SetFromVectors(_position, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 1.0f, 0.0f});
        camera.SetTransform(frame);
        return camera;
    }

    // The driver's camera of this step and the renderer's of the next frame.
    void Look(const VEC_Camera& _camera)
    {
        *m_simulation->camera = _camera;
        m_scene->camera->camera = _camera;
    }

    // Writes "vfx/<_name>" and its map "vfx/tex/plants/<_name>.tga".
    void WritePlants(const std::string& _name, const TOOL_TGA& _map, TOOL_PlantDescription _description)
    {
        _description.plantMap = "vfx\\tex\\plants\\" + _name + ".tga";
        m_dir.Write("vfx/tex/plants/" + _name + ".tga", TOOL_TGABytes(_map));
        m_dir.Write("vfx/" + _name, TOOL_PlantDescriptionText(_description));
    }

    size_t Draws() const { return m_fake.Count("DrawIndexedPrimitive"); }

    TST_TempDir m_dir;
    Brisel_Cache* m_cache = nullptr;
    std::unique_ptr<TST_FakeScene> m_scene;
    Brisel_Renderer* m_renderer = nullptr;
    Brisel_Simulation* m_simulation = nullptr;
    MRT_Terrain m_terrain;
};
