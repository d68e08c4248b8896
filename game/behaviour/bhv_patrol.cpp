#include "bhv_patrol.h"

#include <cfloat>
#include <cmath>

#include "bhv_requests.h"
#include "brisel_simulation.h"
#include "cod_activeavoid.h"
#include "cod_physical.h"
#include "mat_angle.h"
#include "mat_clamp.h"
#include "mat_random.h"
#include "mot_vehicle.h"
#include "mot_vessel.h"
#include "mrt_terrain.h"
#include "nod_body.h"
#include "nod_message.h"
#include "nod_patrolarea.h"
#include "os_fatal.h"
#include "sim_clock.h"

namespace
{
constexpr f32 DEGREES = 0.017453292f;
constexpr s32 VESSEL_GOAL_TRIES = 10;

// The area a patrol start names, or null after logging why there is none. _where is the
// class and method the log lines end with.
NOD_PatrolArea* FindArea(NOD_Body* _body, const SIM_Path& _path, const char* _where)
{
    char text[SIM_Path::STRING_BYTES];
    _path.GetString(text, sizeof text);
    NOD_Node* node = _body->Find(_path);
    if (node == nullptr) {
        OS_Log(OS_Format("Patrol %s is not a node in %s", text, _where));
        return nullptr;
    }
    NOD_PatrolArea* area = NOD_PatrolArea::DynamicCast(node);
    if (area == nullptr)
        OS_Log(OS_Format("Patrol %s is not a patrol node in %s", text, _where));
    return area;
}

f32 BodySize(const BHV_Owner* _owner) { return _owner->physical != nullptr ? _owner->physical->GetRootRadius() : 0.0f; }

// The reach of a goal: _factor body sizes, at least _least.
f32 GoalRadius(const BHV_Owner* _owner, f32 _factor, f32 _least)
{
    const f32 radius = _factor * BodySize(_owner);
    return radius > _least ? radius : _least;
}

MAT_Random& Random() { return Brisel_TheSimulation->random; }

// The planar goal of the vessel and vehicle patrols: a normal draw of the distance and, unless
// the body is so far out that the goal goes to the far edge, of the direction around the
// heading, turned back into the area where the circle of that distance leaves it.
MAT_Vector3 DrawPlanarGoal(const MOT_MotionState& _state, f32 _cx, f32 _cy, f32 _radius, f32 _mean, f32 _deviation,
                           f32 _directionDeviation, bool _wrap)
{
    const f32 px = _state.frame.t.x;
    const f32 py = _state.frame.t.y;
    const MAT_Vector3 toCentre(_cx - px, _cy - py, 0.0f);
    const f32 dc = toCentre.Length();
    // On the centre the direction stays zero instead of becoming NaN.
    const MAT_Vector3 u = toCentre.GetNormalized();

    f32 d = Random().Gaussian(_mean, _deviation);
    if (d < 0.0f)
        d = 0.0f;
    const f32 far = dc + _radius;
    if (d > far)
        return {_cx + u.x * _radius, _cy + u.y * _radius, 0.0f};

    f32 a = Random().Gaussian(_state.rotation[MOT_MotionState::HEADING].angle.Get(), _directionDeviation);
    if (_wrap)
        a = MAT_WrapAngle(a);
    const f32 s = (far + d) / 2.0f;
    if (s > _radius) {
        const f32 base = std::atan2(u.y, u.x);
        const f32 k = std::sqrt((s - _radius) * s / (dc * d));
        if (k >= 1.0f) {
            a = base;
        } else {
            // The angle at the body between the centre and where the circle meets the edge.
            const f32 theta = 2.0f * std::acos(k);
            if (a < base - theta || a > base + theta)
                a = 2.0f * base - a;
            a = MAT_Clamp(a, base - theta, base + theta);
        }
    }
    f32 sine = 0.0f;
    f32 cosine = 0.0f;
    MAT_SinCos(a, sine, cosine);
    return {px + d * cosine, py + d * sine, 0.0f};
}
// A new goal is due once the goal is reached or the leg has taken too long.
bool IsGoalDue(const MOT_Model& _model, const MAT_Vector3& _goal, f32 _goalRadius, f32 _legTime, f32 _maxLegTime)
{
    return BHV_HorizontalDistance(_model, _goal) <= BHV_HorizontalSpeed(_model) * SIM_STEP + _goalRadius ||
           _legTime > _maxLegTime;
}

// The end of a patrol step: 0 after reporting a timed patrol's end (_finished), else 1 with
// the times one step on (the patrol time only when it counts).
s32 EndStep(NOD_Body* _body, f32& _legTime, f32& _patrolTime, f32 _duration, NOD_Message* (*_finished)())
{
    if (_duration > 0.0f && _patrolTime > _duration) {
        BHV_Behaviour::Notify(_body, _finished(), 1);
        return 0;
    }
    _legTime += SIM_STEP;
    if (_duration > 0.0f)
        _patrolTime += SIM_STEP;
    return 1;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Vessel patrol

s32 BHV_Vessel_A_Patrol::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Vessel_Patrol::ID ? 1 : 0;
}

s32 BHV_Vessel_A_Patrol::IsStopMessage(const NOD_Message* /*_message*/) { return 0; }

NOD_Message* BHV_Vessel_A_Patrol::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    if (_message->GetType() != NOD_Vessel_Patrol::ID)
        return nullptr;
    *_handled = 1;
    const auto [path, height, heightDeviation, distance, distanceDeviation, direction, legTime, duration, speed] =
        NOD_Vessel_Patrol::Read(_message);
    delete _message;

    m_running = 0;
    const BHV_Owner* owner = GetOwner();
    const NOD_PatrolArea* area = FindArea(owner->body, path, "BHV_Vessel_A_Patrol::PM_PatrolStart");
    if (area == nullptr)
        return nullptr;
    const MAT_Vector3& centre = area->GetCentre();
    m_centreX = centre.x;
    m_centreY = centre.y;
    m_radius = area->GetRadius();
    m_bandLow = centre.z + area->GetMinZ();
    m_bandHigh = centre.z + area->GetMaxZ();
    // -1 is the bottom of the band, +1 its top.
    m_heightMean = ((m_bandHigh - m_bandLow) * height + m_bandHigh + m_bandLow) / 2.0f;
    m_heightDeviation = heightDeviation * (m_bandHigh - m_bandLow) / 2.0f;
    m_distanceMean = distance * m_radius;
    m_distanceDeviation = distanceDeviation * m_radius;
    m_directionDeviation = direction * DEGREES;
    m_maxLegTime = legTime;
    m_duration = duration;
    m_speed = speed;
    m_legTime = 0.0f;
    m_patrolTime = 0.0f;

    NewGoal();
    m_goalRadius = GoalRadius(owner, 2.0f, 15.0f);
    BHV_ClearRequests(*owner->vesselMotion);
    m_running = 1;
    return nullptr;
}

void BHV_Vessel_A_Patrol::DrawGoal()
{
    m_goal = DrawPlanarGoal(GetOwner()->vesselMotion->State, m_centreX, m_centreY, m_radius, m_distanceMean,
                            m_distanceDeviation, m_directionDeviation, true);
}

s32 BHV_Vessel_A_Patrol::IsGoalValid()
{
    f32 z = MAT_Clamp(Random().Gaussian(m_heightMean, m_heightDeviation), m_bandLow, m_bandHigh);
    // Off the grid, or before a terrain is loaded, there is no ground to keep clear of.
    const MRT_TerrainCell* cell = Brisel_TheSimulation->terrainCell;
    if (cell != nullptr && cell->terrain != nullptr) {
        const f32 ground = cell->terrain->GetHeightAt(m_goal.x, m_goal.y);
        if (ground < FLT_MAX && ground + BodySize(GetOwner()) > z)
            z = ground + BodySize(GetOwner());
    }
    m_goal.z = z;
    return z <= m_bandHigh ? 1 : 0;
}

void BHV_Vessel_A_Patrol::NewGoal()
{
    for (s32 i = 0; i < VESSEL_GOAL_TRIES; ++i) {
        DrawGoal();
        if (IsGoalValid() != 0)
            break;
    }
    COD_ActiveAvoid* avoider = GetOwner()->avoider;
    if (avoider != nullptr)
        avoider->m_goal = m_goal;
}

s32 BHV_Vessel_A_Patrol::Handle()
{
    if (m_running == 0)
        return 0;
    const BHV_Owner* owner = GetOwner();
    MOT_Vessel& motion = *owner->vesselMotion;
    motion.MoveTo(SIM_GetSimulationClock(), BHV_SteeringPoint(owner->avoider, m_goal), 0.8f * m_speed, m_speed);
    if (IsGoalDue(motion, m_goal, m_goalRadius, m_legTime, m_maxLegTime)) {
        NewGoal();
        m_goalRadius = GoalRadius(owner, 2.0f, 15.0f);
        m_legTime = 0.0f;
    }
    return EndStep(owner->body, m_legTime, m_patrolTime, m_duration, &NOD_Vessel_PatrolFinished::Create);
}

void BHV_Vessel_A_Patrol::Interrupt() { Notify(GetOwner()->body, NOD_Vessel_PatrolOverride::Create(), 1); }

// ---------------------------------------------------------------------------------------------
// Vehicle patrol

s32 BHV_Vehicle_A_Patrol::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Vehicle_Patrol::ID ? 1 : 0;
}

s32 BHV_Vehicle_A_Patrol::IsStopMessage(const NOD_Message* /*_message*/) { return 0; }

NOD_Message* BHV_Vehicle_A_Patrol::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    if (_message->GetType() != NOD_Vehicle_Patrol::ID)
        return nullptr;
    *_handled = 1;
    const auto [path, distance, distanceDeviation, direction, legTime, duration] = NOD_Vehicle_Patrol::Read(_message);
    delete _message;

    m_running = 0;
    const BHV_Owner* owner = GetOwner();
    const NOD_PatrolArea* area = FindArea(owner->body, path, "BHV_Vehicle_A_Patrol::PM_PatrolStart");
    if (area == nullptr)
        return nullptr;
    m_centreX = area->GetCentre().x;
    m_centreY = area->GetCentre().y;
    m_radius = area->GetRadius();
    m_distanceMean = distance * m_radius;
    m_distanceDeviation = distanceDeviation * m_radius;
    m_directionDeviation = direction * DEGREES;
    m_maxLegTime = legTime;
    m_duration = duration;
    m_legTime = 0.0f;
    m_patrolTime = 0.0f;

    DrawGoal();
    m_goalRadius = GoalRadius(owner, 2.0f, 15.0f);
    BHV_ClearRequests(*owner->vehicleMotion);
    m_speed = 1.0f;
    m_running = 1;
    return nullptr;
}

void BHV_Vehicle_A_Patrol::DrawGoal()
{
    const BHV_Owner* owner = GetOwner();
    const MOT_MotionState& state = owner->vehicleMotion->State;
    // The vehicle turns freely: its direction is not wrapped.
    m_goal = DrawPlanarGoal(state, m_centreX, m_centreY, m_radius, m_distanceMean, m_distanceDeviation,
                            m_directionDeviation, false);
    m_goal.z = state.frame.t.z;
    if (owner->avoider != nullptr)
        owner->avoider->m_goal = BHV_GroundGoal(owner->body, m_goal);
}

s32 BHV_Vehicle_A_Patrol::Handle()
{
    if (m_running == 0)
        return 0;
    const BHV_Owner* owner = GetOwner();
    MOT_Vehicle& motion = *owner->vehicleMotion;
    motion.GotoPosition(SIM_GetSimulationClock(), BHV_SteeringPoint(owner->avoider, m_goal), 0.3f * m_speed, m_speed);
    if (IsGoalDue(motion, m_goal, m_goalRadius, m_legTime, m_maxLegTime)) {
        DrawGoal();
        m_goalRadius = GoalRadius(owner, 2.0f, 15.0f);
        m_legTime = 0.0f;
    }
    return EndStep(owner->body, m_legTime, m_patrolTime, m_duration, &NOD_Vehicle_PatrolFinished::Create);
}

void BHV_Vehicle_A_Patrol::Interrupt() { Notify(GetOwner()->body, NOD_Vehicle_PatrolOverride::Create(), 1); }

// ---------------------------------------------------------------------------------------------
// Park patrol

s32 BHV_Vehicle_A_PatrolPark::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Vehicle_ParkPatrol::ID ? 1 : 0;
}

s32 BHV_Vehicle_A_PatrolPark::IsStopMessage(const NOD_Message* /*_message*/) { return 0; }

NOD_Message* BHV_Vehicle_A_PatrolPark::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    if (_message->GetType() != NOD_Vehicle_ParkPatrol::ID)
        return nullptr;
    *_handled = 1;
    const auto [path] = NOD_Vehicle_ParkPatrol::Read(_message);
    delete _message;

    m_running = 0;
    const BHV_Owner* owner = GetOwner();
    const NOD_PatrolArea* area = FindArea(owner->body, path, "BHV_Vehicle_A_PatrolPark::PM_PatrolParkStart");
    if (area == nullptr)
        return nullptr;
    m_centreX = area->GetCentre().x;
    m_centreY = area->GetCentre().y;
    m_radius = area->GetRadius();

    // A uniform point of the disc: pairs of draws until one falls inside the unit circle.
    f32 x = 0.0f;
    f32 y = 0.0f;
    do {
        x = (f32)(Random().Next() * MAT_RANDOM_SIGNED - 1.0);
        y = (f32)(Random().Next() * MAT_RANDOM_SIGNED - 1.0);
    } while (x * x + y * y > 1.0f);
    MOT_Vehicle& motion = *owner->vehicleMotion;
    m_goal = MAT_Vector3(m_centreX + m_radius * x, m_centreY + m_radius * y, motion.State.frame.t.z);
    if (owner->avoider != nullptr)
        owner->avoider->m_goal = BHV_GroundGoal(owner->body, m_goal);
    m_goalRadius = GoalRadius(owner, 3.0f, 25.0f);
    BHV_ClearRequests(motion);
    m_speed = 1.0f;
    m_running = 1;
    return nullptr;
}

s32 BHV_Vehicle_A_PatrolPark::Handle()
{
    if (m_running == 0)
        return 0;
    const BHV_Owner* owner = GetOwner();
    MOT_Vehicle& motion = *owner->vehicleMotion;
    motion.GotoPosition(SIM_GetSimulationClock(), BHV_SteeringPoint(owner->avoider, m_goal), 0.3f, 1.0f);

    const MAT_Vector3& p = motion.State.frame.t;
    const f32 dx = p.x - m_centreX;
    const f32 dy = p.y - m_centreY;
    // Touching something inside the area is as good as the goal: the vehicle would only
    // push against it.
    const bool touched =
        owner->physical != nullptr && owner->physical->m_contactFlag != 0 && std::sqrt(dx * dx + dy * dy) < m_radius;
    if (!touched && BHV_HorizontalDistance(motion, m_goal) > BHV_HorizontalSpeed(motion) * SIM_STEP + m_goalRadius)
        return 1;
    BHV_Brake(motion);
    Notify(owner->body, NOD_Vehicle_ParkPatrolFinished::Create(), 1);
    return 0;
}

void BHV_Vehicle_A_PatrolPark::Interrupt() { Notify(GetOwner()->body, NOD_Vehicle_ParkPatrolOverride::Create(), 1); }
