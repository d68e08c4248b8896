#include "bhv_bodystates.h"

#include <cmath>

#include "bhv_targeting.h"
#include "cod_emitter.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "mem_alloc.h"
#include "nod_body.h"
#include "nod_message.h"
#include "nod_patrolarea.h"
#include "os_fatal.h"
#include "os_string.h"
#include "shl_shield.h"

namespace
{
// What the sensor starts and stops switch: on, and the three senses.
constexpr u32 SENSING = COD_SENSOR_ACTIVE | COD_SENSOR_SEEING | COD_SENSOR_HEARING | COD_SENSOR_PRESENCE;

// Every change of what a sensor senses or accepts leaves its last evaluation stale.
void ChangeSensor(COD_Sensor* _sensor, u32 _set, u32 _clear)
{
    _sensor->m_flags = ((_sensor->m_flags & ~_clear) | _set) & ~COD_SENSOR_VISIBILITY_TESTED;
}

void SetInterestList(COD_Sensor* _sensor, const SIM_Name* _names, s32 _count)
{
    _sensor->SetNameFilter(_names, _count);
    _sensor->m_flags &= ~COD_SENSOR_VISIBILITY_TESTED;
}

// Takes the start message's names into the behaviour's slots and points the filter at them.
void TakeInterestNames(COD_Sensor* _sensor, SIM_Name* _slots, const SIM_Name& _a, const SIM_Name& _b,
                       const SIM_Name& _c, const SIM_Name& _d)
{
    const SIM_Name names[BHV_INTEREST_NAMES] = {_a, _b, _c, _d};
    SetInterestList(_sensor, _slots, BHV_PackInterestNames(names, _slots));
}

// Takes a handled message: sets the flag and deletes it (none of these messages replies).
NOD_Message* Handled(NOD_Message* _message, s32* _handled)
{
    *_handled = 1;
    delete _message;
    return nullptr;
}

NOD_Node* NodeOf(const RTI_Pointer& _pointer) { return static_cast<NOD_Node*>(_pointer.Get()); }

// Sensor -------------------------------------------------------------------------------------

// One kind's comparison between the set of reported nodes and the sensor's list of this pass.
struct SensedKind
{
    RTI_Pointer* set;
    s32* seen;
    s32& count;
    s32 capacity;
    const RTI_Pointer* list;
    s32 listCount;
    NOD_Message* (*enter)(const NOD_Node*);
    NOD_Message* (*leave)(const NOD_Node*);
};

void Compare(NOD_Body* _owner, const SensedKind& _kind)
{
    for (s32 i = 0; i < _kind.listCount; ++i) {
        const COD_Emitter* emitter = static_cast<const COD_Emitter*>(_kind.list[i].Get());
        NOD_Node* node = emitter != nullptr ? NodeOf(emitter->m_owner) : nullptr;
        if (node == nullptr)
            continue;
        // The first unmarked entry of the node takes the mark, so a node standing twice in
        // both keeps both entries; one marked already still means "known".
        s32 known = -1;
        for (s32 j = 0; j < _kind.count; ++j) {
            if (NodeOf(_kind.set[j]) != node)
                continue;
            if (known < 0 || (_kind.seen[known] != 0 && _kind.seen[j] == 0))
                known = j;
        }
        if (known >= 0)
            _kind.seen[known] = 1;
        else
            BHV_Behaviour::Notify(_owner, _kind.enter(node), 1);
    }
    for (s32 j = 0; j < _kind.count; ++j) {
        if (_kind.seen[j] != 0)
            _kind.seen[j] = 0;
        else if (NOD_Node* node = NodeOf(_kind.set[j]))
            BHV_Behaviour::Notify(_owner, _kind.leave(node), 1);
    }
    s32 count = 0;
    for (s32 i = 0; i < _kind.listCount && count < _kind.capacity; ++i) {
        const COD_Emitter* emitter = static_cast<const COD_Emitter*>(_kind.list[i].Get());
        if (NOD_Node* node = emitter != nullptr ? NodeOf(emitter->m_owner) : nullptr)
            _kind.set[count++].Set(node);
    }
    for (s32 j = count; j < _kind.count; ++j)
        _kind.set[j].Unlink();
    _kind.count = count;
}

void Empty(RTI_Pointer* _set, s32* _seen, s32& _count)
{
    for (s32 i = 0; i < _count; ++i) {
        _set[i].Unlink();
        _seen[i] = 0;
    }
    _count = 0;
}

RTI_Pointer* NewSet(s32 _capacity) { return _capacity > 0 ? new RTI_Pointer[(size_t)_capacity] : nullptr; }

s32* NewMarks(s32 _capacity)
{
    if (_capacity <= 0)
        return nullptr;
    s32* marks = (s32*)MEM_AllocOrDie((u32)_capacity * (u32)sizeof(s32), "BHV_Body_S_Sensor::Init()");
    for (s32 i = 0; i < _capacity; ++i)
        marks[i] = 0;
    return marks;
}

f32 ConeCosine(f32 _degrees) { return (f32)std::cos((f64)(_degrees * 3.1415927f) * (1.0 / 180.0)); }

enum : s32
{
    ACOUSTIC = 0,
    PRESENCE = 1,
    VISIBLE = 2
};
}  // namespace

BHV_Body_S_Sensor::~BHV_Body_S_Sensor()
{
    delete[] m_visible;
    delete[] m_acoustic;
    delete[] m_presence;
    MEM_Free(m_visibleSeen);
    MEM_Free(m_acousticSeen);
    MEM_Free(m_presenceSeen);
}

COD_Sensor* BHV_Body_S_Sensor::Sensor() const
{
    const BHV_Owner* owner = GetOwner();
    return owner != nullptr ? owner->sensors[BHV_SENSOR_PERCEPTION] : nullptr;
}

void BHV_Body_S_Sensor::Init(s32 _acousticCapacity, s32 _presenceCapacity, s32 _visibleCapacity)
{
    COD_Sensor* sensor = Sensor();
    if (sensor == nullptr)
        OS_Fatal("BHV_Body_S_Sensor::Init()", "the owner has no perception sensor");
    if (m_visible != nullptr || m_acoustic != nullptr || m_presence != nullptr)
        OS_Fatal("BHV_Body_S_Sensor::Init()", "initialised twice");
    m_capacities[ACOUSTIC] = _acousticCapacity > 0 ? _acousticCapacity : 0;
    m_capacities[PRESENCE] = _presenceCapacity > 0 ? _presenceCapacity : 0;
    m_capacities[VISIBLE] = _visibleCapacity > 0 ? _visibleCapacity : 0;
    m_acoustic = NewSet(m_capacities[ACOUSTIC]);
    m_presence = NewSet(m_capacities[PRESENCE]);
    m_visible = NewSet(m_capacities[VISIBLE]);
    m_acousticSeen = NewMarks(m_capacities[ACOUSTIC]);
    m_presenceSeen = NewMarks(m_capacities[PRESENCE]);
    m_visibleSeen = NewMarks(m_capacities[VISIBLE]);
    for (s32& count : m_counts)
        count = 0;
    m_acousticOn = 0;
    m_presenceOn = 0;
    m_visibleOn = 0;
    ChangeSensor(sensor, COD_SENSOR_NAME_FILTER, SENSING | COD_SENSOR_OCCLUSION);
    SetInterestList(sensor, m_interestNames, 0);
    sensor->m_minSoundLevel = COD_SOUND_SILENT;
}

s32 BHV_Body_S_Sensor::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Trigger_ActivateSensor::ID ? 1 : 0;
}

s32 BHV_Body_S_Sensor::IsStopMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Trigger_StopSensor::ID ? 1 : 0;
}

NOD_Message* BHV_Body_S_Sensor::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    COD_Sensor* sensor = Sensor();
    if (sensor == nullptr)
        return nullptr;
    switch (_message->GetType()) {
    case NOD_Trigger_SetAcousticSphere::ID:
        NOD_Trigger_SetAcousticSphere::Read(_message, &sensor->m_hearingRange);
        break;
    case NOD_Trigger_SetAcousticSensibility::ID: {
        const auto [name] = NOD_Trigger_SetAcousticSensibility::Read(_message);
        static const char* const LEVELS[] = {"silent", "medium", "loud"};
        s32 level = 0;
        for (s32 i = 0; i < 3; ++i)
            if (OS_StrICmp(name.GetName(), LEVELS[i]) == 0)
                level = COD_SOUND_SILENT + i;
        if (level != 0)
            sensor->m_minSoundLevel = level;
        else
            OS_Log(OS_Format("Unknown acousitic sensibility %s in Trigger_SetCousticSensibility", name.GetName()));
        break;
    }
    case NOD_Trigger_SetPresenceSphere::ID:
        NOD_Trigger_SetPresenceSphere::Read(_message, &sensor->m_presenceRange);
        break;
    case NOD_Trigger_SetVisibilityCone::ID: {
        const auto [angles, range, angle] = NOD_Trigger_SetVisibilityCone::Read(_message);
        sensor->SetOrientationDegrees(angles.x, angles.y, angles.z);
        sensor->m_seeingRange = range;
        sensor->m_coneCosine = ConeCosine(angle);
        break;
    }
    case NOD_Trigger_SetVisibilityConeRelative::ID: {
        // Angle first, range second: the reverse of the absolute cone.
        const auto [angle, range] = NOD_Trigger_SetVisibilityConeRelative::Read(_message);
        sensor->m_orientationFlag = 0;
        sensor->m_coneCosine = ConeCosine(angle);
        sensor->m_seeingRange = range;
        break;
    }
    case NOD_Trigger_SetVisibilityBlockingStatus::ID: {
        const auto [blocking] = NOD_Trigger_SetVisibilityBlockingStatus::Read(_message);
        if (blocking == 1)
            ChangeSensor(sensor, COD_SENSOR_OCCLUSION, 0);
        else
            ChangeSensor(sensor, 0, COD_SENSOR_OCCLUSION);
        break;
    }
    case NOD_Trigger_ActivateSensor::ID: {
        const auto [presence, acoustic, visible] = NOD_Trigger_ActivateSensor::Read(_message);
        Start(presence != 0, acoustic != 0, visible != 0);
        break;
    }
    case NOD_Trigger_StopSensor::ID:
        Interrupt();
        break;
    case NOD_Trigger_SetInterestList::ID: {
        const auto [a, b, c, d] = NOD_Trigger_SetInterestList::Read(_message);
        TakeInterestNames(sensor, m_interestNames, a, b, c, d);
        break;
    }
    default:
        return nullptr;
    }
    return Handled(_message, _handled);
}

void BHV_Body_S_Sensor::Start(bool _presence, bool _acoustic, bool _visible)
{
    COD_Sensor* sensor = Sensor();
    u32 set = COD_SENSOR_ACTIVE | COD_SENSOR_NAME_FILTER;
    u32 clear = 0;
    (_presence ? set : clear) |= COD_SENSOR_PRESENCE;
    (_acoustic ? set : clear) |= COD_SENSOR_HEARING;
    (_visible ? set : clear) |= COD_SENSOR_SEEING;
    ChangeSensor(sensor, set, clear);
    // The lists of the last sensing pass may hold what the sensor perceived before a stop,
    // under other interest names: the comparisons start from the next sensing pass instead.
    sensor->ClearResults();
    // The sets of the kinds switched on start empty, without leave notifications.
    if (_presence)
        Empty(m_presence, m_presenceSeen, m_counts[PRESENCE]);
    if (_acoustic)
        Empty(m_acoustic, m_acousticSeen, m_counts[ACOUSTIC]);
    if (_visible)
        Empty(m_visible, m_visibleSeen, m_counts[VISIBLE]);
    m_presenceOn = _presence ? 1 : 0;
    m_acousticOn = _acoustic ? 1 : 0;
    m_visibleOn = _visible ? 1 : 0;
    // Nothing passes the filter until the script names its interests after the start.
    SetInterestList(sensor, m_interestNames, 0);
}

s32 BHV_Body_S_Sensor::Handle()
{
    COD_Sensor* sensor = Sensor();
    if (sensor == nullptr)
        return 0;
    NOD_Body* owner = GetOwner()->body;
    if (m_presenceOn)
        Compare(owner,
                {m_presence, m_presenceSeen, m_counts[PRESENCE], m_capacities[PRESENCE], sensor->m_present,
                 sensor->m_presentCount, &NOD_Trigger_EnterPresence::Create, &NOD_Trigger_LeavePresence::Create});
    if (m_acousticOn)
        Compare(owner, {m_acoustic, m_acousticSeen, m_counts[ACOUSTIC], m_capacities[ACOUSTIC], sensor->m_heard,
                        sensor->m_heardCount, &NOD_Trigger_EnterAcoustic::Create, &NOD_Trigger_LeaveAcoustic::Create});
    if (m_visibleOn)
        Compare(owner, {m_visible, m_visibleSeen, m_counts[VISIBLE], m_capacities[VISIBLE], sensor->m_seen,
                        sensor->m_seenCount, &NOD_Trigger_EnterVisible::Create, &NOD_Trigger_LeaveVisible::Create});
    return 1;
}

void BHV_Body_S_Sensor::Interrupt()
{
    // The sets keep their entries: the next start empties those of the kinds it switches on.
    COD_Sensor* sensor = Sensor();
    if (sensor == nullptr)
        return;
    ChangeSensor(sensor, 0, SENSING);
    SetInterestList(sensor, m_interestNames, 0);
    m_acousticOn = 0;
    m_presenceOn = 0;
    m_visibleOn = 0;
}

// Shield guard -------------------------------------------------------------------------------

s32 BHV_Body_S_ShieldGuard::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Body_ActivateShieldGuard::ID ? 2 : 0;
}

s32 BHV_Body_S_ShieldGuard::IsStopMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Body_DeactivateShieldGuard::ID ? 1 : 0;
}

namespace
{
// The guard's three kinds in the order of its step: the request that sets the barrier, the
// reject, the ratio and the report.
struct GuardKind
{
    u32 request;
    u32 reject;
    NOD_Message* (*read)(NOD_Message*, f32*);
    u32 requested;
    u32 reported;
    f32 (*ratio)(const SHL_Shield&);
    NOD_Message* (*report)(f32);
};

const GuardKind GUARD_KINDS[BHV_Body_S_ShieldGuard::KINDS] = {
    {NOD_Body_RequestKinInfo::ID, NOD_Body_RejectKinInfo::ID, &NOD_Body_RequestKinInfo::Read,
     BHV_Body_S_ShieldGuard::KINETIC_REQUESTED, BHV_Body_S_ShieldGuard::KINETIC_REPORTED,
     [](const SHL_Shield& _shield) { return _shield.GetWeakestRatio(); },
     [](f32 _ratio) { return NOD_Body_KinShieldBarrierReached::Create(_ratio); }},
    {NOD_Body_RequestEmpInfo::ID, NOD_Body_RejectEmpInfo::ID, &NOD_Body_RequestEmpInfo::Read,
     BHV_Body_S_ShieldGuard::EMP_REQUESTED, BHV_Body_S_ShieldGuard::EMP_REPORTED,
     [](const SHL_Shield& _shield) { return (f32)_shield.GetEmpRatio(); },
     [](f32 _ratio) { return NOD_Body_EmpShieldBarrierReached::Create(_ratio); }},
    {NOD_Body_RequestBioInfo::ID, NOD_Body_RejectBioInfo::ID, &NOD_Body_RequestBioInfo::Read,
     BHV_Body_S_ShieldGuard::BIO_REQUESTED, BHV_Body_S_ShieldGuard::BIO_REPORTED,
     [](const SHL_Shield& _shield) { return (f32)_shield.GetBioRatio(); },
     [](f32 _ratio) { return NOD_Body_BioShieldBarrierReached::Create(_ratio); }},
};
}  // namespace

NOD_Message* BHV_Body_S_ShieldGuard::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    const u32 type = _message->GetType();
    if (type == NOD_Body_ActivateShieldGuard::ID) {
        // Earlier requests are forgotten: the script asks for its reports after arming.
        m_flags = 0;
        for (f32& barrier : m_barriers)
            barrier = 0.0f;
        NOD_Body* owner = GetOwner()->body;
        m_shield = owner->GetShield();
        if (m_shield == nullptr)
            OS_Log(OS_Format("Body %s does nopt have a shield in  BHV_Body_S_ShieldGuard::PM_ActivateShieldGuard",
                             owner->GetName().GetName()));
        else
            m_flags |= ARMED;
        return Handled(_message, _handled);
    }
    if (type == NOD_Body_DeactivateShieldGuard::ID)
        return Handled(_message, _handled);
    for (s32 i = 0; i < KINDS; ++i) {
        const GuardKind& kind = GUARD_KINDS[i];
        if (type == kind.request) {
            kind.read(_message, &m_barriers[i]);
            m_flags = (m_flags | kind.requested) & ~kind.reported;
            return Handled(_message, _handled);
        }
        if (type == kind.reject) {
            m_flags &= ~kind.requested;
            return Handled(_message, _handled);
        }
    }
    return nullptr;
}

s32 BHV_Body_S_ShieldGuard::Handle()
{
    if ((m_flags & ARMED) == 0)
        return 1;
    NOD_Body* owner = GetOwner()->body;
    // The script learns of the destruction inside the owner's step, before the body goes.
    if (m_shield->IsExhausted())
        BHV_Behaviour::Notify(owner, NOD_Body_ObjectDestroyed::Create(), 0);
    for (s32 i = 0; i < KINDS; ++i) {
        const GuardKind& kind = GUARD_KINDS[i];
        if ((m_flags & kind.requested) == 0)
            continue;
        // A report on falling below the barrier, re-armed at or above it. A NaN ratio (InMax
        // 0) neither reports nor re-arms; an infinite one only re-arms.
        const f32 ratio = kind.ratio(*m_shield);
        if (ratio >= 0.0f && ratio < m_barriers[i] && (m_flags & kind.reported) == 0) {
            BHV_Behaviour::Notify(owner, kind.report(ratio), 1);
            m_flags |= kind.reported;
        }
        if (ratio >= m_barriers[i])
            m_flags &= ~kind.reported;
    }
    return 1;
}

void BHV_Body_S_ShieldGuard::Interrupt() {}

// Shot hits ----------------------------------------------------------------------------------

namespace
{
// Sons first, then the body itself. Guns and launchers have no physical description, bullets
// and cameras no shot-hit list: they add nothing.
void ReportShotHits(NOD_Body* _owner, NOD_Body* _body)
{
    for (s32 i = 0; i < (s32)_body->GetNumOfSons(); ++i)
        if (NOD_Body* son = NOD_Body::DynamicCast(_body->GetSon(i)))
            ReportShotHits(_owner, son);
    COD_Physical* physical = _body->GetAggregate().GetPhysical();
    const COD_PhysicalShotHits* hits = physical != nullptr ? physical->GetShotHits() : nullptr;
    if (hits == nullptr)
        return;
    for (s32 i = 0; i < hits->count; ++i) {
        NOD_Node* projectile = NodeOf(hits->shooters[i]);
        if (projectile == nullptr)
            continue;
        NOD_Body* body = NOD_Body::DynamicCast(projectile);
        NOD_Node* shooter = body != nullptr ? body->GetShooter() : nullptr;
        BHV_Behaviour::Notify(_owner, NOD_Body_InformShotHit::Create(shooter, projectile), 1);
    }
}
}  // namespace

s32 BHV_Body_S_ShotHits::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Body_RequestShotHits::ID ? 1 : 0;
}

s32 BHV_Body_S_ShotHits::IsStopMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Body_RejectShotHits::ID ? 1 : 0;
}

NOD_Message* BHV_Body_S_ShotHits::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    if (IsStartMessage(_message) == 0 && IsStopMessage(_message) == 0)
        return nullptr;
    return Handled(_message, _handled);
}

s32 BHV_Body_S_ShotHits::Handle()
{
    NOD_Body* owner = GetOwner()->body;
    ReportShotHits(owner, owner);
    return 1;
}

void BHV_Body_S_ShotHits::Interrupt() {}

// Enemy watch --------------------------------------------------------------------------------

namespace
{
// What both watches clear when they stop; the blocking test and the ranges stay.
constexpr u32 WATCHING = SENSING | COD_SENSOR_NAME_FILTER;
}  // namespace

s32 BHV_Body_S_WatchEnemies::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Body_InformEnemies::ID ? 1 : 0;
}

s32 BHV_Body_S_WatchEnemies::IsStopMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Body_RejectEnemies::ID ? 1 : 0;
}

NOD_Message* BHV_Body_S_WatchEnemies::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    COD_Sensor* sensor = GetOwner()->sensors[BHV_SENSOR_TARGETS];
    switch (_message->GetType()) {
    case NOD_Body_InformEnemies::ID: {
        const auto [range, a, b, c, d] = NOD_Body_InformEnemies::Read(_message);
        if (sensor != nullptr) {
            sensor->m_seeingRange = range;
            ChangeSensor(sensor, COD_SENSOR_OCCLUSION | COD_SENSOR_ACTIVE | COD_SENSOR_NAME_FILTER | COD_SENSOR_SEEING,
                         COD_SENSOR_HEARING | COD_SENSOR_PRESENCE);
            TakeInterestNames(sensor, m_interestNames, a, b, c, d);
        }
        break;
    }
    case NOD_Body_RejectEnemies::ID:
        if (sensor != nullptr)
            ChangeSensor(sensor, 0, WATCHING);
        break;
    default:
        return nullptr;
    }
    return Handled(_message, _handled);
}

s32 BHV_Body_S_WatchEnemies::Handle()
{
    const BHV_Owner* owner = GetOwner();
    COD_Sensor* sensor = owner->sensors[BHV_SENSOR_TARGETS];
    const RTI_Pointer* seen = sensor != nullptr ? sensor->m_seen : nullptr;
    const s32 seenCount = sensor != nullptr ? sensor->m_seenCount : 0;
    if (BHV_CheckEnemies(owner->attackers, owner->torpedoes, seen, seenCount, sensor) == BHV_TARGET_NONE)
        return 1;
    BHV_Behaviour::Notify(owner->body, NOD_Body_EnemyArrival::Create(), 1);
    BHV_Behaviour::SendToOwner(owner->body, NOD_Body_RejectEnemies::Create());
    return 1;
}

void BHV_Body_S_WatchEnemies::Interrupt() {}

// Enemy-patrol watch -------------------------------------------------------------------------

s32 BHV_Body_S_WatchEnemiePatrol::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Body_InformEnemyPatrol::ID ? 1 : 0;
}

s32 BHV_Body_S_WatchEnemiePatrol::IsStopMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Body_RejectEnemyPatrol::ID ? 1 : 0;
}

NOD_Message* BHV_Body_S_WatchEnemiePatrol::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    const BHV_Owner* owner = GetOwner();
    COD_Sensor* sensor = owner->sensors[BHV_SENSOR_TARGETS];
    switch (_message->GetType()) {
    case NOD_Body_InformEnemyPatrol::ID: {
        // The bits are the watch's own while it runs: only a start from rest can find them
        // taken, by an attack.
        if (!m_running && sensor != nullptr &&
            (sensor->m_flags & (COD_SENSOR_ACTIVE | COD_SENSOR_SEEING | COD_SENSOR_HEARING | COD_SENSOR_PRESENCE)) !=
                0) {
            delete _message;
            OS_Fatal("BHV_Body_S_WatchEnemiePatrol::PM_InformEnemyPatrol(void)", "Attack sensor conflict.");
        }
        const auto [range, a, b, c, d, path] = NOD_Body_InformEnemyPatrol::Read(_message);
        NOD_PatrolArea* area = nullptr;
        if (path.GetDepth() != 0 || path.IsAbsolute() != 0) {
            area = NOD_PatrolArea::DynamicCast(owner->body->Find(path));
            if (area == nullptr) {
                char text[SIM_Path::STRING_BYTES];
                path.GetString(text, sizeof(text));
                OS_Log(OS_Format("PatrolArea %s is invalid", text));
            }
        }
        m_patrolArea.Set(area);
        m_running = true;
        if (sensor != nullptr) {
            sensor->m_presenceRange = range;
            ChangeSensor(sensor, COD_SENSOR_ACTIVE | COD_SENSOR_NAME_FILTER | COD_SENSOR_PRESENCE,
                         COD_SENSOR_OCCLUSION | COD_SENSOR_SEEING | COD_SENSOR_HEARING);
            TakeInterestNames(sensor, m_interestNames, a, b, c, d);
        }
        break;
    }
    case NOD_Body_RejectEnemyPatrol::ID:
        m_running = false;
        if (sensor != nullptr)
            ChangeSensor(sensor, 0, WATCHING);
        break;
    default:
        return nullptr;
    }
    return Handled(_message, _handled);
}

s32 BHV_Body_S_WatchEnemiePatrol::Handle()
{
    const BHV_Owner* owner = GetOwner();
    COD_Sensor* sensor = owner->sensors[BHV_SENSOR_TARGETS];
    const RTI_Pointer* present = sensor != nullptr ? sensor->m_present : nullptr;
    const s32 presentCount = sensor != nullptr ? sensor->m_presentCount : 0;
    NOD_PatrolArea* area = NOD_PatrolArea::DynamicCast(NodeOf(m_patrolArea));
    if (BHV_CheckEnemiesInPatrolArea(area, owner->attackers, present, presentCount, sensor) == BHV_TARGET_NONE)
        return 1;
    BHV_Behaviour::Notify(owner->body, NOD_Body_EnemyArrivalPatrol::Create(), 1);
    BHV_Behaviour::SendToOwner(owner->body, NOD_Body_RejectEnemyPatrol::Create());
    return 1;
}

void BHV_Body_S_WatchEnemiePatrol::Interrupt() {}
