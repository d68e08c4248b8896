#include "tools_spawner.h"

#include "tools_launch.h"
#include "tools_mesh.h"
#include "tools_sam.h"
#include "tools_wav.h"

namespace
{
const char* const BULLET_FILES[7] = {
    "osd/weapon/bul_doommortar.osd", "osd/weapon/bul_flak.osd",           "osd/weapon/bul_plasmagatlin.osd",
    "osd/weapon/bul_sizzler.osd",    "osd/weapon/bul_vendettagatlin.osd", "osd/weapon/bul_vendetta.osd",
    "osd/weapon/bul_vendetta.osd",
};
const char* const BULLET_NAMES[7] = {"doommortar",  "flak",     "plasmagatlin", "sizzler",
                                     "vendettagat", "vendetta", "vendetta"};
const char* const EMITTER_FILES[8] = {
    "osd/emitter/emi_sexplos1.osd",  "osd/emitter/emi_sexplos2.osd",  "osd/emitter/emi_groundhit1.osd",
    "osd/emitter/emi_shrapnel1.osd", "osd/emitter/emi_shrapnel2.osd", "osd/emitter/emi_shrapnel3.osd",
    "osd/emitter/emi_shrapnel4.osd", "osd/emitter/emi_shrapnel5.osd",
};
const char* const DEBRIS_FILES[2] = {"osd/debris/deb_small1.osd", "osd/debris/deb_small2.osd"};
const char* const BULLET_MESH = "bul_tracer.msh";
const char* const EXPLOSION_TEXTURE = "vfx\\tex\\fx\\explosion01";
const char* const BUBBLE_TEXTURE = "vfx\\tex\\fx\\bubble01";

// Appends a file unless its path is there already (rows share meshes, textures and sounds).
void Add(std::vector<std::pair<std::string, std::string>>& _files, const std::string& _path, const std::string& _bytes)
{
    for (const auto& file : _files)
        if (file.first == _path)
            return;
    _files.emplace_back(_path, _bytes);
}

std::string Vfx(const char* _file) { return std::string("vfx/") + _file; }

std::string SoundBytes(f64 _frequency)
{
    return TOOL_WavPcmBytes(1, 22050, 16, TOOL_WavTone(1, 22050, 2205, _frequency, 8000));
}
}  // namespace

TOOL_BulletDescription TOOL_SpawnerBullet(s32 _type)
{
    TOOL_BulletDescription bullet;
    bullet.name = BULLET_NAMES[_type];
    bullet.primaryMesh = BULLET_MESH;
    bullet.control.vMax = TOOL_SPAWNER_BULLET_SPEEDS[_type];
    bullet.shield.kineticOut = 10 + 5 * _type;
    TOOL_ChildSection trail;
    trail.nameCLA = "NOD_Trail";
    trail.nameOSD = TOOL_SPAWNER_TRAIL_FILE;
    bullet.children.push_back(trail);
    return bullet;
}

TOOL_EmitterNodeDescription TOOL_SpawnerEmitter(s32 _type)
{
    TOOL_EmitterNodeDescription emitter;
    TOOL_ParticleEmitterSection& e = emitter.emitter;
    // Explosions and the ground hit burst and end; the shrapnel smoke lives as long as its piece.
    const bool shrapnel = _type >= 3;
    emitter.lifeTime = shrapnel ? 0.0f : 0.5f + 0.25f * (f32)_type;
    e.texture = _type < 2 ? EXPLOSION_TEXTURE : BUBBLE_TEXTURE;
    e.parPerSecond = shrapnel ? 10.0f + (f32)(_type - 3) : 40.0f;
    e.coneAngle = _type == 2 ? 60.0f : 180.0f;
    e.parVelocity[0] = 1.0f;
    e.parVelocity[1] = shrapnel ? 2.0f : 6.0f;
    e.lift[2] = shrapnel ? 2.0f : 0.5f;
    e.lifeTime = shrapnel ? 1.5f : 1.0f;
    e.size = _type < 2 ? 4.0f : 1.5f;
    return emitter;
}

TOOL_TrailDescription TOOL_SpawnerTrail() { return TOOL_TrailDescription(); }

TOOL_Debris TOOL_SpawnerDebris(s32 _type)
{
    TOOL_DebrisEmit first;
    TOOL_DebrisEmit second;
    second.time = 0.2f;
    TOOL_Debris debris;
    debris.lifeTime = _type == 0 ? 3.0f : 2.0f;
    debris.children.push_back(TOOL_MakeDebrisChild("NOD_ParticleEmitter", EMITTER_FILES[0], first));
    debris.children.push_back(TOOL_MakeDebrisChild("NOD_ParticleEmitter", EMITTER_FILES[1], second));
    if (_type == 0) {
        // Thrown off tilted 10 to 30 degrees from the flight, at any azimuth, tumbling.
        TOOL_DebrisEmit thrown;
        thrown.time = 0.5f;
        thrown.coneMin = 10.0f;
        thrown.coneMax = 30.0f;
        thrown.rollMin = -180.0f;
        thrown.rollMax = 180.0f;
        thrown.velocityMin = 5.0f;
        thrown.velocityMax = 10.0f;
        thrown.velocityRot[0] = 90.0f;
        thrown.lift[2] = -2.0f;
        debris.children.push_back(TOOL_MakeDebrisChild("NOD_Debris", DEBRIS_FILES[1], thrown));
    }
    return debris;
}

const char* TOOL_SpawnerDebrisFile(s32 _type) { return DEBRIS_FILES[_type]; }

const char* TOOL_SpawnerBulletFile(s32 _type) { return BULLET_FILES[_type]; }

const char* TOOL_SpawnerEmitterFile(s32 _type) { return EMITTER_FILES[_type]; }

std::vector<std::pair<std::string, std::string>> TOOL_SpawnerFiles()
{
    std::vector<std::pair<std::string, std::string>> files;
    // Bullets, their mesh and their impact sounds.
    for (s32 type = 0; type < 7; ++type)
        Add(files, Vfx(BULLET_FILES[type]), TOOL_BulletDescriptionText(TOOL_SpawnerBullet(type)));
    Add(files, Vfx("msh/") + BULLET_MESH, TOOL_MeshText(TOOL_MeshGrid(1, 1, 1)));
    Add(files, "sfx/sample/ef_01.wav", SoundBytes(220.0));
    Add(files, "sfx/sample/ef_02.wav", SoundBytes(110.0));
    // Emitters and their particle textures.
    for (s32 type = 0; type < 8; ++type)
        Add(files, Vfx(EMITTER_FILES[type]), TOOL_EmitterNodeDescriptionText(TOOL_SpawnerEmitter(type)));
    Add(files, TOOL_EffectTextureFile(EXPLOSION_TEXTURE), TOOL_EffectTextureBytes());
    Add(files, TOOL_EffectTextureFile(BUBBLE_TEXTURE), TOOL_EffectTextureBytes());
    // Debris (their emitters are the explosions above) and their launch sound.
    for (s32 type = 0; type < 2; ++type)
        Add(files, Vfx(DEBRIS_FILES[type]), TOOL_DebrisText(TOOL_SpawnerDebris(type)));
    TOOL_SampleInfo explosion;
    explosion.name = "explosion1.wav";
    Add(files, TOOL_SPAWNER_DEBRIS_SAMPLE_FILE, TOOL_SampleInfoText(explosion));
    Add(files, "sfx/sample/explosion1.wav", SoundBytes(55.0));
    // The trail prototypes (and the bullets' trails) and their texture.
    const TOOL_TrailDescription trail = TOOL_SpawnerTrail();
    Add(files, Vfx(TOOL_SPAWNER_TRAIL_FILE), TOOL_TrailDescriptionText(trail));
    Add(files, TOOL_EffectTextureFile(trail.texture), TOOL_EffectTextureBytes());
    // The torpedoes and the buzzer, with their meshes and collision trees.
    for (const auto& file : TOOL_LaunchFiles())
        Add(files, file.first, file.second);
    return files;
}
