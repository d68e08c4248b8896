// Writer of debris descriptions ("osd/debris/*.osd") for test fixtures, fuzz seeds and the
// sample scene (the spawner's two are in tools_spawner.h).
//
// A description holds the section "Debris" (LifeTime, the subsection "RigidBody", one
// subsection "Emit<i>" per child) and the children as "Child<i>" sections. Values are written
// as given, so fixtures can hold what the reader must refuse; floats always carry a decimal
// point, so each value keeps its type.
#pragma once

#include <string>
#include <vector>

#include "os_types.h"
#include "tools_sections.h"

// When and how child i leaves: angles in degrees, the spin in degrees per second.
struct TOOL_DebrisEmit
{
    f32 time = 0.0f;
    f32 coneMin = 0.0f;
    f32 coneMax = 0.0f;
    f32 rollMin = 0.0f;
    f32 rollMax = 0.0f;
    f32 velocityMin = 0.0f;
    f32 velocityMax = 0.0f;
    f32 velocityRot[3] = {0.0f, 0.0f, 0.0f};
    f32 lift[3] = {0.0f, 0.0f, 0.0f};
};

// One child: its "Child<i>" entry (the index is the child's place in the list) and its emit
// section.
struct TOOL_DebrisChild
{
    TOOL_ChildSection child;
    TOOL_DebrisEmit emit;
};

struct TOOL_Debris
{
    f32 lifeTime = 2.0f;
    f32 frictionT[3] = {0.1f, 0.1f, 0.1f};
    f32 frictionR[3] = {0.1f, 0.1f, 0.1f};
    std::vector<TOOL_DebrisChild> children;
    // A broken description: a key left out, or written as a quoted string, in whichever section
    // has it (an emit key in every "Emit" section); a section left out ("Debris", "RigidBody",
    // or "Emit<i>" for one child).
    std::string omitKey;
    std::string mistypedKey;
    std::string omitSection;
};

// The description's text: "[Debris]" with its keys and subsections in the order the debris reads
// them, then the "Child<i>" sections.
std::string TOOL_DebrisText(const TOOL_Debris& _debris);

// A child entry of class _className described by _file ("osd/..."), at the father's origin.
TOOL_DebrisChild TOOL_MakeDebrisChild(const std::string& _className, const std::string& _file,
                                      const TOOL_DebrisEmit& _emit);
