// The plankton node: the layer definitions and the per-frame opacity factor.
#include "nod_plankton.h"
#include "nod_creationrecord.h"

#include <cfloat>
#include <cmath>

#include "brisel_renderer.h"
#include "nod_message.h"
#include "nod_scenereplicators.h"
#include "sim_clock.h"
#include "vec_camera.h"
#include "vec_mesh.h"

RTI_IMPLEMENT_CLASS(NOD_Plankton, "NOD_Body")

void NOD_Plankton::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

namespace
{
constexpr s32 PLANKTON_BUCKET = 8;
constexpr f32 PI = 3.1415927f;

struct Layer
{
    const char* texture;
    u8 alpha;
    f32 minSize;
    f32 maxSize;
};
const Layer LAYER_TABLE[NOD_Plankton::LAYERS] = {
    {"vfx\\tex\\fx\\plankton04", 80, 0.21f, 0.35f}, {"vfx\\tex\\fx\\plankton06", 75, 0.35f, 0.49f},
    {"vfx\\tex\\fx\\plankton10", 70, 0.49f, 0.63f}, {"vfx\\tex\\fx\\plankton11", 65, 0.63f, 0.77f},
    {"vfx\\tex\\fx\\plankton12", 60, 0.77f, 0.91f},
};
}  // namespace

NOD_Plankton::NOD_Plankton()
{
    SetRenderBucket(PLANKTON_BUCKET);
    m_lastCameraPosition = {FLT_MAX, FLT_MAX, FLT_MAX};
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr)
        return;
    // One additive material for every layer, drawn without depth writes; only the alpha
    // changes from layer to layer.
    VEC_Material material;
    material.diffuseMap.blendMode = 1;
    material.diffuseMap.flags = (u8)(material.diffuseMap.flags & ~VEC_MAP_DEPTHBUFFERED);
    for (s32 k = 0; k < LAYERS; ++k) {
        material.diffuseMap.alpha = LAYER_TABLE[k].alpha;
        renderer->Plankton_Set(k, LAYER_TABLE[k].texture, material, PARTICLES, FIELD_HALF_SIZE, LAYER_TABLE[k].minSize,
                               LAYER_TABLE[k].maxSize, -PI, PI);
    }
}

NOD_Plankton::~NOD_Plankton() = default;

NOD_Plankton* NOD_Plankton::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Plankton*>(_node);
}

NOD_Message* NOD_Plankton::ProcessMessage(NOD_Message* _message)
{
    if (m_permanent.ProcessSimulationMessage(this, _message))
        return nullptr;
    return NOD_Body::ProcessMessage(_message);
}

void NOD_Plankton::Render()
{
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr)
        return;
    const MAT_Vector3 position = renderer->GetCamera().GetWorldTransform().t;
    if (m_lastCameraPosition.x == FLT_MAX)
        m_lastCameraPosition = position;  // the first frame counts as no movement
    const MAT_Vector3 moved = position - m_lastCameraPosition;
    const f32 distance = std::sqrt(moved.x * moved.x + moved.y * moved.y + moved.z * moved.z);
    f32 m = distance * SIM_GetFrameClock().oneOverDt * SPEED_FACTOR;
    // A frame without scene time since the last one: no movement gives 0 x infinity, which
    // counts as rest.
    if (m != m)
        m = 0.0f;
    if (m > 1.0f)
        m = 1.0f;
    m_lastCameraPosition = position;
    m_lastFactor = 1.0f - m + 0.2f;
    renderer->Plankton_Render(m_lastFactor);
}

NOD_Replicator* NOD_Plankton::CreateReplicator() { return new NOD_SceneBodyReplicator(); }
