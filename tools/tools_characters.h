// Writers of the characters' descriptions for test fixtures and fuzz seeds: the physical
// character ("Animation", "Control", "Sensor", "PhysicalAnimation", its sons, the optional
// "ChildTransformation") and the plain character ("Animation" and its sons).
//
// Values are written as given, so fixtures can hold what the readers must refuse. A section
// named in omitSection ("Sensor", "ChildTransformation", "Child1" inside it ...) is left out
// with what it holds; a key named in omitKey is left out wherever it stands (the "Control"
// keys too), one named in mistypedKey is written as a quoted string.
#pragma once

#include <string>
#include <vector>

#include "os_types.h"
#include "tools_animation.h"
#include "tools_lights.h"
#include "tools_sections.h"

// One record of "ChildTransformation": son ChildIndex rides on bone ConnectBoneIndex.
struct TOOL_ChildTransformation
{
    s32 childIndex = 0;
    s32 connectBoneIndex = 0;
};

// One segment over the fixture's head bone (2), the description's default.
TOOL_PhysicalAnimation TOOL_CharacterPhysicalAnimation();

struct TOOL_CharacterDescription : TOOL_BrokenKeys
{
    std::string animationFile = "walker.des";  // under "dat\animation\"
    TOOL_ControlSection control;
    f32 rolling = 0.0f;
    s32 numOfSensorSectors = 4;
    f32 sensorDelay = 2.0f;
    s32 allSectorsDifferent = 0;
    f32 sensorRange = 50.0f;
    TOOL_PhysicalAnimation physical = TOOL_CharacterPhysicalAnimation();
    // Sons the node loader makes ("Child<n>" at the top, indexed in order).
    std::vector<TOOL_ChildSection> children;
    bool hasTransformations = false;
    s32 numOfChild = TOOL_COUNT_OF_LIST;
    std::vector<TOOL_ChildTransformation> transformations;
};

// The physical character's description.
std::string TOOL_PhysicalCharacterText(const TOOL_CharacterDescription& _description);
// The plain character's: "Animation" and the sons; the other fields are not written.
std::string TOOL_CharacterText(const TOOL_CharacterDescription& _description);
