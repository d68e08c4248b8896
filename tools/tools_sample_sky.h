// The renderer's own files in the sample scene: the sky around the eye and the caustic light
// it throws on the ground and on objects.
#pragma once

#include "tools_sample.h"

// vfx\msh\sky03.msh, a sphere around the origin seen from the inside, and its texture vfx\tex\sky:
// the view up through open water.
bool TOOL_SampleSky(TOOL_SampleOutput& _output);

// vfx\tex\caustic\caustic.tse and its frames caustic001.. : a looped animation of the light
// pattern that a rippled water surface throws on the ground.
bool TOOL_SampleCaustics(TOOL_SampleOutput& _output);
