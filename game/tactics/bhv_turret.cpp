#include "bhv_turret.h"

#include "bhv_attackerslots.h"
#include "bhv_turretaiming.h"
#include "brisel_simulation.h"
#include "brisel_spawn.h"
#include "cod_sensor.h"
#include "des_file.h"
#include "mat_angle.h"
#include "mat_random.h"
#include "nod_body.h"
#include "nod_launcher.h"
#include "nod_message.h"
#include "nod_torpedo.h"
#include "os_fatal.h"
#include "sim_clock.h"

namespace
{
constexpr f32 DEGREES_TO_RADIANS = 0.017453292f;
// The firing hysteresis: fire within 5 degrees of the aim, stop beyond 7.
constexpr f32 START_FIRE_DEGREES = 5.0f;
constexpr f32 STOP_FIRE_DEGREES = 7.0f;
// A direct attack sees to 90 per cent of its bullets' range.
constexpr f32 DIRECT_RANGE_SHARE = 0.9f;

// What the attack's sensor switches off when it stops: the sensor and its three senses.
constexpr u32 SENSING = COD_SENSOR_ACTIVE | COD_SENSOR_SEEING | COD_SENSOR_HEARING | COD_SENSOR_PRESENCE;

MAT_Random& Random() { return Brisel_TheSimulation->random; }

BHV_TurretAiming* Aiming(const BHV_Behaviour& _behaviour)
{
    return BHV_TurretAiming::DynamicCast(_behaviour.GetOwner()->body);
}

NOD_Body* BodyOf(const RTI_Pointer& _pointer) { return NOD_Body::DynamicCast(static_cast<NOD_Node*>(_pointer.Get())); }

// A key read in degrees, kept in radians within [-pi, pi).
f32 ReadAngle(DES_Section& _section, const char* _key)
{
    f32 degrees = 0.0f;
    _section.GetFloat(_key, &degrees);
    return MAT_WrapAngle(degrees * DEGREES_TO_RADIANS);
}

// Every change of what the sensor senses or accepts leaves its last evaluation stale.
void ChangeSensor(COD_Sensor* _sensor, u32 _set, u32 _clear)
{
    _sensor->m_flags = ((_sensor->m_flags & ~_clear) | _set) & ~COD_SENSOR_VISIBILITY_TESTED;
}

void SwitchSensorOff(COD_Sensor* _sensor)
{
    if (_sensor != nullptr)
        ChangeSensor(_sensor, 0, SENSING);
}

// The turret enters or leaves the attacker slots of the body it attacks.
void Join(NOD_Body* _target, NOD_Body* _turret)
{
    if (_target != nullptr && _target->GetAttackerSlots() != nullptr)
        _target->GetAttackerSlots()->Add(_turret);
}

void Leave(NOD_Body* _target, NOD_Body* _turret)
{
    if (_target != nullptr && _target->GetAttackerSlots() != nullptr)
        _target->GetAttackerSlots()->Remove(_turret);
}

void StopFire(NOD_NPC_Gun* _gun)
{
    if (_gun != nullptr)
        _gun->StopFire();
}

// One move of a random sweep: a Gaussian step of each angle, its sign drawn, taken the other
// way when it would leave the turret's range, the sum clamped; then the wait at the new point
// (never below 0). The draws come in this order: alpha step, its sign, beta step, its sign, wait.
void NextSweepPoint(BHV_TurretAiming* _aiming, const f32 _keys[6], f32* _alpha, f32* _beta, f32* _wait)
{
    MAT_Random& random = Random();
    f32 da = random.Gaussian(_keys[0], _keys[1]);
    if (MAT_RandomUnit(random.Next()) > 0.5)
        da = -da;
    if (_aiming->IsAlphaInRange(*_alpha + da) == 0)
        da = -da;
    f32 db = random.Gaussian(_keys[2], _keys[3]);
    if (MAT_RandomUnit(random.Next()) > 0.5)
        db = -db;
    if (_aiming->IsBetaInRange(*_beta + db) == 0)
        db = -db;
    *_alpha += da;
    *_beta += db;
    _aiming->ClampAngles(_alpha, _beta);
    *_wait = random.Gaussian(_keys[4], _keys[5]);
    if (*_wait < 0.0f)
        *_wait = 0.0f;
}

// Follow and patrol end alike when interrupted: back to the rest angles, Turret_FollowOverride.
void InterruptTurretMove(const BHV_Behaviour& _behaviour)
{
    if (BHV_TurretAiming* aiming = Aiming(_behaviour))
        aiming->SetTargetAngles(0.0f, 0.0f);
    BHV_Behaviour::Notify(_behaviour.GetOwner()->body, NOD_Turret_Base_FollowOverride::Create(), 1);
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Complex attack

void BHV_Turret_A_ComplexAttack::SetGun(NOD_NPC_Gun* _gun) { m_gun = _gun; }

void BHV_Turret_A_ComplexAttack::ParseIniFile(DES_Section& _section)
{
    _section.GetFloat("MinimumTimeToStick", &m_minimumTimeToStick);
    m_meanAngleBeta = ReadAngle(_section, "MeanAngleBeta");
    m_standardDeviationBeta = ReadAngle(_section, "StandardDeviationBeta");
    m_meanAngleAlpha = ReadAngle(_section, "MeanAngleAlpha");
    m_standardDeviationAlpha = ReadAngle(_section, "StandardDeviationAlpha");
    _section.GetFloat("MeanWaitingTime", &m_meanWaitingTime);
    _section.GetFloat("StandardDeviationWaitingTime", &m_standardDeviationWaitingTime);
}

s32 BHV_Turret_A_ComplexAttack::IsStartMessage(const NOD_Message* _message)
{
    const u32 id = _message->GetType();
    return id == NOD_Turret_Base_ComplexAttack::ID || id == NOD_Turret_Base_DirectAttack::ID ? 1 : 0;
}

s32 BHV_Turret_A_ComplexAttack::IsStopMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Turret_Base_DirectAttackStop::ID ? 1 : 0;
}

NOD_Message* BHV_Turret_A_ComplexAttack::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    const BHV_Owner* owner = GetOwner();
    switch (_message->GetType()) {
    case NOD_Turret_Base_ComplexAttack::ID: {
        const auto [range, a, b, c, d] = NOD_Turret_Base_ComplexAttack::Read(_message);
        const SIM_Name names[BHV_INTEREST_NAMES] = {a, b, c, d};
        Start(1, range, names);
        break;
    }
    case NOD_Turret_Base_DirectAttack::ID: {
        const auto [a, b, c, d] = NOD_Turret_Base_DirectAttack::Read(_message);
        const SIM_Name names[BHV_INTEREST_NAMES] = {a, b, c, d};
        f32 range = 0.0f;
        if (m_gun != nullptr && Brisel_TheSpawn != nullptr)
            range = DIRECT_RANGE_SHARE * Brisel_TheSpawn->GetBulletRange(m_gun->GetBulletType());
        Start(0, range, names);
        break;
    }
    case NOD_Turret_Base_SetPrimaryTarget::ID: {
        const auto [node] = NOD_Turret_Base_SetPrimaryTarget::Read(_message);
        m_primaryTarget.Set(NOD_Body::DynamicCast(node));
        break;
    }
    case NOD_Turret_Base_DirectAttackStop::ID:
        Leave(BodyOf(m_currentTarget), owner->body);
        SwitchSensorOff(owner->sensors[BHV_SENSOR_TARGETS]);
        StopFire(m_gun);
        break;
    default:
        return nullptr;
    }
    *_handled = 1;
    delete _message;
    return nullptr;
}

void BHV_Turret_A_ComplexAttack::Start(s32 _complex, f32 _range, const SIM_Name* _names)
{
    NOD_Body* body = GetOwner()->body;
    COD_Sensor* sensor = GetOwner()->sensors[BHV_SENSOR_TARGETS];
    BHV_TurretAiming* aiming = Aiming(*this);
    // Without a gun (it comes when the turret enters the simulation) there is nothing to fight
    // with: the attack ends at its first step.
    m_canAttack = m_gun != nullptr && sensor != nullptr && aiming != nullptr ? 1 : 0;
    if (m_canAttack == 0) {
        OS_Log(OS_Format("Turret %s has no gun to attack with: the attack ends", body->GetName().GetName()));
        return;
    }
    m_range = _range;
    sensor->m_seeingRange = _range;
    ChangeSensor(sensor, COD_SENSOR_OCCLUSION | COD_SENSOR_ACTIVE | COD_SENSOR_NAME_FILTER | COD_SENSOR_SEEING,
                 COD_SENSOR_HEARING | COD_SENSOR_PRESENCE);
    sensor->SetNameFilter(m_interestNames, BHV_PackInterestNames(_names, m_interestNames));
    sensor->m_flags &= ~COD_SENSOR_VISIBILITY_TESTED;

    m_currentTarget.Set(nullptr);
    m_primaryTarget.Set(nullptr);
    m_state = SWEEP;
    m_sweepAlpha = 0.0f;
    m_sweepBeta = 0.0f;
    NewSweepPoint(aiming);
    m_switchTimer = m_minimumTimeToStick;
    m_complex = _complex;
}

void BHV_Turret_A_ComplexAttack::NewSweepPoint(BHV_TurretAiming* _aiming)
{
    const f32 keys[6] = {m_meanAngleAlpha,        m_standardDeviationAlpha, m_meanAngleBeta,
                         m_standardDeviationBeta, m_meanWaitingTime,        m_standardDeviationWaitingTime};
    NextSweepPoint(_aiming, keys, &m_sweepAlpha, &m_sweepBeta, &m_sweepWait);
}

void BHV_Turret_A_ComplexAttack::Attack(NOD_Body* _target, s32 _state)
{
    NOD_Body* body = GetOwner()->body;
    Leave(BodyOf(m_currentTarget), body);
    m_currentTarget.Set(_target);
    Join(_target, body);
    m_gun->StopFire();
    m_state = _state;
}

s32 BHV_Turret_A_ComplexAttack::Handle()
{
    if (m_canAttack == 0)
        return 0;
    const BHV_Owner* owner = GetOwner();
    NOD_Body* body = owner->body;
    COD_Sensor* sensor = owner->sensors[BHV_SENSOR_TARGETS];
    BHV_TurretAiming* aiming = Aiming(*this);
    if ((sensor->m_flags & COD_SENSOR_VISIBILITY_TESTED) == 0)
        return 1;

    NOD_Body* primary = BodyOf(m_primaryTarget);
    if (primary != nullptr && CheckTarget(primary) == BHV_TARGET_ATTACKABLE && primary != BodyOf(m_currentTarget))
        Attack(primary, AIM);

    // Hits by another shooter take the turret over once it has stuck long enough to its target;
    // never while it attacks its primary target.
    if (primary == nullptr || primary != BodyOf(m_currentTarget)) {
        m_switchTimer += SIM_STEP;
        NOD_Body* carrier = NOD_Body::DynamicCast(body->GetFather());
        NOD_Body* shooter = NOD_Body::DynamicCast((carrier != nullptr ? carrier : body)->GetHitShooter());
        NOD_Body* current = BodyOf(m_currentTarget);
        if (shooter != nullptr && shooter == current)
            m_switchTimer = 0.0f;
        if (shooter != nullptr && CheckTarget(shooter) == BHV_TARGET_ATTACKABLE && shooter != current &&
            m_switchTimer > m_minimumTimeToStick) {
            m_switchTimer = 0.0f;
            Attack(shooter, AIM_AT_SHOOTER);
        }
    }

    if (KeepsTarget() == 0) {
        Leave(BodyOf(m_currentTarget), body);
        NOD_Body* target = nullptr;
        const s32 choice = Choose(&target);
        m_switchTimer = m_minimumTimeToStick + 1.0f;
        if (choice == BHV_TARGET_ATTACKABLE) {
            m_currentTarget.Set(target);
            Join(target, body);
            if (m_state == SWEEP)
                Notify(body, NOD_Turret_Base_LeavingCastratedMode::Create(), 1);
            m_gun->StopFire();
            m_state = AIM;
        } else if (choice == BHV_TARGET_FULL) {
            m_currentTarget.Set(nullptr);
            m_gun->StopFire();
            m_state = SWEEP;
            Notify(body, NOD_Turret_Base_EnteringCastratedMode::Create(), 1);
        } else if (m_complex == 1) {
            aiming->SetTargetAngles(0.0f, 0.0f);
            m_gun->StopFire();
            Notify(body, NOD_Turret_Base_ComplexAttackOver::Create(), 1);
            SwitchSensorOff(sensor);
            return 0;
        } else {
            m_currentTarget.Set(nullptr);
            m_gun->StopFire();
            m_state = SWEEP;
        }
    }

    switch (m_state) {
    case AIM:
    case AIM_AT_SHOOTER:
    case FIRE:
    case FIRE_AT_SHOOTER:
        AimAndFire(aiming);
        break;
    case SWEEP:
        Sweep(aiming);
        break;
    default:
        break;
    }
    return 1;
}

s32 BHV_Turret_A_ComplexAttack::CheckTarget(NOD_Body* _body)
{
    const BHV_Owner* owner = GetOwner();
    return BHV_CheckTarget(owner->attackers, owner->torpedoes, owner->sensors[BHV_SENSOR_TARGETS], _body);
}

s32 BHV_Turret_A_ComplexAttack::KeepsTarget()
{
    NOD_Body* current = BodyOf(m_currentTarget);
    if (current == nullptr || CheckTarget(current) == BHV_TARGET_NONE)
        return 0;
    BHV_AttackerSlots* torpedoes = GetOwner()->torpedoes;
    if (NOD_Torpedo::DynamicCast(current) != nullptr || torpedoes == nullptr)
        return 1;
    // A torpedo running at the carrier that the turret can take comes first.
    NOD_Node* node = nullptr;
    while (torpedoes->GetNext(node) != 0) {
        NOD_Body* torpedo = NOD_Body::DynamicCast(node);
        if (torpedo != nullptr && CheckTarget(torpedo) == BHV_TARGET_ATTACKABLE)
            return 0;
    }
    return 1;
}

s32 BHV_Turret_A_ComplexAttack::Choose(NOD_Body** _target)
{
    const BHV_Owner* owner = GetOwner();
    COD_Sensor* sensor = owner->sensors[BHV_SENSOR_TARGETS];
    const MAT_Vector3 position = owner->body->GetWorldTransform(SIM_GetSimulationClock().time)->t;
    return BHV_ChooseTarget(sensor, position, owner->attackers, owner->torpedoes, sensor->m_seen, sensor->m_seenCount,
                            m_interestNames, _target);
}

void BHV_Turret_A_ComplexAttack::AimAndFire(BHV_TurretAiming* _aiming)
{
    // Aim and fire at a chosen target (0, 1) or at a shooter (3, 4) alike.
    const s32 aim = m_state == AIM || m_state == FIRE ? AIM : AIM_AT_SHOOTER;
    const bool firing = m_state == FIRE || m_state == FIRE_AT_SHOOTER;
    f32 alpha = 0.0f;
    f32 beta = 0.0f;
    _aiming->ComputeAnglesTo(BodyOf(m_currentTarget), &alpha, &beta);
    if (!firing && _aiming->IsWithinAngles(alpha, beta, START_FIRE_DEGREES) != 0) {
        m_gun->StartFire();
        m_state = aim + 1;
    } else if (firing && _aiming->IsWithinAngles(alpha, beta, STOP_FIRE_DEGREES) == 0) {
        m_gun->StopFire();
        m_state = aim;
    } else {
        _aiming->SetTargetAngles(alpha, beta);
    }
}

void BHV_Turret_A_ComplexAttack::Sweep(BHV_TurretAiming* _aiming)
{
    NOD_Body* body = GetOwner()->body;
    GetOwner()->sensors[BHV_SENSOR_TARGETS]->m_flags |= COD_SENSOR_ACTIVE;
    NOD_Body* target = nullptr;
    if (Choose(&target) == BHV_TARGET_ATTACKABLE) {
        m_currentTarget.Set(target);
        Join(target, body);
        m_state = AIM;
        return;
    }
    if (_aiming->IsAimedAt(m_sweepAlpha, m_sweepBeta) != 0) {
        if (m_sweepWait <= 0.0f)
            NewSweepPoint(_aiming);
        else
            m_sweepWait -= SIM_STEP;
    }
    _aiming->SetTargetAngles(m_sweepAlpha, m_sweepBeta);
}

void BHV_Turret_A_ComplexAttack::Interrupt()
{
    const BHV_Owner* owner = GetOwner();
    Leave(BodyOf(m_currentTarget), owner->body);
    SwitchSensorOff(owner->sensors[BHV_SENSOR_TARGETS]);
    StopFire(m_gun);
    Notify(owner->body, NOD_Turret_Base_ComplexAttackOverride::Create(), 1);
}

// ---------------------------------------------------------------------------------------------
// Patrol

void BHV_Turret_A_Patrol::ParseIniFile(DES_Section& _section)
{
    m_meanAngleBeta = ReadAngle(_section, "MeanAngleBeta");
    m_standardDeviationBeta = ReadAngle(_section, "StandardDeviationBeta");
    m_meanAngleAlpha = ReadAngle(_section, "MeanAngleAlpha");
    m_standardDeviationAlpha = ReadAngle(_section, "StandardDeviationAlpha");
    _section.GetFloat("MeanWaitingTime", &m_meanWaitingTime);
    _section.GetFloat("StandardDeviationWaitingTime", &m_standardDeviationWaitingTime);
}

s32 BHV_Turret_A_Patrol::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Turret_Base_Patrol::ID ? 1 : 0;
}

s32 BHV_Turret_A_Patrol::IsStopMessage(const NOD_Message* /*_message*/) { return 0; }

NOD_Message* BHV_Turret_A_Patrol::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    if (_message->GetType() != NOD_Turret_Base_Patrol::ID)
        return nullptr;
    *_handled = 1;
    NOD_Turret_Base_Patrol::Read(_message, &m_duration);
    delete _message;
    if (BHV_TurretAiming* aiming = Aiming(*this)) {
        NewSweepPoint(aiming);
        aiming->SetTargetAngles(m_sweepAlpha, m_sweepBeta);
    }
    m_elapsed = 0.0f;
    return nullptr;
}

void BHV_Turret_A_Patrol::NewSweepPoint(BHV_TurretAiming* _aiming)
{
    const f32 keys[6] = {m_meanAngleAlpha,        m_standardDeviationAlpha, m_meanAngleBeta,
                         m_standardDeviationBeta, m_meanWaitingTime,        m_standardDeviationWaitingTime};
    NextSweepPoint(_aiming, keys, &m_sweepAlpha, &m_sweepBeta, &m_sweepWait);
}

s32 BHV_Turret_A_Patrol::Handle()
{
    BHV_TurretAiming* aiming = Aiming(*this);
    if (aiming == nullptr)
        return 0;
    if (m_elapsed > m_duration && m_duration > 0.0f) {
        aiming->SetTargetAngles(0.0f, 0.0f);
        Notify(GetOwner()->body, NOD_Turret_Base_PatrolFinished::Create(), 1);
        return 0;
    }
    if (aiming->IsAimedAt(m_sweepAlpha, m_sweepBeta) != 0) {
        if (m_sweepWait <= 0.0f) {
            NewSweepPoint(aiming);
            aiming->SetTargetAngles(m_sweepAlpha, m_sweepBeta);
            m_elapsed += SIM_STEP;
            return 1;
        }
        m_sweepWait -= SIM_STEP;
    }
    m_elapsed += SIM_STEP;
    return 1;
}

void BHV_Turret_A_Patrol::Interrupt() { InterruptTurretMove(*this); }

// ---------------------------------------------------------------------------------------------
// Follow

s32 BHV_Turret_A_Follow::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Turret_Base_Follow::ID ? 1 : 0;
}

s32 BHV_Turret_A_Follow::IsStopMessage(const NOD_Message* /*_message*/) { return 0; }

NOD_Message* BHV_Turret_A_Follow::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    if (_message->GetType() != NOD_Turret_Base_Follow::ID)
        return nullptr;
    *_handled = 1;
    const auto [node, duration] = NOD_Turret_Base_Follow::Read(_message);
    delete _message;
    m_duration = duration;
    m_active = 0;
    NOD_Body* target = NOD_Body::DynamicCast(node);
    m_target.Set(target);
    if (target == nullptr) {
        OS_Log(OS_Format("%s is not a nod_body in BHV_Turret_A_Follow::PM_FollowStart",
                         node != nullptr ? node->GetName().GetName() : "(null)"));
        return nullptr;
    }
    m_elapsed = 0.0f;
    m_active = 1;
    return nullptr;
}

s32 BHV_Turret_A_Follow::Handle()
{
    BHV_TurretAiming* aiming = Aiming(*this);
    if (m_active == 0 || aiming == nullptr)
        return 0;
    NOD_Body* body = GetOwner()->body;
    NOD_Body* target = BodyOf(m_target);
    if (target == nullptr) {
        aiming->SetTargetAngles(0.0f, 0.0f);
        Notify(body, NOD_Turret_Base_TargetLost::Create(), 1);
        return 0;
    }
    aiming->AimAtPoint(target->GetWorldTransform(SIM_GetSimulationClock().time)->t);
    if (m_elapsed > m_duration && m_duration > 0.0f) {
        aiming->SetTargetAngles(0.0f, 0.0f);
        Notify(body, NOD_Turret_Base_FollowFinished::Create(), 1);
        return 0;
    }
    if (m_duration > 0.0f)
        m_elapsed += SIM_STEP;
    return 1;
}

void BHV_Turret_A_Follow::Interrupt() { InterruptTurretMove(*this); }
