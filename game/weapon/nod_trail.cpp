// The trail node: its description, the trail it holds in the simulation's trail system, the
// visible box the camera collects it by, and its slow end under "/garbage".
#include "nod_trail.h"

#include <cstdio>

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "brisel_simulation.h"
#include "coh_handlerbase.h"
#include "cos_collisionsystem.h"
#include "des_file.h"
#include "mat_geometry.h"
#include "nod_message.h"
#include "nod_weapon_local.h"
#include "os_fatal.h"
#include "os_string.h"
#include "pcs_visibleobject.h"
#include "reb_texturecache.h"
#include "sim_clock.h"
#include "vfx_trail.h"

RTI_IMPLEMENT_CLASS(NOD_Trail, "NOD_Body")

namespace
{
const char* const PARSE = "NOD_Trail::ParseIniFile()";
constexpr s32 TEXTURE_PRIORITY = 32;
constexpr u32 NAME_BYTES = 260;
// The sample box is taken anew only this often; in between the handler keeps the last one.
constexpr f32 BOX_INTERVAL = 0.3f;

VFX_TrailSystem* TrailSystem() { return Brisel_TheSimulation != nullptr ? Brisel_TheSimulation->trailSystem : nullptr; }

COH_HandlerBase* VisibleHandler()
{
    const NOD_ContactWorld* world = ContactAggregate::GetWorld();
    return world != nullptr ? world->handlers[COS_TYPE_VISIBLE] : nullptr;
}

// "red,green,blue,alpha" as 0xAARRGGBB, each value kept as one byte.
u32 ReadColor(DES_Section& _visual, s32 _key)
{
    char key[8];
    OS_SNPrintf(key, sizeof(key), "RGBA%d", _key);
    char text[NAME_BYTES] = {};
    _visual.GetString(key, text, sizeof(text));
    s32 rgba[4] = {};
    if (std::sscanf(text, "%d,%d,%d,%d", &rgba[0], &rgba[1], &rgba[2], &rgba[3]) < 4)
        OS_Fatal(PARSE, OS_Format("RGBA%d expects 4 arguments", _key));
    return (u32)(u8)rgba[3] << 24 | (u32)(u8)rgba[0] << 16 | (u32)(u8)rgba[1] << 8 | (u32)(u8)rgba[2];
}
}  // namespace

NOD_Trail::NOD_Trail()
{
    m_visible = new PCS_VisibleObject(this);
    SetRenderBucket(BRISEL_BUCKET_TRAILS);
}

NOD_Trail::~NOD_Trail()
{
    delete m_visible;
    m_visible = nullptr;
}

NOD_Node* NOD_Trail::Clone()
{
    NOD_Trail* clone = new NOD_Trail();
    for (s32 key = 0; key < KEY_COUNT; ++key) {
        clone->m_widths[key] = m_widths[key];
        clone->m_colors[key] = m_colors[key];
    }
    clone->m_numOfSamples = m_numOfSamples;
    clone->m_lifeTime = m_lifeTime;
    clone->m_mapsPerSecond = m_mapsPerSecond;
    clone->m_textureId = m_textureId;
    return clone;
}

void NOD_Trail::ParseIniFile_Des(DES_Section& _data)
{
    DES_Section visual = NOD_RequireSection(_data, "Visual", PARSE);
    char texture[NAME_BYTES] = {};
    visual.GetString("Texture", texture, sizeof(texture));
    if (Brisel_TheCache == nullptr)
        OS_Fatal(PARSE, "no resource cache");
    m_textureId = Brisel_TheCache->GetTextureNames()->RegisterTextureName(texture, TEXTURE_PRIORITY);
    visual.GetS32("NumOfSamples", &m_numOfSamples);
    visual.GetFloat("LifeTime", &m_lifeTime);
    visual.GetFloat("MapsPerSecond", &m_mapsPerSecond);
    for (s32 key = 0; key < KEY_COUNT; ++key) {
        char name[4];
        OS_SNPrintf(name, sizeof(name), "S%d", key);
        visual.GetFloat(name, &m_widths[key]);
    }
    for (s32 key = 0; key < KEY_COUNT; ++key)
        m_colors[key] = ReadColor(visual, key);
}

void NOD_Trail::BoxAround(f32 _time)
{
    const MAT_Vector3 p = GetWorldTransform(_time)->t;
    const f32 centre[3] = {p.x, p.y, p.z};
    for (s32 axis = 0; axis < 3; ++axis) {
        m_box[axis] = centre[axis] - 1.0f;
        m_box[axis + 3] = centre[axis] + 1.0f;
    }
}

void NOD_Trail::ReportBox()
{
    if (COH_HandlerBase* handler = VisibleHandler())
        handler->Update(m_visible, m_box);
}

void NOD_Trail::HeartBeat()
{
    const SIM_Clock& clock = SIM_GetSimulationClock();
    // Released means at or after time 0, and its countdown runs whatever the node holds and
    // wherever it is: otherwise a node without a trail, or one that left the simulation with
    // its father, would stay under "/garbage" for good.
    if (m_releaseTime >= 0.0f) {
        if (m_releaseTime + m_lifeTime < clock.time)
            NOD_Node::GC_AddNode(this);
        return;
    }
    if (!IsInSimulation())
        return;
    VFX_TrailSystem* system = TrailSystem();
    VFX_Trail* trail = system != nullptr ? system->GetTrail(m_trailId) : nullptr;
    if (trail == nullptr)
        return;
    trail->AddSample(clock.time, *GetWorldTransform(clock.time), 0);
    if (m_boxTime + BOX_INTERVAL < clock.time) {
        MAT_AABox box;
        if (trail->ComputeBoundingBox(box, clock.time) != 0) {
            const f32 corners[6] = {box.m_min.x, box.m_min.y, box.m_min.z, box.m_max.x, box.m_max.y, box.m_max.z};
            for (s32 i = 0; i < 6; ++i)
                m_box[i] = corners[i];
        } else {
            BoxAround(clock.time + clock.dt);
        }
        m_boxTime = clock.time;
    }
    ReportBox();
}

s32 NOD_Trail::GetGCMode()
{
    const f32 now = SIM_GetSimulationClock().time;
    if (m_releaseTime >= 0.0f)
        return m_releaseTime + m_lifeTime <= now ? GC_DESTROY : GC_KEEP;
    // The ribbon stays where the father died instead of following the node's next father.
    NOD_FreezeInWorld(*this, now);
    m_releaseTime = now;
    return GC_MOVE_TO_GARBAGE;
}

void NOD_Trail::Render()
{
    VFX_TrailSystem* system = TrailSystem();
    VFX_Trail* trail = system != nullptr ? system->GetTrail(m_trailId) : nullptr;
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (trail == nullptr || renderer == nullptr)
        return;
    f32 corners[6];
    GetBoundingBox(corners, SIM_GetFrameClock().time);
    MAT_AABox box;
    box.m_min = MAT_Vector3(corners[0], corners[1], corners[2]);
    box.m_max = MAT_Vector3(corners[3], corners[4], corners[5]);
    if (renderer->GetCamera().TestBox(box) == 1)
        return;
    renderer->RenderTrail(trail, m_textureId);
}

void NOD_Trail::GetBoundingBox(f32* _box, f32 _time)
{
    (void)_time;
    for (s32 i = 0; i < 6; ++i)
        _box[i] = m_box[i];
}

NOD_Trail* NOD_Trail::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Trail*>(_node);
}

void NOD_Trail::PM_EnterSimulation()
{
    NOD_LinkToFather(*this);
    const SIM_Clock& clock = SIM_GetSimulationClock();
    VFX_TrailSystem* system = TrailSystem();
    m_trailId = system != nullptr ? system->AllocateTrail() : -1;
    if (m_trailId >= 0) {
        VFX_Trail* trail = system->GetTrail(m_trailId);
        if (trail == nullptr)
            OS_Fatal(PARSE, "invalid trail pointer");
        trail->SetSampling(m_numOfSamples, m_lifeTime, m_mapsPerSecond);
        for (s32 key = 0; key < KEY_COUNT; ++key) {
            trail->SetSize(key, m_widths[key]);
            trail->SetColor(key, m_colors[key]);
        }
        system->StartTrail(m_trailId, clock.time, *GetWorldTransform(clock.time));
    }
    BoxAround(clock.time + clock.dt);
    m_boxTime = clock.time;
    if (COH_HandlerBase* handler = VisibleHandler())
        handler->Insert(m_visible, m_box, GetRootBody());
    m_releaseTime = NOT_RELEASED;
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);
}

void NOD_Trail::PM_LeaveSimulation()
{
    if (m_trailId >= 0) {
        if (VFX_TrailSystem* system = TrailSystem())
            system->ReleaseTrail(m_trailId);
        m_trailId = -1;
    }
    if (COH_HandlerBase* handler = VisibleHandler())
        handler->Remove(m_visible);
    SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Matrix34 frame = *GetCS().GetTrack().GetAt(now, nullptr);
    GetCS().SetTransform(now, frame);
}

NOD_Message* NOD_Trail::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        delete _message;
        // A second entry would take a second trail and lose the first.
        if (!IsInSimulation())
            PM_EnterSimulation();
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        delete _message;
        PM_LeaveSimulation();
        return nullptr;
    default:
        return NOD_Body::ProcessMessage(_message);
    }
}
