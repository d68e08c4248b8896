// The particle emitter node: parsing, copies, the ParticleEmitter messages and the two-stage
// end under "/garbage".
#include "nod_particleemitter.h"

#include <cmath>

#include "brisel_simulation.h"
#include "des_file.h"
#include "mat_angle.h"
#include "nod_message.h"
#include "nod_weapon_local.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_ParticleEmitter, "NOD_Body")

namespace
{
const char* const PARSE = "NOD_ParticleEmitter::ParseIniFile()";
constexpr f32 DEGREES_TO_RADIANS = 0.017453292f;
// A new emission rate closer than this to the current one keeps the emission running as it is.
constexpr f32 RATE_EPSILON = 1.1920929e-7f;

MAT_Angle WrappedRadians(f32 _degrees)
{
    MAT_Angle angle;
    angle = _degrees * DEGREES_TO_RADIANS;
    return angle;
}
}  // namespace

NOD_ParticleEmitter::NOD_ParticleEmitter() { m_emitter.Stop(); }

NOD_ParticleEmitter::~NOD_ParticleEmitter() = default;

NOD_Node* NOD_ParticleEmitter::Clone()
{
    NOD_ParticleEmitter* clone = new NOD_ParticleEmitter();
    clone->m_emitter.Assign(m_emitter);
    clone->m_started = m_started;
    clone->m_fading = m_fading;
    clone->m_startTime = m_startTime;
    clone->m_lifeTime = m_lifeTime;
    return clone;
}

void NOD_ParticleEmitter::ParseIniFile_Des(DES_Section& _data)
{
    DES_Section osd = NOD_RequireSection(_data, "OSD", PARSE);
    osd.GetFloat("LifeTime", &m_lifeTime);
    DES_Section emitter = NOD_RequireSection(osd, "ParticleEmitter", PARSE);
    m_emitter.Parse(&emitter);
    m_started = 0;
}

void NOD_ParticleEmitter::HeartBeat()
{
    const SIM_Clock& clock = SIM_GetSimulationClock();
    // The fading countdown runs wherever the node is: one that left the simulation with its
    // father (a bullet dying of age tells its sons) would otherwise stay under "/garbage".
    if (m_fading != 0) {
        if (m_emitter.IsActive(clock.time) == 0)
            NOD_Node::GC_AddNode(this);
        return;
    }
    if (!IsInSimulation())
        return;
    if (m_lifeTime > 0.0f && m_startTime + m_lifeTime < clock.time)
        NOD_Node::GC_AddNode(this);
    if (m_started != 0 && Brisel_TheSimulation != nullptr)
        m_emitter.Update(clock, *GetWorldTransform(clock.time), Brisel_TheSimulation->camera);
}

s32 NOD_ParticleEmitter::GetGCMode()
{
    const f32 now = SIM_GetSimulationClock().time;
    if (m_fading != 0)
        return m_emitter.IsActive(now) != 0 ? GC_KEEP : GC_DESTROY;
    // Its particles finish where the father was last seen, not wherever the node goes.
    NOD_FreezeInWorld(*this, now);
    m_emitter.Stop();
    m_fading = 1;
    return GC_MOVE_TO_GARBAGE;
}

NOD_ParticleEmitter* NOD_ParticleEmitter::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_ParticleEmitter*>(_node);
}

void NOD_ParticleEmitter::PM_EnterSimulation()
{
    NOD_LinkToFather(*this);
    const f32 now = SIM_GetSimulationClock().time;
    m_started = 1;
    m_emitter.Start(now);
    m_startTime = now;
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);
}

void NOD_ParticleEmitter::PM_LeaveSimulation()
{
    SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Matrix34 frame = *GetCS().GetTrack().GetAt(now, nullptr);
    GetCS().SetTransform(now, frame);
}

void NOD_ParticleEmitter::PM_SetCone(const MAT_Vector3& _position, const MAT_Vector3& _angles, f32 _cone)
{
    MAT_Matrix34 frame;
    frame.r.FromAngles(WrappedRadians(_angles.x), WrappedRadians(_angles.y), WrappedRadians(_angles.z));
    frame.t = _position;
    GetCS().SetState(SIM_GetSimulationClock().time, frame);
    m_emitter.SetConeAngle(_cone * DEGREES_TO_RADIANS);
}

u32 NOD_ParticleEmitter::HandleEmitterMessage(NOD_Message* _message)
{
    // Every handler lets go of the message before it acts; a fading node acts on none.
    const u32 acts = m_fading == 0;
    switch (_message->GetType()) {
    case NOD_ParticleEmitter_SetLifeTime::ID: {
        const auto [lifeTime] = NOD_ParticleEmitter_SetLifeTime::Read(_message);
        delete _message;
        if (acts)
            m_emitter.SetLifeTime(lifeTime);
        return 1;
    }
    case NOD_ParticleEmitter_SetAccelerationOffset::ID: {
        const auto [lift] = NOD_ParticleEmitter_SetAccelerationOffset::Read(_message);
        delete _message;
        if (acts)
            m_emitter.SetLift(lift);
        return 1;
    }
    case NOD_ParticleEmitter_SetFriction::ID: {
        const auto [friction] = NOD_ParticleEmitter_SetFriction::Read(_message);
        delete _message;
        if (acts)
            m_emitter.SetFriction(friction);
        return 1;
    }
    case NOD_ParticleEmitter_SetPPS::ID: {
        const auto [rate] = NOD_ParticleEmitter_SetPPS::Read(_message);
        delete _message;
        if (acts && std::fabs(rate - m_emitter.ratePerSecond) > RATE_EPSILON) {
            m_emitter.SetParPerSecond(rate);
            m_emitter.source.interval = 0.0f;
        }
        return 1;
    }
    case NOD_ParticleEmitter_SetConeAngle::ID: {
        const auto [radians] = NOD_ParticleEmitter_SetConeAngle::Read(_message);
        delete _message;
        if (acts)
            m_emitter.SetConeAngle(radians);
        return 1;
    }
    case NOD_ParticleEmitter_SetVelocity::ID: {
        const auto [minimum, maximum] = NOD_ParticleEmitter_SetVelocity::Read(_message);
        delete _message;
        if (acts)
            m_emitter.SetParVelocity(minimum, maximum);
        return 1;
    }
    case NOD_ParticleEmitter_Start::ID:
        delete _message;
        if (acts) {
            m_started = 1;
            m_emitter.Start(SIM_GetSimulationClock().time);
        }
        return 1;
    case NOD_ParticleEmitter_Stop::ID:
        delete _message;
        if (acts) {
            m_started = 0;
            m_emitter.Stop();
        }
        return 1;
    case NOD_ParticleEmitter_SetCone::ID: {
        // The third value is read and not used.
        const auto [position, angles, unused, cone] = NOD_ParticleEmitter_SetCone::Read(_message);
        (void)unused;
        delete _message;
        if (acts)
            PM_SetCone(position, angles, cone);
        return 1;
    }
    default:
        return 0;
    }
}

NOD_Message* NOD_ParticleEmitter::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        delete _message;
        // A fading node must not start again: it waits only for its particles.
        if (m_fading == 0)
            PM_EnterSimulation();
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        // Also while fading: the deletion pass takes a node out of the simulation before it
        // destroys it.
        delete _message;
        PM_LeaveSimulation();
        return nullptr;
    default:
        if (HandleEmitterMessage(_message) != 0)
            return nullptr;
        return NOD_Body::ProcessMessage(_message);
    }
}
