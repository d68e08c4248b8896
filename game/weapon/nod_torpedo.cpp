// Torpedoes: description, clones, entering and leaving, the powered run with its target
// choice and clearance, sinking, the acoustic search and the queries.
#include "nod_torpedo.h"

#include <cmath>

#include "bhv_targeting.h"
#include "cod_activeavoid.h"
#include "cod_emitter.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "cos_obbs_tree.h"
#include "des_file.h"
#include "nod_freeflight.h"
#include "nod_message.h"
#include "nod_weaponreplicators.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Torpedo, "NOD_ShieldedBody")

void NOD_Torpedo::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_Torpedo::CreateFromStream);
}

namespace
{
constexpr const char* PARSE = "NOD_Torpedo::ParseIniFile()";
// The sections the vessel's reader shares with the torpedo report under the vessel's name.
constexpr const char* PARSE_SHARED = "NOD_Vessel::ParseIniFile()";
constexpr f32 DEGREES_TO_RADIANS = 0.017453292f;
constexpr f32 GRAVITY = -9.81f;
constexpr f32 SINKING_FRICTION = 0.01f;

const char* FileName(const DES_Section& _section)
{
    return _section.GetFile() != nullptr ? _section.GetFile()->GetName() : "";
}

DES_Section Section(DES_Section& _data, const char* _name, const char* _where)
{
    DES_Section section;
    if (_data.FindSection(&section, _name) == 0)
        DES_FatalSection(_where, _name, FileName(_data));
    return section;
}

COD_PhysicalTorpedo* TorpedoPhysical(NOD_Body& _body)
{
    COD_Physical* physical = _body.GetAggregate().GetPhysical();
    return physical != nullptr && physical->m_kind == COD_KIND_TORPEDO ? static_cast<COD_PhysicalTorpedo*>(physical)
                                                                       : nullptr;
}

// The length of the extent vector of the root of the body's collision tree; 0 without one.
f32 RootExtent(const NOD_Body& _body)
{
    const COD_Physical* physical = _body.GetAggregate().GetPhysical();
    const COS_OBBS_Tree* tree = physical != nullptr ? physical->GetCollisionTree() : nullptr;
    if (tree == nullptr || tree->nodes == nullptr || tree->nodeCount <= 0)
        return 0.0f;
    return tree->nodes[0].halfExtents.Length();
}

BHV_AttackerSlots* TorpedoSlotsOf(NOD_Node* _node)
{
    NOD_Body* body = NOD_Body::DynamicCast(_node);
    return body != nullptr ? body->GetTorpedoSlots() : nullptr;
}
}  // namespace

NOD_Torpedo::NOD_Torpedo()
{
    // The motion state is a member of this class, built after the body: it is attached here.
    GetCS().SetAttachedFrame(&m_model.State);
    m_model.State.SetMatrix(*GetCS().GetTrack().GetAt(0.0f, nullptr));
    SetRenderBucket(0);
    m_attackerSlots.AllocateAttackers(this);
}

NOD_Torpedo::~NOD_Torpedo() = default;

NOD_Node* NOD_Torpedo::Clone()
{
    NOD_Torpedo* clone = new NOD_Torpedo;
    clone->m_forcedTargetSet = 0;
    clone->m_buzzerDistract = m_buzzerDistract;
    clone->m_mesh.Share(m_mesh);
    clone->m_lookingMode = m_lookingMode;
    clone->m_followMode = m_followMode;
    clone->m_cruiseSpeed = m_cruiseSpeed;
    clone->m_launchSpeed = m_launchSpeed;
    clone->m_lifeTime = m_lifeTime;
    clone->m_acousticCosine = m_acousticCosine;
    clone->GetAggregate().Clone(GetAggregate());
    clone->GetShieldRef().CopyFrom(GetShieldRef());
    clone->m_name = m_name;
    clone->m_loadRecord = m_loadRecord;
    clone->m_model = m_model;
    NOD_TakePrototypePlace(clone->m_model.State, *this);
    return clone;
}

void NOD_Torpedo::ParseIniFile_Des(DES_Section& _data)
{
    m_mesh.ParseVisual(_data, PARSE);

    DES_Section torpedo = Section(_data, "Torpedo", PARSE);
    f32 acousticRange = 0.0f;
    f32 acousticAngle = 0.0f;
    s32 buzzerDistract = 0;
    torpedo.GetFloat("LifeTime", &m_lifeTime);
    torpedo.GetFloat("AcousticRange", &acousticRange);
    torpedo.GetFloat("AcousticAngle", &acousticAngle);
    torpedo.GetS32("LookingMode", &m_lookingMode);
    torpedo.GetS32("FollowMode", &m_followMode);
    torpedo.GetS32("BuzzerDistract", &buzzerDistract);
    m_buzzerDistract = buzzerDistract == 1 ? 1u : 0u;

    DES_Section control = Section(_data, "Control", PARSE);
    m_model.Parse(&control);
    m_cruiseSpeed = m_model.MovePV;
    m_launchSpeed = m_cruiseSpeed * LAUNCH_SPEED_SHARE;
    // Sideways and vertical drift is cancelled at once: the torpedo runs on rails along its nose.
    m_model.Friction.c[0] = 1.0f;
    m_model.Friction.c[2] = 1.0f;

    NOD_ShieldedBody::ParseIniFile(_data);

    ContactAggregate& aggregate = GetAggregate();
    DES_Section collision = Section(_data, "Collision", PARSE);
    aggregate.GeneratePhysicalTorpedo(&collision);
    DES_Section avoidance = Section(_data, "Avoidance", PARSE_SHARED);
    aggregate.GenerateActiveAvoid(&avoidance);
    DES_Section emitter = Section(_data, "Emitter", PARSE_SHARED);
    aggregate.GenerateEmitter(&emitter);
    aggregate.GenerateSensor3();
    f32 box[6];
    m_mesh.GetLocalBox(box);
    aggregate.GenerateVisibleObject(box);

    // Every emitter in range is heard, whatever its sound level; the cone is the search's.
    COD_Sensor* sensor = aggregate.GetSensor3();
    sensor->SetCapacities(0, HEARD_CAPACITY, 0, 0);
    sensor->m_flags = (sensor->m_flags | COD_SENSOR_ACTIVE | COD_SENSOR_HEARING) & ~COD_SENSOR_VISIBILITY_TESTED;
    sensor->m_hearingRange = acousticRange;
    sensor->m_minSoundLevel = COD_SOUND_NONE;

    m_acousticCosine = std::cos(acousticAngle * DEGREES_TO_RADIANS);
}

void NOD_Torpedo::SetLaunch(f32 _time, NOD_Node* _shooter, const MAT_Vector3& _velocity, NOD_Node* _target, s32 _type)
{
    m_launchTime = _time;
    m_shooter.Set(_shooter);
    m_launchVelocity = _velocity;
    m_target.Set(_target);
    m_torpedoType = _type;
}

void NOD_Torpedo::SetForcedTarget(NOD_Node* _decoy)
{
    m_forcedTarget.Set(_decoy);
    m_forcedTargetSet = 1;
}

void NOD_Torpedo::PM_EnterSimulation()
{
    const MAT_Vector3 start =
        GetWorldTransform(SIM_GetSimulationClock().time)->r.GetY() * m_launchSpeed + m_launchVelocity;
    m_model.State.SetVelocity(start);
    NOD_EnterProjectile(*this, start);
    // The torpedo passes through the body that fired it until it is clear of it.
    if (COD_PhysicalTorpedo* physical = TorpedoPhysical(*this))
        physical->m_ignore.Set(GetShooter());
    m_clearOfShooter = 0;
}

void NOD_Torpedo::StartFromLaunch(u32 _replica)
{
    const f32 now = SIM_GetSimulationClock().time;
    MOT_TransformTrack& track = GetCS().GetTrack();
    const MAT_Matrix34 frame = *track.GetAt(now, nullptr);
    const MAT_Vector3 velocity = frame.r.GetY() * m_launchSpeed + m_launchVelocity;
    track.SetTransform(now, frame, velocity);
    MOT_MotionState* attached = GetAttachedFrame();
    if (attached != nullptr) {
        attached->SetMatrix(frame);
        attached->SetVelocity(velocity);
    }
    GetAggregate().EnterSimulation(*GetWorldTransform(now), attached != nullptr ? attached->GetVelocity() : velocity);
    if (COD_PhysicalTorpedo* physical = TorpedoPhysical(*this))
        physical->m_ignore.Set(GetShooter());
    if (_replica != 0)
        NOD_SwitchOffAvoidance(this);
    NOD_EnterSons(*this);
    GetAggregate().LinkSonShields();
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);
    m_clearOfShooter = 0;
}

NOD_Message* NOD_Torpedo::ProcessMessage(NOD_Message* _message)
{
    return NOD_ProcessProjectileMessage(*this, _message,
                                        [](NOD_Body& _body) { static_cast<NOD_Torpedo&>(_body).PM_EnterSimulation(); });
}

void NOD_Torpedo::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    const f32 poweredUntil = m_launchTime + m_lifeTime;
    if (clock.time <= poweredUntil)
        PoweredStep(clock);
    else
        SinkingStep(clock);
    MOT_MotionState& state = m_model.State;
    state.Integrate(clock, 1);
    const f32 next = clock.time + clock.dt;
    GetCS().GetTrack().SetState(next, state.frame, state.GetVelocity());

    if (HasContacts())
        ApplyContactsToShield();
    if (GetShieldRef().IsExhausted() != 0 || clock.time > poweredUntil + SINKING_TIME)
        NOD_Node::GC_AddNode(this);
    GetAggregate().HeartBeat(*GetWorldTransform(next), state.GetVelocity());
    NOD_Node::HeartBeat();
}

u32 NOD_Torpedo::HasContacts()
{
    COD_Physical* physical = GetAggregate().GetPhysical();
    if (physical == nullptr)
        return 0;
    // The path's hits count as the torpedo's own contacts: the collision pass flags a body hit
    // apart from the contact flag, and a torpedo that ignored it would run through its target.
    const COD_PhysicalTorpedo* torpedo = TorpedoPhysical(*this);
    const u32 hit = torpedo != nullptr && (torpedo->m_bodyHit != 0 || torpedo->m_terrainHit != 0);
    return physical->m_contactFlag != 0 || hit ? 1u : 0u;
}

void NOD_Torpedo::PoweredStep(const SIM_Clock& _clock)
{
    NOD_Node* target = GetTarget();
    if (m_forcedTargetSet != 0) {
        target = GetForcedTarget();
    } else if (m_lookingMode == LOOKING_NONE) {
        target = nullptr;
    } else if (m_lookingMode == LOOKING_SEARCH) {
        // The flag read as a number against the clock: after the first second the search runs
        // every step, cleared or not.
        target = (f32)m_clearOfShooter < _clock.time ? SearchTarget() : nullptr;
    }
    m_target.Set(target);

    MAT_Vector3 aim = Aim(target, _clock.time);
    COD_ActiveAvoid* avoider = GetAggregate().GetAvoider();
    if (avoider != nullptr)
        avoider->m_goal = aim;
    CheckClearance(target);
    if (avoider != nullptr && avoider->m_resultFlag != 0)
        aim = avoider->m_correctedGoal;
    // Full speed whatever the heading error: MoveTo between the cruise speed and itself.
    m_model.MoveTo(_clock, aim, 1.0f, 1.0f);
    m_model.ControlStep(_clock);
}

MAT_Vector3 NOD_Torpedo::Aim(NOD_Node* _target, f32 _time)
{
    const MOT_MotionState& state = m_model.State;
    const MAT_Vector3 position = state.frame.t;
    MAT_Vector3 aim = position + state.frame.r.GetY() * AIM_AHEAD;
    NOD_Body* body = NOD_Body::DynamicCast(_target);
    if (body == nullptr)
        return aim;
    MAT_Vector3 targetPosition;
    body->GetMatrixAtTime(&targetPosition, _time);
    if (m_followMode == FOLLOW_DIRECT) {
        aim = targetPosition;
    } else if (m_followMode == FOLLOW_LEAD) {
        MAT_Vector3 velocity;
        body->GetVelocity(&velocity);
        if (BHV_BallisticIntercept(position, m_cruiseSpeed, targetPosition, velocity, &aim) < 0.0f)
            aim = targetPosition;
    }
    return aim;
}

void NOD_Torpedo::CheckClearance(NOD_Node* _target)
{
    NOD_Body* shooter = NOD_Body::DynamicCast(GetShooter());
    if (shooter == nullptr)
        m_clearOfShooter = 1;
    if (m_clearOfShooter != 0)
        return;
    const f32 distance = (shooter->GetAggregate().GetMatrix().t - GetAggregate().GetMatrix().t).Length();
    if (!(0.5f * (RootExtent(*shooter) + RootExtent(*this)) < distance))
        return;
    m_clearOfShooter = 1;
    if (COD_PhysicalTorpedo* physical = TorpedoPhysical(*this))
        physical->m_ignore.Set(nullptr);
    // From now on the target's own parts are no obstacles: the torpedo is meant to hit them.
    if (COD_ActiveAvoid* avoider = GetAggregate().GetAvoider())
        avoider->m_ignore.Set(_target);
}

void NOD_Torpedo::SinkingStep(const SIM_Clock& _clock)
{
    if (COD_ActiveAvoid* avoider = GetAggregate().GetAvoider())
        avoider->m_avoidanceFlags &= ~(COD_AVOID_TERRAIN | COD_AVOID_OBJECTS);
    PHY_TranslationControl& translation = m_model.Translation;
    PHY_RotationControl& rotation = m_model.Rotation;
    translation.PositionModeMask = translation.VelocityModeMask = 0;
    rotation.AngleTargetMask = rotation.PointTargetMask = rotation.RateTargetMask = 0;
    MOT_MotionState& state = m_model.State;
    state.translation[0].acceleration = 0.0f;
    state.translation[1].acceleration = 0.0f;
    state.translation[2].acceleration = GRAVITY;
    for (s32 axis = 0; axis < 3; ++axis)
        m_model.Friction.c[axis] = SINKING_FRICTION;
    m_model.ControlStep(_clock);

    // The nose follows the path of the fall.
    const MAT_Vector3 v = state.GetVelocity();
    state.rotation[MOT_MotionState::PITCH].angle = std::atan2(v.z, std::sqrt(v.x * v.x + v.y * v.y));
    state.rotation[MOT_MotionState::HEADING].angle = state.rotation[MOT_MotionState::HEADING].angle.Get();
    state.rotation[MOT_MotionState::ROLL].angle = state.rotation[MOT_MotionState::ROLL].angle.Get();
    state.frame.r.FromAngles(state.rotation[MOT_MotionState::HEADING].angle,
                             state.rotation[MOT_MotionState::PITCH].angle, state.rotation[MOT_MotionState::ROLL].angle);
}

NOD_Node* NOD_Torpedo::SearchTarget()
{
    NOD_Body* best = nullptr;
    s32 bestLevel = COD_SOUND_NONE;
    f32 bestCosine = -1.0f;
    const COD_Sensor* sensor = GetAggregate().GetSensor3();
    const MAT_Vector3 position = m_model.State.frame.t;
    const MAT_Vector3 forward = m_model.State.frame.r.GetY();
    for (s32 i = 0; sensor != nullptr && i < sensor->m_heardCount; ++i) {
        const COD_Emitter* emitter = sensor->GetHeard(i);
        if (emitter == nullptr || emitter->m_soundLevel < bestLevel)
            continue;
        NOD_Body* candidate = NOD_Body::DynamicCast(static_cast<NOD_Node*>(emitter->m_owner.Get()));
        BHV_AttackerSlots* slots = candidate != nullptr ? candidate->GetTorpedoSlots() : nullptr;
        if (slots == nullptr || (slots->Contains(this) == 0 && slots->HasFreeSlot() == 0))
            continue;
        MAT_Vector3 direction = candidate->GetAggregate().GetMatrix().t - position;
        const f32 lengthSquared = direction.LengthSquared();
        if (lengthSquared > COD_SENSOR_MIN_LENGTH_SQUARED) {
            const f32 length = std::sqrt(lengthSquared);
            direction.Set(direction.x / length, direction.y / length, direction.z / length);
        }
        const f32 cosine = direction.Dot(forward);
        if (cosine >= m_acousticCosine && cosine > bestCosine) {
            best = candidate;
            bestCosine = cosine;
            bestLevel = emitter->m_soundLevel;
        }
    }
    NOD_Node* current = GetTarget();
    if (best != current) {
        if (BHV_AttackerSlots* slots = TorpedoSlotsOf(current))
            slots->Remove(this);
        if (best != nullptr)
            best->GetTorpedoSlots()->Add(this);
    }
    return best;
}

void NOD_Torpedo::Explode() { NOD_ExplodeProjectile(*this, m_model.State.GetVelocity()); }

MAT_Vector3* NOD_Torpedo::GetVelocity(MAT_Vector3* _velocity)
{
    *_velocity = m_model.State.GetVelocity();
    return _velocity;
}

MAT_Vector3* NOD_Torpedo::GetMatrixAtTime(MAT_Vector3* _position, f32 _time)
{
    *_position = m_mesh.GetCentre(*this, _time);
    return _position;
}

NOD_Node* NOD_Torpedo::GetShooter() { return static_cast<NOD_Node*>(m_shooter.Get()); }

NOD_Torpedo* NOD_Torpedo::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Torpedo*>(_node);
}

NOD_Replicator* NOD_Torpedo::CreateReplicator() { return new NOD_TorpedoReplicator(); }
