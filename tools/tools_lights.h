// Writers of the "Visual" descriptions of the scene's glow bodies (lights, halos, cones and lens
// flares) and of the dialog's sentence files, for test fixtures, fuzz seeds and the sample
// scene. Values are written as given; each writer can leave a section or a key out or write a
// key with the wrong type (a number quoted, a string bare), so fixtures can hold what the
// readers must refuse.
#pragma once

#include <string>
#include <vector>

#include "os_types.h"
#include "tools_sections.h"

// What every writer can break: a section left out ("Visual", "Dialog", "Plane1", "Sentence0"),
// a key left out, or a key written with the wrong type.
struct TOOL_BrokenKeys
{
    std::string omitSection;
    std::string omitKey;
    std::string mistypedKey;
};

// A count written as the number of entries of its list.
constexpr s32 TOOL_COUNT_OF_LIST = -2147483647 - 1;

struct TOOL_LightDescription : TOOL_BrokenKeys
{
    std::string type = "omni";  // "Type"; empty leaves the key out
    f32 rgb[3] = {1.0f, 0.9f, 0.8f};
    f32 range[2] = {100.0f, 200.0f};
    std::vector<TOOL_ChildSection> children;  // "Child<n>" after "Visual", indexed in order
};
std::string TOOL_LightDescriptionText(const TOOL_LightDescription& _description);

struct TOOL_HaloDescription : TOOL_BrokenKeys
{
    std::string texture = "vfx\\tex\\fx\\halo01";
    f32 scale[2] = {4.0f, 4.0f};
    f32 color[3] = {1.0f, 1.0f, 1.0f};
    f32 opacity = 1.0f;
    bool hasRadius = false;  // "BSRad" only when set
    f32 radius = 0.0f;
};
std::string TOOL_HaloDescriptionText(const TOOL_HaloDescription& _description);

struct TOOL_ConeDescription : TOOL_BrokenKeys
{
    std::string nameMesh = "cone.msh";  // under "vfx\msh\"
    f32 scale[3] = {1.0f, 1.0f, 1.0f};
    f32 color[3] = {0.5f, 0.7f, 1.0f};
};
std::string TOOL_ConeDescriptionText(const TOOL_ConeDescription& _description);

struct TOOL_FlarePlane
{
    f32 distance = 0.0f;
    std::string texture = "vfx\\tex\\fx\\flare01";
    f32 scale[2] = {1.0f, 1.0f};
    f32 angle = 0.0f;  // degrees
    f32 color[3] = {1.0f, 1.0f, 1.0f};
    f32 opacity = 1.0f;
};

struct TOOL_FlareDescription : TOOL_BrokenKeys
{
    f32 sizeClip = 0.1f;
    f32 intensityClip = 0.2f;
    f32 masterScale[2] = {1.0f, 1.0f};
    s32 numOfPlane = TOOL_COUNT_OF_LIST;  // "NumOfPlane"
    std::vector<TOOL_FlarePlane> planes;  // "Plane0" ... inside "Visual"
};
std::string TOOL_FlareDescriptionText(const TOOL_FlareDescription& _description);

// A cone-shaped light mesh along +y (apex at the origin, opening to radius _radius at _length),
// _sides sides, one material with the texture _texture.
std::string TOOL_LightConeMeshText(f32 _length, f32 _radius, u32 _sides, const std::string& _texture);

struct TOOL_Sentence
{
    std::string actor;
    std::string text;
    s32 index = -1;  // the section's number; -1 is its place in the list
};

struct TOOL_SentenceFile : TOOL_BrokenKeys
{
    s32 numOfSentence = TOOL_COUNT_OF_LIST;  // "NumOfSentence"
    std::vector<TOOL_Sentence> sentences;
};
// "[Dialog]" with "NumOfSentence" and one "Sentence<n>" subsection per sentence.
std::string TOOL_SentenceFileText(const TOOL_SentenceFile& _file);
