// Debris: parsing of the emit table, the launch, the flight and the releases.
#include "nod_debris.h"

#include "brisel_soundsystem.h"
#include "des_file.h"
#include "mat_angle.h"
#include "nod_debris_local.h"
#include "nod_message.h"
#include "nod_particleemitter.h"
#include "os_fatal.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Debris, "NOD_Body")

namespace
{
constexpr f32 DEGREES_TO_RADIANS = 0.017453292f;
constexpr const char* PARSE = "NOD_Debris::ParseIniFile()";
constexpr const char* LAUNCH_SAMPLE = "sfx\\sample\\explosion1.sam";
constexpr u32 FRICTION_FLAGS = MOT_Friction::HEADING | MOT_Friction::PITCH | MOT_Friction::ROLL |
                               MOT_Friction::WORLD_X | MOT_Friction::WORLD_Y | MOT_Friction::WORLD_Z;

void ReadVector3(DES_Section& _section, const char* _key, MAT_Vector3* _value)
{
    _section.GetVector3(_key, &_value->x);
}

void ReadDegrees(DES_Section& _section, const char* _key, f32* _radians)
{
    _section.GetFloat(_key, _radians);
    *_radians *= DEGREES_TO_RADIANS;
}
}  // namespace

NOD_Debris::NOD_Debris()
{
    // The state is attached only now: the body base is built before the member exists.
    m_flight.Attach(*this, FRICTION_FLAGS);
}

NOD_Debris::~NOD_Debris() { DeleteEntries(); }

void NOD_Debris::DeleteEntries()
{
    for (s32 i = 0; i < m_emitCount; ++i)
        delete m_emits[i].child;
    delete[] m_emits;
    m_emits = nullptr;
    m_emitCount = 0;
}

NOD_Debris* NOD_Debris::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Debris*>(_node);
}

NOD_Node* NOD_Debris::GetEmitChild(s32 _index) const
{
    return _index >= 0 && _index < m_emitCount ? m_emits[_index].child : nullptr;
}

f32 NOD_Debris::GetEmitTime(s32 _index) const
{
    return _index >= 0 && _index < m_emitCount ? m_emits[_index].time : 0.0f;
}

const NOD_DebrisEmit* NOD_Debris::GetEmit(s32 _index) const
{
    return _index >= 0 && _index < m_emitCount ? &m_emits[_index].emit : nullptr;
}

NOD_Node* NOD_Debris::Clone()
{
    NOD_Debris* clone = new NOD_Debris();
    clone->m_flight.state = m_flight.state;
    clone->m_flight.friction = m_flight.friction;
    clone->m_flight.startTime = m_flight.startTime;
    clone->m_flight.lifeTime = m_flight.lifeTime;
    clone->m_name = m_name;
    clone->m_loadRecord = m_loadRecord;
    clone->m_sample.Copy(m_sample);
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
        if (NOD_Node* son = GetSon(i)->Clone())
            clone->AddSon(son);
    if (m_emitCount > 0) {
        clone->m_emits = new Entry[(u32)m_emitCount];
        clone->m_emitCount = m_emitCount;
        for (s32 i = 0; i < m_emitCount; ++i) {
            clone->m_emits[i].time = m_emits[i].time;
            clone->m_emits[i].emit = m_emits[i].emit;
            // A class that cannot copy itself leaves the entry empty: it is never released.
            clone->m_emits[i].child = m_emits[i].child != nullptr ? m_emits[i].child->Clone() : nullptr;
        }
    }
    return clone;
}

void NOD_Debris::ParseIniFile_Des(DES_Section& _data)
{
    const char* fileName = _data.GetFile() != nullptr ? _data.GetFile()->GetName() : "";
    DES_Section debris;
    if (_data.FindSection(&debris, "Debris") == 0)
        DES_FatalSection(PARSE, "Debris", fileName);
    debris.GetFloat("LifeTime", &m_flight.lifeTime);
    DES_Section rigidBody;
    if (debris.FindSection(&rigidBody, "RigidBody") == 0)
        DES_FatalSection(PARSE, "RigidBody", fileName);
    rigidBody.GetVector3("FrictionT", &m_flight.friction.c[3]);
    rigidBody.GetVector3("FrictionR", &m_flight.friction.c[6]);

    DeleteEntries();
    LoadSons(_data);
    const s32 count = GetNumOfSons();
    if (count > 0) {
        m_emits = new Entry[(u32)count];
        m_emitCount = count;
    }
    // The entries take their children only once every section is read: until then a fatal
    // error leaves the children among the sons, where the node's destructor finds them.
    for (s32 i = 0; i < count; ++i) {
        DES_Section emit;
        if (debris.FindSectionIndexed(&emit, "Emit", (u32)i) == 0)
            DES_FatalSectionIndexed(PARSE, "Emit", (u32)i, fileName);
        Entry& entry = m_emits[i];
        emit.GetFloat("Time", &entry.time);
        ReadDegrees(emit, "ConeMin", &entry.emit.coneMin);
        ReadDegrees(emit, "ConeMax", &entry.emit.coneMax);
        ReadDegrees(emit, "RollMin", &entry.emit.rollMin);
        ReadDegrees(emit, "RollMax", &entry.emit.rollMax);
        emit.GetFloat("VelocityMin", &entry.emit.velocityMin);
        emit.GetFloat("VelocityMax", &entry.emit.velocityMax);
        ReadVector3(emit, "VelocityRot", &entry.emit.velocityRot);
        entry.emit.velocityRot = entry.emit.velocityRot * DEGREES_TO_RADIANS;
        ReadVector3(emit, "Lift", &entry.emit.lift);
    }
    for (s32 i = 0; i < count; ++i) {
        m_emits[i].child = GetSon(0);
        SubSon(m_emits[i].child);
    }
    m_sample.ParseIniFile(LAUNCH_SAMPLE);
}

void NOD_Debris::Init(const MAT_Matrix34& _frame, const MAT_Vector3& _baseVelocity, const NOD_DebrisEmit& _emit)
{
    MAT_Angle heading;
    MAT_Angle pitch;
    MAT_GetHeadingPitchAngles(_baseVelocity, heading, pitch);
    // A negligible roll is exactly 0; the cone angle is wrapped without that snap.
    const MAT_Angle roll(NOD_DrawRange(_emit.rollMin, _emit.rollMax));
    MAT_Matrix33 direction;
    direction.FromAngles(heading, pitch, roll);
    MAT_Angle cone;
    cone = NOD_DrawRange(_emit.coneMin, _emit.coneMax);
    direction.RotateX(cone);
    const f32 speed = NOD_DrawRange(_emit.velocityMin, _emit.velocityMax);

    m_flight.state.SetVelocity(direction.GetY() * speed + _baseVelocity);
    m_flight.state.SetMatrix(_frame);
    m_flight.state.rotation[MOT_MotionState::PITCH].rate = _emit.velocityRot.x;
    m_flight.state.rotation[MOT_MotionState::ROLL].rate = _emit.velocityRot.y;
    m_flight.state.rotation[MOT_MotionState::HEADING].rate = _emit.velocityRot.z;
    m_flight.lift = _emit.lift;
    if (Brisel_TheSoundSystem != nullptr)
        Brisel_TheSoundSystem->PlayEffect(1, &m_sample);
}

NOD_Message* NOD_Debris::ProcessMessage(NOD_Message* _message)
{
    switch (NOD_TakeSimulationMessage(_message)) {
    case NOD_SIMULATION_ENTER:
        m_flight.Enter(*this);
        SetFlags(GetFlags() | FLAG_IN_SIMULATION);
        return nullptr;
    case NOD_SIMULATION_LEAVE:
        // Nothing of a debris is registered with the collision world.
        m_flight.Leave(*this);
        return nullptr;
    default:
        return NOD_Node::ProcessMessage(_message);
    }
}

void NOD_Debris::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    m_flight.Step(*this, clock);
    NOD_Node::HeartBeat();
    ReleaseDue(clock.time);
    if (m_flight.IsOver(clock.time))
        GC_AddNode(this);
}

void NOD_Debris::ReleaseDue(f32 _time)
{
    for (s32 i = 0; i < m_emitCount; ++i) {
        Entry& entry = m_emits[i];
        if (entry.child == nullptr || !(m_flight.startTime + entry.time <= _time))
            continue;
        NOD_Node* child = entry.child;
        if (NOD_Debris* debris = NOD_Debris::DynamicCast(child)) {
            NOD_Node* father = GetFather();
            if (father == nullptr)
                continue;  // nowhere to throw it: it stays in the table
            father->AddSon(debris);
            const MAT_Matrix34 world = *GetWorldTransform(_time);
            debris->Init(world, m_flight.state.GetVelocity(), entry.emit);
            entry.child = nullptr;
            delete debris->ProcessMessage(NOD_Node_EnterSimulation::Create());
        } else if (NOD_ParticleEmitter* emitter = NOD_ParticleEmitter::DynamicCast(child)) {
            AddSon(emitter);
            entry.child = nullptr;
            delete emitter->ProcessMessage(NOD_Node_EnterSimulation::Create());
        } else {
            OS_Fatal("NOD_Debris::HeartBeat() - illegal emit child", GetName().GetName());
        }
    }
}

void NOD_Debris::GetBoundingBox(f32* _box, f32 _time) { NOD_WorldBox(NOD_UnitCube(), *GetWorldTransform(_time), _box); }
