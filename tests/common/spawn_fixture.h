// The projectile spawner as a run has it, for the tests and benches of weapons and of whatever
// fires them: every file the spawner reads, the spawner made after the resource cache and
// before the simulation driver (TST_RunSpawner), and a small run around it without a scenario
// script (TST_SpawnWorld, a TST_RunWorld), stepped and drawn as the run does. Free of the test framework's
// assertions (the benches use it too). The working directory must hold the spawner's files
// before a spawner is made.
#pragma once

#include <string>

#include "brisel_spawn.h"
#include "run_world_fixture.h"
#include "tools_spawner.h"

// Every file the spawner reads (descriptions, meshes, textures, sounds), into _dir (any
// directory with Write(name, bytes) const: the tests' TST_TempDir or a bench's own).
template <class Dir>
void TST_WriteSpawnerFiles(const Dir& _dir)
{
    for (const auto& file : TOOL_SpawnerFiles())
        _dir.Write(file.first, file.second);
}

// The run's spawner (Brisel_TheSpawn) while it lives; the resource cache must exist and outlive
// it, and the driver comes after it, as in the run.
class TST_RunSpawner
{
public:
    TST_RunSpawner()
    {
        spawn = new Brisel_Spawn();
        Brisel_TheSpawn = spawn;
    }
    ~TST_RunSpawner()
    {
        Brisel_TheSpawn = nullptr;
        delete spawn;
    }
    TST_RunSpawner(const TST_RunSpawner&) = delete;
    TST_RunSpawner& operator=(const TST_RunSpawner&) = delete;

    Brisel_Spawn* spawn = nullptr;
};

// The run of TST_RunWorld with the spawner made after the resource cache and before the
// driver, as in the run. The spawner's files (unless told not to, for a test that writes its
// own) are written into _dir first.
class TST_SpawnWorld : public TST_RunWorld
{
public:
    template <class Dir>
    explicit TST_SpawnWorld(const Dir& _dir, bool _writeSpawnerFiles = true) : TST_RunWorld(_dir, false)
    {
        if (_writeSpawnerFiles)
            TST_WriteSpawnerFiles(_dir);
        // A spawner that stops the run leaves what was made so far to the base's destructor.
        spawner = new TST_RunSpawner();
        StartDriver();
    }
    // The driver (the tree with it) before the spawner, the rest after it.
    ~TST_SpawnWorld() override
    {
        StopDriver();
        delete spawner;
        spawner = nullptr;
    }

    Brisel_Spawn* Spawn() const { return spawner->spawn; }

    TST_RunSpawner* spawner = nullptr;
};
