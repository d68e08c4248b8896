// Writer of the "EscapeBehaviour" section of a vessel description: the escape legs a vessel
// runs on Vessel_EscapeToPosSim. For test fixtures, fuzz seeds and the sample scene.
#pragma once

#include <string>

#include "os_types.h"

// The values of an "EscapeBehaviour" section; each stands for its key.
struct TOOL_EscapeSection
{
    f32 velocity = 0.8f;       // EscVelocity: fraction of the top speed on ordinary legs
    f32 meanDist = 120.0f;     // EscMeanDist
    f32 devDist = 30.0f;       // EscDevDist
    f32 factor = 1.5f;         // EscFactor: break-away legs against ordinary ones
    f32 ratio = 0.0f;          // EscRatio: -1 across the threat's first axis .. 1 its third
    f32 strikeTimeOut = 8.0f;  // EscStrikeTimeOut: longest leg
    f32 impact = 0.7f;         // EscImpact: 0 straight to the target .. 1 straight across
    // A broken section, which stops the reader: the key left out, or written as a quoted string.
    std::string omitKey;
    std::string mistypedKey;
};

// "[EscapeBehaviour]" with the keys in the order the reader takes them; floats in fixed notation.
std::string TOOL_EscapeSectionText(const TOOL_EscapeSection& _section);
