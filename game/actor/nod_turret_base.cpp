// Turrets: description and set-up, the father test, entering and leaving, the step, the angle
// interface, drawing and the queries.
#include "nod_turret_base.h"
#include "nod_creationrecord.h"

#include <cmath>

#include "bhv_targeting.h"
#include "brisel_renderer.h"
#include "brisel_spawn.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "des_file.h"
#include "mat_angle.h"
#include "nod_actor_local.h"
#include "nod_actorreplicators.h"
#include "nod_freeflight.h"
#include "nod_generic.h"
#include "nod_launcher.h"
#include "nod_message.h"
#include "nod_turret_gun.h"
#include "nod_vehicle.h"
#include "nod_vessel.h"
#include "os_fatal.h"
#include "rti_class.h"
#include "sim_clock.h"
#include "sim_name.h"

RTI_IMPLEMENT_CLASS(NOD_Turret_Base, "NOD_ShieldedBody")

void NOD_Turret_Base::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

namespace
{
constexpr const char* PARSE = "NOD_Turret_Base::ParseIniFile()";
constexpr f32 DEGREES_TO_RADIANS = 0.017453292f;
constexpr f32 RADIANS_TO_DEGREES = 57.29578f;
constexpr f64 PI = 3.141592653589793;
constexpr f32 TWO_PI = 6.2831855f;
// Rotation mode 2: heading and pitch integrated, no translation.
constexpr u32 TURN_FLAGS = 16;
// The rotation controllers' heading and pitch bits.
constexpr u32 HEADING_BIT = 8;
constexpr u32 PITCH_BIT = 16;
// The firing cone: 15 degrees around the aim body's forward axis, a tenth beyond the bullets.
constexpr f32 FIRING_CONE = 0.2617994f;
constexpr f32 FIRING_RANGE_SHARE = 1.1f;
// Settled: turn rates within 1 degree per second, angles within 5 degrees.
constexpr f32 SETTLED_RATE = 0.017453292f;
constexpr f32 SETTLED_ANGLE = 0.0872665f;
// A sweep short of the full circle keeps the long way round.
constexpr f32 FULL_SWEEP = 3.14f;

// 1 when _father carries turrets as a mobile mount: a vessel or a vehicle.
u32 IsMobileCarrier(const NOD_Node* _father)
{
    NOD_Node* father = const_cast<NOD_Node*>(_father);
    return NOD_Vessel::DynamicCast(father) != nullptr || NOD_Vehicle::DynamicCast(father) != nullptr ? 1 : 0;
}

// The angle difference taken the short way round.
f32 ShortDifference(f32 _to, f32 _from)
{
    f32 difference = MAT_WrapAngle(_to) - MAT_WrapAngle(_from);
    if (difference < -(f32)PI)
        difference += TWO_PI;
    else if (difference >= (f32)PI)
        difference -= TWO_PI;
    return difference;
}

MAT_Vector3 WorldPosition(NOD_Body& _body, f32 _time)
{
    MAT_Vector3 position;
    _body.GetMatrixAtTime(&position, _time);
    return position;
}
}  // namespace

NOD_Turret_Base::NOD_Turret_Base()
{
    m_turretCS.SetParent(&GetCS());
    m_turretCS.SetAttachedFrame(&m_turn.State);
    MAT_Matrix34 identity;
    identity.r.SetDiagonal(1.0f);
    m_turretCS.SetTransform(0.0f, identity);
    m_attackers.AllocateAttackers(this);
    m_torpedoes.AllocateTorpedoes(this);
}

// The replicator goes first: its departure still reaches the turret's own track.
NOD_Turret_Base::~NOD_Turret_Base()
{
    ReleaseReplicator();
    m_mesh.Release();
}

NOD_Turret_Base* NOD_Turret_Base::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Turret_Base*>(_node);
}

BHV_TurretAiming* NOD_Turret_Base::AimingCast(NOD_Node* _node) { return DynamicCast(_node); }

void NOD_Turret_Base::ParseIniFile_Des(DES_Section& _data)
{
    char name[NOD_Node::PATH_BYTES] = {};
    _data.GetString("TurretName", name, sizeof name);
    SetName(name);

    NOD_ReadVisual(_data, PARSE, m_mesh, false);

    DES_Section control = NOD_ActorSection(_data, "Control", PARSE);
    m_turn.Parse(&control);
    f32 alphaRange = 0.0f;
    f32 minBeta = 0.0f;
    f32 maxBeta = 0.0f;
    control.GetFloat("AlphaRange", &alphaRange);
    control.GetFloat("MinBeta", &minBeta);
    control.GetFloat("MaxBeta", &maxBeta);
    m_alphaRange = alphaRange * DEGREES_TO_RADIANS;
    m_minBeta = minBeta * DEGREES_TO_RADIANS;
    m_maxBeta = maxBeta * DEGREES_TO_RADIANS;

    NOD_ShieldedBody::ParseIniFile(_data);

    ContactAggregate& aggregate = GetAggregate();
    DES_Section collision = NOD_ActorSection(_data, "Collision", PARSE);
    // Without a father, or under one without a physical description, the flag is 0 and the
    // father test below stops the program.
    aggregate.GeneratePhysicalVessel(&collision, NOD_FatherIsFreeBody(this), nullptr);
    f32 box[6];
    m_mesh.GetBodyBox(box);
    aggregate.GenerateVisibleObject(box);
    DES_Section avoidance = NOD_ActorSection(_data, "Avoidance", PARSE);
    aggregate.GeneratePassiveAvoid(&avoidance);
    DES_Section emitter = NOD_ActorSection(_data, "Emitter", PARSE);
    aggregate.GenerateEmitter(&emitter);
    aggregate.GenerateSensor1();
    aggregate.GenerateSensor4();
    aggregate.GenerateSensor2();
    aggregate.GenerateShadowCaster();
    aggregate.GenerateShadowReceiver(0);

    if (NOD_Generic::DynamicCast(GetFather()) != nullptr)
        m_isMobileMount = 0;
    else if (IsMobileCarrier(GetFather()) != 0)
        m_isMobileMount = 1;
    else
        OS_Fatal("NOD_Turret_Base::ParseIniFile", "A turret must be either attached to building, a vessel or vehicle.");

    DES_Section attack;
    if (_data.FindSection(&attack, "AttackBehaviour") != 0) {
        m_complexAttack.ParseIniFile(attack);
        m_patrol.ParseIniFile(attack);
    }

    LoadSons(_data);
    if (NOD_Turret_Gun* gunBody = NOD_Turret_Gun::DynamicCast(Find(SIM_Path("turrGun")))) {
        m_aimBody = gunBody;
        m_aimTurn = &gunBody->GetTurn();
        m_gun = gunBody->GetGun();
    } else {
        m_gun = NOD_NPC_Gun::DynamicCast(Find(SIM_Path("gun")));
        m_aimBody = this;
        m_aimTurn = &m_turn;
    }
    if (m_gun == nullptr)
        OS_Fatal("NOD_NPC_Gun child not found", "NOD_Turret_Base::PM_EnterSimulation()");
    m_gun->SetShooter(this);

    SetUp();

    COD_Sensor* cone = aggregate.GetSensor4();
    cone->m_flags = (cone->m_flags | COD_SENSOR_SEEING) & ~COD_SENSOR_VISIBILITY_TESTED;
    cone->m_coneCosine = std::cos(FIRING_CONE);
    cone->m_seeingRange = Brisel_TheSpawn != nullptr
                              ? Brisel_TheSpawn->GetBulletRange(m_gun->GetBulletType()) * FIRING_RANGE_SHARE
                              : 0.0f;
    aggregate.GetSensor2()->SetCapacities(32, 0, 0, 32);
    SetAngleArea(alphaRange, minBeta, maxBeta);
}

void NOD_Turret_Base::SetUp()
{
    m_turn.State.SetMatrix(*m_turretCS.GetTrack().GetAt(SIM_GetSimulationClock().time, nullptr));
    m_turn.State.flags = TURN_FLAGS;
    // A second description read registers nothing twice.
    if (m_states.GetCount() != 0)
        return;
    m_parts.Fill(this);
    m_actions.Register(&m_follow, &m_parts);
    m_actions.Register(&m_patrol, &m_parts);
    m_actions.Register(&m_complexAttack, &m_parts);
    m_states.Register(&m_shotHits, &m_parts);
    m_states.Register(&m_sensor, &m_parts);
    GetAggregate().GetSensor1()->SetCapacities(64, 16, 16, 16);
    m_sensor.Init(16, 16, 16);
    m_states.Register(&m_shieldGuard, &m_parts);
    m_states.Register(&m_watchEnemies, &m_parts);
}

void NOD_Turret_Base::SetAngleArea(f32 _alphaRange, f32 _minBeta, f32 _maxBeta)
{
    m_alphaRange = _alphaRange * DEGREES_TO_RADIANS;
    m_minBeta = _minBeta * DEGREES_TO_RADIANS;
    m_maxBeta = _maxBeta * DEGREES_TO_RADIANS;
    COD_Sensor* window = GetAggregate().GetSensor2();
    if (window == nullptr)
        return;
    window->m_coneCosine = std::cos(m_alphaRange);
    window->m_minElevation = std::sin(m_minBeta);
    window->m_maxElevation = std::sin(m_maxBeta);
    window->m_flags |= COD_SENSOR_SECTOR;
}

void NOD_Turret_Base::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    m_states.HandlePass1();
    m_actions.Handle();
    m_turn.ControlStep(clock);
    if (NOD_HasContacts(*this) != 0)
        ApplyContactsToShield();
    m_states.HandlePass2();
    MOT_MotionState& state = m_turn.State;
    state.Integrate(clock, 1);
    const f32 next = clock.time + clock.dt;
    m_turretCS.RecordStep(next, state.frame, state.GetVelocity());
    m_mountMatrix = *GetWorldTransform(next);
    GetAggregate().HeartBeat(*m_turretCS.GetWorldTransform(next), state.GetVelocity());
    NOD_Node::HeartBeat();
    if (GetShieldRef().IsExhausted() != 0)
        NOD_Node::GC_AddNode(this);
}

NOD_Message* NOD_Turret_Base::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        delete _message;
        PM_EnterSimulation();
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        delete _message;
        PM_LeaveSimulation();
        return nullptr;
    case NOD_Body_SetCS::ID:
        return NOD_Body::ProcessMessage(_message);
    case NOD_Turret_Base_SetAngleArea::ID: {
        const auto [alphaRange, minBeta, maxBeta] = NOD_Turret_Base_SetAngleArea::Read(_message);
        delete _message;
        SetAngleArea(alphaRange, minBeta, maxBeta);
        return nullptr;
    }
    default:
        return BHV_DispatchToOwnerChain(this, _message, &GetAggregate(), &m_states, &m_actions);
    }
}

void NOD_Turret_Base::PM_EnterSimulation()
{
    const f32 now = SIM_GetSimulationClock().time;
    if (NOD_Body* father = NOD_Body::DynamicCast(GetFather()))
        GetCS().SetParent(&father->GetCS());
    m_mountMatrix = *GetWorldTransform(now);
    // The target window follows the mount; the perception sensor and the firing cone the aim body.
    ContactAggregate& aggregate = GetAggregate();
    aggregate.SetAlternateFrame2(&m_mountMatrix);
    aggregate.SetAlternateFrame1(&(m_aimBody != nullptr ? m_aimBody : this)->GetAggregate().GetMatrix());
    aggregate.EnterSimulation(*m_turretCS.GetWorldTransform(now), m_turn.State.GetVelocity());
    NOD_EnterSons(*this);
    aggregate.LinkSonShields();
    m_complexAttack.SetGun(m_gun);
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);
}

void NOD_Turret_Base::PM_LeaveSimulation()
{
    GetAggregate().UnlinkSonShields();
    NOD_LeaveSons(*this);
    GetAggregate().LeaveSimulation();
    SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
    NOD_FreezeFrame(GetCS());
    NOD_FreezeFrame(m_turretCS);
}

void NOD_Turret_Base::Explode()
{
    if (Brisel_TheSpawn == nullptr)
        return;
    Brisel_DebrisLaunch launch;
    launch.velocity = m_turn.State.GetVelocity();
    Brisel_TheSpawn->SpawnDebris(0, *m_turretCS.GetWorldTransform(SIM_GetSimulationClock().time), launch);
}

void NOD_Turret_Base::Render()
{
    // At the body frame (a turret's mount): the mesh does not turn with the turning frame.
    m_mesh.Render(*this);
}

void NOD_Turret_Base::GetBoundingBox(f32* _box, f32 _time)
{
    m_mesh.GetWorldBox(*m_turretCS.GetWorldTransform(_time), _box);
}

MAT_Vector3* NOD_Turret_Base::GetVelocity(MAT_Vector3* _velocity)
{
    *_velocity = NOD_CarriedVelocity(*this, m_turn.State.GetVelocity());
    return _velocity;
}

MAT_Vector3* NOD_Turret_Base::GetMatrixAtTime(MAT_Vector3* _position, f32 _time)
{
    *_position = m_mesh.GetCentre(*m_turretCS.GetWorldTransform(_time));
    return _position;
}

BHV_AttackerSlots* NOD_Turret_Base::GetAttackerSlots()
{
    NOD_Body* father = NOD_Body::DynamicCast(GetFather());
    if (m_isMobileMount == 1)
        return father != nullptr ? father->GetAttackerSlots() : nullptr;
    return &m_attackers;
}

BHV_AttackerSlots* NOD_Turret_Base::GetTorpedoSlots()
{
    NOD_Body* father = NOD_Body::DynamicCast(GetFather());
    if (m_isMobileMount == 1)
        return father != nullptr ? father->GetTorpedoSlots() : nullptr;
    return &m_torpedoes;
}

f32 NOD_Turret_Base::GetMass() { return NOD_TurretMass(*this); }

f32 NOD_Turret_Base::GetCurrentAlpha() const { return m_turn.State.rotation[MOT_MotionState::HEADING].angle.Get(); }

f32 NOD_Turret_Base::GetCurrentBeta() const
{
    const MOT_Turn& pitching = m_aimTurn != nullptr ? *m_aimTurn : m_turn;
    return pitching.State.rotation[MOT_MotionState::PITCH].angle.Get();
}

void NOD_Turret_Base::ClampAngles(f32* _alpha, f32* _beta)
{
    if (*_alpha < -m_alphaRange)
        *_alpha = -m_alphaRange;
    if (*_alpha > m_alphaRange)
        *_alpha = m_alphaRange;
    if (*_beta < m_minBeta)
        *_beta = m_minBeta;
    if (*_beta > m_maxBeta)
        *_beta = m_maxBeta;
}

void NOD_Turret_Base::SetTargetAngles(f32 _alpha, f32 _beta)
{
    ClampAngles(&_alpha, &_beta);
    const f32 current = GetCurrentAlpha();
    f32 heading = _alpha;
    // The controller takes the shorter way: a target half a turn off or more is approached
    // through the allowed sector, a step short of half a turn at a time.
    if (std::fabs(_alpha - current) >= PI && m_alphaRange < FULL_SWEEP)
        heading = _alpha > current ? current + LONG_WAY : current - LONG_WAY;

    PHY_RotationControl& pitch = (m_aimTurn != nullptr ? m_aimTurn : &m_turn)->Rotation;
    pitch.AngleTargetMask |= PITCH_BIT;
    pitch.PointTargetMask &= ~PITCH_BIT;
    pitch.RateTargetMask &= ~PITCH_BIT;
    pitch.TargetAngle[1] = _beta;

    PHY_RotationControl& turn = m_turn.Rotation;
    turn.AngleTargetMask |= HEADING_BIT;
    turn.PointTargetMask &= ~HEADING_BIT;
    turn.RateTargetMask &= ~HEADING_BIT;
    turn.TargetAngle[0] = heading;
}

void NOD_Turret_Base::AimAtPoint(const MAT_Vector3& _point)
{
    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Vector3 muzzle = WorldPosition(m_gun != nullptr ? *(NOD_Body*)m_gun : *this, now);
    const MAT_Vector3 direction = GetWorldTransform(now)->InverseRotate(_point - muzzle);
    f32 alpha = 0.0f;
    f32 beta = 0.0f;
    MAT_GetHeadingPitch(direction, alpha, beta);
    SetTargetAngles(alpha, beta);
}

void NOD_Turret_Base::ComputeAnglesTo(NOD_Body* _target, f32* _alpha, f32* _beta)
{
    // No target: the angles the turret stands at.
    if (_target == nullptr) {
        *_alpha = GetCurrentAlpha();
        *_beta = GetCurrentBeta();
        return;
    }
    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Vector3 position = WorldPosition(*_target, now);
    MAT_Vector3 velocity;
    _target->GetVelocity(&velocity);
    const MAT_Vector3 muzzle = WorldPosition(m_aimBody != nullptr ? *m_aimBody : *this, now);
    MAT_Vector3 aim = position;
    BHV_BallisticIntercept(muzzle, GetBulletVelocity(), position, velocity, &aim);
    const MAT_Vector3 gun = WorldPosition(m_gun != nullptr ? *(NOD_Body*)m_gun : *this, now);
    const MAT_Vector3 direction = GetWorldTransform(now)->InverseRotate(aim - gun);
    MAT_GetHeadingPitch(direction, *_alpha, *_beta);
}

s32 NOD_Turret_Base::IsAlphaInRange(f32 _alpha) { return -m_alphaRange <= _alpha && _alpha <= m_alphaRange ? 1 : 0; }

s32 NOD_Turret_Base::IsBetaInRange(f32 _beta) { return m_minBeta <= _beta && _beta <= m_maxBeta ? 1 : 0; }

s32 NOD_Turret_Base::IsAimedAt(f32 _alpha, f32 _beta)
{
    const MOT_MotionState& state = m_turn.State;
    if (std::fabs(state.rotation[MOT_MotionState::HEADING].rate) > SETTLED_RATE)
        return 0;
    if (std::fabs(state.rotation[MOT_MotionState::PITCH].rate) > SETTLED_RATE)
        return 0;
    if (std::fabs(ShortDifference(_alpha, GetCurrentAlpha())) > SETTLED_ANGLE)
        return 0;
    return std::fabs(ShortDifference(_beta, GetCurrentBeta())) <= SETTLED_ANGLE ? 1 : 0;
}

s32 NOD_Turret_Base::IsWithinAngles(f32 _alpha, f32 _beta, f32 _tolerance)
{
    const f32 alpha = std::fabs(_alpha * RADIANS_TO_DEGREES - GetCurrentAlpha() * RADIANS_TO_DEGREES);
    const f32 beta = std::fabs(_beta * RADIANS_TO_DEGREES - GetCurrentBeta() * RADIANS_TO_DEGREES);
    return alpha <= _tolerance && beta <= _tolerance ? 1 : 0;
}

f32 NOD_Turret_Base::GetBulletVelocity()
{
    if (Brisel_TheSpawn == nullptr || m_gun == nullptr)
        return 0.0f;
    return Brisel_TheSpawn->NOD_GetBulletVelocity(m_gun->GetBulletType());
}

NOD_Replicator* NOD_Turret_Base::CreateReplicator() { return new NOD_TurretBaseReplicator(); }
