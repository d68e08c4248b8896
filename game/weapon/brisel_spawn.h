// The projectile spawner of a benchmark run: one prototype node per kind of projectile, effect
// and debris, read once at the start of the run and copied for every spawn, so that no
// description file is read while the run is timed.
//
// One spawner per run, reached through Brisel_TheSpawn: the benchmark run creates it after the
// renderer and before the simulation driver, and deletes it right after the driver. The
// prototypes are owned, never linked into the scene tree and never entered into the
// simulation. Their classes are not in the engine yet: every slot of the table stays null and
// the constructor reads nothing. One thread.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class NOD_Bullet;
class NOD_Buzzer;
class NOD_Debris;
class NOD_ParticleEmitter;
class NOD_Torpedo;
class NOD_Trail;

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

    // An empty prototype table and the debris counter at 0.
    Brisel_Spawn();
    // Deletes every prototype it holds.
    ~Brisel_Spawn();
    Brisel_Spawn(const Brisel_Spawn&) = delete;
    Brisel_Spawn& operator=(const Brisel_Spawn&) = delete;

    s32 GetDebrisCounter() const { return m_debrisCounter; }

private:
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
