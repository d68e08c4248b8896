// The head-up display's symbols in the sample scene.
#pragma once

#include "tools_sample.h"

// The symbols the head-up display draws over the scene, white shapes on a transparent ground
// under vfx\tex\hud\: the direction arrow, the terrain arrow, the two lock brackets, the target
// frame and the two reticles.
bool TOOL_SampleHud(TOOL_SampleOutput& _output);
