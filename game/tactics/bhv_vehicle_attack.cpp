#include "bhv_vehicle_attack.h"

#include "bhv_attackerslots.h"
#include "bhv_requests.h"
#include "bhv_turretaiming.h"
#include "brisel_simulation.h"
#include "brisel_spawn.h"
#include "cod_activeavoid.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "cos_obbs_tree.h"
#include "des_file.h"
#include "mat_random.h"
#include "mot_vehicle.h"
#include "nod_body.h"
#include "nod_launcher.h"
#include "nod_message.h"
#include "nod_patrolarea.h"
#include "nod_torpedo.h"
#include "os_fatal.h"
#include "sim_clock.h"

namespace
{
// The gun starts firing inside this share of its range and stops at the second.
constexpr f32 START_FIRE_SHARE = 0.8f;
constexpr f32 STOP_FIRE_SHARE = 0.9f;
// A castrated goal counts as reached this near at least.
constexpr f32 LEAST_ARRIVAL_RADIUS = 15.0f;
// A sideways direction shorter than this is left unscaled.
constexpr f32 MIN_LENGTH_SQUARED = 1.1920929e-07f;
constexpr u32 SENSES = COD_SENSOR_SEEING | COD_SENSOR_HEARING | COD_SENSOR_PRESENCE;

NOD_Node* NodeOf(const RTI_Pointer& _pointer) { return static_cast<NOD_Node*>(_pointer.Get()); }
NOD_Body* BodyOf(const RTI_Pointer& _pointer) { return NOD_Body::DynamicCast(NodeOf(_pointer)); }

MAT_Vector3 PositionOf(NOD_Body* _body)
{
    MAT_Vector3 position;
    _body->GetMatrixAtTime(&position, SIM_GetSimulationClock().time);
    return position;
}

MAT_Vector3 VelocityOf(NOD_Body* _body)
{
    MAT_Vector3 velocity;
    _body->GetVelocity(&velocity);
    return velocity;
}

f32 HorizontalDistance(const MAT_Vector3& _a, const MAT_Vector3& _b)
{
    return MAT_Vector3(_a.x - _b.x, _a.y - _b.y, 0.0f).Length();
}

// Every change of what the sensor senses leaves its last evaluation stale.
void ChangeSensor(COD_Sensor* _sensor, u32 _set, u32 _clear)
{
    _sensor->m_flags = ((_sensor->m_flags & ~_clear) | _set) & ~COD_SENSOR_VISIBILITY_TESTED;
}

// _vector at _length in its own direction; a zero vector stays zero.
MAT_Vector3 WithLength(const MAT_Vector3& _vector, f32 _length) { return _vector.GetNormalized() * _length; }

MAT_Random& Random() { return Brisel_TheSimulation->random; }
}  // namespace

// ---------------------------------------------------------------------------------------------
// Align

void BHV_Vehicle_AttackState0::Enter(BHV_Vehicle_A_Attack* _attack)
{
    m_attack = _attack;
    m_timer = 0.0f;
}

void BHV_Vehicle_AttackState0::Leave() {}

s32 BHV_Vehicle_AttackState0::Handle()
{
    NOD_Body* target = m_attack->GetCurrentTarget();
    if (target == nullptr)
        return STAY;
    const BHV_Owner* owner = m_attack->GetOwner();
    const MAT_Vector3 v = PositionOf(owner->body);
    const MAT_Vector3 t = PositionOf(target);
    const f32 d = HorizontalDistance(v, t);
    if (m_alignMinDistance < d && d < m_alignMaxDistance)
        return STICK;
    m_timer += SIM_STEP;
    if (m_timer > m_alignMaxTime && d < m_alignMaxDistance)
        return STICK;

    const f32 speed = m_attack->GetNormalVelocity();
    MAT_Vector3 aim = t;
    BHV_BallisticIntercept(v, speed, t, VelocityOf(target), &aim);
    // Too close: the point mirrored about the vehicle, so that it backs away.
    if (d < m_alignMinDistance)
        aim = v * 2.0f - aim;
    if (owner->avoider != nullptr)
        owner->avoider->m_goal = BHV_GroundGoal(owner->body, aim);
    owner->vehicleMotion->GotoPositionReverse(SIM_GetSimulationClock(), BHV_SteeringPoint(owner->avoider, aim), speed,
                                              speed);
    return STAY;
}

// ---------------------------------------------------------------------------------------------
// Stick

void BHV_Vehicle_AttackState1::Enter(BHV_Vehicle_A_Attack* _attack)
{
    m_attack = _attack;
    _attack->GetOwner()->vehicleMotion->Stop();
    m_timer = 0.0f;
}

void BHV_Vehicle_AttackState1::Leave() {}

s32 BHV_Vehicle_AttackState1::Handle()
{
    m_timer += SIM_STEP;
    if (m_timer > m_minimumTimeToStick)
        return ALIGN;
    NOD_Body* target = m_attack->GetCurrentTarget();
    if (target == nullptr)
        return STAY;
    const BHV_Owner* owner = m_attack->GetOwner();
    const MAT_Vector3 t = PositionOf(target);
    MAT_Vector3 aim = t;
    // Where the turret's bullets meet the target; without a turret the target itself.
    if (BHV_TurretAiming* aiming = BHV_TurretAiming::DynamicCast(m_attack->GetTurret()))
        BHV_BallisticIntercept(PositionOf(owner->body), aiming->GetBulletVelocity(), t, VelocityOf(target), &aim);
    owner->vehicleMotion->FacePoint(aim);
    return STAY;
}

// ---------------------------------------------------------------------------------------------
// Castrated

void BHV_Vehicle_AttackState2::Enter(BHV_Vehicle_A_Attack* _attack)
{
    m_attack = _attack;
    NewGoal();
    m_timer = 0.0f;
    const BHV_Owner* owner = _attack->GetOwner();
    if (owner->avoider != nullptr)
        owner->avoider->m_goal = BHV_GroundGoal(owner->body, m_goal);
}

void BHV_Vehicle_AttackState2::Leave() {}

s32 BHV_Vehicle_AttackState2::Handle()
{
    const BHV_Owner* owner = m_attack->GetOwner();
    MOT_Vehicle& motion = *owner->vehicleMotion;
    m_timer += SIM_STEP;
    motion.GotoPosition(SIM_GetSimulationClock(), BHV_SteeringPoint(owner->avoider, m_goal), 0.6f * m_speed, m_speed);
    if (m_timer > m_castratedStrikeTimeOut ||
        BHV_HorizontalDistance(motion, m_goal) <= BHV_HorizontalSpeed(motion) * SIM_STEP + m_arrivalRadius) {
        NewGoal();
        m_timer = 0.0f;
        if (owner->avoider != nullptr)
            owner->avoider->m_goal = m_goal;
    }
    return STAY;
}

void BHV_Vehicle_AttackState2::NewGoal()
{
    const BHV_Owner* owner = m_attack->GetOwner();
    NOD_Body* target = m_attack->GetCurrentTarget();
    if (target == nullptr)
        return;
    f32 step = Random().Gaussian(m_castratedMeanDist, m_castratedDevDist);
    if (step < 0.0f)
        step = 0.0f;
    const MAT_Vector3 v = PositionOf(owner->body);
    const MAT_Vector3 t = PositionOf(target);
    const MAT_Vector3 d = t - v;
    MAT_Vector3 side(-d.y, d.x, 0.0f);
    if (MAT_RandomUnit(Random().Next()) > 0.5)
        side = MAT_Vector3(d.y, -d.x, 0.0f);
    if (side.LengthSquared() > MIN_LENGTH_SQUARED)
        side = WithLength(side, step);
    MAT_Vector3 r = v + side - t;
    const f32 length = r.Length();
    if (length < m_castratedMinRad)
        r = WithLength(r, m_castratedMinRad);
    if (length > m_castratedMaxRad)
        r = WithLength(r, m_castratedMaxRad);
    m_goal = t + r;

    m_speed = m_attack->GetNormalVelocity();
    f32 reach = 0.0f;
    if (owner->physical != nullptr && owner->physical->m_tree != nullptr)
        reach = 2.0f * owner->physical->m_tree->box.m_max.x;
    m_arrivalRadius = reach > LEAST_ARRIVAL_RADIUS ? reach : LEAST_ARRIVAL_RADIUS;
}

// ---------------------------------------------------------------------------------------------
// The attack

void BHV_Vehicle_A_Attack::SetTurret(NOD_Body* _turret) { m_turret.Set(_turret); }

NOD_Body* BHV_Vehicle_A_Attack::GetTurret() const { return BodyOf(m_turret); }
NOD_Body* BHV_Vehicle_A_Attack::GetCurrentTarget() const { return BodyOf(m_currentTarget); }
NOD_Body* BHV_Vehicle_A_Attack::GetPrimaryTarget() const { return BodyOf(m_primaryTarget); }
NOD_Node* BHV_Vehicle_A_Attack::GetSavedShooter() const { return NodeOf(m_savedShooter); }

void BHV_Vehicle_A_Attack::ParseIniFile(DES_Section& _section)
{
    _section.GetFloat("NormalVelocity", &m_normalVelocity);
    _section.GetFloat("WaitingTime", &m_waitingTime);
    _section.GetFloat("ConeOfFire", &m_coneOfFire);
    _section.GetFloat("AlignMinDistance", &m_align.m_alignMinDistance);
    _section.GetFloat("AlignMaxDistance", &m_align.m_alignMaxDistance);
    _section.GetFloat("AlignMaxTime", &m_align.m_alignMaxTime);
    _section.GetFloat("MinimumTimeToStick", &m_stick.m_minimumTimeToStick);
    _section.GetFloat("CastratedMeanDist", &m_castrated.m_castratedMeanDist);
    _section.GetFloat("CastratedDevDist", &m_castrated.m_castratedDevDist);
    _section.GetFloat("CastratedStrikeTimeOut", &m_castrated.m_castratedStrikeTimeOut);
    _section.GetFloat("CastratedMinRad", &m_castrated.m_castratedMinRad);
    _section.GetFloat("CastratedMaxRad", &m_castrated.m_castratedMaxRad);
}

s32 BHV_Vehicle_A_Attack::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Vehicle_AttackPatrol::ID ? 1 : 0;
}

s32 BHV_Vehicle_A_Attack::IsStopMessage(const NOD_Message* /*_message*/) { return 0; }

NOD_Message* BHV_Vehicle_A_Attack::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    if (_message->GetType() == NOD_Vehicle_SetPrimaryTarget::ID) {
        *_handled = 1;
        const auto [node] = NOD_Vehicle_SetPrimaryTarget::Read(_message);
        delete _message;
        m_primaryTarget.Set(NOD_Body::DynamicCast(node));
        return nullptr;
    }
    if (_message->GetType() != NOD_Vehicle_AttackPatrol::ID)
        return nullptr;
    *_handled = 1;
    const auto [range, name0, name1, name2, name3, path] = NOD_Vehicle_AttackPatrol::Read(_message);
    delete _message;

    const BHV_Owner* owner = GetOwner();
    NOD_PatrolArea* area = NOD_PatrolArea::DynamicCast(owner->body->Find(path));
    if (area == nullptr) {
        char text[SIM_Path::STRING_BYTES];
        path.GetString(text, sizeof text);
        OS_Log(OS_Format("PatrolArea %s is invalid", text));
    }
    m_patrolArea.Set(area);

    m_range = range;
    const SIM_Name names[BHV_INTEREST_NAMES] = {name0, name1, name2, name3};
    const s32 count = BHV_PackInterestNames(names, m_interestNames);
    if (COD_Sensor* sensor = owner->sensors[BHV_SENSOR_TARGETS]) {
        sensor->m_presenceRange = range;
        ChangeSensor(sensor, COD_SENSOR_ACTIVE | COD_SENSOR_NAME_FILTER | COD_SENSOR_PRESENCE,
                     COD_SENSOR_SEEING | COD_SENSOR_HEARING);
        sensor->SetNameFilter(m_interestNames, count);
        sensor->m_flags &= ~COD_SENSOR_VISIBILITY_TESTED;
    }

    m_currentTarget.Set(nullptr);
    m_primaryTarget.Set(nullptr);
    m_switchTimer = m_waitingTime + 1.0f;
    m_currentState = nullptr;

    // The gun fires for the vehicle now; whoever it fired for before gets it back at the end.
    BHV_TurretAiming* aiming = BHV_TurretAiming::DynamicCast(GetTurret());
    if (NOD_NPC_Gun* gun = aiming != nullptr ? aiming->GetGun() : nullptr) {
        m_savedShooter.Set(gun->GetShooterNode());
        gun->SetShooter(owner->body);
    }
    return nullptr;
}

void BHV_Vehicle_A_Attack::AimAndFire(NOD_Body* _target)
{
    BHV_TurretAiming* aiming = BHV_TurretAiming::DynamicCast(GetTurret());
    if (aiming == nullptr)
        return;
    f32 alpha = 0.0f;
    f32 beta = 0.0f;
    aiming->ComputeAnglesTo(_target, &alpha, &beta);
    aiming->SetTargetAngles(alpha, beta);
    NOD_NPC_Gun* gun = aiming->GetGun();
    if (gun == nullptr)
        return;
    const f32 range = Brisel_TheSpawn != nullptr ? Brisel_TheSpawn->GetBulletRange(gun->GetBulletType()) : 0.0f;
    const f32 distance = BHV_SurfaceDistance(_target, GetOwner()->body);
    const bool pointing = aiming->IsWithinAngles(alpha, beta, m_coneOfFire) != 0;
    if (gun->GetFiring() == nullptr) {
        if (pointing && START_FIRE_SHARE * range > distance)
            gun->StartFire();
    } else if (!pointing || STOP_FIRE_SHARE * range <= distance) {
        gun->StopFire();
    }
}

bool BHV_Vehicle_A_Attack::IsDecisionDue()
{
    NOD_PatrolArea* area = NOD_PatrolArea::DynamicCast(NodeOf(m_patrolArea));
    if (area == nullptr)
        return false;
    NOD_Body* current = GetCurrentTarget();
    if (current == nullptr)
        return true;
    const BHV_Owner* owner = GetOwner();
    COD_Sensor* sensor = owner->sensors[BHV_SENSOR_TARGETS];
    if (owner->torpedoes != nullptr) {
        NOD_Node* node = nullptr;
        while (owner->torpedoes->GetNext(node) != 0) {
            NOD_Body* torpedo = NOD_Body::DynamicCast(node);
            if (torpedo != nullptr && torpedo != current &&
                BHV_CheckTarget(owner->attackers, owner->torpedoes, sensor, torpedo) == BHV_TARGET_ATTACKABLE)
                return true;
        }
    }
    if (NOD_Torpedo::DynamicCast(current) != nullptr)
        return BHV_CheckTarget(owner->attackers, owner->torpedoes, sensor, current) != BHV_TARGET_ATTACKABLE;
    NOD_Body* primary = GetPrimaryTarget();
    if (primary != nullptr && primary != current &&
        BHV_CheckTargetInArea(area, owner->attackers, sensor, primary) == BHV_TARGET_ATTACKABLE)
        return true;
    NOD_Body* shooter = NOD_Body::DynamicCast(owner->body->GetHitShooter());
    if (shooter == current) {
        m_switchTimer = 0.0f;
        return false;
    }
    if (shooter != nullptr && m_switchTimer > m_waitingTime &&
        BHV_CheckTargetInArea(area, owner->attackers, sensor, shooter) == BHV_TARGET_ATTACKABLE) {
        m_switchTimer = 0.0f;
        return true;
    }
    if (BHV_CheckTargetInArea(area, owner->attackers, sensor, current) == BHV_TARGET_NONE)
        return true;
    if (m_currentState != &m_castrated)
        return false;
    NOD_Body* found = nullptr;
    return BHV_ChooseTargetInArea(
               area, sensor, PositionOf(owner->body), owner->attackers, sensor != nullptr ? sensor->m_present : nullptr,
               sensor != nullptr ? sensor->m_presentCount : 0, m_interestNames, &found) == BHV_TARGET_ATTACKABLE;
}

s32 BHV_Vehicle_A_Attack::SelectTarget(NOD_Body** _target)
{
    const BHV_Owner* owner = GetOwner();
    COD_Sensor* sensor = owner->sensors[BHV_SENSOR_TARGETS];
    const RTI_Pointer* present = sensor != nullptr ? sensor->m_present : nullptr;
    const s32 presentCount = sensor != nullptr ? sensor->m_presentCount : 0;
    const MAT_Vector3 position = PositionOf(owner->body);
    NOD_PatrolArea* area = NOD_PatrolArea::DynamicCast(NodeOf(m_patrolArea));

    NOD_Body* best = nullptr;
    if (BHV_ChooseTarget(sensor, position, owner->attackers, owner->torpedoes, present, presentCount, m_interestNames,
                         &best) == BHV_TARGET_ATTACKABLE &&
        NOD_Torpedo::DynamicCast(best) != nullptr) {
        *_target = best;
        return BHV_TARGET_ATTACKABLE;
    }
    NOD_Body* primary = GetPrimaryTarget();
    if (primary != nullptr && primary != GetCurrentTarget() &&
        BHV_CheckTargetInArea(area, owner->attackers, sensor, primary) == BHV_TARGET_ATTACKABLE) {
        *_target = primary;
        return BHV_TARGET_ATTACKABLE;
    }
    NOD_Body* shooter = NOD_Body::DynamicCast(owner->body->GetHitShooter());
    if (shooter != nullptr && BHV_CheckTargetInArea(area, owner->attackers, sensor, shooter) == BHV_TARGET_ATTACKABLE) {
        *_target = shooter;
        return BHV_TARGET_ATTACKABLE;
    }
    const s32 code = BHV_ChooseTargetInArea(area, sensor, position, owner->attackers, present, presentCount,
                                            m_interestNames, _target);
    if (code == BHV_TARGET_ATTACKABLE)
        m_switchTimer = m_waitingTime + 1.0f;
    return code;
}

void BHV_Vehicle_A_Attack::Release()
{
    if (COD_Sensor* sensor = GetOwner()->sensors[BHV_SENSOR_TARGETS])
        ChangeSensor(sensor, 0, COD_SENSOR_ACTIVE | SENSES);
    BHV_TurretAiming* aiming = BHV_TurretAiming::DynamicCast(GetTurret());
    if (NOD_NPC_Gun* gun = aiming != nullptr ? aiming->GetGun() : nullptr) {
        gun->StopFire();
        gun->SetShooter(GetSavedShooter());
    }
}

s32 BHV_Vehicle_A_Attack::Handle()
{
    const BHV_Owner* owner = GetOwner();
    COD_Sensor* sensor = owner->sensors[BHV_SENSOR_TARGETS];
    // Nothing until the collision system has evaluated the sensor as it is set now.
    if (sensor == nullptr || (sensor->m_flags & COD_SENSOR_VISIBILITY_TESTED) == 0)
        return 1;
    if (NOD_Body* target = GetCurrentTarget(); target != nullptr && m_currentState != &m_castrated)
        AimAndFire(target);
    m_switchTimer += SIM_STEP;

    if (IsDecisionDue()) {
        if (m_currentState != nullptr)
            m_currentState->Leave();
        NOD_Body* chosen = nullptr;
        const s32 code = SelectTarget(&chosen);
        NOD_Body* current = GetCurrentTarget();
        if (current != nullptr && current->GetAttackerSlots() != nullptr)
            current->GetAttackerSlots()->Remove(owner->body);
        if (code == BHV_TARGET_NONE) {
            m_currentTarget.Set(nullptr);
            Release();
            Notify(owner->body, NOD_Vehicle_AttackOver::Create(), 1);
            return 0;
        }
        if (code == BHV_TARGET_FULL) {
            if (m_currentState != &m_castrated) {
                m_currentTarget.Set(chosen);
                m_currentState = &m_castrated;
                m_castrated.Enter(this);
                BHV_TurretAiming* aiming = BHV_TurretAiming::DynamicCast(GetTurret());
                if (NOD_NPC_Gun* gun = aiming != nullptr ? aiming->GetGun() : nullptr)
                    gun->StopFire();
            } else if (current == nullptr) {
                // The circled target died: circle the full one found instead.
                m_currentTarget.Set(chosen);
            }
        } else {
            m_currentTarget.Set(chosen);
            if (BHV_AttackerSlots* slots = chosen->GetAttackerSlots())
                slots->Add(owner->body);
            m_currentState = &m_align;
            m_align.Enter(this);
        }
    }

    // No area, so no target ever: the vehicle stands.
    if (m_currentState == nullptr) {
        owner->vehicleMotion->Stop();
        return 1;
    }
    const s32 next = m_currentState->Handle();
    if (next != BHV_Vehicle_AttackState::STAY) {
        m_currentState->Leave();
        BHV_Vehicle_AttackState* const states[] = {&m_align, &m_stick, &m_castrated};
        m_currentState = states[next];
        m_currentState->Enter(this);
    }
    return 1;
}

void BHV_Vehicle_A_Attack::Interrupt()
{
    const BHV_Owner* owner = GetOwner();
    Release();
    NOD_Body* current = GetCurrentTarget();
    if (current != nullptr && current->GetAttackerSlots() != nullptr)
        current->GetAttackerSlots()->Remove(owner->body);
    Notify(owner->body, NOD_Vehicle_AttackOverride::Create(), 1);
}
