// Writer of every file the projectile spawner of a run reads: its prototype descriptions
// under "vfx\" and the meshes, textures and sounds they name, for the run tests, the benches
// and the sample scene. Each prototype row of the spawner's table has its block here.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "os_types.h"
#include "tools_debris.h"
#include "tools_projectiles.h"

// The speeds of bullet types 0..6 in the written prototypes (types 5 and 6 share a file).
inline constexpr f32 TOOL_SPAWNER_BULLET_SPEEDS[7] = {60.0f, 100.0f, 200.0f, 120.0f, 250.0f, 300.0f, 300.0f};

// The prototype descriptions as written: bullet type 0..6, emitter type 0..7, the trail.
TOOL_BulletDescription TOOL_SpawnerBullet(s32 _type);
TOOL_EmitterNodeDescription TOOL_SpawnerEmitter(s32 _type);
TOOL_TrailDescription TOOL_SpawnerTrail();
// Debris type 0 (two explosion emitters, then type 1 thrown off half a second after it appeared)
// and type 1 (the same two emitters only).
TOOL_Debris TOOL_SpawnerDebris(s32 _type);

// The prototype file of bullet type 0..6 and emitter type 0..7, as the spawner names them.
const char* TOOL_SpawnerBulletFile(s32 _type);
const char* TOOL_SpawnerEmitterFile(s32 _type);
inline constexpr const char* TOOL_SPAWNER_TRAIL_FILE = "osd/trail/trail_shrapnel01.osd";
// The debris file of type 0..1.
const char* TOOL_SpawnerDebrisFile(s32 _type);
// The launch sound every debris reads.
inline constexpr const char* TOOL_SPAWNER_DEBRIS_SAMPLE_FILE = "sfx/sample/explosion1.sam";

// Every file, as (path below the working directory, bytes); each path once.
std::vector<std::pair<std::string, std::string>> TOOL_SpawnerFiles();
