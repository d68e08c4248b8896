// The projectile spawner of a benchmark run: one prototype node per kind of projectile, effect
// and debris, read once at the start of the run and copied for every spawn, so that no
// description file is read while the run is timed.
//
// One spawner per run, reached through Brisel_TheSpawn: the benchmark run creates it after the
// renderer and before the simulation driver, and deletes it right after the driver. The
// prototypes are owned, never linked into the scene tree and never entered into the
// simulation; they hold their meshes, textures and sounds for the whole run. Each spawn clones a
// prototype, places the clone, links it into the tree (the root's last son, an emitter its
// father's) and enters it into the simulation; the node returned belongs to the tree. Frames
// passed in are read, never kept. A type outside its range is fatal. One thread.
#pragma once

#include "mat_matrix.h"
#include "mat_vector.h"
#include "mem_alloc.h"
#include "os_types.h"

class NOD_Bullet;
class NOD_Buzzer;
class NOD_Debris;
class NOD_Node;
class NOD_ParticleEmitter;
class NOD_Shrapnel;
class NOD_Torpedo;
class NOD_Trail;

// The launch block of a debris spawn: the start velocity and four values nothing reads.
struct Brisel_DebrisLaunch
{
    MAT_Vector3 velocity;
    f32 unused[4] = {};
};

class Brisel_Spawn : public MEM_Object
{
public:
    enum : s32
    {
        BULLET_TYPES = 7,
        EMITTER_TYPES = 8,
        DEBRIS_TYPES = 2,
        TORPEDO_TYPES = 2,
        TRAIL_TYPES = 2,
    };

    // Reads every prototype in table order (bullets, emitters, debris, torpedoes, trails, the
    // buzzer) from its description under "vfx\"; the debris counter starts at 0.
    Brisel_Spawn();
    // Deletes every prototype it holds, in the order bullets, emitters, debris, torpedoes,
    // trails, buzzer.
    ~Brisel_Spawn();
    Brisel_Spawn(const Brisel_Spawn&) = delete;
    Brisel_Spawn& operator=(const Brisel_Spawn&) = delete;

    // A bullet of _type (0..6) flying along _frame's forward axis at its prototype's speed,
    // credited to _owner.
    NOD_Bullet* SpawnBullet(s32 _type, NOD_Node* _owner, const MAT_Matrix34& _frame);
    // A torpedo of _type (0..1) at rest at _frame, launched with the owner's velocity, homing on
    // _target when one is given.
    NOD_Torpedo* SpawnTorpedo(s32 _type, NOD_Node* _owner, const MAT_Matrix34& _frame,
                              const MAT_Vector3& _ownerVelocity, NOD_Node* _target);
    // An emitter of _type (0..7) as _father's last son, recorded at _frame in the father's frame.
    NOD_ParticleEmitter* SpawnEmitter(s32 _type, NOD_Node* _father, const MAT_Matrix34& _frame);
    // The decoy ejected by _owner from _frame.
    NOD_Buzzer* SpawnBuzzer(NOD_Node* _owner, const MAT_Matrix34& _frame, f32 _eject, MAT_Vector3 _tumbling);
    // A debris piece of _type (0..1) named "deb<counter>"; the counter advances.
    NOD_Debris* SpawnDebris(s32 _type, const MAT_Matrix34& _frame, Brisel_DebrisLaunch _launch);
    // A new shrapnel burst of piece _piece of the body visual _visual, named "deb<counter>" (the
    // counter does not advance).
    NOD_Shrapnel* SpawnShrapnel(s32 _visual, s32 _piece, const MAT_Matrix34& _frame, const MAT_Vector3& _baseVelocity,
                                const MAT_Vector3& _centre, const MAT_Vector3& _unused);

    // The speed of bullet type 0..6 (its prototype's VMax), and its range (1.5 times that).
    f32 NOD_GetBulletVelocity(s32 _type);
    f32 GetBulletRange(s32 _type);

    // Bare clones of a prototype, neither placed, linked nor entered, for the node replicators;
    // no range test (the caller checks the type).
    NOD_Bullet* CloneBullet(s32 _type);
    NOD_Torpedo* CloneTorpedo(s32 _type);

    s32 GetDebrisCounter() const { return m_debrisCounter; }

private:
    // Every prototype that is not null, in the table's order; the slots are null afterwards.
    void DeletePrototypes();

    NOD_Bullet* m_bullets[BULLET_TYPES] = {};
    NOD_ParticleEmitter* m_emitters[EMITTER_TYPES] = {};
    NOD_Debris* m_debris[DEBRIS_TYPES] = {};
    s32 m_debrisCounter = 0;  // running number of the debris nodes' names
    NOD_Torpedo* m_torpedoes[TORPEDO_TYPES] = {};
    NOD_Trail* m_trails[TRAIL_TYPES] = {};
    NOD_Buzzer* m_buzzer = nullptr;
};

// The run's spawner while a run exists, else null.
extern Brisel_Spawn* Brisel_TheSpawn;
