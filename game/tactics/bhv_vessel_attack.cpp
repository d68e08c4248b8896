#include "bhv_vessel_attack.h"

#include <cmath>

#include "bhv_attackerslots.h"
#include "bhv_requests.h"
#include "brisel_simulation.h"
#include "brisel_spawn.h"
#include "cod_activeavoid.h"
#include "cod_sensor.h"
#include "des_file.h"
#include "mat_random.h"
#include "mot_vessel.h"
#include "nod_body.h"
#include "nod_launcher.h"
#include "nod_message.h"
#include "nod_patrolarea.h"
#include "os_fatal.h"
#include "sim_clock.h"

namespace
{
// The switches of the attack sensor that the start sets and the end clears.
constexpr u32 SENSES = COD_SENSOR_ACTIVE | COD_SENSOR_SEEING | COD_SENSOR_HEARING | COD_SENSOR_PRESENCE;

// World-axis speed control (bits 6-8 of the translation masks).
constexpr u32 WORLD_AXES = 0x1C0;

// A target seen this long out of the sight cone starts the count afresh.
constexpr f32 UNSEEN_RESET_TIME = 2.5f;
// The gun starts firing inside this share of its range and stops beyond the other.
constexpr f32 FIRE_START_SHARE = 0.8f;
constexpr f32 FIRE_STOP_SHARE = 0.9f;

// Every change of what a sensor senses leaves its last evaluation stale.
void ChangeSensor(COD_Sensor* _sensor, u32 _set, u32 _clear)
{
    if (_sensor != nullptr)
        _sensor->m_flags = ((_sensor->m_flags & ~_clear) | _set) & ~COD_SENSOR_VISIBILITY_TESTED;
}

NOD_Body* BodyOf(const RTI_Pointer& _pointer) { return NOD_Body::DynamicCast(static_cast<NOD_Node*>(_pointer.Get())); }

MAT_Random& Random() { return Brisel_TheSimulation->random; }
}  // namespace

void BHV_Vessel_A_Attack::SetGun(NOD_NPC_Gun* _gun) { m_gun = _gun; }

void BHV_Vessel_A_Attack::SetTorpedoLauncher(NOD_TorpedoLauncher* _launcher) { m_torpedoLauncher = _launcher; }

void BHV_Vessel_A_Attack::ParseIniFile(DES_Section& _section)
{
    f32 coneOfFire = 0.0f;
    f32 escMeanDist = 0.0f;
    f32 escDevDist = 0.0f;
    f32 escFactor = 0.0f;
    f32 defensivity = 0.0f;
    _section.GetFloat("NormalVelocity", &m_normalVelocity);
    _section.GetFloat("WaitingTime", &m_waitingTime);
    _section.GetFloat("ConeOfFire", &coneOfFire);
    _section.GetFloat("AlignAheadProb", &m_align.m_alignAheadProb);
    _section.GetFloat("AlignLeftProb", &m_align.m_alignLeftProb);
    _section.GetFloat("AlignBackProb", &m_align.m_alignBackProb);
    _section.GetFloat("AlignRightProb", &m_align.m_alignRightProb);
    _section.GetFloat("AlignMinHeight", &m_align.m_alignMinHeight);
    _section.GetFloat("AlignMaxHeight", &m_align.m_alignMaxHeight);
    _section.GetFloat("AlignMinDistance", &m_align.m_alignMinDistance);
    _section.GetFloat("AlignMaxDistance", &m_align.m_alignMaxDistance);
    _section.GetFloat("AlignMaxTime", &m_align.m_alignMaxTime);
    _section.GetFloat("EscMeanDist", &escMeanDist);
    _section.GetFloat("EscDevDist", &escDevDist);
    _section.GetFloat("EscFactor", &escFactor);
    _section.GetFloat("EscRatio", &m_escRatio);
    _section.GetFloat("EscStrikeTimeOut", &m_escStrikeTimeOut);
    _section.GetFloat("EscMaxTimeInCone", &m_escMaxTimeInCone);
    _section.GetFloat("EscBackwardDistance", &m_escBackwardDistance);
    _section.GetFloat("SitMeanTime", &m_sit.m_sitMeanTime);
    _section.GetFloat("SitDevTime", &m_sit.m_sitDevTime);
    _section.GetFloat("WaveProb", &m_waveProb);
    _section.GetFloat("WaveTime", &m_wave.m_waveTime);
    _section.GetFloat("WaveStartDist", &m_wave.m_waveStartDist);
    _section.GetFloat("AllStopDist", &m_allStopDist);
    _section.GetFloat("CastratedMinRad", &m_castrated.m_castratedMinRad);
    _section.GetFloat("CastratedMaxRad", &m_castrated.m_castratedMaxRad);
    _section.GetFloat("TorpedoMeanTime", &m_torpedoMeanTime);
    _section.GetFloat("TorpedoDeviation", &m_torpedoDeviation);
    _section.GetFloat("Defensivity", &defensivity);

    m_coneCosine = std::cos(coneOfFire * 0.017453292f);
    m_escapeMean = escFactor * escMeanDist;
    m_escapeDeviation = escFactor * escDevDist;
    // The key is a chance per 1.5 s; stored as the chance per step.
    m_defensivity = 1.0f - std::pow(1.0f - defensivity, 1.5f * SIM_STEP);
}

s32 BHV_Vessel_A_Attack::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Vessel_AttackPatrol::ID ? 1 : 0;
}

s32 BHV_Vessel_A_Attack::IsStopMessage(const NOD_Message* /*_message*/) { return 0; }

NOD_Message* BHV_Vessel_A_Attack::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    switch (_message->GetType()) {
    case NOD_Vessel_AttackPatrol::ID: {
        *_handled = 1;
        const auto [range, a, b, c, d, path] = NOD_Vessel_AttackPatrol::Read(_message);
        delete _message;
        const SIM_Name names[BHV_INTEREST_NAMES] = {a, b, c, d};
        Start(range, names, path);
        return nullptr;
    }
    case NOD_Vessel_SetPrimaryTarget::ID: {
        *_handled = 1;
        const auto [node] = NOD_Vessel_SetPrimaryTarget::Read(_message);
        delete _message;
        m_primaryTarget.Set(NOD_Body::DynamicCast(node));
        return nullptr;
    }
    default:
        return nullptr;
    }
}

void BHV_Vessel_A_Attack::Start(f32 _range, const SIM_Name* _names, const SIM_Path& _path)
{
    const BHV_Owner* owner = GetOwner();
    m_presenceRange = _range;
    NOD_PatrolArea* area = NOD_PatrolArea::DynamicCast(owner->body->Find(_path));
    if (area == nullptr) {
        char text[SIM_Path::STRING_BYTES];
        _path.GetString(text, sizeof text);
        OS_Log(OS_Format("PatrolArea %s is invalid", text));
    }
    m_patrolArea.Set(area);

    COD_Sensor* sensor = owner->sensors[BHV_SENSOR_TARGETS];
    const s32 count = BHV_PackInterestNames(_names, m_interestNames);
    if (sensor != nullptr) {
        sensor->m_presenceRange = _range;
        ChangeSensor(sensor, COD_SENSOR_ACTIVE | COD_SENSOR_NAME_FILTER | COD_SENSOR_PRESENCE,
                     COD_SENSOR_SEEING | COD_SENSOR_HEARING);
        sensor->SetNameFilter(m_interestNames, count);
    }

    m_currentTarget.Set(nullptr);
    m_primaryTarget.Set(nullptr);
    m_currentState = nullptr;
    m_switchTimer = m_waitingTime + 1.0f;
    m_keepAlign = 0;
    m_timeSeen = 0.0f;
    m_timeUnseen = 0.0f;
    m_coneTimeout = 0;
    m_torpedoTimer = Random().Gaussian(m_torpedoMeanTime, m_torpedoDeviation);
}

s32 BHV_Vessel_A_Attack::Handle()
{
    const BHV_Owner* owner = GetOwner();
    COD_Sensor* sensor = owner->sensors[BHV_SENSOR_TARGETS];
    // Nothing is decided on the sensor's lists before its first sensing pass after the start.
    if (sensor == nullptr || (sensor->m_flags & COD_SENSOR_VISIBILITY_TESTED) == 0)
        return 1;
    const f32 dt = SIM_GetSimulationClock().dt;
    m_switchTimer += dt;

    if (IsDecisionDue()) {
        if (m_currentState != nullptr)
            m_currentState->Leave();
        NOD_Body* target = nullptr;
        const s32 answer = SelectTarget(&target);
        ReleaseTarget();
        if (answer == BHV_TARGET_NONE) {
            if (m_gun != nullptr)
                m_gun->StopFire();
            m_currentTarget.Set(nullptr);
            End();
            Notify(owner->body, NOD_Vessel_AttackOver::Create(), 1);
            return 0;
        }
        if (answer == BHV_TARGET_FULL) {
            // Castrated already: it goes on circling, around the new body only when its own
            // target is gone.
            if (m_currentState != &m_castrated) {
                m_currentTarget.Set(target);
                m_currentState = &m_castrated;
                m_currentState->Enter(this);
            } else if (GetTarget() == nullptr) {
                m_currentTarget.Set(target);
            }
        } else {
            m_keepAlign = 0;
            m_currentTarget.Set(target);
            if (BHV_AttackerSlots* slots = target->GetAttackerSlots())
                slots->Add(owner->body);
            m_currentState = &m_align;
            m_currentState->Enter(this);
        }
    }

    // Without a patrol area no target is ever taken: the vessel holds still meanwhile.
    NOD_Body* target = GetTarget();
    if (m_currentState == nullptr || target == nullptr) {
        Halt();
        return 1;
    }

    if (m_coneTimeout == 0)
        RunConeTimer(dt);
    if (m_currentState != &m_castrated)
        AimAndFire(target, dt);

    const s32 next = m_currentState->Handle();
    if (next != BHV_Vessel_AttackState::STAY)
        SwitchTo(next);
    return 1;
}

void BHV_Vessel_A_Attack::Interrupt()
{
    End();
    if (m_gun != nullptr)
        m_gun->StopFire();
    ReleaseTarget();
    Notify(GetOwner()->body, NOD_Vessel_AttackOverride::Create(), 1);
}

NOD_Body* BHV_Vessel_A_Attack::GetTarget() const { return BodyOf(m_currentTarget); }

NOD_Body* BHV_Vessel_A_Attack::GetPrimaryTarget() const { return BodyOf(m_primaryTarget); }

NOD_PatrolArea* BHV_Vessel_A_Attack::GetPatrolArea() const
{
    return NOD_PatrolArea::DynamicCast(static_cast<NOD_Node*>(m_patrolArea.Get()));
}

void BHV_Vessel_A_Attack::Halt()
{
    MOT_Vessel& motion = *GetOwner()->vesselMotion;
    BHV_ClearRequests(motion);
    motion.Translation.VelocityModeMask = WORLD_AXES;
    for (f32& target : motion.Translation.TargetVelocity)
        target = 0.0f;
}

s32 BHV_Vessel_A_Attack::CheckTarget(NOD_Body* _body)
{
    const BHV_Owner* owner = GetOwner();
    return BHV_CheckTargetInArea(GetPatrolArea(), owner->attackers, owner->sensors[BHV_SENSOR_TARGETS], _body);
}

s32 BHV_Vessel_A_Attack::ChooseTarget(NOD_Body** _target)
{
    const BHV_Owner* owner = GetOwner();
    COD_Sensor* sensor = owner->sensors[BHV_SENSOR_TARGETS];
    const MAT_Vector3 position = owner->body->GetWorldTransform(SIM_GetSimulationClock().time)->t;
    return BHV_ChooseTargetInArea(GetPatrolArea(), sensor, position, owner->attackers, sensor->m_present,
                                  sensor->m_presentCount, m_interestNames, _target);
}

bool BHV_Vessel_A_Attack::IsDecisionDue()
{
    if (GetPatrolArea() == nullptr)
        return false;
    NOD_Body* current = GetTarget();
    if (current == nullptr)
        return true;
    NOD_Body* primary = GetPrimaryTarget();
    if (primary != nullptr && primary != current && CheckTarget(primary) == BHV_TARGET_ATTACKABLE)
        return true;
    NOD_Node* shooter = GetOwner()->body->GetHitShooter();
    if (shooter != nullptr && shooter == current) {
        m_switchTimer = 0.0f;
        return false;
    }
    NOD_Body* other = NOD_Body::DynamicCast(shooter);
    if (other != nullptr && m_switchTimer > m_waitingTime && CheckTarget(other) == BHV_TARGET_ATTACKABLE) {
        m_switchTimer = 0.0f;
        return true;
    }
    if (CheckTarget(current) == BHV_TARGET_NONE)
        return true;
    if (m_currentState != &m_castrated)
        return false;
    NOD_Body* found = nullptr;
    return ChooseTarget(&found) == BHV_TARGET_ATTACKABLE;
}

s32 BHV_Vessel_A_Attack::SelectTarget(NOD_Body** _target)
{
    NOD_Body* primary = GetPrimaryTarget();
    if (primary != nullptr && primary != GetTarget() && CheckTarget(primary) == BHV_TARGET_ATTACKABLE) {
        *_target = primary;
        return BHV_TARGET_ATTACKABLE;
    }
    NOD_Body* shooter = NOD_Body::DynamicCast(GetOwner()->body->GetHitShooter());
    if (shooter != nullptr && CheckTarget(shooter) == BHV_TARGET_ATTACKABLE) {
        *_target = shooter;
        return BHV_TARGET_ATTACKABLE;
    }
    const s32 answer = ChooseTarget(_target);
    // A shooter may take over from a body chosen from the sensor at once.
    if (answer == BHV_TARGET_ATTACKABLE)
        m_switchTimer = m_waitingTime + 1.0f;
    return answer;
}

void BHV_Vessel_A_Attack::ReleaseTarget()
{
    NOD_Body* current = GetTarget();
    if (current == nullptr)
        return;
    if (BHV_AttackerSlots* slots = current->GetAttackerSlots())
        slots->Remove(GetOwner()->body);
}

void BHV_Vessel_A_Attack::End()
{
    const BHV_Owner* owner = GetOwner();
    ChangeSensor(owner->sensors[BHV_SENSOR_TARGETS], 0, SENSES);
    if (owner->avoider != nullptr)
        owner->avoider->m_ignore.Set(nullptr);
}

void BHV_Vessel_A_Attack::RunConeTimer(f32 _dt)
{
    if (IsSeenByTarget() != 0)
        m_timeSeen += _dt;
    else
        m_timeUnseen += _dt;
    if (m_timeUnseen > UNSEEN_RESET_TIME) {
        m_timeSeen = 0.0f;
        m_timeUnseen = 0.0f;
    }
    if (m_timeSeen > m_escMaxTimeInCone) {
        m_timeSeen = 0.0f;
        m_timeUnseen = 0.0f;
        m_coneTimeout = 1;
        SwitchTo(ChooseSitOrWave());
    }
}

void BHV_Vessel_A_Attack::AimAndFire(NOD_Body* _target, f32 _dt)
{
    const BHV_Owner* owner = GetOwner();
    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Vector3 position = owner->body->GetWorldTransform(now)->t;
    MAT_Vector3 targetPosition;
    _target->GetMatrixAtTime(&targetPosition, now);
    NOD_NPC_Gun* gun = Brisel_TheSpawn != nullptr ? m_gun : nullptr;

    MAT_Vector3 aim = targetPosition;
    if (gun != nullptr) {
        MAT_Vector3 velocity;
        _target->GetVelocity(&velocity);
        BHV_BallisticIntercept(position, Brisel_TheSpawn->NOD_GetBulletVelocity(gun->GetBulletType()), targetPosition,
                               velocity, &aim);
    }
    MAT_Vector3 toAim = aim - position;
    const f32 lengthSquared = toAim.Dot(toAim);
    if (lengthSquared > COD_SENSOR_MIN_LENGTH_SQUARED)
        toAim = toAim * (1.0f / std::sqrt(lengthSquared));
    const f32 c = toAim.Dot(owner->vesselMotion->State.frame.r.GetY());
    const f32 d = BHV_SurfaceDistance(_target, owner->body);

    if (gun != nullptr) {
        const f32 range = Brisel_TheSpawn->GetBulletRange(gun->GetBulletType());
        if (c < m_coneCosine || d > FIRE_STOP_SHARE * range)
            gun->StopFire();
        if (c > m_coneCosine && gun->GetFiring() == nullptr && d < FIRE_START_SHARE * range)
            gun->StartFire();
    }

    // A torpedo that is due waits for the first step in which the vessel points at the target.
    m_torpedoTimer -= _dt;
    if (m_torpedoTimer <= 0.0f && m_torpedoLauncher != nullptr && c > m_coneCosine) {
        m_torpedoLauncher->Fire(_target);
        m_torpedoTimer = Random().Gaussian(m_torpedoMeanTime, m_torpedoDeviation);
    }
}

BHV_Vessel_AttackState* BHV_Vessel_A_Attack::StateOfType(s32 _type)
{
    BHV_Vessel_AttackState* const states[] = {&m_align, &m_escape, &m_sit, &m_wave, &m_escapeNewPosition, &m_castrated};
    return _type >= 0 && _type < (s32)(sizeof states / sizeof states[0]) ? states[_type] : nullptr;
}

void BHV_Vessel_A_Attack::SwitchTo(s32 _type)
{
    if (m_currentState != nullptr)
        m_currentState->Leave();
    if (BHV_Vessel_AttackState* state = StateOfType(_type))
        m_currentState = state;
    if (m_currentState != nullptr)
        m_currentState->Enter(this);
}
