// The light-ray node: the pool's step and drawing, hooked to the driver and the renderer.
#include "nod_raysystem.h"
#include "nod_creationrecord.h"

#include "brisel_renderer.h"
#include "brisel_simulation.h"
#include "mrt_terrain.h"
#include "nod_message.h"
#include "nod_scenereplicators.h"
#include "sim_clock.h"
#include "vec_camera.h"

RTI_IMPLEMENT_CLASS(NOD_RaySystem, "NOD_Body")

void NOD_RaySystem::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

namespace
{
const MRT_Terrain* SimulationTerrain()
{
    if (Brisel_TheSimulation == nullptr || Brisel_TheSimulation->terrainCell == nullptr)
        return nullptr;
    return Brisel_TheSimulation->terrainCell->terrain;
}
}  // namespace

NOD_RaySystem::NOD_RaySystem()
{
    SetRenderBucket(BRISEL_BUCKET_PLANTS);
    m_rays.Load(RAY_RaySystem::FILE_NAME, "NOD_RaySystem::NOD_RaySystem()");
}

NOD_RaySystem::~NOD_RaySystem() = default;

NOD_RaySystem* NOD_RaySystem::DynamicCast(NOD_Node* _node)
{
    return _node != nullptr && _node->IsKindOf(GetStaticClassDefinition()) ? static_cast<NOD_RaySystem*>(_node)
                                                                           : nullptr;
}

void NOD_RaySystem::HeartBeat()
{
    if (Brisel_TheSimulation == nullptr || Brisel_TheSimulation->camera == nullptr)
        return;
    const MAT_Vector3 viewer = Brisel_TheSimulation->camera->GetWorldTransform().t;
    m_rays.Step(SIM_GetSimulationClock(), viewer, SimulationTerrain());
}

NOD_Message* NOD_RaySystem::ProcessMessage(NOD_Message* _message)
{
    if (m_permanent.ProcessSimulationMessage(this, _message))
        return nullptr;
    return NOD_Body::ProcessMessage(_message);
}

void NOD_RaySystem::Render()
{
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr || SimulationTerrain() == nullptr)
        return;
    m_rays.Draw(*renderer, renderer->GetCamera().GetPitch(), SIM_GetFrameClock().fraction);
}

NOD_Replicator* NOD_RaySystem::CreateReplicator() { return new NOD_SceneBodyReplicator(); }
