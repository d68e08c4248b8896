// The physical character: its description, its step (behaviours, motion, spring bones, sons
// on bones, sector reports), its messages and its box.
#include "nod_physicalcharacter.h"

#include <cmath>
#include <new>

#include "cod_emitter.h"
#include "cod_sensor.h"
#include "crt_rand.h"
#include "des_file.h"
#include "mem_alloc.h"
#include "nod_bodylink.h"
#include "nod_message.h"
#include "nod_player.h"
#include "nod_vessel.h"
#include "os_fatal.h"
#include "rti_class.h"
#include "sim_clock.h"
#include "vca_cache.h"

RTI_IMPLEMENT_CLASS(NOD_PhysicalCharacter, "NOD_Body")

namespace
{
const char* const PARSE = "NOD_PhysicalCharacter::ParseIniFile()";
constexpr f32 INITIAL_SECTOR_TIME = 1.17549435e-38f;
constexpr f32 DELAY_EPSILON = 1.1920929e-07f;
constexpr f32 TWO_PI = 6.2831855f;
constexpr u32 MOTION_FLAGS = 0x27;

// The sensed bodies that count for the sector reports: vessels and the player.
bool IsReported(NOD_Node* _node)
{
    if (_node == nullptr)
        return false;
    return NOD_Player::DynamicCast(_node) != nullptr || NOD_Vessel::DynamicCast(_node) != nullptr;
}
}  // namespace

NOD_PhysicalCharacter::NOD_PhysicalCharacter()
{
    // The body moves with the motion model's state, which exists only now.
    GetCS().SetAttachedFrame(&m_motion.State);
    m_motion.State.SetMatrix(*GetCS().GetTrack().GetAt(0.0f, nullptr));
    for (f32& time : sectorTimes)
        time = INITIAL_SECTOR_TIME;
}

NOD_PhysicalCharacter::~NOD_PhysicalCharacter()
{
    MEM_Free(m_children);
    GetCS().SetAttachedFrame(nullptr);
}

NOD_PhysicalCharacter* NOD_PhysicalCharacter::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_PhysicalCharacter*>(_node);
}

void NOD_PhysicalCharacter::ParseIniFile_Des(DES_Section& _data)
{
    const f32 now = SIM_GetSimulationClock().time;
    m_set.Load(_data, PARSE);

    DES_Section control = NOD_RequireSection(_data, "Control", PARSE);
    m_motion.Parse(&control);
    control.GetFloat("Rolling", &Rolling);

    const f32 range = ParseSensor(_data);

    static const f32 unitBox[6] = {-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f};
    GetAggregate().GenerateVisibleObject(unitBox);

    GetAggregate().GenerateSensor2();
    COD_Sensor* sensor = GetAggregate().GetSensor2();
    sensor->m_presenceRange = range;
    sensor->SetCapacities(0, 0, PRESENCE_CAPACITY, 0);
    sensor->m_flags |= COD_SENSOR_ACTIVE | COD_SENSOR_PRESENCE;

    DES_Section physical = NOD_RequireSection(_data, "PhysicalAnimation", PARSE);
    m_physical.Init(&physical, &m_set.controller, &m_set.skeleton, m_set.skin);

    LoadSons(_data);
    ParseChildTransformations(_data);

    m_motion.State.SetMatrix(*GetCS().GetTrack().GetAt(now, nullptr));
    m_motion.State.flags = MOTION_FLAGS;
    m_parts.Fill(this);
    m_parts.characterMotion = &m_motion;
    m_goto.SetSteeringMode(1);
    m_actions.Register(&m_goto, &m_parts);
    m_actions.Register(&m_lookTo, &m_parts);
    VCA_Cache* set = m_set.GetSet();
    m_animation.Init(m_set.GetAnimationCount(), set->names, m_set.GetHandles(), &m_set.controller);
    m_actions.Register(&m_animation, &m_parts);
}

f32 NOD_PhysicalCharacter::ParseSensor(DES_Section& _data)
{
    DES_Section sensor = NOD_RequireSection(_data, "Sensor", PARSE);
    sensor.GetS32("NumOfSensorSectors", &NumOfSensorSectors);
    if (NumOfSensorSectors < 0 || NumOfSensorSectors > MAX_SENSOR_SECTORS)
        OS_Fatal(PARSE, "illegal NumOfSensorSectors");
    sensor.GetFloat("SensorDelay", &SensorDelay);
    sensor.GetS32("AllSectorsDifferent", &AllSectorsDifferent);
    AllSectorsDifferent = AllSectorsDifferent != 0 ? 1 : 0;
    f32 range = 0.0f;
    sensor.GetFloat("SensorRange", &range);
    for (f32& time : sectorTimes)
        time = INITIAL_SECTOR_TIME;
    return range;
}

void NOD_PhysicalCharacter::ParseChildTransformations(DES_Section& _data)
{
    DES_Section transformations;
    if (!_data.FindSection(&transformations, "ChildTransformation"))
        return;
    const char* file = NOD_DesFileName(_data);
    s32 count = 0;
    transformations.GetS32("NumOfChild", &count);
    if (count < 0)
        OS_Fatal(PARSE, OS_Format("illegal NumOfChild %d in file \"%s\"", (int)count, file));
    ChildTransformation* children = nullptr;
    if (count > 0) {
        children = (ChildTransformation*)MEM_Alloc((u32)count * (u32)sizeof(ChildTransformation));
        for (s32 i = 0; i < count; ++i)
            new (&children[i]) ChildTransformation();
    }
    // Held at once, so a fatal record below leaves nothing behind.
    m_children = children;
    NumOfChild = count;
    const f32 now = SIM_GetSimulationClock().time;
    for (s32 i = 0; i < count; ++i) {
        DES_Section child;
        if (!transformations.FindSectionIndexed(&child, "Child", (u32)i))
            OS_Fatal("DES FILE ERROR",
                     OS_Format("(%s): Get [\"%s%d\"] in file \"%s\" failed", PARSE, "Child", (int)i, file));
        ChildTransformation& record = children[i];
        record.frame.r.SetDiagonal(1.0f);
        child.GetS32("ChildIndex", &record.ChildIndex);
        child.GetS32("ConnectBoneIndex", &record.ConnectBoneIndex);
        if (record.ConnectBoneIndex < 0 || record.ConnectBoneIndex >= m_physical.GetBoneCount())
            OS_Fatal(PARSE,
                     OS_Format("illegal ConnectBoneIndex %d in file \"%s\"", (int)record.ConnectBoneIndex, file));
        // A son index outside the sons stays unused (GetSon would log it).
        if (record.ChildIndex >= 0 && record.ChildIndex < (s32)GetNumOfSons())
            if (NOD_Body* son = NOD_Body::DynamicCast(GetSon(record.ChildIndex)))
                record.frame = *son->GetCS().GetTrack().GetAt(now, nullptr);
    }
}

void NOD_PhysicalCharacter::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    const f32 next = clock.time + clock.dt;
    NOD_StepCharacter(*this, m_actions, m_motion);
    m_physical.Update(*GetWorldTransform(next));
    MoveBoneSons(next);
    if (std::fabs(SensorDelay) > DELAY_EPSILON && NumOfSensorSectors > 0)
        ReportSectors(clock.time);

    const MAT_Matrix34 world = *GetWorldTransform(clock.time);
    GetAggregate().HeartBeat(world, m_motion.State.GetVelocity());
    NOD_Node::HeartBeat();
}

void NOD_PhysicalCharacter::MoveBoneSons(f32 _time)
{
    for (s32 i = 0; i < NumOfChild; ++i) {
        const ChildTransformation& record = m_children[i];
        if (record.ChildIndex < 0 || record.ChildIndex >= (s32)GetNumOfSons())
            continue;
        NOD_Body* son = NOD_Body::DynamicCast(GetSon(record.ChildIndex));
        const MAT_Matrix34* bone = m_physical.GetBoneMatrix(record.ConnectBoneIndex);
        if (son == nullptr || bone == nullptr)
            continue;
        MAT_Matrix34 frame = bone->Compose(record.frame);
        frame.r.Orthonormalize(1);
        // At rest, the attached frame (if any) taking the same matrix.
        son->GetCS().SetState(_time, frame);
    }
}

void NOD_PhysicalCharacter::ReportSectors(f32 _time)
{
    const COD_Sensor* sensor = GetAggregate().GetSensor2();
    if (sensor == nullptr || sensor->m_present == nullptr)
        return;
    const MAT_Matrix34& frame = m_motion.State.frame;
    const MAT_Vector3 axis0 = frame.r.GetAxis(0);
    const MAT_Vector3 axis1 = frame.r.GetAxis(1);
    s32 due[SECTOR_TIMES] = {};
    s32 dueCount = 0;
    for (s32 i = 0; i < sensor->m_presentCount; ++i) {
        const COD_Emitter* emitter = static_cast<const COD_Emitter*>(sensor->m_present[i].Get());
        if (emitter == nullptr)
            continue;
        NOD_Node* owner = static_cast<NOD_Node*>(emitter->m_owner.Get());
        NOD_Body* body = NOD_Body::DynamicCast(owner);
        if (body == nullptr || !IsReported(owner))
            continue;
        MAT_Vector3 position;
        body->GetMatrixAtTime(&position, _time);
        const MAT_Vector3 d = position - frame.t;
        const f32 a = (f32)std::atan2((f64)d.Dot(axis0), (f64)d.Dot(axis1));
        const f32 scaled = (a / TWO_PI + 0.5f) * (f32)NumOfSensorSectors;
        s32 sector = scaled >= 0.0f ? (s32)scaled : 0;  // NaN reads as sector 0
        if (sector > NumOfSensorSectors - 1)
            sector = NumOfSensorSectors - 1;
        if (!(sectorTimes[sector] + SensorDelay < _time))
            continue;
        bool listed = false;
        for (s32 k = 0; k < dueCount; ++k)
            listed = listed || due[k] == sector;
        if (!listed)
            due[dueCount++] = sector;
    }
    if (dueCount == 0)
        return;
    if (AllSectorsDifferent == 0) {
        const s32 sector = due[CRT_Rand() % dueCount];
        delete SendToThread(NOD_PhysicalCharacter_SensorActivated::Create(sector), 1);
        for (s32 s = 0; s < NumOfSensorSectors; ++s)
            sectorTimes[s] = _time;
        return;
    }
    for (s32 k = 0; k < dueCount; ++k) {
        delete SendToThread(NOD_PhysicalCharacter_SensorActivated::Create(due[k]), 1);
        sectorTimes[due[k]] = _time;
    }
}

void NOD_PhysicalCharacter::Render()
{
    const f32 time = SIM_GetFrameClock().time;
    m_set.Animate(time);
    (void)GetWorldTransform(time);
    // Stops the program; the mesh would go to the renderer's skinned-mesh entry.
    m_physical.GetMesh(time);
}

void NOD_PhysicalCharacter::GetBoundingBox(f32* _box, f32 _time)
{
    NOD_CharacterSet::GetBoundingBox(*this, _box, _time);
}

void NOD_PhysicalCharacter::PM_EnterSimulation(NOD_Body* _body, NOD_Message* _message)
{
    delete _message;
    const MAT_Matrix34 world = *_body->GetWorldTransform(SIM_GetSimulationClock().time);
    _body->GetAggregate().EnterSimulation(world, MAT_Vector3());
    for (s32 i = 0; i < (s32)_body->GetNumOfSons(); ++i)
        delete _body->GetSon(i)->ProcessMessage(NOD_Node_EnterSimulation::Create());
    _body->SetFlags(_body->GetFlags() | FLAG_IN_SIMULATION);
}

void NOD_PhysicalCharacter::PM_LeaveSimulation(NOD_Body* _body, NOD_Message* _message)
{
    delete _message;
    for (s32 i = 0; i < (s32)_body->GetNumOfSons(); ++i)
        delete _body->GetSon(i)->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    _body->GetAggregate().LeaveSimulation();
    _body->SetFlags(_body->GetFlags() & ~(u32)FLAG_IN_SIMULATION);
    NOD_RestAtTrackFrame(*_body, SIM_GetSimulationClock().time);
}

NOD_Message* NOD_PhysicalCharacter::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        PM_EnterSimulation(this, _message);
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        PM_LeaveSimulation(this, _message);
        return nullptr;
    case NOD_Body_SetCS::ID:
        return NOD_Body::ProcessMessage(_message);
    case NOD_PhysicalCharacter_StartAnimation::ID: {
        const auto [segment, blendTime] = NOD_PhysicalCharacter_StartAnimation::Read(_message);
        delete _message;
        m_physical.ActivateSegment((s32)segment, blendTime, *GetWorldTransform(SIM_GetSimulationClock().time));
        OS_Log("Physical Start");
        return nullptr;
    }
    case NOD_PhysicalCharacter_StopAnimation::ID: {
        const auto [segment, blendTime] = NOD_PhysicalCharacter_StopAnimation::Read(_message);
        delete _message;
        m_physical.DeactivateSegment((s32)segment, blendTime);
        return nullptr;
    }
    default:
        return BHV_DispatchToOwnerChain(this, _message, nullptr, nullptr, &m_actions);
    }
}
