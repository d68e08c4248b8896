// Gun parts: their description, their per-step record and their drawing.
#include "nod_gun_part.h"

#include <cmath>

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "des_file.h"
#include "nod_body.h"
#include "nod_cs.h"
#include "nod_message.h"
#include "nod_weapon_local.h"
#include "os_fatal.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Gun_Part, "NOD_Node")

namespace
{
// Cached frames are reused within one float step of 1.0 of the time asked.
constexpr f32 CACHE_TOLERANCE = 1.1920929e-7f;

MAT_Matrix34 IdentityFrame()
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    return frame;
}
}  // namespace

NOD_Gun_Part::NOD_Gun_Part()
{
    m_track.SetTransform(0.0f, IdentityFrame(), MAT_Vector3());
    m_state.SetMatrix(IdentityFrame());
    m_state.Reset();
}

NOD_Gun_Part::~NOD_Gun_Part() { ReleaseMesh(&m_mesh); }

s32 NOD_Gun_Part::AllocateMesh(const char* _name, const char* _where)
{
    if (Brisel_TheCache == nullptr)
        OS_Fatal(_where, "no resource cache");
    return Brisel_TheCache->GetRenderMeshCache()->Allocate(_name, 1);
}

void NOD_Gun_Part::ReleaseMesh(s32* _handle)
{
    if (*_handle != 0 && Brisel_TheCache != nullptr)
        Brisel_TheCache->GetRenderMeshCache()->Release(*_handle);
    *_handle = 0;
}

void NOD_Gun_Part::ParseIniFile_CtxDes(DES_Section& _context, DES_Section& _data)
{
    ParseLCS(_context);
    ParseIniFile_Des(_data);
}

void NOD_Gun_Part::ParseIniFile_Des(DES_Section& _data)
{
    DES_Section visual = NOD_RequireSection(_data, "Visual", "NOD_Gun_Part::ParseIniFile()");
    char name[NAME_BYTES] = {};
    visual.GetString("NameMesh", name, sizeof(name));
    // A part read again gives its earlier mesh back first.
    ReleaseMesh(&m_mesh);
    m_mesh = AllocateMesh(name, "NOD_Gun_Part::ParseIniFile()");
}

void NOD_Gun_Part::ParseLCS(DES_Section& _section)
{
    const MAT_Matrix34 frame = NOD_Body::ReadLCS(_section);
    m_track.SetState(SIM_GetSimulationClock().time, frame, MAT_Vector3());
    m_localTime = m_worldTime = -1.0f;
    m_state.SetMatrix(frame);
}

void NOD_Gun_Part::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    m_damping.Apply(clock, m_state);
    if (m_integrate != 0) {
        m_damping.Apply(clock, m_state);
        m_state.Integrate(clock);
    }
    m_track.SetState(clock.time + clock.dt, m_state.frame, m_state.GetVelocity());
    m_localTime = m_worldTime = -1.0f;
}

NOD_Message* NOD_Gun_Part::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID: {
        delete _message;
        m_parentBody.Set(NOD_Body::DynamicCast(GetFather()));
        m_worldTime = -1.0f;
        for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
            delete GetSon(i)->ProcessMessage(NOD_Node_EnterSimulation::Create());
        SetFlags(GetFlags() | FLAG_IN_SIMULATION);
        return nullptr;
    }
    case NOD_Node_LeaveSimulation::ID: {
        delete _message;
        for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
            delete GetSon(i)->ProcessMessage(NOD_Node_LeaveSimulation::Create());
        SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
        const f32 now = SIM_GetSimulationClock().time;
        const MAT_Matrix34 frame = GetLocalSample(now);
        m_track.SetTransform(now, frame, MAT_Vector3());
        m_localTime = m_worldTime = -1.0f;
        m_state.SetMatrix(frame);
        return nullptr;
    }
    default:
        return NOD_Node::ProcessMessage(_message);
    }
}

NOD_CS* NOD_Gun_Part::GetParentCS() const
{
    NOD_Body* body = NOD_Body::DynamicCast((NOD_Node*)m_parentBody.Get());
    return body != nullptr ? &body->GetCS() : nullptr;
}

const MAT_Matrix34& NOD_Gun_Part::GetLocalSample(f32 _time)
{
    if (!(std::fabs(m_localTime - _time) <= CACHE_TOLERANCE)) {
        m_localSample = *m_track.GetAt(_time, nullptr);
        m_localTime = _time;
    }
    return m_localSample;
}

const MAT_Matrix34* NOD_Gun_Part::GetWorldFrame(f32 _time)
{
    if (!(std::fabs(m_worldTime - _time) <= CACHE_TOLERANCE)) {
        const MAT_Matrix34& local = GetLocalSample(_time);
        NOD_CS* parent = GetParentCS();
        m_world = parent != nullptr ? parent->GetWorldTransform(_time)->Compose(local) : local;
        m_worldTime = _time;
    }
    return &m_world;
}

void NOD_Gun_Part::Render()
{
    if (m_mesh == 0 || Brisel_TheCache == nullptr)
        return;
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr)
        return;
    renderer->RenderMesh(Brisel_TheCache->GetRenderMeshCache()->Get(m_mesh), *GetWorldFrame(SIM_GetFrameClock().time));
}

NOD_Gun_Part* NOD_Gun_Part::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Gun_Part*>(_node);
}
