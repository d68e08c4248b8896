// The projectile spawner: the prototype table, and the spawns that copy, place and enter its
// prototypes.
#include "brisel_spawn.h"

#include "nod_bullet.h"
#include "nod_buzzer.h"
#include "nod_debris.h"
#include "nod_message.h"
#include "nod_particleemitter.h"
#include "nod_shrapnel.h"
#include "nod_torpedo.h"
#include "nod_trail.h"
#include "os_fatal.h"
#include "sim_clock.h"

Brisel_Spawn* Brisel_TheSpawn = nullptr;

namespace
{
// The prototype files of each row, in the order the table is read.
const char* const BULLET_FILES[Brisel_Spawn::BULLET_TYPES] = {
    "osd/weapon/bul_doommortar.osd", "osd/weapon/bul_flak.osd",           "osd/weapon/bul_plasmagatlin.osd",
    "osd/weapon/bul_sizzler.osd",    "osd/weapon/bul_vendettagatlin.osd", "osd/weapon/bul_vendetta.osd",
    "osd/weapon/bul_vendetta.osd",
};
const char* const EMITTER_FILES[Brisel_Spawn::EMITTER_TYPES] = {
    "osd/emitter/emi_sexplos1.osd",  "osd/emitter/emi_sexplos2.osd",  "osd/emitter/emi_groundhit1.osd",
    "osd/emitter/emi_shrapnel1.osd", "osd/emitter/emi_shrapnel2.osd", "osd/emitter/emi_shrapnel3.osd",
    "osd/emitter/emi_shrapnel4.osd", "osd/emitter/emi_shrapnel5.osd",
};
const char* const DEBRIS_FILES[Brisel_Spawn::DEBRIS_TYPES] = {
    "osd/debris/deb_small1.osd",
    "osd/debris/deb_small2.osd",
};
const char* const TORPEDO_FILES[Brisel_Spawn::TORPEDO_TYPES] = {
    "osd/weapon/tor_default.osd",
    "osd/weapon/tor_homing.osd",
};
const char* const TRAIL_FILES[Brisel_Spawn::TRAIL_TYPES] = {
    "osd/trail/trail_shrapnel01.osd",
    "osd/trail/trail_shrapnel01.osd",
};
const char* const BUZZER_FILE = "osd/weapon/buzzer.osd";

// One prototype: made by its class's constructor, stored, then parsed, so that a fatal parse
// leaves it where the clean-up finds it.
template <class T>
void ReadPrototype(T*& _slot, const char* _file)
{
    _slot = new T();
    _slot->ParseIniFile_File(_file);
}

template <class T, s32 N>
void ReadRow(T* (&_slots)[N], const char* const (&_files)[N])
{
    for (s32 i = 0; i < N; ++i)
        ReadPrototype(_slots[i], _files[i]);
}

template <class T>
void DeletePrototype(T*& _slot)
{
    delete _slot;
    _slot = nullptr;
}

template <class T, s32 N>
void DeleteRow(T* (&_slots)[N])
{
    for (T*& slot : _slots)
        DeletePrototype(slot);
}

void CheckType(s32 _type, s32 _count, const char* _caption, const char* _kind)
{
    if (_type < 0 || _type >= _count)
        OS_Fatal(_caption, OS_Format("illegal %stype: %d", _kind, _type));
}

// A new node starts where it is put, without history, moving at _velocity; its motion state,
// when it has one, takes the frame (and the angles of its axes).
void Place(NOD_Body* _node, const MAT_Matrix34& _frame, const MAT_Vector3& _velocity)
{
    _node->GetCS().GetTrack().SetTransform(SIM_GetSimulationClock().time, _frame, _velocity);
    if (MOT_MotionState* state = _node->GetAttachedFrame())
        state->SetMatrix(_frame);
}

// The root's last son, then in the simulation.
void Enter(NOD_Node* _node)
{
    NOD_Node::GetRoot()->AddSon(_node);
    delete _node->ProcessMessage(NOD_Node_EnterSimulation::Create());
}
}  // namespace

Brisel_Spawn::Brisel_Spawn() : m_debrisCounter(0)
{
    // A prototype file that stops the run stops the constructor too: the prototypes read so
    // far are deleted before the error goes on.
    try {
        ReadRow(m_bullets, BULLET_FILES);
        ReadRow(m_emitters, EMITTER_FILES);
        ReadRow(m_debris, DEBRIS_FILES);
        ReadRow(m_torpedoes, TORPEDO_FILES);
        ReadRow(m_trails, TRAIL_FILES);
        ReadPrototype(m_buzzer, BUZZER_FILE);
    } catch (const OS_FatalError&) {
        DeletePrototypes();
        throw;
    }
}

Brisel_Spawn::~Brisel_Spawn() { DeletePrototypes(); }

void Brisel_Spawn::DeletePrototypes()
{
    DeleteRow(m_bullets);
    DeleteRow(m_emitters);
    DeleteRow(m_debris);
    DeleteRow(m_torpedoes);
    DeleteRow(m_trails);
    DeletePrototype(m_buzzer);
}

NOD_Bullet* Brisel_Spawn::SpawnBullet(s32 _type, NOD_Node* _owner, const MAT_Matrix34& _frame)
{
    CheckType(_type, BULLET_TYPES, "Brisel_Spawn::SpawnBullet()", "bullet");
    NOD_Bullet* bullet = static_cast<NOD_Bullet*>(m_bullets[_type]->Clone());
    const MAT_Vector3 velocity = _frame.r.GetY() * bullet->GetVMax();
    Place(bullet, _frame, velocity);
    bullet->GetMotionState().SetVelocity(velocity);
    bullet->SetShooter(_owner);
    bullet->SetBulletType(_type);
    Enter(bullet);
    return bullet;
}

NOD_ParticleEmitter* Brisel_Spawn::SpawnEmitter(s32 _type, NOD_Node* _father, const MAT_Matrix34& _frame)
{
    CheckType(_type, EMITTER_TYPES, "Brisel_Spawn::SpawnEmitter()", "emitter");
    NOD_ParticleEmitter* emitter = static_cast<NOD_ParticleEmitter*>(m_emitters[_type]->Clone());
    _father->AddSon(emitter);
    delete emitter->ProcessMessage(NOD_Node_EnterSimulation::Create());
    // A recorded state after the entry, not a restart: the emitter starts its track at the
    // frame, relative to the father it has just been linked to.
    emitter->GetCS().SetState(SIM_GetSimulationClock().time, _frame);
    return emitter;
}

NOD_Torpedo* Brisel_Spawn::SpawnTorpedo(s32 _type, NOD_Node* _owner, const MAT_Matrix34& _frame,
                                        const MAT_Vector3& _ownerVelocity, NOD_Node* _target)
{
    CheckType(_type, TORPEDO_TYPES, "Brisel_Spawn::SpawnTorpedo()", "torpedo");
    NOD_Torpedo* torpedo = CloneTorpedo(_type);
    // At rest: the motion state keeps the velocities of the clone; the launch velocity is
    // added when the torpedo enters.
    Place(torpedo, _frame, MAT_Vector3());
    torpedo->SetLaunch(SIM_GetSimulationClock().time, _owner, _ownerVelocity, _target, _type);
    Enter(torpedo);
    return torpedo;
}

NOD_Buzzer* Brisel_Spawn::SpawnBuzzer(NOD_Node* _owner, const MAT_Matrix34& _frame, f32 _eject, MAT_Vector3 _tumbling)
{
    NOD_Buzzer* buzzer = static_cast<NOD_Buzzer*>(m_buzzer->Clone());
    Place(buzzer, _frame, MAT_Vector3());
    buzzer->Launch(_owner, _frame, _eject, _tumbling);
    Enter(buzzer);
    return buzzer;
}

f32 Brisel_Spawn::NOD_GetBulletVelocity(s32 _type)
{
    CheckType(_type, BULLET_TYPES, "Brisel_Spawn::NOD_GetBulletVelocity()", "bullet");
    return m_bullets[_type]->GetVMax();
}

f32 Brisel_Spawn::GetBulletRange(s32 _type)
{
    CheckType(_type, BULLET_TYPES, "Brisel_Spawn::GetBulletRange()", "bullet");
    return m_bullets[_type]->GetVMax() * 1.5f;
}

NOD_Bullet* Brisel_Spawn::CloneBullet(s32 _type) { return static_cast<NOD_Bullet*>(m_bullets[_type]->Clone()); }

NOD_Debris* Brisel_Spawn::SpawnDebris(s32 _type, const MAT_Matrix34& _frame, Brisel_DebrisLaunch _launch)
{
    CheckType(_type, DEBRIS_TYPES, "Brisel_Spawn::SpawnDebris()", "debris");
    NOD_Debris* debris = static_cast<NOD_Debris*>(m_debris[_type]->Clone());
    debris->SetName(OS_Format("deb%d", m_debrisCounter));
    ++m_debrisCounter;
    debris->Init(_frame, _launch.velocity, NOD_DebrisEmit());
    Enter(debris);
    return debris;
}

NOD_Shrapnel* Brisel_Spawn::SpawnShrapnel(s32 _visual, s32 _piece, const MAT_Matrix34& _frame,
                                          const MAT_Vector3& _baseVelocity, const MAT_Vector3& _centre,
                                          const MAT_Vector3& _unused)
{
    // A dying body asks for pieces whatever its visual holds: a piece it does not hold makes
    // nothing (and draws nothing).
    if (NOD_Shrapnel::HasPiece(_visual, _piece) == 0)
        return nullptr;
    NOD_Shrapnel* shrapnel = new NOD_Shrapnel();
    shrapnel->SetName(OS_Format("deb%d", m_debrisCounter));
    shrapnel->BuildBurst(_visual, _piece, _frame, _baseVelocity, _centre, _unused);
    Enter(shrapnel);
    return shrapnel;
}

NOD_Torpedo* Brisel_Spawn::CloneTorpedo(s32 _type) { return static_cast<NOD_Torpedo*>(m_torpedoes[_type]->Clone()); }
