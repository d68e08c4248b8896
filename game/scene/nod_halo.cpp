// Halo and cone nodes: their descriptions, the halo's two billboards and their visible boxes.
#include "nod_halo.h"

#include <cmath>

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "con_cache.h"
#include "des_file.h"
#include "mat_geometry.h"
#include "mat_round.h"
#include "nod_bodylink.h"
#include "nod_message.h"
#include "nod_scene_local.h"
#include "os_fatal.h"
#include "sim_clock.h"
#include "vec_camera.h"
#include "vec_mesh.h"

RTI_IMPLEMENT_CLASS(NOD_Halo, "NOD_Body")
RTI_IMPLEMENT_CLASS(NOD_Cone, "NOD_Body")

namespace
{
const char* const HALO_PARSE = "NOD_Halo::ParseIniFile()";
const char* const CONE_PARSE = "NOD_Cone::ParseIniFile()";
constexpr u32 NAME_BYTES = 256;
constexpr f32 EPSILON = 1.1920929e-7f;
// How far in front of the near limit a near billboard is kept.
constexpr f32 NEAR_MARGIN = 0.1f;

// A weight of 0..1 as an alpha byte, rounded down.
u8 AlphaByte(f32 _weight)
{
    const s32 alpha = MAT_FloorByRounding(_weight * 255.0f);
    return (u8)(alpha < 0 ? 0 : alpha > 255 ? 255 : alpha);
}

void BoxAbout(const MAT_Vector3& _centre, f32 _half, f32 _box[6])
{
    const f32 centre[3] = {_centre.x, _centre.y, _centre.z};
    for (s32 axis = 0; axis < 3; ++axis) {
        _box[axis] = centre[axis] - _half;
        _box[axis + 3] = centre[axis] + _half;
    }
}
}  // namespace

// ---- halo ---------------------------------------------------------------------------------------

NOD_Halo::NOD_Halo() { SetRenderBucket(BRISEL_BUCKET_HALOS); }

NOD_Halo::~NOD_Halo() = default;

void NOD_Halo::ParseIniFile_Des(DES_Section& _data)
{
    DES_Section visual = NOD_RequireSection(_data, "Visual", HALO_PARSE);
    char texture[NAME_BYTES] = {};
    visual.GetString("Texture", texture, sizeof(texture));
    m_textureId = NOD_RegisterEffectTexture(texture, HALO_PARSE);
    visual.GetVector2("Scale", m_scale);
    f32 color[3] = {};
    visual.GetVector3("Color", color);
    f32 opacity = 0.0f;
    visual.GetFloat("Opacity", &opacity);
    m_color[0] = NOD_ColorByte(color[2] * opacity * 255.0f);
    m_color[1] = NOD_ColorByte(color[1] * opacity * 255.0f);
    m_color[2] = NOD_ColorByte(color[0] * opacity * 255.0f);
    m_color[3] = NOD_ColorByte(opacity * 255.0f);
    m_radius = NO_RADIUS;
    if (visual.HasEntry("BSRad"))
        visual.GetFloat("BSRad", &m_radius);
}

void NOD_Halo::HeartBeat()
{
    if (IsInSimulation())
        m_record.Step(*this);
}

u32 NOD_Halo::ReferenceBox(f32 _time, f32 _box[6])
{
    // "BSRad" 0 counts as none.
    if (std::fabs(m_radius - NO_RADIUS) > EPSILON) {
        BoxAbout(GetWorldTransform(_time)->t, m_radius, _box);
        return 1;
    }
    NOD_Body* father = NOD_Body::DynamicCast(GetFather());
    if (father == nullptr)
        return 0;
    father->GetWorldTransform(_time);
    GetWorldTransform(_time);
    father->GetBoundingBox(_box, _time);
    return 1;
}

void NOD_Halo::Render()
{
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr)
        return;
    const f32 time = SIM_GetFrameClock().time;
    f32 corners[6];
    if (!ReferenceBox(time, corners))
        return;
    MAT_AABox box;
    box.m_min = MAT_Vector3(corners[0], corners[1], corners[2]);
    box.m_max = MAT_Vector3(corners[3], corners[4], corners[5]);
    MAT_Sphere sphere;
    box.GetBoundingSphere(sphere);

    const VEC_Camera& camera = renderer->GetCamera();
    const MAT_Matrix34& view = camera.GetViewTransform();
    const MAT_Matrix34 world = *GetWorldTransform(time);
    const f32 zP = view.TransformPoint(world.t).y;
    // Behind the eye the projection factors turn negative and both billboards would come out
    // mirrored in front of the camera.
    if (!(zP > EPSILON))
        return;
    const f32 nearLimit = camera.GetViewFrustumBox().m_min.y + NEAR_MARGIN;
    const f32 zM = view.TransformPoint(sphere.m_centre).y;
    const f32 farSide = zM + sphere.m_radius;
    if (farSide <= nearLimit)
        return;
    const MAT_Vector3 eye = camera.GetWorldTransform().t;
    const f32 facing = (camera.GetWorldTransform().r.GetY().Dot(world.r.GetY()) + 1.0f) * 0.5f;
    const MAT_Vector3 ray = world.t - eye;

    const f32 sA = farSide / zP;
    const f32 nearSide = zM - sphere.m_radius;
    const f32 sB = (nearSide > nearLimit ? nearSide : nearLimit) / zP;
    u8 color[4] = {m_color[0], m_color[1], m_color[2], AlphaByte(facing)};
    renderer->RenderBillboard(m_textureId, eye + ray * sA, m_scale[0] * sA, m_scale[1] * sA, color);
    color[3] = AlphaByte(1.0f - facing);
    renderer->RenderBillboard(m_textureId, eye + ray * sB, m_scale[0] * sB, m_scale[1] * sB, color);
}

void NOD_Halo::GetBoundingBox(f32* _box, f32 _time)
{
    const f32 half = std::fmax(std::fabs(m_scale[0]), std::fabs(m_scale[1]));
    BoxAbout(GetWorldTransform(_time)->t, half, _box);
}

NOD_Message* NOD_Halo::ProcessMessage(NOD_Message* _message)
{
    // The first box about a halo is wider than the boxes of its steps.
    if (m_record.HandleEntry(*this, _message, MAT_Vector3(m_scale[0] + 10.0f, 10.0f, m_scale[1] + 10.0f)))
        return nullptr;
    return NOD_Body::ProcessMessage(_message);
}

NOD_Halo* NOD_Halo::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Halo*>(_node);
}

// ---- cone ---------------------------------------------------------------------------------------

NOD_Cone::NOD_Cone() { SetRenderBucket(BRISEL_BUCKET_PLANTS); }

NOD_Cone::~NOD_Cone() { ReleaseMesh(); }

VEC_Mesh* NOD_Cone::GetMesh() const
{
    return m_mesh != 0 && Brisel_TheCache != nullptr ? Brisel_TheCache->GetMeshCache()->Get(m_mesh) : nullptr;
}

void NOD_Cone::ReleaseMesh()
{
    if (m_mesh != 0 && Brisel_TheCache != nullptr)
        Brisel_TheCache->GetMeshCache()->Release(m_mesh);
    m_mesh = 0;
}

void NOD_Cone::ParseIniFile_Des(DES_Section& _data)
{
    DES_Section visual = NOD_RequireSection(_data, "Visual", CONE_PARSE);
    char name[NAME_BYTES] = {};
    visual.GetString("NameMesh", name, sizeof(name));
    visual.GetVector3("Scale", m_scale);
    f32 color[3] = {};
    visual.GetVector3("Color", color);
    m_color[0] = NOD_ColorByte(color[2] * 255.0f);
    m_color[1] = NOD_ColorByte(color[1] * 255.0f);
    m_color[2] = NOD_ColorByte(color[0] * 255.0f);
    m_color[3] = 255;
    if (Brisel_TheCache == nullptr)
        OS_Fatal(CONE_PARSE, "no resource cache");
    // A second description replaces the first mesh.
    ReleaseMesh();
    m_mesh = Brisel_TheCache->GetMeshCache()->Allocate(name, 1);
    const VEC_Mesh* mesh = GetMesh();
    if (mesh == nullptr)
        return;
    const f32 box[6] = {mesh->boxMin.x, mesh->boxMin.y, mesh->boxMin.z, mesh->boxMax.x, mesh->boxMax.y, mesh->boxMax.z};
    GetAggregate().GenerateVisibleObject(box);
}

void NOD_Cone::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    GetAggregate().HeartBeat(*GetWorldTransform(clock.time + clock.dt), MAT_Vector3());
}

void NOD_Cone::GetBoundingBox(f32* _box, f32 _time)
{
    const VEC_Mesh* mesh = GetMesh();
    if (mesh == nullptr) {
        NOD_Body::GetBoundingBox(_box, _time);
        return;
    }
    MAT_AABox local;
    local.m_min = mesh->boxMin;
    local.m_max = mesh->boxMax;
    MAT_Vector3 corners[8];
    local.Transform(*GetWorldTransform(_time), corners);
    MAT_AABox world;
    Brisel_Renderer::BoundingBoxOfPoints(world, corners, 8);
    const f32 box[6] = {world.m_min.x, world.m_min.y, world.m_min.z, world.m_max.x, world.m_max.y, world.m_max.z};
    for (s32 i = 0; i < 6; ++i)
        _box[i] = box[i];
}

NOD_Message* NOD_Cone::ProcessMessage(NOD_Message* _message)
{
    const SIM_Clock& clock = SIM_GetSimulationClock();
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        NOD_LinkToFather(*this);
        GetAggregate().EnterSimulation(*GetWorldTransform(clock.time), MAT_Vector3());
        SetFlags(GetFlags() | FLAG_IN_SIMULATION);
        break;
    case NOD_Node_LeaveSimulation::ID:
        GetAggregate().LeaveSimulation();
        SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
        NOD_RestAtTrackFrame(*this, clock.time);
        break;
    default:
        return NOD_Body::ProcessMessage(_message);
    }
    delete _message;
    return nullptr;
}

NOD_Cone* NOD_Cone::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Cone*>(_node);
}
