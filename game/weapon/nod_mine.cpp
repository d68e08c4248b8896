// Mines: description, entering and leaving, the script switches, the target choice, the swing,
// the chase and the explosion.
#include "nod_mine.h"
#include "nod_creationrecord.h"

#include <cfloat>
#include <cmath>

#include "cod_emitter.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "crt_rand.h"
#include "des_file.h"
#include "nod_bodylink.h"
#include "nod_freeflight.h"
#include "nod_message.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Mine, "NOD_ShieldedBody")

void NOD_Mine::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

namespace
{
constexpr const char* PARSE = "NOD_Mine::ParseIniFile()";
constexpr f32 TWO_PI = 6.2831855f;
constexpr f32 DEGREES_TO_RADIANS = 0.017453292f;
constexpr f32 EPSILON = 1.1920929e-7f;
// The world x, y, z bits of the translation controls.
constexpr u32 WORLD_AXES = 0x1c0;
// The heading bit of the rotation controls.
constexpr u32 HEADING_BIT = 0x8;
// The friction of the body and world translation axes that "MoveFriction" fills.
constexpr u32 TRANSLATION_FRICTION = 0x1c7;
constexpr f32 TRANSLATION_DAMPING = 0.2f;

// A random starting phase: a draw of 0..32767 spread over the full turn.
f32 RandomPhase() { return (f32)CRT_Rand() * TWO_PI / 32767.0f; }

// In / InMax of a kinetic face, as floats.
f32 FaceRatio(const SHL_Shield& _shield, s32 _face)
{
    return (f32)_shield.GetFaceIn(_face) / (f32)_shield.GetFaceInMax(_face);
}
}  // namespace

NOD_Mine::NOD_Mine()
{
    // The motion state is a member of this class, built after the body: it is attached here.
    GetCS().SetAttachedFrame(&m_model.State);
    m_model.State.SetMatrix(*GetCS().GetTrack().GetAt(0.0f, nullptr));
    SetRenderBucket(0);
    m_positionPhase = RandomPhase();
    m_headingPhase = RandomPhase();
}

NOD_Mine::~NOD_Mine() = default;

void NOD_Mine::ParseIniFile_Des(DES_Section& _data)
{
    m_mesh.ParseVisual(_data, PARSE);

    DES_Section control = NOD_RequireSection(_data, "Control", PARSE);
    m_model.Parse(&control);
    control.GetFloat("VMax", &m_maxVelocity);
    control.GetFloat("MovingActivationRange", &m_activationRange);
    control.GetFloat("MovingDeactivationRange", &m_deactivationRange);
    f32 value = 0.0f;
    control.GetFloat("SwingAlphaFrequenz", &value);
    m_headingFrequency = value * TWO_PI;
    control.GetFloat("SwingAlphaAmplitude", &value);
    m_headingAmplitude = value * DEGREES_TO_RADIANS;
    control.GetFloat("SwingPositionFrequenz", &value);
    m_positionFrequency = value * TWO_PI;
    control.GetVector3("SwingPositionAmplitude", &m_positionAmplitude.x);

    // Free translation and mode-4 rotation, as every moving body; the translation damping is
    // the mine's own, the turn damping the description's.
    m_model.State.flags = NOD_FREE_MOTION_FLAGS;
    m_model.Friction.flags |= TRANSLATION_FRICTION;
    for (s32 i = 0; i < 6; ++i)
        m_model.Friction.c[i] = TRANSLATION_DAMPING;

    ContactAggregate& aggregate = GetAggregate();
    DES_Section collision = NOD_RequireSection(_data, "Collision", PARSE);
    aggregate.GeneratePhysicalVessel(&collision, 1, nullptr);
    f32 box[6];
    m_mesh.GetLocalBox(box);
    aggregate.GenerateVisibleObject(box);
    DES_Section avoidance = NOD_RequireSection(_data, "Avoidance", PARSE);
    aggregate.GeneratePassiveAvoid(&avoidance);
    aggregate.GenerateSensor3();
    aggregate.GenerateShadowCaster();
    aggregate.GenerateShadowReceiver(0);
    DES_Section emitter = NOD_RequireSection(_data, "Emitter", PARSE);
    aggregate.GenerateEmitter(&emitter);

    DES_Section shield = NOD_RequireSection(_data, "Shield", PARSE);
    SHL_Shield& ownShield = GetShieldRef();
    ownShield.Parse(&shield);
    TakeFaceRatios();
    // What the description gives the shield is what an active mine deals; the Active keys are
    // what a switched-off one deals, the description's values unless given otherwise.
    m_activationOut[0] = ownShield.GetKineticOut();
    m_activationOut[1] = ownShield.GetEmpOut();
    m_activationOut[2] = ownShield.GetBioOut();
    for (s32 i = 0; i < 3; ++i)
        m_activeOut[i] = m_activationOut[i];
    shield.GetS32("ActiveKinOut", &m_activeOut[0]);
    shield.GetS32("ActiveEmpOut", &m_activeOut[1]);
    shield.GetS32("ActiveBioOut", &m_activeOut[2]);
    SetShieldOut(m_activationOut);

    // Hearing only: anything at least silent within the larger range.
    COD_Sensor* sensor = aggregate.GetSensor3();
    sensor->SetCapacities(0, HEARD_CAPACITY, 0, 0);
    sensor->m_flags = (sensor->m_flags | COD_SENSOR_ACTIVE | COD_SENSOR_HEARING) & ~COD_SENSOR_SEEING;
    sensor->m_hearingRange = m_activationRange > m_deactivationRange ? m_activationRange : m_deactivationRange;
    sensor->m_minSoundLevel = COD_SOUND_SILENT;

    m_parts.Fill(this);
    m_parts.vesselMotion = &m_model;
    // A description read again keeps the one guard registered.
    if (m_states.GetCount() == 0)
        m_states.Register(&m_guard, &m_parts);
}

void NOD_Mine::SetShieldOut(const s32 _out[3])
{
    SHL_Shield& shield = GetShieldRef();
    shield.SetKineticOut(_out[0]);
    shield.SetEmp(_out[1], shield.GetEmpIn(), shield.GetEmpInMax());
    shield.SetBio(_out[2], shield.GetBioIn(), shield.GetBioInMax());
}

void NOD_Mine::TakeFaceRatios()
{
    for (s32 face = 0; face < SHL_FACE_COUNT; ++face)
        m_faceRatios[face] = FaceRatio(GetShieldRef(), face);
}

bool NOD_Mine::FaceRatiosChanged()
{
    for (s32 face = 0; face < SHL_FACE_COUNT; ++face) {
        // A face without strength (InMax 0) gives NaN both times: no change.
        if (std::fabs(FaceRatio(GetShieldRef(), face) - m_faceRatios[face]) > EPSILON)
            return true;
    }
    return false;
}

NOD_Message* NOD_Mine::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Mine_Activate::ID:
        delete _message;
        m_active = 1;
        SetShieldOut(m_activationOut);
        return nullptr;
    case NOD_Mine_Deactivate::ID:
        delete _message;
        m_active = 0;
        m_targetLatched = 0;
        SetShieldOut(m_activeOut);
        return nullptr;
    case NOD_Mine_IsActive::ID:
        return NOD_Mine_IsActive::Reply(_message, (u8)(m_active != 0 ? 1 : 0));
    default:
        break;
    }
    switch (NOD_TakeSimulationMessage(_message)) {
    case NOD_SIMULATION_ENTER:
        PM_EnterSimulation();
        return nullptr;
    case NOD_SIMULATION_LEAVE:
        PM_LeaveSimulation();
        return nullptr;
    default:
        return BHV_DispatchToOwnerChain(this, _message, nullptr, &m_states, nullptr);
    }
}

void NOD_Mine::PM_EnterSimulation()
{
    const f32 now = SIM_GetSimulationClock().time;
    MOT_MotionState& state = m_model.State;
    GetCS().SetState(now, state.frame);
    const MAT_Matrix34& world = *GetWorldTransform(now);
    m_restPosition = world.t;
    m_baseHeading = state.rotation[MOT_MotionState::HEADING].angle.Get();
    GetAggregate().EnterSimulation(world, state.GetVelocity());
    NOD_EnterSons(*this);
    GetAggregate().LinkSonShields();
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);
}

void NOD_Mine::PM_LeaveSimulation()
{
    GetAggregate().UnlinkSonShields();
    NOD_LeaveSons(*this);
    GetAggregate().LeaveSimulation();
    SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
}

NOD_Body* NOD_Mine::FindTarget()
{
    NOD_Body* best = nullptr;
    s32 bestLevel = COD_SOUND_NONE;
    f32 bestDistance = FLT_MAX;
    const COD_Sensor* sensor = GetAggregate().GetSensor3();
    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Vector3 position = m_model.State.frame.t;
    for (s32 i = 0; sensor != nullptr && i < sensor->m_heardCount; ++i) {
        const COD_Emitter* emitter = sensor->GetHeard(i);
        if (emitter == nullptr)
            continue;
        NOD_Body* body = NOD_Body::DynamicCast(static_cast<NOD_Node*>(emitter->m_owner.Get()));
        if (body == nullptr)
            continue;
        MAT_Vector3 at;
        body->GetMatrixAtTime(&at, now);
        const f32 distance = (at - position).Length();
        if (distance < m_activationRange)
            m_targetLatched = 1;
        if (emitter->m_soundLevel >= bestLevel && distance <= bestDistance) {
            best = body;
            bestLevel = emitter->m_soundLevel;
            bestDistance = distance;
        }
    }
    if (m_targetLatched != 0 && best != nullptr)
        return best;
    m_targetLatched = 0;
    return nullptr;
}

void NOD_Mine::Swing(f32 _dt)
{
    PHY_RotationControl& rotation = m_model.Rotation;
    m_headingPhase += _dt * m_headingFrequency;
    rotation.TargetAngle[0] = m_baseHeading + m_headingAmplitude * m_headingPhase.Sin();
    rotation.AngleTargetMask |= HEADING_BIT;
    rotation.PointTargetMask &= ~HEADING_BIT;
    rotation.RateTargetMask &= ~HEADING_BIT;

    PHY_TranslationControl& translation = m_model.Translation;
    m_positionPhase += _dt * m_positionFrequency;
    const f32 s = m_positionPhase.Sin();
    translation.TargetPosition[0] = m_restPosition.x + m_positionAmplitude.x * s;
    translation.TargetPosition[1] = m_restPosition.y + m_positionAmplitude.y * s;
    translation.TargetPosition[2] = m_restPosition.z + m_positionAmplitude.z * s;
    translation.PositionModeMask = WORLD_AXES;
    translation.VelocityModeMask = 0;
}

void NOD_Mine::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    MOT_MotionState& state = m_model.State;
    PHY_TranslationControl& translation = m_model.Translation;
    PHY_RotationControl& rotation = m_model.Rotation;
    translation.PositionModeMask = translation.VelocityModeMask = 0;
    rotation.AngleTargetMask = rotation.PointTargetMask = rotation.RateTargetMask = 0;

    if (m_active == 0) {
        // Switched off, the mine drifts under friction and rests wherever it comes to.
        m_restPosition = state.frame.t;
    } else if (NOD_Body* target = FindTarget()) {
        MAT_Vector3 at;
        target->GetMatrixAtTime(&at, clock.time);
        const MAT_Vector3 d = at - state.frame.t;
        const f32 squared = d.LengthSquared();
        const MAT_Vector3 velocity = squared > EPSILON ? d * (m_maxVelocity / std::sqrt(squared)) : d;
        translation.TargetVelocity[0] = velocity.x;
        translation.TargetVelocity[1] = velocity.y;
        translation.TargetVelocity[2] = velocity.z;
        translation.VelocityModeMask = WORLD_AXES;
        translation.PositionModeMask = 0;
        m_restPosition = state.frame.t;
    } else {
        Swing(clock.dt);
    }

    m_states.HandlePass1();
    m_model.ControlStep(clock);
    GetAggregate().ApplyCollisionResponse(&state);
    COD_Physical* physical = GetAggregate().GetPhysical();
    if (physical != nullptr && physical->m_contactFlag != 0)
        ApplyContactsToShield();
    m_states.HandlePass2();
    state.Integrate(clock, 1);
    const f32 next = clock.time + clock.dt;
    GetCS().GetTrack().SetState(next, state.frame, state.GetVelocity());
    NOD_Node::HeartBeat();
    GetAggregate().HeartBeat(*GetWorldTransform(next), state.GetVelocity());

    if (GetShieldRef().IsExhausted() != 0 || (m_active != 0 && FaceRatiosChanged())) {
        NOD_Node::GC_AddNode(this);
        NOD_ExplodeProjectile(*this, state.GetVelocity());
    }
    TakeFaceRatios();
}

void NOD_Mine::GetBoundingBox(f32* _box, f32 _time)
{
    f32 local[6] = {-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f};
    if (m_mesh.GetHandle() != 0)
        m_mesh.GetLocalBox(local);
    NOD_WorldBox(*this, local, _box, _time);
}

MAT_Vector3* NOD_Mine::GetVelocity(MAT_Vector3* _velocity)
{
    *_velocity = m_model.State.GetVelocity();
    return _velocity;
}

MAT_Vector3* NOD_Mine::GetMatrixAtTime(MAT_Vector3* _position, f32 _time)
{
    *_position = m_mesh.GetCentre(*this, _time);
    return _position;
}

f32 NOD_Mine::GetMass()
{
    COD_Physical* physical = GetAggregate().GetPhysical();
    COD_Physical_Vessel* vessel = physical != nullptr ? physical->GetVessel() : nullptr;
    return vessel != nullptr ? vessel->m_mass : NOD_Body::GetMass();
}

NOD_Mine* NOD_Mine::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Mine*>(_node);
}
