// Writers of a character's animation files for test fixtures and fuzz seeds: the animation set
// ("dat/animation/*.des"), its reference file (skeleton and skin weights) and its animation
// files (both "animation/<name>"), and a complete small set with its mesh.
//
// Values are written as given, so fixtures can hold what the readers must refuse; floats always
// carry a decimal point, so every value keeps its type. A key named in omitKey is left out
// wherever it stands, one named in mistypedKey is written as a quoted string, a section named
// in omitSection ("TotalAnimation", "AnimData", "Animation1", "B2", "SV0" of every bone ...)
// is left out with what it holds.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "os_types.h"
#include "tools_mesh.h"

struct TOOL_AnimationEntry
{
    std::string name;
    std::string file;  // under "animation\"
};

struct TOOL_AnimationSet
{
    std::string mesh;  // under "vfx\msh\"; the reference file is "animation\" + mesh
    std::vector<TOOL_AnimationEntry> animations;
    s32 numOfAnimation = -1;  // -1 writes the size of the list, any other value as it is
    std::string omitKey;
    std::string mistypedKey;
    std::string omitSection;
};

// "[TotalAnimation]" with Mesh, NumOfAnimation and the "Animation<i>" subsections.
std::string TOOL_AnimationSetText(const TOOL_AnimationSet& _set);

// A skin vertex a bone moves, with its weight 0..1.
struct TOOL_BoneVertex
{
    s32 index = 0;
    f32 weight = 1.0f;
};

// One sample of a bone: time (animation files only), position and rotation (w, x, y, z).
struct TOOL_BoneSample
{
    f32 time = 0.0f;
    std::array<f32, 3> position = {0.0f, 0.0f, 0.0f};
    std::array<f32, 4> rotation = {1.0f, 0.0f, 0.0f, 0.0f};
};

struct TOOL_AnimBone
{
    std::string name;
    s32 id = 0;
    s32 father = 0;
    std::vector<TOOL_BoneSample> samples;   // SV0, SV1, ...
    std::vector<TOOL_BoneVertex> vertices;  // V0, V1, ... of SV0 (reference files)
};

// A reference file (Id, F, one sample with its vertices per bone, NOSV) or an animation file
// (T in every sample, no Id, F or vertices).
struct TOOL_AnimData
{
    bool reference = true;
    std::vector<TOOL_AnimBone> bones;
    s32 nob = -1;  // -1 writes the number of bones, any other value as it is
    s32 nosv = 1;
    std::string omitKey;
    std::string mistypedKey;
    std::string omitSection;
};

// "[AnimData]" with NOB (and NOSV) and the "B<i>" subsections.
std::string TOOL_AnimDataText(const TOOL_AnimData& _data);

// One segment of a "PhysicalAnimation" section: its bones go physical together.
struct TOOL_PhysicalSegment
{
    f32 positionElasticity = 10.0f;
    f32 minLengthStretch = 0.5f;
    f32 maxLengthStretch = 1.5f;
    f32 orientationElasticity = 10.0f;
    std::array<f32, 3> force = {0.0f, 0.0f, 0.0f};
    std::vector<s32> bones;  // B0, B1, ...
    s32 nob = -1;            // -1 writes the number of bones, any other value as it is
};

struct TOOL_PhysicalAnimation
{
    std::vector<TOOL_PhysicalSegment> segments;
    s32 numOfSegment = -1;  // -1 writes the number of segments
    std::string omitKey;
    std::string mistypedKey;
    std::string omitSection;
};

// "[PhysicalAnimation]" with NumOfSegment and the "Segment<i>" subsections, at _depth levels of
// indentation (a character description holds it inside its own section).
std::string TOOL_PhysicalAnimationText(const TOOL_PhysicalAnimation& _physical, s32 _depth = 0);

// The small skinned character the tests and seeds share: a column of three bones ("root",
// "spine", "head", ids 10, 20, 30) standing on the origin, its mesh a 1 x 3 grid standing up
// (vertex file indices 0..7, two rows a bone, the middle rows shared by two bones), and two
// animations: "Walk" (the root slides along x and the spine turns, 5 samples over 1 s) and
// "Wave" (the head nods, 3 samples over 0.5 s, its bones listed head first).
struct TOOL_AnimationFixture
{
    TOOL_Mesh mesh;
    TOOL_AnimData reference;
    TOOL_AnimData walk;
    TOOL_AnimData wave;
    TOOL_AnimationSet set;
};
TOOL_AnimationFixture TOOL_MakeAnimationFixture();

// Writes the fixture under _root: "vfx/msh/<mesh>", "dat/animation/<_setName>",
// "animation/<mesh>" and the animation files (folders made as needed). 1 when every file was
// written.
u32 TOOL_WriteAnimationFixture(const std::string& _root, const TOOL_AnimationFixture& _fixture,
                               const std::string& _setName);
