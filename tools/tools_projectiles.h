// Writers of the descriptions of the projectiles and the effect nodes they carry: bullets,
// particle emitter nodes and trail nodes, for test fixtures, fuzz seeds and the sample scene.
// Values are written as given, and each writer can leave a section or a key out or write a key
// with the wrong type, so fixtures can hold what the readers must refuse.
#pragma once

#include <string>
#include <vector>

#include "os_types.h"
#include "tools_particles.h"
#include "tools_sections.h"

// ---- bullets -----------------------------------------------------------------------------------

struct TOOL_BulletDescription
{
    std::string name = "bullet";  // "Info": "Name"; at most 14 characters load
    std::string primaryMesh;      // "Visual": "PrimaryMesh"; empty leaves the key out
    TOOL_CollisionSection collision;
    TOOL_ControlSection control;  // only "VMax" is written
    TOOL_ShieldSection shield;
    // Sons: "Child<n>" sections in order (their index is their place in the list).
    std::vector<TOOL_ChildSection> children;
    // A broken description: a section left out ("Info", "Visual", "Collision", "Control",
    // "Shield"), or "Name" left out or written as a number, or "PrimaryMesh" written as a number.
    // The sections' own structs break their keys.
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;
};

// The bullet's description in the order its reader takes the sections.
std::string TOOL_BulletDescriptionText(const TOOL_BulletDescription& _description);

// ---- particle emitter nodes ----------------------------------------------------------------------

struct TOOL_EmitterNodeDescription
{
    f32 lifeTime = 1.0f;  // "OSD": "LifeTime"; 0 or less: no limit
    TOOL_ParticleEmitterSection emitter;
    // A broken description: "OSD" or "ParticleEmitter" left out; "LifeTime" left out or quoted.
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;
};

// "[OSD]" with "LifeTime" and the emitter's "ParticleEmitter" subsection.
std::string TOOL_EmitterNodeDescriptionText(const TOOL_EmitterNodeDescription& _description);

// ---- trail nodes -------------------------------------------------------------------------------

struct TOOL_TrailDescription
{
    std::string texture = "vfx\\tex\\fx\\trail01";
    s32 numOfSamples = 11;
    f32 lifeTime = 1.0f;
    f32 mapsPerSecond = 1.0f;
    f32 widths[5] = {0.5f, 0.6f, 0.7f, 0.8f, 1.0f};
    // "red,green,blue,alpha" as the reader scans them; a fixture may write fewer numbers.
    std::string colors[5] = {"255,255,255,255", "255,255,255,192", "255,255,255,128", "255,255,255,64",
                             "255,255,255,0"};
    // A broken description: "Visual" left out; a key left out or written with the wrong type
    // ("NumOfSamples" as a float, the others as the other kind).
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;
};

// "[Visual]" with its keys in the order the reader takes them.
std::string TOOL_TrailDescriptionText(const TOOL_TrailDescription& _description);

// The bytes of a 16 x 16 texture picture (level 4) for any effect texture name.
std::string TOOL_EffectTextureBytes();
// The file a texture name loads its level-4 picture from ("vfx\tex\fx\x" -> "vfx/tex/fx/x_l4.tga").
std::string TOOL_EffectTextureFile(const std::string& _name);
