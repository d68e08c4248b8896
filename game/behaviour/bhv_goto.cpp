#include "bhv_goto.h"

#include <cmath>

#include "bhv_requests.h"
#include "cod_activeavoid.h"
#include "cod_physical.h"
#include "mot_oldone.h"
#include "mot_vehicle.h"
#include "mot_vessel.h"
#include "nod_body.h"
#include "nod_message.h"
#include "nod_path.h"
#include "nod_position.h"
#include "os_fatal.h"
#include "sim_clock.h"

enum BHV_GotoKind : s32
{
    BHV_GOTO_VESSEL = 0,
    BHV_GOTO_VEHICLE = 1,
    BHV_GOTO_CHARACTER = 2
};

// What one go-to class is made of besides the follower. Forms: 0 whole path, 1 from a
// position, 2 from one position to another.
struct BHV_GotoClass
{
    s32 kind;
    u32 starts[3];
    u32 stop;
    NOD_Message* (*createArrived)(const SIM_Name& _path);
    NOD_Message* (*createReached)(const SIM_Name& _path, const SIM_Name& _position);
    NOD_Message* (*createOverride)(const SIM_Name& _path, const SIM_Name& _before, const SIM_Name& _target);
    // The contexts that end the log lines, per form: the path is no node, no path, the start
    // ("from") name names no son; and the "to" name of the from-to form.
    const char* notNode[3];
    const char* notPath[3];
    const char* noFrom[3];
    const char* noTo;
    // 1 where the form puts the axis flags back to the owners' set-up value.
    s32 setsFlags[3];
};

namespace
{
// Integrated axes x, y, z and rotation mode 4: what the owners set up.
constexpr u32 SET_UP_FLAGS = 39;
constexpr f32 CHARACTER_REACH = 15.0f;

#define VESSEL_CONTEXT(_method) "BHV_Vessel_A_Goto::" #_method
#define VEHICLE_CONTEXT(_method) "BHV_Vehicle_A_Goto::" #_method
#define CHARACTER_CONTEXT(_method) "BHV_PhysicalCharacter_A_Goto::" #_method

const BHV_GotoClass VESSEL = {
    BHV_GOTO_VESSEL,
    {NOD_Vessel_Goto::ID, NOD_Vessel_GotoFromPosition::ID, NOD_Vessel_GotoFromTo::ID},
    NOD_Vessel_GotoStop::ID,
    &NOD_Vessel_GotoArrived::Create,
    &NOD_Vessel_GotoPosReached::Create,
    &NOD_Vessel_GotoOverride::Create,
    {VESSEL_CONTEXT(PM_GotoStart), VESSEL_CONTEXT(PM_GotoStartFromPosition), VESSEL_CONTEXT(PM_GotoStartFromTo)},
    {VESSEL_CONTEXT(PM_GotoStart), VESSEL_CONTEXT(PM_GotoStartFromPosition), VESSEL_CONTEXT(PM_GotoStartFromTo)},
    {nullptr, VESSEL_CONTEXT(PM_GotoStartFromPosition), VESSEL_CONTEXT(PM_GotoStartFromPosition)},
    VESSEL_CONTEXT(PM_GotoStartFromTo),
    {1, 0, 1},
};

const BHV_GotoClass VEHICLE = {
    BHV_GOTO_VEHICLE,
    {NOD_Vehicle_Goto::ID, NOD_Vehicle_GotoFromPosition::ID, NOD_Vehicle_GotoFromTo::ID},
    NOD_Vehicle_GotoStop::ID,
    &NOD_Vehicle_GotoArrived::Create,
    &NOD_Vehicle_GotoPosReached::Create,
    &NOD_Vehicle_GotoOverride::Create,
    {VEHICLE_CONTEXT(PM_GotoStart), VEHICLE_CONTEXT(PM_GotoFromPosition), VEHICLE_CONTEXT(PM_GotoStartFromPosition)},
    {VEHICLE_CONTEXT(PM_GotoStart), VEHICLE_CONTEXT(PM_GotoStartFromPosition), VEHICLE_CONTEXT(PM_GotoStartFromTo)},
    {nullptr, VEHICLE_CONTEXT(PM_GotoStartFromPosition), VEHICLE_CONTEXT(PM_GotoStartFromTo)},
    VEHICLE_CONTEXT(PM_GotoStartFromTo),
    {1, 1, 0},
};

const BHV_GotoClass CHARACTER = {
    BHV_GOTO_CHARACTER,
    {NOD_PhysicalCharacter_GotoStart::ID, NOD_PhysicalCharacter_GotoStartFromPosition::ID,
     NOD_PhysicalCharacter_GotoStartFromTo::ID},
    NOD_PhysicalCharacter_GotoStop::ID,
    &NOD_PhysicalCharacter_GotoArrived::Create,
    &NOD_PhysicalCharacter_GotoPosReached::Create,
    &NOD_PhysicalCharacter_GotoOverride::Create,
    {CHARACTER_CONTEXT(PM_GotoStart), CHARACTER_CONTEXT(PM_GotoStartFromPosition),
     CHARACTER_CONTEXT(PM_GotoStartFromTo)},
    {CHARACTER_CONTEXT(PM_GotoStart), CHARACTER_CONTEXT(PM_GotoStartFromPosition),
     CHARACTER_CONTEXT(PM_GotoStartFromTo)},
    {nullptr, CHARACTER_CONTEXT(PM_GotoStartFromPosition), CHARACTER_CONTEXT(PM_GotoStartFromPosition)},
    CHARACTER_CONTEXT(PM_GotoStartFromTo),
    {1, 0, 1},
};

#undef VESSEL_CONTEXT
#undef VEHICLE_CONTEXT
#undef CHARACTER_CONTEXT

// Index of the first son named _name (without regard to case), -1 when none is.
s32 FindSon(const NOD_Node* _father, const SIM_Name& _name)
{
    const s32 count = _father->GetNumOfSons();
    for (s32 i = 0; i < count; ++i) {
        if (_father->GetSon(i)->GetName() == _name)
            return i;
    }
    return -1;
}

void LogPosition(const SIM_Name& _name, const char* _pathText, const char* _context)
{
    OS_Log(OS_Format("Position %s is not a position in path %s  in %s", _name.GetName(), _pathText, _context));
}
}  // namespace

BHV_Vessel_A_Goto::BHV_Vessel_A_Goto() : BHV_Goto3D(&VESSEL) {}
BHV_Vehicle_A_Goto::BHV_Vehicle_A_Goto() : BHV_Goto3D(&VEHICLE) {}
BHV_PhysicalCharacter_A_Goto::BHV_PhysicalCharacter_A_Goto() : BHV_Goto3D(&CHARACTER) {}

s32 BHV_Goto3D::IsStartMessage(const NOD_Message* _message)
{
    const u32 id = _message->GetType();
    return id == m_class->starts[0] || id == m_class->starts[1] || id == m_class->starts[2] ? 1 : 0;
}

s32 BHV_Goto3D::IsStopMessage(const NOD_Message* _message) { return _message->GetType() == m_class->stop ? 1 : 0; }

NOD_Message* BHV_Goto3D::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    const u32 id = _message->GetType();
    s32 form = -1;
    for (s32 i = 0; i < 3; ++i) {
        if (id == m_class->starts[i])
            form = i;
    }
    if (form < 0 && id != m_class->stop)
        return nullptr;
    *_handled = 1;
    if (form >= 0) {
        SIM_Path path;
        SIM_Name from;
        SIM_Name to;
        f32 speed = 0.0f;
        f32 reachFactor = 0.0f;
        // The vehicle's forms carry the vessel's arguments; the character's have no reach factor.
        if (m_class->kind == BHV_GOTO_CHARACTER) {
            if (form == 0)
                NOD_PhysicalCharacter_GotoStart::Read(_message, &path, &speed);
            else if (form == 1)
                NOD_PhysicalCharacter_GotoStartFromPosition::Read(_message, &path, &from, &speed);
            else
                NOD_PhysicalCharacter_GotoStartFromTo::Read(_message, &path, &from, &to, &speed);
        } else {
            if (form == 0)
                NOD_Vessel_Goto::Read(_message, &path, &speed, &reachFactor);
            else if (form == 1)
                NOD_Vessel_GotoFromPosition::Read(_message, &path, &from, &speed, &reachFactor);
            else
                NOD_Vessel_GotoFromTo::Read(_message, &path, &from, &to, &speed, &reachFactor);
        }
        Start(form, path, from, to, speed, reachFactor);
    }
    // The stop does nothing else: the slot drops the behaviour, the controller keeps its target.
    delete _message;
    return nullptr;
}

void BHV_Goto3D::Start(s32 _form, const SIM_Path& _path, const SIM_Name& _from, const SIM_Name& _to, f32 _speed,
                       f32 _reachFactor)
{
    m_nextIndex = 0;
    m_needTarget = 1;
    m_first = 1;
    m_running = 0;
    m_speed = _speed;
    m_path.Set(nullptr);

    NOD_Body* body = GetOwner()->body;
    char pathText[SIM_Path::STRING_BYTES];
    _path.GetString(pathText, sizeof pathText);
    NOD_Node* node = body->Find(_path);
    if (node == nullptr) {
        OS_Log(OS_Format("Path %s is not a node in %s", pathText, m_class->notNode[_form]));
        return;
    }
    m_endIndex = node->GetNumOfSons();
    NOD_Path* path = NOD_Path::DynamicCast(node);
    if (path == nullptr) {
        OS_Log(OS_Format("Path %s is not a path node in %s", pathText, m_class->notPath[_form]));
        return;
    }
    m_path.Set(path);
    if (_form >= 1) {
        const s32 from = FindSon(path, _from);
        if (from < 0) {
            LogPosition(_from, pathText, m_class->noFrom[_form]);
            // Only the from-position form needs its start; from-to falls back to the first son.
            if (_form == 1)
                return;
        } else {
            m_nextIndex = from;
        }
    }
    if (_form == 2) {
        const s32 to = FindSon(path, _to);
        if (to < 0) {
            LogPosition(_to, pathText, m_class->noTo);
            return;
        }
        // One past "to" in the direction of travel, so the walk visits it and ends.
        m_endIndex = to < m_nextIndex ? to - 1 : to + 1;
    }

    const BHV_Owner* owner = GetOwner();
    MOT_Model* model = nullptr;
    if (m_class->kind == BHV_GOTO_VESSEL)
        model = owner->vesselMotion;
    else if (m_class->kind == BHV_GOTO_VEHICLE)
        model = owner->vehicleMotion;
    else
        model = owner->characterMotion;
    if (m_class->kind != BHV_GOTO_CHARACTER)
        m_reachMargin = _reachFactor * (owner->physical != nullptr ? owner->physical->GetRootRadius() : 0.0f);
    BHV_ResetToBody(*model, body);
    if (m_class->setsFlags[_form] != 0)
        model->State.flags = SET_UP_FLAGS;
    m_running = 1;
}

NOD_Path* BHV_Goto3D::GetPath() const { return static_cast<NOD_Path*>(static_cast<NOD_Node*>(m_path.Get())); }

const char* BHV_Goto3D::SonName(s32 _index) const
{
    const NOD_Path* path = GetPath();
    // A path cut short under the walk may no longer have the son an index names.
    if (path == nullptr || _index < 0 || _index >= path->GetNumOfSons())
        return "None";
    return path->GetSon(_index)->GetName().GetName();
}

void BHV_Goto3D::Steer(const MAT_Vector3& _point)
{
    const BHV_Owner* owner = GetOwner();
    const SIM_Clock& clock = SIM_GetSimulationClock();
    switch (m_class->kind) {
    case BHV_GOTO_VESSEL:
        owner->vesselMotion->MoveTo(clock, BHV_SteeringPoint(owner->avoider, _point), 0.8f * m_speed, m_speed);
        break;
    case BHV_GOTO_VEHICLE:
        owner->vehicleMotion->GotoPosition(clock, BHV_SteeringPoint(owner->avoider, _point), 0.3f * m_speed, m_speed);
        break;
    default:
        if (m_steeringMode == 1)
            owner->characterMotion->GotoPositionArrive(clock, _point, m_speed);
        else
            owner->characterMotion->GotoPosition(clock, _point, m_speed);
        break;
    }
}

s32 BHV_Goto3D::IsReached() const
{
    const BHV_Owner* owner = GetOwner();
    if (m_class->kind == BHV_GOTO_CHARACTER) {
        const MOT_MotionState& state = owner->characterMotion->State;
        const f32 distance = (m_target - state.frame.t).Length();
        return distance <= state.GetVelocity().Length() * SIM_STEP + CHARACTER_REACH ? 1 : 0;
    }
    const MOT_Model& model = m_class->kind == BHV_GOTO_VESSEL ? static_cast<const MOT_Model&>(*owner->vesselMotion)
                                                              : static_cast<const MOT_Model&>(*owner->vehicleMotion);
    return BHV_HorizontalDistance(model, m_target) <= BHV_HorizontalSpeed(model) * SIM_STEP + m_reachRadius ? 1 : 0;
}

s32 BHV_Goto3D::Handle()
{
    if (m_running == 0)
        return 0;
    NOD_Path* path = GetPath();
    if (path == nullptr) {
        // The path was deleted under the walk: nothing left to walk or to name.
        m_running = 0;
        return 0;
    }
    if (m_needTarget == 0) {
        Steer(m_target);
        if (IsReached() != 0)
            m_needTarget = 1;
        return 1;
    }

    m_needTarget = 0;
    NOD_Body* body = GetOwner()->body;
    const SIM_Name& pathName = path->GetName();
    if (m_nextIndex == m_endIndex) {
        if (body->IsThreadBound())
            Notify(body, m_class->createArrived(pathName), 1);
        return 0;
    }
    if (m_first == 0) {
        if (body->IsThreadBound()) {
            const s32 reached = m_nextIndex < m_endIndex ? m_nextIndex - 1 : m_nextIndex + 1;
            Notify(body, m_class->createReached(pathName, SIM_Name(SonName(reached))), 1);
        }
    } else {
        m_first = 0;
    }

    NOD_Node* son = m_nextIndex >= 0 && m_nextIndex < path->GetNumOfSons() ? path->GetSon(m_nextIndex) : nullptr;
    NOD_Position* position = NOD_Position::DynamicCast(son);
    if (position == nullptr)
        OS_Fatal("BHV_Goto3D::Handle()", "no position node");
    m_target = position->GetPosition();
    if (m_class->kind != BHV_GOTO_CHARACTER) {
        m_reachRadius = position->GetRadius() + m_reachMargin;
        COD_ActiveAvoid* avoider = GetOwner()->avoider;
        if (avoider != nullptr)
            avoider->m_goal = m_class->kind == BHV_GOTO_VESSEL ? m_target : BHV_GroundGoal(body, m_target);
    }
    m_nextIndex += m_nextIndex < m_endIndex ? 1 : -1;
    return 1;
}

void BHV_Goto3D::Interrupt()
{
    const s32 k = m_nextIndex;
    const s32 e = m_endIndex;
    const s32 j = k < e ? k - 1 : (k > e ? k + 1 : k);
    const NOD_Path* path = GetPath();
    const SIM_Name pathName(path != nullptr ? path->GetName().GetName() : "None");
    // Sent bound or not: without a thread the owner deletes it.
    Notify(GetOwner()->body, m_class->createOverride(pathName, SIM_Name(SonName(j - 1)), SIM_Name(SonName(k - 1))), 1);
}
