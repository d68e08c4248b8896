// The terrain node: loading a terrain directory, keeping its triangulation up to date and the
// simulation's terrain cell in step with the terrain it owns.
#include "nod_terrain.h"

#include <cstdio>

#include "brisel_renderer.h"
#include "brisel_simulation.h"
#include "des_file.h"
#include "mrt_frustum.h"
#include "mrt_terrain.h"
#include "nod_camera.h"
#include "nod_message.h"
#include "nod_scenereplicators.h"
#include "os_fatal.h"
#include "sim_clock.h"
#include "sim_name.h"
#include "vec_camera.h"

RTI_IMPLEMENT_CLASS(NOD_Terrain, "NOD_Body")

void NOD_Terrain::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_Terrain::CreateFromStream);
}

namespace
{
const char* const LOAD = "NOD_Terrain::LoadTerrain()";
constexpr s32 TERRAIN_PATH_BYTES = 320;

MRT_TerrainCell* SimulationCell()
{
    return Brisel_TheSimulation != nullptr ? Brisel_TheSimulation->terrainCell : nullptr;
}

// _directory followed by _name; a path that does not fit is refused rather than cut.
void JoinPath(char (&_path)[TERRAIN_PATH_BYTES], const char* _directory, const char* _name)
{
    const int length = std::snprintf(_path, sizeof(_path), "%s%s", _directory, _name);
    if (length < 0 || length >= (int)sizeof(_path))
        OS_Fatal(LOAD, "terrain directory name too long");
}
}  // namespace

NOD_Terrain::NOD_Terrain() { SetRenderBucket(BRISEL_BUCKET_TERRAIN); }

NOD_Terrain::~NOD_Terrain() { FreeTerrain(); }

NOD_Terrain* NOD_Terrain::DynamicCast(NOD_Node* _node)
{
    return _node != nullptr && _node->IsKindOf(GetStaticClassDefinition()) ? static_cast<NOD_Terrain*>(_node) : nullptr;
}

void NOD_Terrain::FreeTerrain()
{
    if (m_terrain == nullptr)
        return;
    MRT_TerrainCell* cell = SimulationCell();
    if (cell != nullptr && cell->terrain == m_terrain)
        cell->terrain = nullptr;
    delete m_terrain;
    m_terrain = nullptr;
}

void NOD_Terrain::HeartBeat()
{
    if (!IsInSimulation() || m_terrain == nullptr || Brisel_TheSimulation == nullptr)
        return;
    const NOD_Camera* camera = NOD_Camera::DynamicCast(Brisel_TheSimulation->cameraNode);
    const bool jumped = camera != nullptr && camera->GetJumpFlag() != 0;
    if ((Brisel_TheSimulation->stepCounter & 3u) == 0 || jumped) {
        const SIM_Clock& clock = SIM_GetSimulationClock();
        UpdateView(clock.time + 2.0f * clock.dt);
    }
}

void NOD_Terrain::UpdateView(f32 _time)
{
    if (m_terrain == nullptr || Brisel_TheSimulation == nullptr)
        return;
    NOD_Camera* cameraNode = NOD_Camera::DynamicCast(Brisel_TheSimulation->cameraNode);
    if (cameraNode == nullptr)
        return;  // no camera, no view
    const VEC_Camera* camera = cameraNode->GetCameraAtTime(_time);

    MRT_Frustum frustum;
    frustum.planeFlags = PLANE_FLAGS;
    frustum.position = camera->GetWorldTransform().t;
    frustum.SetCullLevel(CULL_LEVEL);
    for (s32 k = 0; k < 6; ++k) {
        MRT_Plane& plane = frustum.planes[k];
        camera->GetViewFrustumPlaneWP(k, plane.a, plane.b, plane.c, plane.d);
        // Outwards, so that the ground just outside the view is triangulated too.
        plane.d -= VIEW_MARGIN;
    }
    m_terrain->SetView(frustum);
    for (MRT_TileView& view : m_terrain->tileViews)
        view.SetDetail(m_detail);

    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    const s32 size = m_terrain->NumOfTiles > 0 ? m_terrain->tileTypes[0].GetSize() : 0;
    if (renderer != nullptr && size > 1)
        renderer->Terrain_Triangulate(m_terrain, 1.0f / (f32)(size - 1));
}

void NOD_Terrain::LoadTerrain(const char* _directory)
{
    char path[TERRAIN_PATH_BYTES];
    JoinPath(path, _directory, "\\terrain.des");
    m_setName = MOS_String(_directory);
    FreeTerrain();
    m_terrain = new MRT_Terrain();
    m_terrain->LoadTerrain(path);
    if (MRT_TerrainCell* cell = SimulationCell())
        cell->terrain = m_terrain;

    JoinPath(path, _directory, "\\material.des");
    f32 wrapping[4] = {};
    {
        DES_File file;
        DES_Section root;
        file.Open(&root, path);
        DES_Section section;
        if (!root.FindSection(&section, "Wrapping"))
            DES_FatalSection(LOAD, "Wrapping", file.GetName());
        const char* const KEYS[4] = {"W0", "W1", "W2", "W3"};
        for (s32 i = 0; i < 4; ++i)
            section.GetFloat(KEYS[i], &wrapping[i]);
        file.Close();
    }

    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr)
        return;
    for (s32 i = 0; i < 4; ++i) {
        char name[16];
        std::snprintf(name, sizeof(name), "\\material_%d", (int)i);
        JoinPath(path, _directory, name);
        renderer->Terrain_SetMaterial(i, path, 1.0f / wrapping[i]);
    }
    JoinPath(path, _directory, "\\lightmap");
    renderer->Terrain_SetLightmap(path);
    JoinPath(path, _directory, "\\");
    const f32 tint[3] = {0.5f, 0.5f, 0.5f};
    renderer->Terrain_CreateSelectors(path, tint, tint, tint);
}

NOD_Message* NOD_Terrain::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Terrain_SetPoly::ID:
        delete _message;  // the polygon budget is not used
        return nullptr;
    case NOD_Terrain_LoadTerrain::ID: {
        const auto [directory] = NOD_Terrain_LoadTerrain::Read(_message);
        delete _message;
        LoadTerrain(directory.GetName());
        return nullptr;
    }
    default:
        if (m_permanent.ProcessSimulationMessage(this, _message))
            return nullptr;
        return NOD_Body::ProcessMessage(_message);
    }
}

void NOD_Terrain::Render()
{
    if (Brisel_Renderer* renderer = Brisel_Renderer::Get())
        renderer->Terrain_Render();
}

NOD_Replicator* NOD_Terrain::CreateReplicator() { return new NOD_TerrainReplicator(); }
