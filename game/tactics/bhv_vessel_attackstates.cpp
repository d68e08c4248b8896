// The six tactic states of the vessel attack, the attack position and the goal computations
// the states share.
#include <cfloat>
#include <cmath>

#include "bhv_requests.h"
#include "bhv_vessel_attack.h"
#include "brisel_simulation.h"
#include "brisel_spawn.h"
#include "cod_activeavoid.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "contactaggregate.h"
#include "cos_obbs_tree.h"
#include "mat_random.h"
#include "mot_vessel.h"
#include "mrt_terrain.h"
#include "nod_body.h"
#include "nod_launcher.h"
#include "sim_clock.h"

namespace
{
MAT_Random& Random() { return Brisel_TheSimulation->random; }
// u: uniform in [0, 1).
f32 DrawUnit() { return (f32)MAT_RandomUnit(Random().Next()); }
// v: uniform in [-1, 1).
f32 DrawSigned() { return (f32)(Random().Next() * MAT_RANDOM_SIGNED - 1.0); }

f32 Now() { return SIM_GetSimulationClock().time; }

MAT_Vector3 PositionOf(NOD_Body* _body)
{
    MAT_Vector3 position;
    _body->GetMatrixAtTime(&position, Now());
    return position;
}

// _v at length _length; a vector too short to have a direction stays as it is.
MAT_Vector3 ScaledTo(const MAT_Vector3& _v, f32 _length)
{
    if (_v.LengthSquared() <= MAT_EPSILON)
        return _v;
    return _v.GetNormalized() * _length;
}

// Two escape weights: a leg length drawn around the mean (never negative), then the pair (a, b)
// shaped by the ratio (above 0 the first shrinks, else the second) and made unit length.
f32 DrawLeg(f32 _mean, f32 _deviation, f32 _ratio, f32& _a, f32& _b)
{
    f32 length = Random().Gaussian(_mean, _deviation);
    if (length < 0.0f)
        length = 0.0f;
    _a = DrawSigned();
    _b = DrawSigned();
    if (_ratio > 0.0f)
        _a = (1.0f - _ratio) * _a;
    else
        _b = (1.0f + _ratio) * _b;
    const f32 lengthSquared = _a * _a + _b * _b;
    if (lengthSquared > MAT_EPSILON) {
        const f32 scale = 1.0f / std::sqrt(lengthSquared);
        _a *= scale;
        _b *= scale;
    }
    return length;
}
// The goal the avoider steers the vessel around obstacles to (nothing without an avoider).
void SetAvoidanceGoal(const BHV_Owner* _owner, const MAT_Vector3& _goal)
{
    if (_owner->avoider != nullptr)
        _owner->avoider->m_goal = _goal;
}

// The body the avoider does not avoid (null: none).
void SetAvoidanceIgnore(const BHV_Owner* _owner, NOD_Body* _body)
{
    if (_owner->avoider != nullptr)
        _owner->avoider->m_ignore.Set(_body);
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Shared by the states

NOD_Body* BHV_Vessel_A_Attack::GetStateTarget()
{
    return NOD_Body::DynamicCast(static_cast<NOD_Node*>(m_currentTarget.Get()));
}

f32 BHV_Vessel_A_Attack::GetStateSurfaceDistance()
{
    NOD_Body* target = GetStateTarget();
    return target != nullptr ? BHV_SurfaceDistance(target, GetOwner()->body) : 0.0f;
}

s32 BHV_Vessel_A_Attack::PassesBreakAwayTest()
{
    if (m_coneTimeout != 0)
        return 0;
    if (DrawUnit() > m_defensivity)
        return 0;
    return IsSeenByTarget();
}

f32 BHV_Vessel_A_Attack::GetGunRange()
{
    if (m_gun == nullptr || Brisel_TheSpawn == nullptr)
        return 0.0f;
    return Brisel_TheSpawn->GetBulletRange(m_gun->GetBulletType());
}

MAT_Vector3 BHV_Vessel_A_Attack::GetBulletAimPoint()
{
    NOD_Body* target = GetStateTarget();
    if (target == nullptr)
        return PositionOf(GetOwner()->body);
    MAT_Vector3 aim = PositionOf(target);
    if (m_gun != nullptr && Brisel_TheSpawn != nullptr) {
        MAT_Vector3 velocity;
        target->GetVelocity(&velocity);
        BHV_BallisticIntercept(PositionOf(GetOwner()->body),
                               Brisel_TheSpawn->NOD_GetBulletVelocity(m_gun->GetBulletType()), aim, velocity, &aim);
    }
    return aim;
}

// ---------------------------------------------------------------------------------------------
// Goal computations

MAT_Vector3 BHV_Vessel_A_Attack::ComputeEscapeGoal()
{
    const BHV_Owner* owner = GetOwner();
    f32 a = 0.0f;
    f32 b = 0.0f;
    const f32 length = DrawLeg(m_escapeMean, m_escapeDeviation, m_escRatio, a, b);

    const MAT_Vector3 p = PositionOf(owner->body);
    MAT_Vector3 direction;
    NOD_Body* target = GetStateTarget();
    if (target != nullptr) {
        const MAT_Matrix34& frame = *target->GetWorldTransform(Now());
        const MAT_Vector3 aside = (frame.r.GetX() * a + frame.r.GetZ() * b).GetNormalized();
        if (GetStateSurfaceDistance() <= m_allStopDist)
            direction = aside;
        else
            direction = aside * 0.5f + (frame.t - p).GetNormalized() * 0.5f;
    }
    MAT_Vector3 goal = p + ScaledTo(direction, length);
    KeepAboveTerrain(goal);
    const f32 radius = 2.0f * (owner->physical != nullptr ? owner->physical->GetRootRadius() : 0.0f);
    m_arrivalRadius = radius > 15.0f ? radius : 15.0f;
    return goal;
}

MAT_Vector3 BHV_Vessel_A_Attack::ComputeCastratedGoal()
{
    const BHV_Owner* owner = GetOwner();
    NOD_Body* target = GetStateTarget();
    const MAT_Vector3 p = PositionOf(owner->body);
    const MAT_Vector3 t = target != nullptr ? PositionOf(target) : p;
    const MAT_Vector3 d = t - p;
    f32 a = 0.0f;
    f32 b = 0.0f;
    const f32 length = DrawLeg(m_escapeMean, m_escapeDeviation, m_escRatio, a, b);

    // Square to the line of sight and up: the farther the target, the more sideways.
    const MAT_Vector3 w = ScaledTo(MAT_Vector3(-d.y * a, d.x * a, b), length);
    MAT_Vector3 r = (p + w) - t;
    const f32 l = r.Length();
    const f32 minRad = m_castrated.m_castratedMinRad;
    const f32 maxRad = m_castrated.m_castratedMaxRad;
    if (l < minRad)
        r = ScaledTo(r, minRad);
    if (l > maxRad)
        r = ScaledTo(r, maxRad);
    MAT_Vector3 goal = t + r;
    KeepAboveTerrain(goal);
    const f32 radius = 2.0f * (owner->physical != nullptr ? owner->physical->GetRootRadius() : 0.0f);
    m_arrivalRadius = radius > 15.0f ? radius : 15.0f;
    return goal;
}

void BHV_Vessel_A_Attack::KeepAboveTerrain(MAT_Vector3& _point)
{
    // Before a terrain loads, and off its grid, there is no ground to keep clear of.
    if (Brisel_TheSimulation == nullptr || Brisel_TheSimulation->terrainCell == nullptr ||
        Brisel_TheSimulation->terrainCell->terrain == nullptr)
        return;
    const f32 ground = Brisel_TheSimulation->terrainCell->terrain->GetHeightAt(_point.x, _point.y);
    if (!(ground < FLT_MAX))
        return;
    const COD_Physical_Vessel* physical = GetOwner()->physical;
    const f32 lowest = ground + 4.0f * (physical != nullptr ? physical->GetRootRadius() : 0.0f);
    if (lowest > _point.z)
        _point.z = lowest;
}

s32 BHV_Vessel_A_Attack::ChooseSitOrWave()
{
    if (GetStateSurfaceDistance() < m_allStopDist)
        return BHV_Vessel_AttackState::WAVE;
    return DrawUnit() < m_waveProb ? BHV_Vessel_AttackState::WAVE : BHV_Vessel_AttackState::SIT;
}

s32 BHV_Vessel_A_Attack::IsSeenByTarget()
{
    NOD_Body* target = GetStateTarget();
    COD_Sensor* sight = target != nullptr ? target->GetSensor() : nullptr;
    if (sight == nullptr)
        return 0;
    s32 seen = 0;
    s32 heard = 0;
    s32 present = 0;
    sight->Sense(GetOwner()->emitter, seen, heard, present);
    return seen != 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Attack position

s32 BHV_AlignPosition::SideOfDraw(f32 _u, f32 _aheadProb, f32 _leftProb, f32 _backProb)
{
    if (_u <= _aheadProb)
        return 0;
    if (_u <= _aheadProb + _leftProb)
        return 1;
    if (_u <= _aheadProb + _leftProb + _backProb)
        return 2;
    return 3;
}

void BHV_AlignPosition::Choose(NOD_Body* _target, NOD_Body* _vessel, f32 _aheadProb, f32 _leftProb, f32 _backProb,
                               f32 _minHeight, f32 _maxHeight, f32 _minDistance, f32 _maxDistance)
{
    const f32 r = 0.5f * (BHV_ExtentLength(_target) + BHV_ExtentLength(_vessel));
    minDistance = r + _minDistance;
    maxDistance = r + _maxDistance;
    minHeight = _minHeight;
    maxHeight = _maxHeight;
    target = _target;
    side = SideOfDraw(DrawUnit(), _aheadProb, _leftProb, _backProb);
    const f32 d = (minDistance + maxDistance) / 2.0f;
    const f32 angle = (f32)side * 1.5707964f;
    offsetX = -std::sin(angle) * d;
    offsetY = std::cos(angle) * d;
    const f32 u = DrawUnit();
    height = u * _minHeight + (1.0f - u) * _maxHeight;
}

MAT_Vector3 BHV_AlignPosition::GetGoal()
{
    if (target == nullptr)
        return MAT_Vector3();
    const MAT_Matrix34& frame = *target->GetWorldTransform(Now());
    return frame.t + frame.r.GetX() * offsetX + frame.r.GetY() * offsetY + frame.r.GetZ() * height;
}

s32 BHV_AlignPosition::IsReached(NOD_Body* _vessel)
{
    if (target == nullptr)
        return 0;
    const MAT_Matrix34& frame = *target->GetWorldTransform(Now());
    const MAT_Vector3 d = PositionOf(_vessel) - frame.t;
    const f32 x = d.Dot(frame.r.GetX());
    const f32 y = d.Dot(frame.r.GetY());
    const f32 z = d.Dot(frame.r.GetZ());
    const f32 h = std::sqrt(x * x + y * y);
    if (h < minDistance || h > maxDistance)
        return 0;
    s32 sector;
    if (std::fabs(x) <= y)
        sector = 0;
    else if (std::fabs(x) <= -y)
        sector = 2;
    else
        sector = x >= 0.0f ? 3 : 1;
    return sector == side && minHeight <= z && z <= maxHeight ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Align

void BHV_Vessel_AttackState0::Enter(BHV_Vessel_A_Attack* _attack)
{
    m_attack = _attack;
    if (_attack->m_keepAlign == 0) {
        m_position.Choose(_attack->GetStateTarget(), _attack->GetOwner()->body, m_alignAheadProb, m_alignLeftProb,
                          m_alignBackProb, m_alignMinHeight, m_alignMaxHeight, m_alignMinDistance, m_alignMaxDistance);
        m_enterTime = Now();
    }
    _attack->m_keepAlign = 0;
}

void BHV_Vessel_AttackState0::Leave() {}

s32 BHV_Vessel_AttackState0::Handle()
{
    BHV_Vessel_A_Attack& attack = *m_attack;
    const BHV_Owner* owner = attack.GetOwner();
    NOD_Body* target = attack.GetStateTarget();
    if (target == nullptr)
        return STAY;
    if (attack.PassesBreakAwayTest() != 0)
        return ESCAPE;
    if (m_position.IsReached(owner->body) != 0)
        return attack.ChooseSitOrWave();

    const f32 d = attack.GetStateSurfaceDistance();
    const bool withinRange = attack.m_gun == nullptr || d < 0.8f * attack.GetGunRange();
    MAT_Vector3 velocity;
    target->GetVelocity(&velocity);
    if (velocity.LengthSquared() < 0.1f && withinRange)
        return attack.ChooseSitOrWave();
    const SIM_Clock& clock = SIM_GetSimulationClock();
    if (m_enterTime + m_alignMaxTime < clock.time)
        return withinRange ? attack.ChooseSitOrWave() : (s32)ALIGN;

    MOT_Vessel& motion = *owner->vesselMotion;
    const MAT_Vector3 goal = m_position.GetGoal();
    MAT_Vector3 aim = goal;
    BHV_BallisticIntercept(PositionOf(owner->body), motion.MovePV, goal, velocity, &aim);
    attack.KeepAboveTerrain(aim);
    SetAvoidanceGoal(owner, aim);
    motion.MoveTo(clock, BHV_SteeringPoint(owner->avoider, aim), attack.m_normalVelocity, attack.m_normalVelocity);
    return STAY;
}

// ---------------------------------------------------------------------------------------------
// Escape (and escape with a new position afterwards)

void BHV_Vessel_AttackState1::Enter(BHV_Vessel_A_Attack* _attack)
{
    m_attack = _attack;
    SetAvoidanceIgnore(_attack->GetOwner(), _attack->GetStateTarget());
    StartLeg();
    _attack->m_keepAlign = 1;
}

void BHV_Vessel_AttackState1::Leave()
{
    if (m_attack != nullptr)
        SetAvoidanceIgnore(m_attack->GetOwner(), nullptr);
}

void BHV_Vessel_AttackState1::StartLeg()
{
    m_armed = 0;
    m_goal = m_attack->ComputeEscapeGoal();
    m_timer = 0.0f;
    SetAvoidanceGoal(m_attack->GetOwner(), m_goal);
}

s32 BHV_Vessel_AttackState1::Handle()
{
    BHV_Vessel_A_Attack& attack = *m_attack;
    const BHV_Owner* owner = attack.GetOwner();
    if (attack.GetStateTarget() == nullptr)
        return STAY;
    m_timer += SIM_STEP;
    const s32 seen = attack.IsSeenByTarget();
    const MAT_Vector3 drive = BHV_SteeringPoint(owner->avoider, m_goal);
    if (seen == 0)
        m_armed = 1;
    else if (m_armed != 0)
        StartLeg();  // found again: a new leg from here, driven from the next step

    if (m_timer <= attack.m_escStrikeTimeOut) {
        MOT_Vessel& motion = *owner->vesselMotion;
        const SIM_Clock& clock = SIM_GetSimulationClock();
        if (attack.GetStateSurfaceDistance() < attack.m_escBackwardDistance)
            motion.AttackRun(clock, drive, 0.7f, 1.0f);
        else
            motion.MoveTo(clock, drive, 0.7f, 1.0f);
        if (BHV_HorizontalDistance(motion, m_goal) > BHV_HorizontalSpeed(motion) * SIM_STEP + attack.m_arrivalRadius)
            return STAY;
    }
    if (attack.PassesBreakAwayTest() != 0) {
        StartLeg();
        return STAY;
    }
    return ALIGN;
}

void BHV_Vessel_AttackState4::Enter(BHV_Vessel_A_Attack* _attack)
{
    BHV_Vessel_AttackState1::Enter(_attack);
    _attack->m_keepAlign = 0;
}

// ---------------------------------------------------------------------------------------------
// Sit

void BHV_Vessel_AttackState2::Enter(BHV_Vessel_A_Attack* _attack)
{
    m_attack = _attack;
    _attack->m_keepAlign = 0;
    _attack->GetOwner()->vesselMotion->Halt();
    m_timer = 0.0f;
    m_duration = Random().Gaussian(m_sitMeanTime, m_sitDevTime);
}

void BHV_Vessel_AttackState2::Leave() {}

s32 BHV_Vessel_AttackState2::Handle()
{
    BHV_Vessel_A_Attack& attack = *m_attack;
    if (attack.GetStateTarget() == nullptr)
        return STAY;
    m_timer += SIM_STEP;
    if (attack.PassesBreakAwayTest() != 0)
        return ESCAPE_NEW_POSITION;
    if (m_timer > m_duration) {
        attack.m_coneTimeout = 0;
        return ALIGN;
    }
    if (attack.GetStateSurfaceDistance() < attack.m_allStopDist)
        return WAVE;
    attack.GetOwner()->vesselMotion->FacePoint(attack.GetBulletAimPoint());
    return STAY;
}

// ---------------------------------------------------------------------------------------------
// Wave

void BHV_Vessel_AttackState3::Enter(BHV_Vessel_A_Attack* _attack)
{
    m_attack = _attack;
    SetAvoidanceIgnore(_attack->GetOwner(), _attack->GetStateTarget());
    _attack->m_keepAlign = 0;
    m_timer = 0.0f;
    m_mode = 0;
}

void BHV_Vessel_AttackState3::Leave()
{
    if (m_attack != nullptr)
        SetAvoidanceIgnore(m_attack->GetOwner(), nullptr);
}

s32 BHV_Vessel_AttackState3::Handle()
{
    BHV_Vessel_A_Attack& attack = *m_attack;
    const BHV_Owner* owner = attack.GetOwner();
    if (attack.GetStateTarget() == nullptr)
        return STAY;
    m_timer += SIM_STEP;
    attack.m_keepAlign = 0;
    if (m_timer > m_waveTime) {
        attack.m_coneTimeout = 0;
        return ALIGN;
    }
    if (attack.PassesBreakAwayTest() != 0)
        return ESCAPE_NEW_POSITION;
    const f32 d = attack.GetStateSurfaceDistance();
    if (d < attack.m_allStopDist)
        m_mode = 0;
    if (d > m_waveStartDist)
        m_mode = 1;

    MAT_Vector3 aim = attack.GetBulletAimPoint();
    if (m_mode == 0) {
        // Mirrored about the vessel: the point lies behind it, away from the target.
        const MAT_Vector3 p = PositionOf(owner->body);
        aim = p * 2.0f - aim;
    }
    attack.KeepAboveTerrain(aim);
    SetAvoidanceGoal(owner, aim);
    MOT_Vessel& motion = *owner->vesselMotion;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    const MAT_Vector3 drive = BHV_SteeringPoint(owner->avoider, aim);
    const f32 speed = attack.m_normalVelocity;
    if (m_mode == 1)
        motion.MoveTo(clock, drive, 0.7f * speed, speed);
    else
        motion.AttackTurn(clock, drive, 0.7f * speed, speed);
    return STAY;
}

// ---------------------------------------------------------------------------------------------
// Castrated

void BHV_Vessel_AttackState5::Enter(BHV_Vessel_A_Attack* _attack)
{
    m_attack = _attack;
    NewGoal();
    _attack->m_keepAlign = 0;
    if (_attack->m_gun != nullptr)
        _attack->m_gun->StopFire();
}

void BHV_Vessel_AttackState5::Leave() {}

void BHV_Vessel_AttackState5::NewGoal()
{
    m_goal = m_attack->ComputeCastratedGoal();
    m_timer = 0.0f;
    SetAvoidanceGoal(m_attack->GetOwner(), m_goal);
}

s32 BHV_Vessel_AttackState5::Handle()
{
    BHV_Vessel_A_Attack& attack = *m_attack;
    const BHV_Owner* owner = attack.GetOwner();
    if (attack.GetStateTarget() == nullptr)
        return STAY;
    m_timer += SIM_STEP;
    MOT_Vessel& motion = *owner->vesselMotion;
    const f32 speed = attack.m_normalVelocity;
    motion.MoveTo(SIM_GetSimulationClock(), BHV_SteeringPoint(owner->avoider, m_goal), 0.9f * speed, speed);
    if (m_timer > attack.m_escStrikeTimeOut ||
        BHV_HorizontalDistance(motion, m_goal) <= BHV_HorizontalSpeed(motion) * SIM_STEP + attack.m_arrivalRadius)
        NewGoal();
    return STAY;
}
