#include "bhv_escort.h"

#include <cmath>

#include "bhv_attackerslots.h"
#include "bhv_requests.h"
#include "brisel_simulation.h"
#include "cod_activeavoid.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "des_file.h"
#include "mat_angle.h"
#include "mat_random.h"
#include "mot_smoother.h"
#include "mot_vessel.h"
#include "nod_body.h"
#include "nod_message.h"
#include "nod_position.h"
#include "os_fatal.h"
#include "sim_clock.h"

namespace
{
MAT_Random& Random() { return Brisel_TheSimulation->random; }

// The escorted body's smoothing time: a station farther out follows more slowly.
f32 FrameTau(const MAT_Vector3& _offset) { return (_offset.Length() + 30.0f) / 20.0f; }

// 1 when _body's sight sensor sees _emitter.
bool Sees(NOD_Body* _body, COD_Emitter* _emitter)
{
    COD_Sensor* sensor = _body->GetSensor();
    if (sensor == nullptr || _emitter == nullptr)
        return false;
    s32 seen = 0;
    s32 heard = 0;
    s32 present = 0;
    sensor->Sense(_emitter, seen, heard, present);
    return seen != 0;
}

const char* const ESCAPE_CONTEXT = "BHV_Vessel_A_EscapeTo::ProcessMessage";
}  // namespace

// ---------------------------------------------------------------------------------------------
// Escort

s32 BHV_Vessel_A_Escort::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Vessel_Escort::ID ? 1 : 0;
}

s32 BHV_Vessel_A_Escort::IsStopMessage(const NOD_Message* /*_message*/) { return 0; }

NOD_Message* BHV_Vessel_A_Escort::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    if (_message->GetType() != NOD_Vessel_Escort::ID)
        return nullptr;
    *_handled = 1;
    const auto [node, offset, reachDistance] = NOD_Vessel_Escort::Read(_message);
    delete _message;

    NOD_Body* escorted = NOD_Body::DynamicCast(node);
    m_escorted.Set(escorted);
    m_offset = offset;
    m_reachDistance = reachDistance;
    BHV_ClearRequests(*GetOwner()->vesselMotion);
    // Without a body the first step reports the loss.
    if (escorted != nullptr)
        m_frame = escorted->GetWorldTransform(SIM_GetSimulationClock().time)->r;
    return nullptr;
}

s32 BHV_Vessel_A_Escort::Handle()
{
    const BHV_Owner* owner = GetOwner();
    NOD_Body* escorted = NOD_Body::DynamicCast(static_cast<NOD_Node*>(m_escorted.Get()));
    if (escorted == nullptr) {
        Notify(owner->body, NOD_Vessel_EscortObjectLost::Create(), 1);
        return 0;
    }
    const SIM_Clock& clock = SIM_GetSimulationClock();
    const f32 t = clock.time;

    const MAT_Matrix34& escortedFrame = *escorted->GetWorldTransform(t);
    MOT_Smoother smoother;
    smoother.tau = FrameTau(m_offset);
    smoother.SmoothMatrix3(clock, m_frame, escortedFrame.r, m_frame);

    // The offset turns with the escorted body's heading; its height is absolute.
    const MAT_Vector3 b = escortedFrame.t;
    const MAT_Vector3 x = m_frame.GetX();
    const MAT_Vector3 y = m_frame.GetY();
    const MAT_Vector3 station(b.x + m_offset.x * x.x + m_offset.y * y.x, b.y + m_offset.x * x.y + m_offset.y * y.y,
                              b.z + m_offset.z);

    const MAT_Vector3 own = owner->body->GetWorldTransform(t)->t;
    const f32 d = (station - own).Length();
    if (d < m_reachDistance) {
        Notify(owner->body, NOD_Vessel_EscortPosReached::Create(), 1);
        m_reachDistance = -1.0f;
    }

    MAT_Vector3 velocity;
    escorted->GetVelocity(&velocity);
    const bool moving = velocity.Length() > 0.1f;
    MAT_Vector3 target = station + velocity;
    f32 speed = 1.0f;
    if (moving) {
        if (d <= 20.0f)
            target = station;
        if (d <= 50.0f)
            speed = 0.02f * d;
    } else if (d <= 25.0f) {
        // On station beside a body at rest: turn to its heading and hold still.
        target = MAT_Vector3(own.x + y.x, own.y + y.y, own.z);
        speed = 0.0f;
    } else if (d <= 50.0f) {
        target = station;
        speed = (d - 25.0f) * 0.04f;
    }

    if (owner->avoider != nullptr)
        owner->avoider->m_goal = target;
    owner->vesselMotion->MoveTo(clock, BHV_SteeringPoint(owner->avoider, target), 0.8f * speed, speed);
    return 1;
}

void BHV_Vessel_A_Escort::Interrupt() { Notify(GetOwner()->body, NOD_Vessel_EscortOverride::Create(), 1); }

// ---------------------------------------------------------------------------------------------
// Escape

void BHV_Vessel_A_EscapeTo::ReadDataFrom(DES_Section* _section)
{
    if (_section == nullptr)
        return;
    _section->GetFloat("EscVelocity", &m_descVelocity);
    _section->GetFloat("EscMeanDist", &m_descMeanDist);
    _section->GetFloat("EscDevDist", &m_descDevDist);
    _section->GetFloat("EscFactor", &m_descFactor);
    _section->GetFloat("EscRatio", &m_descRatio);
    _section->GetFloat("EscStrikeTimeOut", &m_descStrikeTimeOut);
    _section->GetFloat("EscImpact", &m_descImpact);
    m_described = 1;
}

s32 BHV_Vessel_A_EscapeTo::IsStartMessage(const NOD_Message* _message)
{
    const u32 id = _message->GetType();
    return id == NOD_Vessel_EscapeToPosition::ID || id == NOD_Vessel_EscapeToPosSim::ID ? 1 : 0;
}

s32 BHV_Vessel_A_EscapeTo::IsStopMessage(const NOD_Message* /*_message*/) { return 0; }

NOD_Message* BHV_Vessel_A_EscapeTo::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    if (IsStartMessage(_message) == 0)
        return nullptr;
    *_handled = 1;
    m_running = 0;
    NOD_Body* body = GetOwner()->body;
    SIM_Path position;
    SIM_Path enemies[3];
    if (_message->GetType() == NOD_Vessel_EscapeToPosition::ID) {
        NOD_Vessel_EscapeToPosition::Read(_message, &position, &m_legMean, &m_legDeviation, &m_impact, &m_strikeTimeOut,
                                          &enemies[0], &enemies[1], &enemies[2], &m_velocity, &m_ratio, &m_factor);
    } else {
        NOD_Vessel_EscapeToPosSim::Read(_message, &position, &enemies[0], &enemies[1], &enemies[2]);
        m_legMean = m_descMeanDist;
        m_legDeviation = m_descDevDist;
        m_impact = m_descImpact;
        m_strikeTimeOut = m_descStrikeTimeOut;
        m_velocity = m_descVelocity;
        m_ratio = m_descRatio;
        m_factor = m_descFactor;
        if (m_described == 0)
            OS_Log(OS_Format("Vessel %s has no EscapeBehaviour section: its escape legs have length 0",
                             body->GetName().GetName()));
    }
    delete _message;

    char text[SIM_Path::STRING_BYTES];
    position.GetString(text, sizeof text);
    NOD_Node* node = body->Find(position);
    if (node == nullptr) {
        OS_Log(OS_Format("Node %s is not a node in %s", text, ESCAPE_CONTEXT));
        return nullptr;
    }
    const NOD_Position* destination = NOD_Position::DynamicCast(node);
    if (destination == nullptr) {
        OS_Log(OS_Format("Node %s is not a position node in %s", text, ESCAPE_CONTEXT));
        return nullptr;
    }
    for (s32 k = 0; k < 3; ++k) {
        if (enemies[k].GetDepth() == 0 && enemies[k].IsAbsolute() == 0) {
            m_enemies[k].Set(nullptr);
            continue;
        }
        enemies[k].GetString(text, sizeof text);
        NOD_Node* enemyNode = body->Find(enemies[k]);
        if (enemyNode == nullptr) {
            OS_Log(OS_Format("Node %s is not a node in %s", text, ESCAPE_CONTEXT));
            return nullptr;
        }
        NOD_Body* enemy = NOD_Body::DynamicCast(enemyNode);
        if (enemy == nullptr) {
            OS_Log(OS_Format("Node %s is not a body node in %s", text, ESCAPE_CONTEXT));
            return nullptr;
        }
        if (enemy->GetSensor() == nullptr) {
            OS_Log(OS_Format("Body %s ca not be esacped from in %s", text, ESCAPE_CONTEXT));
            return nullptr;
        }
        m_enemies[k].Set(enemy);
    }

    m_finalTarget = destination->GetPosition();
    m_running = 1;
    m_escaping = 0;
    m_hitCooldown = 0.0f;
    NextLeg();
    return nullptr;
}

void BHV_Vessel_A_EscapeTo::BeginLeg()
{
    const BHV_Owner* owner = GetOwner();
    if (owner->avoider != nullptr)
        owner->avoider->m_goal = m_goal;
    const f32 radius = 2.0f * (owner->physical != nullptr ? owner->physical->GetRootRadius() : 0.0f);
    m_reachRadius = radius > 15.0f ? radius : 15.0f;
    m_legTime = 0.0f;
}

void BHV_Vessel_A_EscapeTo::NextLeg()
{
    const MAT_Vector3 p = GetOwner()->vesselMotion->State.frame.t;
    const MAT_Vector3 toTarget = m_finalTarget - p;
    const f32 distance = toTarget.Length();
    f32 length = Random().Gaussian(m_legMean, m_legDeviation);
    if (length < 0.0f)
        length = 0.0f;
    // On the target the direction stays zero instead of becoming NaN.
    const MAT_Vector3 u = toTarget.GetNormalized();
    if (length > distance || 2.0f * m_legMean > distance) {
        m_goal = m_finalTarget;
        m_finalLeg = 1;
    } else {
        MAT_Vector3 r;
        r.x = (f32)(Random().Next() * MAT_RANDOM_SIGNED_TEN - 10.0);
        r.y = (f32)(Random().Next() * MAT_RANDOM_SIGNED_TEN - 10.0);
        r.z = (f32)(Random().Next() * MAT_RANDOM_SIGNED_TEN - 10.0);
        const MAT_Vector3 axis = r - u * r.Dot(u);
        MAT_Angle theta;
        theta = MAT_WrapAngle(Random().Gaussian(0.0f, 0.34906584f));
        MAT_Matrix33 turn;
        turn.FromAxisAngle(theta, axis);
        m_goal = p + turn.Transform(u) * length;
        m_finalLeg = 0;
    }
    BeginLeg();
}

NOD_Body* BHV_Vessel_A_EscapeTo::FindThreat()
{
    const BHV_Owner* owner = GetOwner();
    for (RTI_Pointer& pointer : m_enemies) {
        NOD_Body* enemy = NOD_Body::DynamicCast(static_cast<NOD_Node*>(pointer.Get()));
        if (enemy != nullptr && Sees(enemy, owner->emitter))
            return enemy;
    }
    if (owner->attackers != nullptr) {
        NOD_Node* node = nullptr;
        while (owner->attackers->GetNext(node) != 0) {
            NOD_Body* attacker = NOD_Body::DynamicCast(node);
            if (attacker != nullptr && Sees(attacker, owner->emitter))
                return attacker;
        }
    }
    return nullptr;
}

void BHV_Vessel_A_EscapeTo::EscapeFrom(NOD_Body* _threat)
{
    const MAT_Matrix34& threat = *_threat->GetWorldTransform(SIM_GetSimulationClock().time);
    const MAT_Vector3 axisX = threat.r.GetX();
    const MAT_Vector3 axisZ = threat.r.GetZ();
    f32 length = Random().Gaussian(m_legMean, m_legDeviation) * m_factor;
    if (length < 0.0f)
        length = 0.0f;
    f32 x = (f32)(Random().Next() * MAT_RANDOM_SIGNED - 1.0);
    f32 y = (f32)(Random().Next() * MAT_RANDOM_SIGNED - 1.0);
    if (m_ratio > 0.0f)
        x = (1.0f - m_ratio) * x;
    else
        y = (1.0f + m_ratio) * y;
    const MAT_Vector3 weights = MAT_Vector3(x, y, 0.0f).GetNormalized();
    const MAT_Vector3 across = (axisX * weights.x + axisZ * weights.y).GetNormalized();

    const MAT_Vector3 p = GetOwner()->vesselMotion->State.frame.t;
    const MAT_Vector3 toTarget = m_finalTarget - p;
    const f32 distance = toTarget.Length();
    if (3.0f * m_legMean * m_factor <= distance) {
        const MAT_Vector3 u = toTarget.GetNormalized();
        const MAT_Vector3 w = (u * (1.0f - m_impact) + across * m_impact).GetNormalized();
        m_goal = p + w * length;
        m_finalLeg = 0;
    } else {
        m_goal = m_finalTarget;
        m_finalLeg = 1;
    }
    BeginLeg();
}

s32 BHV_Vessel_A_EscapeTo::Handle()
{
    if (m_running == 0)
        return 0;
    const BHV_Owner* owner = GetOwner();
    NOD_Body* threat = FindThreat();
    if (threat != nullptr && m_escaping == 0)
        EscapeFrom(threat);
    const COD_PhysicalShotHits* hits = owner->physical != nullptr ? &owner->physical->m_shotHits : nullptr;
    if (hits != nullptr && hits->count > 0 && m_hitCooldown < 0.1f) {
        // The hit names the threat for the rest of the step, even when nobody fired it.
        const NOD_Body* projectile = NOD_Body::DynamicCast(static_cast<const NOD_Node*>(hits->shooters[0].Get()));
        NOD_Node* shooter = projectile != nullptr ? const_cast<NOD_Body*>(projectile)->GetShooter() : nullptr;
        threat = NOD_Body::DynamicCast(shooter);
        if (threat != nullptr) {
            EscapeFrom(threat);
            m_hitCooldown = 1.0f;
        }
    }
    m_escaping = threat != nullptr ? 1 : 0;

    MOT_Vessel& motion = *owner->vesselMotion;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    const MAT_Vector3 point = BHV_SteeringPoint(owner->avoider, m_goal);
    if (m_escaping != 0)
        motion.MoveTo(clock, point, 0.9f, 1.0f);
    else
        motion.MoveTo(clock, point, 0.8f * m_velocity, m_velocity);

    const bool legGoesOn = m_legTime <= m_strikeTimeOut && BHV_HorizontalDistance(motion, m_goal) >
                                                               BHV_HorizontalSpeed(motion) * SIM_STEP + m_reachRadius;
    if (!legGoesOn) {
        if (m_finalLeg != 0) {
            Notify(owner->body, NOD_Vessel_EscapeToPositionFinished::Create(), 1);
            return 0;
        }
        if (m_escaping != 0)
            EscapeFrom(threat);
        else
            NextLeg();
    }
    m_legTime += m_escaping != 0 ? SIM_STEP : SIM_STEP * m_velocity;
    if (m_hitCooldown > 0.0f)
        m_hitCooldown -= SIM_STEP;
    return 1;
}

void BHV_Vessel_A_EscapeTo::Interrupt() { Notify(GetOwner()->body, NOD_Vessel_EscapeToPositionOverride::Create(), 1); }
